#pragma once

#include "platform/core/date_settings.h"

#include <QByteArrayView>
#include <QtGlobal>
#include <QDate>
#include <QString>

#include <cstdint>
#include <limits>
#include <optional>

// Reads the date texts of header lines (the bytes behind "*!*") as
// DateSettings::read does, but fast for the texts the program writes: scans
// read every header. Where the header format is ASCII digits and separators
// (M/d/yyyy, dd.MM.yyyy, ...), a text exactly as headerText writes it is read
// from its bytes, without allocating; any other goes to DateSettings::read.
class HeaderDateReader
{
public:
    HeaderDateReader(const DateSettings& dates, DateSettings::Precision precision);

    // Inline, so that a scan's loop keeps the result in registers.
    std::optional<QDate> read(QByteArrayView dateText)
    {
        if (m_fast) {
            if (const qint64 day = readWritten(dateText); day != notWritten)
                return QDate::fromJulianDay(day);
        }
        return readLeniently(dateText);
    }

private:
    static constexpr qint64 notWritten = std::numeric_limits<qint64>::min();

    enum class Kind : char { Literal, Day, Month, Year };
    struct Item
    {
        Kind kind = Kind::Literal;
        bool padded = false;  // day or month always written with two digits
        qsizetype start = 0;  // a literal's bytes in m_literals
        qsizetype length = 0;
    };

    // One way the header format lays out a day's text, for a text read as
    // two 64-bit words of its bytes (the first eight, the rest): masks of its
    // literal bytes and their values, of its digits, and of the digits that
    // are never 0, and where each field's digits stand (8 times the word plus
    // the byte). A day or month without padding takes one or two digits, so
    // a format has up to four layouts, two at most of one length. A field of
    // one digit reads its digit with weight 1 and again with weight 0, so
    // that no field's width costs a branch.
    struct Layout
    {
        quint64 literalMask[2] = {};
        quint64 literal[2] = {};
        quint64 digitMask[2] = {};
        quint64 digitSixes[2] = {};   // 0x06 on every digit
        quint64 leadingSevens[2] = {}; // 0x7F on the digits that are never 0
        quint64 leadingTops[2] = {};   // 0x80 on the same
        uint8_t dayAt[2] = {};
        int dayWeight[2] = {};
        uint8_t monthAt[2] = {};
        int monthWeight[2] = {};
        uint8_t yearAt[4] = {};
    };
    // Three fields, the year of four digits, and two literals at least.
    static constexpr qsizetype minLength = 8;
    static constexpr qsizetype maxLength = 16;

    bool learn();
    bool lay(bool dayTwoDigits, bool monthTwoDigits);
    // The julian day of a text as the header format writes it, or notWritten.
    qint64 readWritten(QByteArrayView text) const;
    std::optional<QDate> readLeniently(QByteArrayView text);
    bool renders(const QDate& date, QByteArrayView text) const;

    const DateSettings& m_dates;
    DateSettings::Precision m_precision;
    Item m_items[7]; // three fields and the literals around them
    int m_itemCount = 0;
    QByteArray m_literals;
    Layout m_layouts[4];
    int m_layoutCount = 0;
    int8_t m_layoutsOfLength[maxLength + 1][2]; // indexes into m_layouts, -1 for none
    bool m_fast = false;
    QString m_text; // reused for the texts that take the long way
};
