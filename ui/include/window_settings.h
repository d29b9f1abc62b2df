// window_settings: what the windows remember between runs in the program's per-user settings
// (the registry on Windows): their size, position and maximised state, and the last folder
// used for each kind of file.
#pragma once

#include <QString>

class QWidget;

namespace lumeno::ui {

// Stores the window's size, position and maximised state under `key`.
void SaveWindowGeometry(const QWidget& window, const QString& key);
// Puts the window where it was stored under `key`, moved onto the visible screens when that
// place lies off them (a screen was removed since). False, and the window unchanged, when
// nothing usable is stored.
bool RestoreWindowGeometry(QWidget& window, const QString& key);

// Each kind of file keeps a folder of its own: adding photos does not start in the folder of
// the last PDF.
enum class TFolder { Photos, Shows, Pdf, Html, Video, Music };

// The folder last used for `kind`; empty when none was used yet or it no longer exists.
QString RememberedFolder(TFolder kind);
// Remembers the folder holding `chosenFile` for `kind`; nothing for an empty name.
void RememberFolder(TFolder kind, const QString& chosenFile);

// While it lives, the file dialogs shown through Dialogs() start in the folder of `kind` and
// remember the folder of what was chosen there.
class TFolderScope {
  public:
    explicit TFolderScope(TFolder kind);
    ~TFolderScope();
    TFolderScope(const TFolderScope&) = delete;
    TFolderScope& operator=(const TFolderScope&) = delete;

  private:
    const TFolder* Previous;
    TFolder Kind;
};

// The kind of the innermost living TFolderScope; nullptr outside any.
const TFolder* CurrentFolderKind();

} // namespace lumeno::ui
