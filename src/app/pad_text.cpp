#include "app/pad_text.h"

namespace PadText {

QString fromEditor(QStringView raw)
{
    QString entry;
    entry.reserve(raw.size() + raw.size() / 16);
    for (QChar ch : raw) {
        if (ch == QChar::ParagraphSeparator)
            entry += u"\r\n";
        else if (ch == QChar::LineSeparator)
            entry += u'\n';
        else
            entry += ch;
    }
    return entry;
}

QString toEditor(QStringView entry)
{
    QString text;
    text.reserve(entry.size());
    for (qsizetype i = 0; i < entry.size(); ++i) {
        const QChar ch = entry[i];
        if (ch == u'\r' && i + 1 < entry.size() && entry[i + 1] == u'\n') {
            text += u'\n'; // a line break: the editor starts a new block
            ++i;
        } else if (ch == u'\n') {
            text += QChar::LineSeparator; // a lone LF stays inside its line
        } else {
            text += ch;
        }
    }
    return text;
}

} // namespace PadText
