#include "scripted_dialogs.h"

#include <QFileInfo>

namespace lumeno::ui {

TMsgButton TScriptedDialogs::MessageBox(QWidget*, const QString& text, const QString& title,
                                        TMsgButtons buttons, TMsgIcon icon) {
    Messages.push_back({text, title, buttons, icon});
    if (!MessageAnswers.empty()) {
        TMsgButton b = MessageAnswers.front();
        MessageAnswers.pop_front();
        return b;
    }
    if (buttons & mbOK) return mbOK;
    if (buttons & mbYes) return mbYes;
    return mbOK;
}

QStringList TScriptedDialogs::GetOpenFileNames(QWidget*, const QString& title,
                                               const QString& filter) {
    FileQuestions.push_back({title, filter, QString(), QString(), false, false});
    if (OpenAnswers.empty()) return {};
    QStringList l = OpenAnswers.front();
    OpenAnswers.pop_front();
    return l;
}

QString TScriptedDialogs::GetOpenFileName(QWidget* parent, const QString& title,
                                          const QString& filter) {
    QStringList l = GetOpenFileNames(parent, title, filter);
    return l.isEmpty() ? QString() : l.first();
}

QString TScriptedDialogs::GetSaveFileName(QWidget*, const QString& title, const QString& filter,
                                          const QString& defaultExt, bool overwritePrompt,
                                          const QString& initialName) {
    FileQuestions.push_back({title, filter, defaultExt, initialName, overwritePrompt, true});
    if (SaveAnswers.empty()) return {};
    QString s = SaveAnswers.front();
    SaveAnswers.pop_front();
    if (!s.isEmpty() && !defaultExt.isEmpty() && QFileInfo(s).suffix().isEmpty())
        s += QLatin1Char('.') + defaultExt;
    return s;
}

bool TScriptedDialogs::ChooseColor(QWidget*, const QColor&, QColor& chosen) {
    ++ColorQuestions;
    if (ColorAnswers.empty()) return false;
    QColor c = ColorAnswers.front();
    ColorAnswers.pop_front();
    if (!c.isValid()) return false;
    chosen = c;
    return true;
}

} // namespace lumeno::ui
