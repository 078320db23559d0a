#include "export/date_lines.h"

#include "platform/core/date_format.h"
#include "platform/core/date_settings.h"
#include "files/text_codec.h"

#include <QDate>

#include <algorithm>

namespace {

// The days the shortcut is checked on: every month, every weekday, days of
// one and two digits, years of every length the date range has.
std::vector<QDate> probeDays()
{
    std::vector<QDate> days;
    for (int month = 1; month <= 12; ++month)
        days.emplace_back(2003, month, month * 2 + 1);
    for (int day = 1; day <= 7; ++day)
        days.emplace_back(2024, 1, day);
    days.insert(days.end(), {QDate(100, 3, 5), QDate(999, 10, 31), QDate(1999, 12, 31),
                             QDate(2000, 2, 29), QDate(9999, 12, 31)});
    return days;
}

} // namespace

DateLines::DateLines(const DateSettings& dates, int dateStyle) : m_dates(dates), m_style(dateStyle)
{
    const QLocale& locale = dates.locale();
    const QString format = locale.dateFormat(dateStyle == 2 ? QLocale::ShortFormat : QLocale::LongFormat);
    if (!parse(format))
        return;
    // Each field's text for each value, as the locale writes it.
    const auto fill = [&](Field field, const char* token, int count, auto dayOf) {
        for (int value = 1; value <= count; ++value)
            m_texts[size_t(field)][value] = TextCodec::encode(locale.toString(dayOf(value), QString::fromLatin1(token)));
    };
    const auto monthDay = [](int day) { return QDate(2001, 1, day); };
    const auto weekday = [](int day) { return QDate(2001, 1, day); }; // 1 January 2001 was a Monday
    const auto month = [](int value) { return QDate(2001, value, 1); };
    fill(Field::Day, "d", 31, monthDay);
    fill(Field::Day2, "dd", 31, monthDay);
    fill(Field::DayName, "ddd", 7, weekday);
    fill(Field::LongDayName, "dddd", 7, weekday);
    fill(Field::Month, "M", 12, month);
    fill(Field::Month2, "MM", 12, month);
    fill(Field::MonthName, "MMM", 12, month);
    fill(Field::LongMonthName, "MMMM", 12, month);

    QByteArray line;
    for (const QDate& day : probeDays()) {
        line.clear();
        appendPieces(day, line);
        if (line != TextCodec::encode(dates.text(day, dateStyle)))
            return;
    }
    m_shortcut = true;
}

void DateLines::text(const QDate& day, QByteArray& line)
{
    if (!m_shortcut) {
        line = TextCodec::encode(m_dates.text(day, m_style));
        return;
    }
    line.clear();
    appendPieces(day, line);
}

// Runs of d and M of up to four letters are fields, longer ones several;
// yyyy and yy are years, a lone y is text, as the locale writes them.
bool DateLines::parse(const QString& format)
{
    static constexpr Field days[] = {Field::Day, Field::Day2, Field::DayName, Field::LongDayName};
    static constexpr Field months[] = {Field::Month, Field::Month2, Field::MonthName, Field::LongMonthName};
    QString literal;
    const auto flush = [&] {
        if (!literal.isEmpty())
            m_pieces.push_back(Piece{Field::Literal, TextCodec::encode(literal)});
        literal.clear();
    };
    walkFormat(
        format, u"dMy",
        [&](QChar letter, int run) {
            while (run > 0) {
                if (letter == u'y' && run == 1) {
                    literal += letter;
                    return;
                }
                const int take = letter == u'y' ? (run >= 4 ? 4 : 2) : std::min(run, 4);
                flush();
                m_pieces.push_back(Piece{letter == u'y' ? (take == 4 ? Field::Year4 : Field::Year2)
                                                        : (letter == u'd' ? days : months)[take - 1],
                                         {}});
                run -= take;
            }
        },
        [&](QStringView text) { literal += text; });
    flush();
    return !m_pieces.empty();
}

const QByteArray& DateLines::year(int value, Field field)
{
    if (value != m_year || m_year4.isEmpty()) {
        // Days come in order, so the year changes seldom.
        const QDate day(value, 1, 1);
        m_year = value;
        m_year2 = TextCodec::encode(m_dates.locale().toString(day, QStringLiteral("yy")));
        m_year4 = TextCodec::encode(m_dates.locale().toString(day, QStringLiteral("yyyy")));
    }
    return field == Field::Year4 ? m_year4 : m_year2;
}

void DateLines::appendPieces(const QDate& day, QByteArray& out)
{
    int y = 0;
    int m = 0;
    int d = 0;
    day.getDate(&y, &m, &d);
    for (const Piece& piece : m_pieces) {
        switch (piece.field) {
        case Field::Literal:
            out += piece.text;
            break;
        case Field::Day:
        case Field::Day2:
            out += m_texts[size_t(piece.field)][d];
            break;
        case Field::DayName:
        case Field::LongDayName:
            out += m_texts[size_t(piece.field)][day.dayOfWeek()];
            break;
        case Field::Month:
        case Field::Month2:
        case Field::MonthName:
        case Field::LongMonthName:
            out += m_texts[size_t(piece.field)][m];
            break;
        case Field::Year2:
        case Field::Year4:
            out += year(y, piece.field);
            break;
        }
    }
}
