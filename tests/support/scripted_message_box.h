#pragma once

#include "platform/widgets/message_box.h"

#include <QList>
#include <QString>

#include <functional>

// Answers the program's questions from a script, as a user would, and keeps
// every message it was shown, so a test can check what the user saw.
class ScriptedMessageBox final : public MessageBox
{
public:
    struct Shown
    {
        QString title;
        QString text;
        bool question = false;
        Answer defaultAnswer = Answer::No;
    };

    // The answers to give, in order. A question beyond the script is
    // answered with its default button, as Enter would.
    void script(QList<Answer> answers) { m_answers = std::move(answers); }

    // Runs while a question is open, as whatever may happen then would.
    void whileAsking(std::function<void()> action) { m_whileAsking = std::move(action); }

    const QList<Shown>& shown() const { return m_shown; }

    Answer ask(QWidget* parent, const QString& title, const QString& text,
               Answer defaultAnswer) override;
    void warn(QWidget* parent, const QString& title, const QString& text) override;

private:
    QList<Answer> m_answers;
    std::function<void()> m_whileAsking;
    QList<Shown> m_shown;
};
