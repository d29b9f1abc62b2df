// Qt implementation of the dialog seam and the scripted one used by tests.
#include "dialogs.h"

#include "messages.h"

#include <QColorDialog>
#include <QFileDialog>
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
        return QFileDialog::getOpenFileNames(parent, title, QString(), filter);
    }

    QString GetOpenFileName(QWidget* parent, const QString& title, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    }

    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                            const QString& defaultExt, bool overwritePrompt,
                            const QString& initialName) override {
        QFileDialog dlg(parent, title, initialName, filter);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        if (!defaultExt.isEmpty()) dlg.setDefaultSuffix(defaultExt);
        if (!overwritePrompt) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
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
