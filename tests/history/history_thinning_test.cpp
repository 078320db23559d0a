#include "history/history.h"
#include "history/history_thinning.h"
#include "files/append_file.h"
#include "files/posix_io.h"
#include "platform/core/date_settings.h"
#include "store/entry_lines.h"
#include "support/file_bytes.h"

#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sys/stat.h>

namespace {

using Change = DayRecorder::Change;

const QDateTime now(QDate(2026, 12, 8), QTime(12, 0));

// A day's text as it grows: five lines, and a last one longer at each save.
QString version(int day, int save)
{
    QString text;
    for (int line = 0; line < 5; ++line)
        text += QStringLiteral("Day %1, line %2: what happened, written and written again.\r\n").arg(day).arg(line);
    return text + QString(save * 8, u'x');
}

struct Year
{
    QList<HistoryRecord> records;
    qint64 diaryBytes = 0;
};

// 300 days over a year and a month, so that the oldest month is thinned by
// the month: each saved ten times on its day and twice early the next
// morning, every 25th one removed after that, and the first ten erased by
// a Clear All before the eleventh was written.
Year aYear()
{
    const DateSettings dates(QLocale(QLocale::English, QLocale::UnitedKingdom));
    Year year;
    for (int d = 0; d < 300; ++d) {
        const QDate day = now.date().addDays(-395 + d * 395 / 300);
        for (int s = 0; s < 12; ++s)
            year.records.append({day, QDateTime(day.addDays(s / 10), QTime(s < 10 ? 8 + s : s - 4, 0)), Change::Saved,
                                 s == 0 ? QString() : version(d, s - 1), version(d, s)});
        if (d < 10)
            year.records.append({day, QDateTime(now.date().addDays(-395 + 10 * 395 / 300), QTime(7, 30)),
                                 Change::Erased, version(d, 11), QString()});
        else if (d % 25 == 24)
            year.records.append({day, QDateTime(day.addDays(1), QTime(23, 0)), Change::Cleared, version(d, 11), {}});
        else
            year.diaryBytes += EntryLines::entryBytes(dates, day, version(d, 11)).size();
    }
    std::stable_sort(year.records.begin(), year.records.end(),
                     [](const HistoryRecord& a, const HistoryRecord& b) { return a.at < b.at; });
    return year;
}

// The records that pass, in the history's own form, to compare whole.
QByteArray bytesOf(const QList<HistoryRecord>& records, const std::function<bool(const HistoryRecord&)>& wanted)
{
    QByteArray bytes;
    for (const HistoryRecord& record : records) {
        if (wanted(record))
            HistoryFormat::append(record, bytes);
    }
    return bytes;
}

class HistoryThinningTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        QByteArray bytes = bytesOf(year.records, [](const HistoryRecord&) { return true; });
        ASSERT_FALSE(appendDurably(history.path(), bytes + "stray bytes\r\n" + bytes.first(100)));
    }

    QTemporaryDir folder;
    History history{folder.path(), QStringLiteral("machine1")};
    const Year year = aYear();
};

TEST_F(HistoryThinningTest, AYearKeepsTheLastMonthEveryRemovalAndClearAllAndShrinksToAFewDiaries)
{
    const HistoryThinning::Result result = HistoryThinning::thin(history, now);
    ASSERT_FALSE(result.error);
    const QList<HistoryRecord> kept = history.ownFrom(0).records;
    EXPECT_EQ(result.removed, year.records.size() - kept.size());

    const auto recent = [](const HistoryRecord& r) { return r.at > now.addDays(-30); };
    const auto removal = [](const HistoryRecord& r) { return r.after.isEmpty(); };
    EXPECT_EQ(bytesOf(kept, recent), bytesOf(year.records, recent));
    EXPECT_EQ(bytesOf(kept, removal), bytesOf(year.records, removal));
    // Each day's versions still lead from its first text to its last.
    QMap<QDate, QList<HistoryRecord>> days;
    for (const HistoryRecord& record : kept)
        days[record.day].append(record);
    ASSERT_EQ(days.size(), 300);
    for (const QList<HistoryRecord>& versions : days) {
        for (qsizetype i = 1; i < versions.size(); ++i)
            ASSERT_EQ(versions[i - 1].after, versions[i].before) << versions[i].day.toString().toStdString();
    }
    EXPECT_EQ(days.first().size(), 2); // a month's saves, and the erasure
    EXPECT_EQ(days.last().size(), 13); // twelve saves and the removal

    const qint64 size = fileBytes(history.path()).size();
    EXPECT_LT(size, 6 * year.diaryBytes);
    struct stat status;
    ASSERT_EQ(::stat(QFile::encodeName(history.path()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    const HistoryThinning::Result again = HistoryThinning::thin(history, now);
    EXPECT_EQ(again.removed, 0);
    EXPECT_EQ(fileBytes(history.path()).size(), size);
}

TEST_F(HistoryThinningTest, AFailedRewriteLeavesTheFileAsItWas)
{
    const QByteArray bytes = fileBytes(history.path());
    PosixIo::injectFault({PosixIo::Call::Rename});
    const HistoryThinning::Result result = HistoryThinning::thin(history, now);
    PosixIo::clearFaults();
    EXPECT_TRUE(result.error);
    EXPECT_EQ(result.removed, 0);
    EXPECT_EQ(fileBytes(history.path()), bytes);
}

} // namespace
