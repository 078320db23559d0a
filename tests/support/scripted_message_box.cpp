#include "support/scripted_message_box.h"

MessageBox::Answer ScriptedMessageBox::ask(QWidget*, const QString& title, const QString& text,
                                           Answer defaultAnswer)
{
    m_shown.append({title, text, true, defaultAnswer});
    if (m_whileAsking)
        m_whileAsking();
    return m_answers.isEmpty() ? defaultAnswer : m_answers.takeFirst();
}

void ScriptedMessageBox::warn(QWidget*, const QString& title, const QString& text)
{
    m_shown.append({title, text, false, Answer::No});
}
