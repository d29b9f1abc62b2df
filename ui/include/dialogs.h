// dialogs: the one seam through which the windows ask the user something
// (message boxes, file-open/file-save dialogs, the colour dialog).
//
// Windows never call QMessageBox/QFileDialog/QColorDialog directly; they call
// Dialogs(). The default implementation shows the real Qt dialogs. Tests
// install a TScriptedDialogs that answers from a queue and records every
// question, so confirmations, Cancel paths and error texts can be checked.
#pragma once

#include "lumeno/bitmap/draw_dib.h"

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

namespace lumeno::ui {

// Buttons of a message box (may be or'ed) and the button that was pressed.
enum TMsgButton : unsigned {
    mbNone = 0,
    mbOK = 1u << 0,
    mbCancel = 1u << 1,
    mbYes = 1u << 2,
    mbNo = 1u << 3,
};
using TMsgButtons = unsigned;

enum class TMsgIcon { None, Information, Warning, Error, Question };

// A file-dialog filter in the form "Beschreibung (*.a *.b);;Alle Dateien (*)"
// (Qt's syntax).
class TDialogs {
  public:
    virtual ~TDialogs() = default;

    // Shows a modal message box; returns the button pressed. Closing the box
    // with Escape or the title-bar cross returns mbCancel when offered, else
    // mbNo when offered, else mbOK.
    virtual TMsgButton MessageBox(QWidget* parent, const QString& text, const QString& title,
                                  TMsgButtons buttons, TMsgIcon icon) = 0;

    // Multi-select open dialog; empty list when cancelled.
    virtual QStringList GetOpenFileNames(QWidget* parent, const QString& title,
                                         const QString& filter) = 0;

    // Single-file open dialog; empty string when cancelled.
    virtual QString GetOpenFileName(QWidget* parent, const QString& title,
                                    const QString& filter) = 0;

    // Save dialog; defaultExt (without dot, may be empty) is appended when the
    // typed name has no extension; overwritePrompt asks before replacing an
    // existing file; initialName (may be empty) is the name the dialog starts with. Empty
    // string when cancelled.
    virtual QString GetSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& defaultExt, bool overwritePrompt,
                                    const QString& initialName = QString()) = 0;

    // Colour dialog starting at `initial`; returns false when cancelled.
    virtual bool ChooseColor(QWidget* parent, const QColor& initial, QColor& chosen) = 0;
};

// The dialogs in use. Never null: the Qt implementation unless a test
// installed another one.
TDialogs& Dialogs();

// Tells the user in a plain message box (no owner, no caption, OK) that a device refused to
// draw a picture; nothing when it was drawn.
void ReportDrawDib(DrawDibResult result);

// Installs `d` (ownership stays with the caller; nullptr restores the Qt
// implementation). Returns the previously installed one.
TDialogs* SetDialogs(TDialogs* d);

// Installs another implementation for the lifetime of the object.
class TDialogsScope {
  public:
    explicit TDialogsScope(TDialogs* d) : Previous(SetDialogs(d)) {}
    ~TDialogsScope() { SetDialogs(Previous); }
    TDialogsScope(const TDialogsScope&) = delete;
    TDialogsScope& operator=(const TDialogsScope&) = delete;

  private:
    TDialogs* Previous;
};

} // namespace lumeno::ui
