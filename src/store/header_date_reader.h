#pragma once

#include "platform/core/date_settings.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>

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

    std::optional<QDate> read(QByteArrayView dateText);

private:
    enum class Kind : char { Literal, Day, Month, Year };
    struct Item
    {
        Kind kind = Kind::Literal;
        bool padded = false;  // day or month always written with two digits
        qsizetype start = 0;  // a literal's bytes in m_literals
        qsizetype length = 0;
    };

    bool learn();
    std::optional<QDate> readWritten(QByteArrayView text) const;
    bool renders(const QDate& date, QByteArrayView text) const;

    const DateSettings& m_dates;
    DateSettings::Precision m_precision;
    Item m_items[7]; // three fields and the literals around them
    int m_itemCount = 0;
    QByteArray m_literals;
    bool m_fast = false;
    QString m_text; // reused for the texts that take the long way
};
