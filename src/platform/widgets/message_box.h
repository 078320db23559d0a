#pragma once

#include <QString>

class QWidget;

// The message box of the program: a question answered Yes or No, and a
// notice with an OK button. The program uses QtMessageBox; tests use
// ScriptedMessageBox to answer for the user.
class MessageBox
{
public:
    enum class Answer { Yes, No };

    virtual ~MessageBox() = default;

    // Asks with the buttons Yes and No; defaultAnswer is the one Enter gives.
    virtual Answer ask(QWidget* parent, const QString& title, const QString& text,
                       Answer defaultAnswer) = 0;

    // Tells the user about a failure; returns when the user has read it.
    virtual void warn(QWidget* parent, const QString& title, const QString& text) = 0;
};

class QtMessageBox final : public MessageBox
{
public:
    Answer ask(QWidget* parent, const QString& title, const QString& text,
               Answer defaultAnswer) override;
    void warn(QWidget* parent, const QString& title, const QString& text) override;
};
