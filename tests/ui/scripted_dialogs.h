#pragma once
// The window's dialogs answered from queues, for tests.
#include "dialogs.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

namespace lumeno::ui {

// Scripted dialogs for tests: every call is recorded; answers are taken from
// the queues in order. An empty queue answers with the default (message box:
// the first offered of mbOK/mbYes; file dialogs: cancelled; colour: cancelled).
class TScriptedDialogs : public TDialogs {
  public:
    struct TMessage {
        QString Text, Title;
        TMsgButtons Buttons = mbNone;
        TMsgIcon Icon = TMsgIcon::None;
    };
    struct TFileQuestion {
        QString Title, Filter, DefaultExt, InitialName;
        bool OverwritePrompt = false;
        bool Save = false;
    };

    std::deque<TMsgButton> MessageAnswers;
    std::deque<QStringList> OpenAnswers; // for GetOpenFileNames and GetOpenFileName
    std::deque<QString> SaveAnswers;
    std::deque<QColor> ColorAnswers; // invalid QColor = cancelled

    std::vector<TMessage> Messages;
    std::vector<TFileQuestion> FileQuestions;
    int ColorQuestions = 0;

    TMsgButton MessageBox(QWidget* parent, const QString& text, const QString& title,
                          TMsgButtons buttons, TMsgIcon icon) override;
    QStringList GetOpenFileNames(QWidget* parent, const QString& title,
                                 const QString& filter) override;
    QString GetOpenFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& filter,
                            const QString& defaultExt, bool overwritePrompt,
                            const QString& initialName = QString()) override;
    bool ChooseColor(QWidget* parent, const QColor& initial, QColor& chosen) override;
};

} // namespace lumeno::ui
