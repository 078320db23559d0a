#include "app/pad_text.h"

namespace PadText {

namespace {

// The editor's own characters for a block break inside frames, which
// setPlainText would take as line breaks.
constexpr char16_t beginningOfFrame = 0xFDD0;
constexpr char16_t endOfFrame = 0xFDD1;

// Whether the editor would turn this character into something else.
bool needsStandIn(QChar ch)
{
    const char16_t c = ch.unicode();
    return c == u'\n' || c == QChar::ParagraphSeparator || c == beginningOfFrame
           || c == endOfFrame;
}

// What the editor shows for such a character: a line break inside the line
// for the line-ending characters, the replacement character otherwise.
QChar standInFor(QChar ch)
{
    const char16_t c = ch.unicode();
    if (c == beginningOfFrame || c == endOfFrame)
        return QChar::ReplacementCharacter;
    return QChar::LineSeparator;
}

} // namespace

EditorText toEditor(QStringView entry)
{
    EditorText editor;
    editor.text.reserve(entry.size());
    for (qsizetype i = 0; i < entry.size(); ++i) {
        const QChar ch = entry[i];
        if (ch == u'\r' && i + 1 < entry.size() && entry[i + 1] == u'\n') {
            editor.text += u'\n'; // a line break: the editor starts a new block
            ++i;
        } else if (needsStandIn(ch)) {
            editor.standIns.append({editor.text.size(), ch});
            editor.text += standInFor(ch);
        } else {
            editor.text += ch;
        }
    }
    return editor;
}

void appendFromEditor(QString& entry, QStringView raw, QChar original)
{
    const bool standsIn = !original.isNull();
    const QChar shown = standsIn ? standInFor(original) : QChar();
    for (QChar ch : raw) {
        if (standsIn && ch == shown)
            entry += original;
        else if (ch == QChar::ParagraphSeparator)
            entry += u"\r\n";
        else
            entry += ch;
    }
}

} // namespace PadText
