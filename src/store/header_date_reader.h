#pragma once

#include "platform/core/date_settings.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <optional>

// Reads the date texts of header lines (the bytes behind "*!*") as
// DateSettings::read does, and fast for the texts the program writes
// itself. Scans read every header of the file, so the common case must not
// cost a decode and a run of the lenient parser per line.
//
// Where the header format is all ASCII digits and separators (M/d/yyyy,
// dd.MM.yyyy, yyyy-MM-dd and the like), a text exactly as headerText writes
// it for a year from 1000 on is read directly from its bytes; that text
// reads as its own day by the reader's promise to read back whatever the
// writer writes. Every other text goes through DateSettings::read. Nothing
// is allocated per text.
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
