#include "platform/widgets/message_box.h"

#include <QMessageBox>

MessageBox::Answer QtMessageBox::ask(QWidget* parent, const QString& title,
                                     const QString& text, Answer defaultAnswer)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultAnswer == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtMessageBox::warn(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent, title, text);
}
