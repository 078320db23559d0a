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
constexpr Target allTargets[] = {Target::Earliest, Target::Latest, Target::Next, Target::Previous};

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

TEST_F(EntryScanTest, FindsTheNearestDatedHeadersWhateverTheFileOrder)
{
    // Out of date order; headers that name no day are skipped rather than
    // taken as the first best; a body line starting with the mark is a
    // header to the scan, one with a space before it is not; a time of day
    // is dropped, so two headers name 1 January 2001.
    put(entry("") + entry("not a date") + entry("05/06/2024") + entry("01/01/2001 10:30")
        + "*!*09/09/2009\r\n*!*03/03/2033\r\n!*!\r\n" + entry("1/1/2001") + " *!*01/01/1999\r\n");
    const QDate shown(2024, 6, 5);
    EXPECT_EQ(target(Target::Earliest, shown), QDate(2001, 1, 1));
    EXPECT_EQ(target(Target::Latest, shown), QDate(2033, 3, 3));
    // The shown day's own header is never the next or previous one.
    EXPECT_EQ(target(Target::Next, shown), QDate(2033, 3, 3));
    EXPECT_EQ(target(Target::Previous, shown), QDate(2009, 9, 9));
    EXPECT_EQ(target(Target::Next, QDate(2033, 3, 3)), QDate());
    EXPECT_EQ(target(Target::Previous, QDate(2001, 1, 1)), QDate());
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
    flags = {};
    flags[2] = true;
    ASSERT_FALSE(scan.markDays(start, std::span<bool>(flags).first(4)));
    expected = {};
    expected[0] = expected[2] = true;
    EXPECT_EQ(flags, expected);
}

TEST_F(EntryScanTest, AMissingFileIsEmptyAnUnreadableOneIsReported)
{
    for (const Target t : allTargets)
        EXPECT_EQ(target(t, QDate(2026, 7, 12)), QDate());
    ASSERT_TRUE(QDir(folder.path()).mkdir("ojwdata.txt"));
    std::optional<QDate> day;
    const auto failure = scan.find(Target::Earliest, QDate(2026, 7, 12), day);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, dataPath());
    EXPECT_EQ(failure->reason, systemReason(EISDIR));
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
