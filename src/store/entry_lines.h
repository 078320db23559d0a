#pragma once

#include "store/header_date_reader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>

#include <cstring>

class DateSettings;

// How the lines of the entry file are told apart. An entry is a header line
// ("*!*" and the date text of its day), one or more body lines and an end
// line ("!*!"). The tests work on a line's bytes: both marks are ASCII, so
// a line that starts with them in its text starts with them in its bytes,
// whatever its encoding.
namespace EntryLines {

inline constexpr QByteArrayView headerMark("*!*");
inline constexpr QByteArrayView endLine("!*!");

// ZERO WIDTH SPACE (U+200B) in UTF-8. The writer puts one in front of a
// body line that would otherwise read as a mark, so that no reader takes
// text for a header or an end line; the reader of a body takes it off again.
inline constexpr QByteArrayView markEscape("\xE2\x80\x8B");

inline bool isHeader(QByteArrayView line)
{
    // A comparison of three bytes in line, not a library call: the readers
    // test every header of the file.
    return line.size() >= headerMark.size()
           && std::memcmp(line.data(), headerMark.data(), size_t(headerMark.size())) == 0;
}

inline bool isEnd(QByteArrayView line)
{
    return line.size() == endLine.size() && std::memcmp(line.data(), endLine.data(), size_t(endLine.size())) == 0;
}

// A header line or an end line, as every reader sees it.
inline bool readsAsMark(QByteArrayView line)
{
    return isHeader(line) || isEnd(line);
}

// Whether a body line needs the escape: it reads as a mark after any number
// (none included) of leading U+200B. Escaping lines that already begin with
// U+200B before a mark too is what lets the reader drop exactly one.
inline bool needsEscape(QByteArrayView line)
{
    while (line.startsWith(markEscape))
        line = line.sliced(markEscape.size());
    return readsAsMark(line);
}

// A body line as the user typed it: one leading U+200B fewer when the line
// is one or more of them followed by something that reads as a mark. Every
// reader that shows or exports body text runs its body lines through this;
// a file written before the escape existed reads exactly as before, since
// such a line could not be in a body then.
inline QByteArrayView unescapedBody(QByteArrayView line)
{
    // Most lines do not start as the escape does, and their first byte tells.
    if (line.isEmpty() || line.front() != markEscape.front())
        return line;
    if (line.startsWith(markEscape) && needsEscape(line))
        return line.sliced(markEscape.size());
    return line;
}

// A body line's text as the pad shows it, appended to `out`: the escape
// taken off, the bytes decoded.
void appendBodyText(QByteArrayView line, QString& out);

// Appends a text's bytes as body lines (its lines separated by CR LF or a
// lone CR, as a reader splits them) with the escape where one is needed.
// The text goes in otherwise unchanged; no line end is added after it.
void appendEscapedBody(QByteArrayView text, QByteArray& out);

// The one byte form of a day's entry: the header line with the day's date
// text, the text's lines escaped where they would read as marks, and the
// end line, each ended by CR LF. The save, the rescue file and the recovery
// file all write an entry in this form, so each reads back through the
// entry file's readers as the text the user typed.
QByteArray entryBytes(const DateSettings& dates, const QDate& day, QStringView text);

} // namespace EntryLines

// Recognises the headers of one day: header lines whose date text reads
// exactly as the day. A header whose text is not a date, or names a time of
// day, belongs to no day. Headers as the program writes them are read from
// their bytes, so a pass over many headers neither allocates nor parses.
class DayHeaderMatcher
{
public:
    DayHeaderMatcher(const DateSettings& dates, const QDate& day);

    bool matches(QByteArrayView line);

private:
    HeaderDateReader m_reader;
    QDate m_day;
};
