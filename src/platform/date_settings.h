#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

class QDate;

// The user's regional date settings: the long and short date formats and the
// lenient parser that reads date texts back. The program passes
// QLocale::system(); tests pass fixed locales.
class DateSettings
{
public:
    // Exact: a date text with a time of day other than midnight names no
    // whole day and so reads as no date. DayOnly: any time of day is dropped.
    enum class Precision { Exact, DayOnly };

    explicit DateSettings(const QLocale& locale);

    const QLocale& locale() const { return m_locale; }

    // Date style 1 is the long date, 2 the short date.
    QString text(const QDate& date, int dateStyle) const;
    QString longText(const QDate& date) const;
    QString shortText(const QDate& date) const;

    // The date text of an entry header: the short format with its year
    // widened to four digits, so that no century is ever lost.
    QString headerText(const QDate& date) const;

    // Reads a date text leniently: what headerText writes, the long and short
    // formats, ISO yyyy-MM-dd, and numeric dates in the short format's order
    // with '/', '-', '.' or space between the parts, optionally followed by a
    // time of day. Two-digit years read as 1930 to 2029. Returns no value for
    // text that is not a date in 1 January 100 to 31 December 9999.
    // Does not allocate on the common path (numeric dates).
    std::optional<QDate> read(QStringView text, Precision precision) const;

private:
    // (members are the implementation's)
    QLocale m_locale;
};
