#pragma once

#include "platform/core/date_settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>

#include <optional>
#include <vector>

// Reads the date texts of header lines (the bytes behind "*!*") as
// DateSettings::read does, but without decoding or parsing the texts the
// program writes, since scans read every header. Where the header format is
// ASCII digits and separators (M/d/yyyy, dd.MM.yyyy, ...), a text laid out
// exactly as headerText writes it is read by one walk over its bytes; any
// other text goes to DateSettings::read.
class HeaderDateReader
{
public:
    HeaderDateReader(const DateSettings& dates, DateSettings::Precision precision);

    std::optional<QDate> read(QByteArrayView dateText)
    {
        if (const QDate day = readWritten(dateText); day.isValid())
            return day;
        return readLeniently(dateText);
    }

private:
    enum class Kind : char { Literal, Day, Month, Year };
    struct Piece
    {
        Kind kind;
        bool padded = false; // day or month always written with two digits
        QByteArray literal;
    };

    bool learn();
    // The day of a text as the header format writes it, or an invalid date.
    QDate readWritten(QByteArrayView text) const;
    std::optional<QDate> readLeniently(QByteArrayView text);

    const DateSettings& m_dates;
    DateSettings::Precision m_precision;
    std::vector<Piece> m_pieces; // empty: every text takes the long way
    QString m_text;              // reused for the texts that take the long way
};
