// Qt implementation of the dialog seam and the scripted one used by tests.
#include "dialogs.h"

#include "messages.h"
#include "window_settings.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace lumeno::ui {
namespace {

// The buttons keep German captions whatever translations Qt has installed.
struct TButtonSpec {
    TMsgButton Button;
    const char* Caption;
    QMessageBox::ButtonRole Role;
};
constexpr TButtonSpec kButtons[] = {
    {mbYes, "&Ja", QMessageBox::YesRole},
    {mbNo, "&Nein", QMessageBox::NoRole},
    {mbOK, "OK", QMessageBox::AcceptRole},
    {mbCancel, "Abbrechen", QMessageBox::RejectRole},
};

// Where a file dialog starts: in the folder of the kind of file asked for, with `name` (which
// may be empty) in it unless the name brings a folder of its own.
QString StartPath(const QString& name) {
    const TFolder* kind = CurrentFolderKind();
    if (!kind) return name;
    if (!name.isEmpty() && QFileInfo(name).isAbsolute()) return name;
    const QString folder = RememberedFolder(*kind);
    if (folder.isEmpty()) return name;
    return name.isEmpty() ? folder : QDir(folder).filePath(name);
}

void Remember(const QString& chosen) {
    if (const TFolder* kind = CurrentFolderKind()) RememberFolder(*kind, chosen);
}

TMsgButton EscapeAnswer(TMsgButtons buttons) {
    if (buttons & mbCancel) return mbCancel;
    if (buttons & mbNo) return mbNo;
    return mbOK;
}

class TQtDialogs : public TDialogs {
  public:
    TMsgButton MessageBox(QWidget* parent, const QString& text, const QString& title,
                          TMsgButtons buttons, TMsgIcon icon) override {
        QMessageBox box(parent);
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
        case TMsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case TMsgIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case TMsgIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case TMsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case TMsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        }
        if (buttons == mbNone) buttons = mbOK;
        std::vector<std::pair<QAbstractButton*, TMsgButton>> map;
        QPushButton* first = nullptr;
        for (const auto& entry : kButtons) {
            if (!(buttons & entry.Button)) continue;
            QPushButton* b = box.addButton(QString::fromUtf8(entry.Caption), entry.Role);
            if (!first) first = b;
            map.emplace_back(b, entry.Button);
        }
        box.setDefaultButton(first);
        for (const auto& [b, id] : map)
            if (id == EscapeAnswer(buttons)) box.setEscapeButton(b);
        box.exec();
        for (const auto& [b, id] : map)
            if (box.clickedButton() == b) return id;
        return EscapeAnswer(buttons);
    }

    QStringList GetOpenFileNames(QWidget* parent, const QString& title,
                                 const QString& filter) override {
        const QStringList files =
            QFileDialog::getOpenFileNames(parent, title, StartPath(QString()), filter);
        if (!files.isEmpty()) Remember(files.first());
        return files;
    }

    QString GetOpenFileName(QWidget* parent, const QString& title, const QString& filter) override {
        const QString file =
            QFileDialog::getOpenFileName(parent, title, StartPath(QString()), filter);
        Remember(file);
        return file;
    }

    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                            const QString& defaultExt, bool overwritePrompt,
                            const QString& initialName) override {
        QFileDialog dlg(parent, title, StartPath(initialName), filter);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        if (!defaultExt.isEmpty()) dlg.setDefaultSuffix(defaultExt);
        if (!overwritePrompt) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
        Remember(dlg.selectedFiles().first());
        return dlg.selectedFiles().first();
    }

    bool ChooseColor(QWidget* parent, const QColor& initial, QColor& chosen) override {
        QColor c = QColorDialog::getColor(initial, parent, QStringLiteral("Farbe"));
        if (!c.isValid()) return false;
        chosen = c;
        return true;
    }
};

TQtDialogs& QtDialogs() {
    static TQtDialogs d;
    return d;
}

TDialogs* gInstalled = nullptr;

} // namespace

TDialogs& Dialogs() {
    return gInstalled ? *gInstalled : QtDialogs();
}

void ReportDrawDib(DrawDibResult result) {
    if (result == DrawDibResult::kDrawn) return;
    Dialogs().MessageBox(nullptr, DrawDibText(result), QString(), mbOK, TMsgIcon::None);
}

TDialogs* SetDialogs(TDialogs* d) {
    TDialogs* prev = gInstalled;
    gInstalled = d;
    return prev;
}

} // namespace lumeno::ui
