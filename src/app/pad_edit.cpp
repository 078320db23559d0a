#include "app/pad_edit.h"

#include "app/pad_text.h"

#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>

PadEdit::PadEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(false);
}

QString PadEdit::entryText() const
{
    return PadText::fromEditor(document()->toRawText());
}

void PadEdit::setEntryText(const QString& text)
{
    setPlainText(PadText::toEditor(text));
}

void PadEdit::keyPressEvent(QKeyEvent* event)
{
    // The editor would put a line separator inside the line for
    // Shift+Enter, which the entry file keeps as a lone LF; a line break
    // typed by the user is always a real one.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ShiftModifier) && !isReadOnly()) {
        QTextCursor cursor = textCursor();
        cursor.insertBlock();
        setTextCursor(cursor);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
