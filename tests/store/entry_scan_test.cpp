#include "store/entry_scan.h"

#include "store_fixture.h"

#include <QDir>

#include <array>
#include <cerrno>

// Dates in failure messages as dates.
static void PrintTo(const QDate& date, std::ostream* out)
{
    *out << date.toString(Qt::ISODate).toStdString();
}

namespace {

using Target = EntryScan::Target;

class EntryScanTest : public EntryFileTest
{
protected:
    // The day a command goes to, or an invalid date for none.
    QDate target(Target target, const QDate& shown) const
    {
        std::optional<QDate> day;
        const auto failure = scan.find(target, shown, day);
        EXPECT_FALSE(failure) << failure->message().toStdString();
        return day.value_or(QDate());
    }

    EntryScan scan{folder.path(), dates};
};

QByteArray entry(const char* dateText)
{
    return QByteArray("*!*") + dateText + "\r\ntext\r\n!*!\r\n";
}

} // namespace

TEST_F(EntryScanTest, FindsTheNearestDaysWhateverTheFileOrder)
{
    // In the order days got their entries, the earliest and the latest in
    // the middle of the file.
    put(entry("10/03/2024") + entry("01/01/2020") + entry("31/12/2030") + entry("15/03/2024"));
    const QDate between(2024, 3, 12);
    EXPECT_EQ(target(Target::Earliest, between), QDate(2020, 1, 1));
    EXPECT_EQ(target(Target::Latest, between), QDate(2030, 12, 31));
    EXPECT_EQ(target(Target::Next, between), QDate(2024, 3, 15));
    EXPECT_EQ(target(Target::Previous, between), QDate(2024, 3, 10));
    // The shown day's own entry is never the next or previous one.
    EXPECT_EQ(target(Target::Next, QDate(2024, 3, 10)), QDate(2024, 3, 15));
    EXPECT_EQ(target(Target::Previous, QDate(2024, 3, 15)), QDate(2024, 3, 10));
    EXPECT_EQ(target(Target::Next, QDate(2030, 12, 31)), QDate());
    EXPECT_EQ(target(Target::Previous, QDate(2020, 1, 1)), QDate());
}

TEST_F(EntryScanTest, TheShownDayAsTheOnlyEntry)
{
    const QDate day(2026, 7, 12);
    put(entry("12/07/2026"));
    EXPECT_EQ(target(Target::Earliest, day), day);
    EXPECT_EQ(target(Target::Latest, day), day);
    EXPECT_EQ(target(Target::Next, day), QDate());
    EXPECT_EQ(target(Target::Previous, day), QDate());
}

TEST_F(EntryScanTest, NoHeaderNoTarget)
{
    const QDate day(2026, 7, 12);
    for (const Target t : {Target::Earliest, Target::Latest, Target::Next, Target::Previous})
        EXPECT_EQ(target(t, day), QDate()) << "missing file";
    for (const QByteArray& file : {QByteArray(), QByteArray("stray\r\n!*!\r\n\r\n")}) {
        put(file);
        for (const Target t : {Target::Earliest, Target::Latest, Target::Next, Target::Previous})
            EXPECT_EQ(target(t, day), QDate()) << file.toStdString();
    }
}

TEST_F(EntryScanTest, ReadsEveryLineStartingWithTheMarkAndOnlyDates)
{
    // Headers that name no day are skipped, not taken as the first best. A
    // body line that starts with the mark is a header to the scan, one with
    // a space before the mark is not, and a time of day is dropped.
    put("*!*\r\ntext\r\n!*!\r\n*!*not a date\r\n!*!\r\n"
        + entry("05/06/2024")
        + "*!*01/01/2001 10:30\r\ntext\r\n!*!\r\n"
          "*!*09/09/2009\r\n*!*03/03/2033\r\n!*!\r\n"
          " *!*01/01/1999\r\n!*!\r\n");
    const QDate shown(2024, 6, 5);
    EXPECT_EQ(target(Target::Earliest, shown), QDate(2001, 1, 1));
    EXPECT_EQ(target(Target::Latest, shown), QDate(2033, 3, 3));
    EXPECT_EQ(target(Target::Next, shown), QDate(2033, 3, 3));
    EXPECT_EQ(target(Target::Previous, shown), QDate(2009, 9, 9));

    std::array<bool, EntryScan::gridDays> flags{};
    ASSERT_FALSE(scan.markDays(QDate(2024, 6, 1), flags));
    std::array<bool, EntryScan::gridDays> expected{};
    expected[4] = true;
    EXPECT_EQ(flags, expected);
}

TEST_F(EntryScanTest, TwoHeadersOfOneDayGiveThatDay)
{
    put(entry("02/02/2022") + entry("2/2/2022") + entry("01/01/2022") + entry("1/1/2022 08:00"));
    EXPECT_EQ(target(Target::Latest, QDate(2022, 1, 15)), QDate(2022, 2, 2));
    EXPECT_EQ(target(Target::Earliest, QDate(2022, 1, 15)), QDate(2022, 1, 1));
    EXPECT_EQ(target(Target::Next, QDate(2022, 1, 15)), QDate(2022, 2, 2));
    EXPECT_EQ(target(Target::Previous, QDate(2022, 1, 15)), QDate(2022, 1, 1));
}

TEST_F(EntryScanTest, MarksTheGridsFortyTwoDaysOnly)
{
    const QDate start(2024, 2, 26);
    put(entry("25/02/2024") + entry("26/02/2024") + entry("01/03/2024") + entry("01/03/2024")
        + entry("07/04/2024") + entry("08/04/2024"));
    // Position 41 is 7 April, 42 would be 8 April; the two entries of
    // 1 March set one flag.
    std::array<bool, 50> flags{};
    ASSERT_FALSE(scan.markDays(start, flags));
    std::array<bool, 50> expected{};
    expected[0] = expected[4] = expected[41] = true;
    EXPECT_EQ(flags, expected);

    // A shorter array is never written past its end, and flags already set
    // stay set.
    std::array<bool, 50> shortFlags{};
    shortFlags[2] = true;
    ASSERT_FALSE(scan.markDays(start, std::span<bool>(shortFlags).first(4)));
    expected = {};
    expected[0] = expected[2] = true;
    EXPECT_EQ(shortFlags, expected);
}

TEST_F(EntryScanTest, UnreadableFileIsReportedWithItsName)
{
    ASSERT_TRUE(QDir(folder.path()).mkdir("ojwdata.txt"));
    std::optional<QDate> day = QDate(2000, 1, 1);
    const auto failure = scan.find(Target::Earliest, QDate(2026, 7, 12), day);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, dataPath());
    EXPECT_EQ(failure->reason, systemReason(EISDIR));
    EXPECT_FALSE(day);
    std::array<bool, EntryScan::gridDays> flags{};
    EXPECT_TRUE(scan.markDays(QDate(2026, 7, 1), flags));
}

TEST_F(EntryScanTest, AByteOrderMarkDoesNotHideTheFirstHeader)
{
    put("\xEF\xBB\xBF" + entry("03/03/2003") + entry("04/04/2004"));
    EXPECT_EQ(target(Target::Earliest, QDate(2004, 4, 4)), QDate(2003, 3, 3));
    std::array<bool, EntryScan::gridDays> flags{};
    ASSERT_FALSE(scan.markDays(QDate(2003, 3, 3), flags));
    EXPECT_TRUE(flags[0]);
}
