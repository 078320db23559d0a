#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>

class DateSettings;

// How the lines of the entry file are told apart. An entry is a header line
// ("*!*" and the date text of its day), one or more body lines and an end
// line ("!*!"). The tests work on a line's bytes: both marks are ASCII, so
// a line that starts with them in its text starts with them in its bytes,
// whatever its encoding.
namespace EntryLines {

inline constexpr QByteArrayView headerMark("*!*");
inline constexpr QByteArrayView endLine("!*!");

inline bool isHeader(QByteArrayView line)
{
    return line.startsWith(headerMark);
}

inline bool isEnd(QByteArrayView line)
{
    return line == endLine;
}

} // namespace EntryLines

// Recognises the headers of one day: header lines whose date text reads
// exactly as the day. A header whose text is not a date, or names a time of
// day, belongs to no day. Decoding the date text reuses one buffer, so a
// scan over many headers does not allocate per line.
class DayHeaderMatcher
{
public:
    DayHeaderMatcher(const DateSettings& dates, const QDate& day);

    bool matches(QByteArrayView line);

private:
    const DateSettings& m_dates;
    QDate m_day;
    QString m_dateText;
};
