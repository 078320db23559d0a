#include "store/header_date_reader.h"

#include "files/text_codec.h"

#include <QLocale>

#include <gtest/gtest.h>

// Whatever the locale, the header reader reads every text as the lenient
// date reader does, at both precisions: the texts the program writes (its
// fast path) and texts that only look like them.
TEST(HeaderDateReader, ReadsEveryTextAsTheDateReaderDoes)
{
    for (const char* name : {"en_US", "en_GB", "de_DE", "sv_SE", "hu_HU", "ja_JP", "ar_EG", "fa_IR"}) {
        const DateSettings dates{QLocale(QString::fromLatin1(name))};
        QStringList texts = {"",          "x",          "1/2/0999",  "01/02/2003", "1/2/03",
                             "13/13/2003", "2/30/2003", "2003-02-01", "12/7/2026 10:30",
                             "1.2.2003",  "01.02.2003.", "2003. 02. 01."};
        for (QDate day(100, 1, 1); day.year() <= 9999; day = day.addDays(997)) {
            texts << dates.headerText(day) << dates.shortText(day)
                  << dates.headerText(day) + " 10:30" << " " + dates.headerText(day) << dates.headerText(day) + "1";
        }
        // The ends of the years read from bytes, leap days of the rules'
        // every case, and 29 February of years without one.
        for (const QDate& day : {QDate(999, 12, 31), QDate(1000, 1, 1), QDate(2024, 2, 29), QDate(2000, 2, 29),
                                 QDate(1600, 2, 29), QDate(1900, 2, 28), QDate(1900, 3, 1), QDate(9999, 12, 31)})
            texts << dates.headerText(day);
        texts << dates.headerText(QDate(1900, 2, 28)).replace(QStringLiteral("28"), QStringLiteral("29"))
              << dates.headerText(QDate(2023, 2, 28)).replace(QStringLiteral("28"), QStringLiteral("29"));

        for (const auto precision : {DateSettings::Precision::DayOnly, DateSettings::Precision::Exact}) {
            HeaderDateReader reader(dates, precision);
            for (const QString& text : texts) {
                EXPECT_EQ(reader.read(TextCodec::encode(text)), dates.read(text, precision))
                    << dates.locale().name().toStdString() << " \"" << text.toStdString() << '"';
            }
        }
    }
}
