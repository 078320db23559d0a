#pragma once

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

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

    // Date style 2 is the short date, any other the long date.
    QString text(const QDate& date, int dateStyle) const { return dateStyle == 2 ? shortText(date) : longText(date); }
    QString longText(const QDate& date) const { return m_locale.toString(date, QLocale::LongFormat); }
    QString shortText(const QDate& date) const { return m_locale.toString(date, QLocale::ShortFormat); }

    // The date text of an entry header: the short format with its year
    // widened to four digits, so that no century is ever lost.
    QString headerText(const QDate& date) const { return m_locale.toString(date, m_headerFormat); }

    // Reads a date text leniently: what headerText writes, the long and short
    // formats, ISO yyyy-MM-dd, and numeric dates in the short format's order
    // with '/', '-', '.' or space between the parts, optionally followed by a
    // time of day. Two-digit years read as 1930 to 2029. Returns no value for
    // text that is not a date in 1 January 100 to 31 December 9999.
    // Works on the view and does not allocate: the entry store reads every
    // header line of the file with it.
    std::optional<QDate> read(QStringView text, Precision precision) const;

private:
    // A word the parser knows: a month, weekday or AM/PM name, or a literal
    // word of the locale's date formats (like "de" or 年). One text may mean
    // several things (Spanish "mar" is March and Tuesday).
    struct Phrase
    {
        QString text;
        char16_t folded = 0;    // the first character, case-folded
        int month = 0;          // 1..12, or 0 if not a month name
        int meridiem = 0;       // 1 AM, 2 PM, or 0
        bool ignorable = false; // a weekday name or a format literal
        bool endsInDigit = false;
    };

    struct Scan;

    bool readOnce(QStringView text, bool ambiguousAsMonth, Scan& scan) const;
    const Phrase* matchPhrase(QStringView text, qsizetype pos) const;
    void addPhrase(const QString& text, int month, int meridiem, bool ignorable);
    void learnFormat(QStringView format);

    QLocale m_locale;
    QString m_headerFormat;
    QString m_numericOrder = QStringLiteral("dMy"); // as in the short format
    bool m_nameDayBeforeYear = true;
    // What follows the number in month names like 12月 or "12-р сар"; only
    // then is a number tried as the start of a name.
    QList<char32_t> m_digitPhraseFollowers;
    std::vector<Phrase> m_phrases; // longest first
    QList<char32_t> m_dateSeparators = { u'/', u'-', u'.', u',' };
    QList<char32_t> m_timeSeparators = { u':' };
};
