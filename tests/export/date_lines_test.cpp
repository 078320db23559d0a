#include "export/date_lines.h"
#include "platform/core/date_settings.h"
#include "files/text_codec.h"

#include <QDate>
#include <QLocale>

#include <gtest/gtest.h>

namespace {

// The date lines are the texts the date label shows, in every locale and
// both styles, for every day of a long stretch, whether the locale's format
// allows the shortcut or not.
TEST(DateLinesTest, AreTheLabelsTextsInEveryLocale)
{
    const QLocale::Language languages[] = {
        QLocale::English, QLocale::German,  QLocale::French,    QLocale::Russian, QLocale::Polish,
        QLocale::Finnish, QLocale::Japanese, QLocale::Chinese, QLocale::Arabic,  QLocale::Persian,
        QLocale::Catalan, QLocale::Hungarian, QLocale::Vietnamese, QLocale::Greek, QLocale::Lithuanian,
    };
    int shortcuts = 0;
    for (const QLocale::Language language : languages) {
        const DateSettings dates{QLocale(language)};
        for (int style : {1, 2}) {
            DateLines lines(dates, style);
            shortcuts += lines.shortcut();
            QByteArray line;
            for (QDate day(1998, 12, 20); day < QDate(2004, 1, 10); day = day.addDays(1)) {
                lines.text(day, line);
                ASSERT_EQ(line, TextCodec::encode(dates.text(day, style)))
                    << QLocale(language).name().toStdString() << " style " << style;
            }
        }
    }
    // The point of it: most locales take the shortcut.
    EXPECT_GT(shortcuts, 20);
}

} // namespace
