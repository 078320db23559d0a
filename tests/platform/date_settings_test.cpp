#include "platform/core/date_settings.h"

#include <QDate>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Precision = DateSettings::Precision;

QLocale localeNamed(const char* name)
{
    return std::string(name) == "C" ? QLocale::c() : QLocale(QString::fromLatin1(name));
}

std::vector<QDate> roundTripDates()
{
    std::vector<QDate> dates;
    // Leap years, a leap century, a non-leap century and an ordinary year.
    for (const int year : { 1900, 2000, 2024, 2026 }) {
        for (QDate d(year, 1, 1); d.year() == year; d = d.addDays(1))
            dates.push_back(d);
    }
    for (const int year : { 100, 999, 1000, 1752, 1850, 1929, 1930, 2029, 2030, 9999 }) {
        for (const QDate& d : { QDate(year, 1, 1), QDate(year, 2, 28), QDate(year, 9, 30), QDate(year, 12, 31) })
            dates.push_back(d);
    }
    dates.push_back(QDate(400, 2, 29));
    return dates;
}

// The order of day, month and year in each locale's short format ('d', 'm',
// 'y'), so that tests can compose numeric dates independently of the parser.
struct LocaleCase
{
    const char* name;
    const char* order;
};

void PrintTo(const LocaleCase& c, std::ostream* os)
{
    *os << c.name;
}

class DateSettingsLocale : public testing::TestWithParam<LocaleCase>
{
protected:
    DateSettings settings{ localeNamed(GetParam().name) };

    std::optional<QDate> read(const QString& text, Precision precision = Precision::Exact) const
    {
        return settings.read(text, precision);
    }
};

TEST_P(DateSettingsLocale, EveryHeaderReadsBackAsItsDay)
{
    for (const QDate& date : roundTripDates()) {
        const QString header = settings.headerText(date);
        EXPECT_EQ(read(header), date) << header.toStdString();
        EXPECT_EQ(read(header, Precision::DayOnly), date) << header.toStdString();
    }
}

TEST_P(DateSettingsLocale, LongAndShortTextsReadBack)
{
    for (const QDate& date : roundTripDates()) {
        EXPECT_EQ(read(settings.longText(date)), date) << settings.longText(date).toStdString();
        // A two-digit short year means 1930 to 2029.
        if (date.year() >= 1930 && date.year() <= 2029) {
            EXPECT_EQ(read(settings.shortText(date)), date) << settings.shortText(date).toStdString();
        }
    }
}

TEST_P(DateSettingsLocale, IsoDatesRead)
{
    EXPECT_EQ(read(u"2026-12-07"_qs), QDate(2026, 12, 7));
    EXPECT_EQ(read(u" 0100-01-01 "_qs), QDate(100, 1, 1));
    EXPECT_EQ(read(u"9999-12-31"_qs), QDate(9999, 12, 31));
    EXPECT_EQ(read(u"2000-02-29"_qs), QDate(2000, 2, 29));
}

TEST_P(DateSettingsLocale, NumericDatesReadInShortOrderWithAnySeparator)
{
    const std::string order = GetParam().order;
    for (const char* separator : { "/", "-", ".", " ", " / " }) {
        QStringList parts;
        for (const char field : order)
            parts << (field == 'd' ? u"7"_qs : field == 'm' ? u"12"_qs : u"26"_qs);
        const QString text = parts.join(QString::fromLatin1(separator));
        EXPECT_EQ(read(text), QDate(2026, 12, 7)) << text.toStdString();
    }
}

