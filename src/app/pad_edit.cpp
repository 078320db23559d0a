#include "app/pad_edit.h"

#include "app/pad_text.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QStringTokenizer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <memory>

namespace {

// The virtual-key codes of the keys the program listens for.
int virtualKeyCode(int key)
{
    switch (key) {
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    default: return 0;
    }
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace

PadEdit::PadEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // As in the edit boxes of dialogs, Tab and Shift+Tab go on to the next
    // control in the tab order, so the keyboard reaches every button; a tab
    // character is typed with Ctrl+Tab.
    setTabChangesFocus(true);
}

QString PadEdit::entryText() const
{
    if (m_shownInPieces)
        return m_entry;
    QString entry;
    entry.reserve(document()->characterCount());
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin())
            entry += u"\r\n";
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment piece = fragment.fragment();
            const QVariant original = piece.charFormat().property(originalCharacter);
            PadText::appendFromEditor(entry, piece.text(),
                                      original.isValid() ? QChar(char16_t(original.toUInt())) : QChar());
        }
    }
    return entry;
}

void PadEdit::setEntryText(const QString& text)
{
    qsizetype longest = 0;
    for (const QStringView line : qTokenize(text, u"\r\n"))
        longest = std::max(longest, line.size());
    setWordWrapMode(longest > longLine ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    const bool wasInPieces = m_shownInPieces;
    m_shownInPieces = longest > maxEditableLine;
    m_entry = m_shownInPieces ? text : QString();
    // Pieces are for reading: whatever puts such a text here (a load, a
    // merged save, a recovered text), nothing typed over it would be kept.
    if (wasInPieces || m_shownInPieces)
        setReadOnly(m_shownInPieces);
    if (m_shownInPieces) {
        // Each piece a paragraph of its own: the editor lays out only the
        // pieces in view.
        QStringList pieces;
        for (const QStringView line : qTokenize(text, u"\r\n")) {
            qsizetype at = 0;
            do { // an empty line is a piece too
                pieces.append(line.mid(at, longLine).toString());
                at += longLine;
            } while (at < line.size());
        }
        setPlainText(pieces.join(u'\n'));
        return;
    }
    const PadText::EditorText editor = PadText::toEditor(text);
    setPlainText(editor.text);
    if (editor.standIns.isEmpty())
        return;
    // Each stand-in carries the character it stands for in its format,
    // which moves with it through edits, undo and redo.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (const PadText::StandIn& standIn : editor.standIns) {
        cursor.setPosition(int(standIn.position));
        cursor.setPosition(int(standIn.position) + 1, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setProperty(originalCharacter, uint(standIn.original.unicode()));
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
    document()->clearUndoRedoStacks();
}

void PadEdit::selectEntryRange(qsizetype start, qsizetype length)
{
    if (m_shownInPieces)
        return; // the pieces are not the entry's lines
    // Each CR LF of the entry is one block break in the editor; every other
    // character, a stand-in included, is one character there too.
    const QString entry = entryText();
    const auto editorPosition = [&entry](qsizetype at) {
        return int(at - QStringView(entry).first(std::min(at, entry.size())).count(u"\r\n"));
    };
    QTextCursor cursor(document());
    cursor.setPosition(editorPosition(start));
    cursor.setPosition(editorPosition(start + length), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void PadEdit::keyPressEvent(QKeyEvent* event)
{
    // The window sees the key first; the pad then handles it as usual,
    // whatever the window did with it.
    emit keyDown(virtualKeyCode(event->key()), shiftState(event->modifiers()));
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
    if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier && !isReadOnly()) {
        insertPlainText(QStringLiteral("\t"));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void PadEdit::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    const int position = event->reason() == QContextMenuEvent::Mouse ? cursorForPosition(event->pos()).position()
                                                                     : textCursor().position();
    if (m_menuAddition)
        m_menuAddition(*menu, position);
    menu->exec(event->globalPos());
}
