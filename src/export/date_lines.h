#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

class DateSettings;
class QDate;

// Writes the date line of each exported day: the text the date label shows
// for the day in the date style, as UTF-8. Formatting a date through the
// locale costs about a microsecond, as much as reading and writing a whole
// entry, so the format is taken apart once into literal text and fields,
// and each field's text for each value is made by the locale itself once.
// Before it is used, the shortcut is checked against the locale's own
// texts for days of every month, weekday and length; where it differs in
// any, every line goes through the locale.
class DateLines
{
public:
    DateLines(const DateSettings& dates, int dateStyle);

    // Replaces line with the day's date text in the date style, as UTF-8,
    // without a line end.
    void text(const QDate& day, QByteArray& line);

    // Whether the shortcut is in use (for the tests).
    bool shortcut() const { return m_shortcut; }

private:
    enum class Field : unsigned char { Literal, Day, Day2, DayName, LongDayName, Month, Month2,
                                       MonthName, LongMonthName, Year2, Year4 };
    struct Piece
    {
        Field field;
        QByteArray text; // for Literal
    };

    bool parse(const QString& format);
    void appendPieces(const QDate& day, QByteArray& out);
    const QByteArray& year(int value, Field field);

    const DateSettings& m_dates;
    int m_style;
    bool m_shortcut = false;
    std::vector<Piece> m_pieces;
    // Field texts by value: days 1 to 31, weekdays 1 to 7, months 1 to 12.
    std::array<std::array<QByteArray, 32>, 11> m_texts;
    int m_year = 0;
    QByteArray m_year2;
    QByteArray m_year4;
};