TEST_P(DateSettingsLocale, TextsThatAreNoDateReadAsNothing)
{
    for (const QString& text :
         { u""_qs, u"   "_qs, u"hello"_qs, u"12/7"_qs, u"1/2/3/4"_qs, u"31/31/2026"_qs,
           u"2026-12-07x"_qs, u"x 2026-12-07"_qs, u"2026-12-07 hello"_qs, u"2026-02-29"_qs,
           u"1900-02-29"_qs, u"2026-13-01"_qs, u"0099-12-31"_qs, u"10000-01-01"_qs,
           u"2026-12-07 10"_qs, u"2026-12-07 10:"_qs, u"2026-12-07 :30"_qs, u"2026-12-07 10:3"_qs,
           u"2026-12-07 24:00"_qs, u"2026-12-07 10:60"_qs, u"2026-12-07 10:30:00:00"_qs,
           u"2026-12-07 PM"_qs, u"2026-12-07 13:00 PM"_qs, u"2026-12-07 1:2:3:4"_qs,
           u"2026:12:07"_qs, u"2026-12-07-08"_qs, u"2026-12-07-10:30"_qs, u"020260-12-07"_qs }) {
        EXPECT_EQ(read(text, Precision::DayOnly), std::nullopt) << text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    DateSettings, DateSettingsLocale,
    testing::Values(LocaleCase{ "C", "dmy" }, LocaleCase{ "en_US", "mdy" }, LocaleCase{ "en_GB", "dmy" },
                    LocaleCase{ "de_DE", "dmy" }, LocaleCase{ "ja_JP", "ymd" }, LocaleCase{ "fr_FR", "dmy" },
                    LocaleCase{ "hu_HU", "ymd" }, LocaleCase{ "ko_KR", "ymd" }, LocaleCase{ "nl_NL", "dmy" },
                    LocaleCase{ "en_CA", "ymd" },
                    // A quoted literal, native digits with bidi marks, month
                    // names that are numbers or hold spaces, a non-BMP script.
                    LocaleCase{ "bg_BG", "dmy" }, LocaleCase{ "ar_EG", "dmy" }, LocaleCase{ "dz_BT", "ymd" },
                    LocaleCase{ "mn_MN", "ymd" }, LocaleCase{ "vi_VN", "dmy" }, LocaleCase{ "eu_ES", "ymd" },
                    LocaleCase{ "ccp_BD", "dmy" }),
    [](const testing::TestParamInfo<LocaleCase>& info) { return std::string(info.param.name); });

TEST(DateSettingsAllLocales, HeadersAndLongTextsReadBackInEveryLocaleQtKnows)
{
    const QDate dates[] = { QDate(100, 1, 1), QDate(999, 11, 12), QDate(1850, 3, 4),
                            QDate(2024, 2, 29), QDate(2026, 12, 7), QDate(9999, 10, 31) };
    for (const QLocale& locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        const DateSettings settings(locale);
        for (const QDate& date : dates) {
            EXPECT_EQ(settings.read(settings.headerText(date), Precision::Exact), date)
                << locale.name().toStdString() << " " << settings.headerText(date).toStdString();
            EXPECT_EQ(settings.read(settings.longText(date), Precision::Exact), date)
                << locale.name().toStdString() << " " << settings.longText(date).toStdString();
        }
    }
}

TEST(DateSettingsWriting, TextStylesAreTheLocaleFormatsUnchanged)
{
    const QLocale locale(u"de_DE"_qs);
    const DateSettings settings(locale);
    const QDate date(2026, 12, 7);
    EXPECT_EQ(settings.longText(date), u"Montag, 7. Dezember 2026"_qs);
    EXPECT_EQ(settings.shortText(date), u"07.12.26"_qs);
    EXPECT_EQ(settings.text(date, 1), settings.longText(date));
    EXPECT_EQ(settings.text(date, 2), settings.shortText(date));
    EXPECT_EQ(settings.text(date, 0), settings.longText(date));
    EXPECT_EQ(settings.text(date, 3), settings.longText(date));
}

TEST(DateSettingsWriting, HeaderWidensTheYearToFourDigits)
{
    const struct
    {
        const char* locale;
        QDate date;
        QString header;
    } cases[] = {
        { "en_US", QDate(2026, 12, 7), u"12/7/2026"_qs },  { "en_US", QDate(100, 1, 1), u"1/1/0100"_qs },
        { "de_DE", QDate(2026, 12, 7), u"07.12.2026"_qs }, { "ko_KR", QDate(1850, 3, 4), u"1850. 3. 4."_qs },
        { "en_GB", QDate(2026, 12, 7), u"07/12/2026"_qs }, { "bg_BG", QDate(2026, 12, 7), u"7.12.2026 г."_qs },
        { "C", QDate(2026, 12, 7), u"7 Dec 2026"_qs },
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateSettings(localeNamed(c.locale)).headerText(c.date), c.header) << c.locale;
}

TEST(DateSettingsReading, TwoDigitYearsFallIn1930To2029)
{
    const DateSettings us(QLocale(u"en_US"_qs));
    EXPECT_EQ(us.read(u"1/5/29", Precision::Exact), QDate(2029, 1, 5));
    EXPECT_EQ(us.read(u"1/5/30", Precision::Exact), QDate(1930, 1, 5));
    EXPECT_EQ(us.read(u"1/5/00", Precision::Exact), QDate(2000, 1, 5));
    EXPECT_EQ(us.read(u"1/5/99", Precision::Exact), QDate(1999, 1, 5));
    EXPECT_EQ(us.read(u"1/5/7", Precision::Exact), QDate(2007, 1, 5));
    // Three and four digits are taken as written.
    EXPECT_EQ(us.read(u"1/5/1850", Precision::Exact), QDate(1850, 1, 5));
    EXPECT_EQ(us.read(u"1/5/100", Precision::Exact), QDate(100, 1, 5));
    EXPECT_EQ(us.read(u"1/5/029", Precision::Exact), std::nullopt);
}

TEST(DateSettingsReading, ExactPrecisionTakesOnlyMidnightDayOnlyDropsTheTime)
{
    const struct
    {
        const char* locale;
        QString text;
        bool exact;
    } cases[] = {
        { "en_US", u"12/7/2026 10:30"_qs, false },
        { "en_US", u"12/7/2026 00:00:00"_qs, true },
        { "en_US", u"12/7/2026 0:00"_qs, true },
        { "en_US", u"12/7/2026 12:00 AM"_qs, true },
        { "en_US", u"12/7/2026 12:00PM"_qs, false },
        { "en_US", u"12/7/2026 11:59:59 pm"_qs, false },
        { "en_US", u"Monday, December 7, 2026 00:00"_qs, true },
        { "en_CA", u"2026-12-07 10:30 p.m."_qs, false },
        { "de_DE", u"07.12.2026 23:15"_qs, false },
        { "ko_KR", u"2026. 12. 7. 오후 3:30"_qs, false },
        { "ja_JP", u"2026/12/07 午前12:00"_qs, true },
        { "fi_FI", u"7.12.2026 0.00"_qs, true },
        { "fi_FI", u"7.12.2026 10.30"_qs, false },
    };
    for (const auto& c : cases) {
        const DateSettings settings(localeNamed(c.locale));
        const std::optional<QDate> day = QDate(2026, 12, 7);
        EXPECT_EQ(settings.read(c.text, Precision::Exact), c.exact ? day : std::nullopt) << c.text.toStdString();
        EXPECT_EQ(settings.read(c.text, Precision::DayOnly), day) << c.text.toStdString();
    }
}

TEST(DateSettingsReading, NamesAreMatchedWholeAndWithoutCase)
{
    const DateSettings us(QLocale(u"en_US"_qs));
    EXPECT_EQ(us.read(u"MONDAY, december 7, 2026", Precision::Exact), QDate(2026, 12, 7));
    EXPECT_EQ(us.read(u"Dec 7 26", Precision::Exact), QDate(2026, 12, 7));
    // Beside a month name, two short numbers are day and year in the order
    // of the locale's long format.
    const DateSettings hu(QLocale(u"hu_HU"_qs));
    EXPECT_EQ(hu.read(u"26. december 7.", Precision::Exact), QDate(2026, 12, 7));
    EXPECT_EQ(us.read(u"Mon 12/7/2026", Precision::Exact), QDate(2026, 12, 7));
    EXPECT_EQ(us.read(u"Monkey, December 7, 2026", Precision::Exact), std::nullopt);
    EXPECT_EQ(us.read(u"Decembers 7, 2026", Precision::Exact), std::nullopt);
    EXPECT_EQ(us.read(u"December 7, 2026 March", Precision::Exact), std::nullopt);
    // "tháng 1" is January, but not the start of a thirteenth month.
    const DateSettings vi(QLocale(u"vi_VN"_qs));
    EXPECT_EQ(vi.read(u"7 tháng 1 2026"_qs, Precision::Exact), QDate(2026, 1, 7));
    EXPECT_EQ(vi.read(u"tháng 13 2026"_qs, Precision::Exact), std::nullopt);
    // Spanish "mar" is Tuesday and March; the rest of the text decides.
    const DateSettings es(QLocale(u"es_ES"_qs));
    EXPECT_EQ(es.read(u"7 mar 2026", Precision::Exact), QDate(2026, 3, 7));
    EXPECT_EQ(es.read(u"mar 7/12/26", Precision::Exact), QDate(2026, 12, 7));
}

} // namespace
