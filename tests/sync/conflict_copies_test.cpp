#include "sync/conflict_copies.h"

#include "history/history.h"
#include "platform/core/date_settings.h"
#include "store/entry_file.h"
#include "store/entry_lines.h"
#include "support/file_bytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QDate day1(2026, 12, 5);
const QDate day2(2026, 12, 6);
const QDate day3(2026, 12, 7);
const QString copyName = QStringLiteral("ojwdata.sync-conflict-20261207-183012-7KQ2FXM.txt");

class ConflictCopiesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        home.setRecorder(&homeHistory);
        laptop.setRecorder(&laptopHistory);
        homeHistory.setNow([this] { return now = now.addSecs(1); });
        laptopHistory.setNow([this] { return now = now.addSecs(1); });
    }

    QString path(const QString& name) const { return QDir(folder.path()).filePath(name); }
    QString text(const QDate& day) const
    {
        QString loaded;
        EXPECT_FALSE(home.load(day, loaded));
        return loaded;
    }

    QTemporaryDir folder;
    DateSettings dates{QLocale(QLocale::English, QLocale::UnitedKingdom)};
    QDateTime now{QDate(2026, 12, 7), QTime(18, 0)};
    // Two machines' copies of the program on one synced folder.
    History homeHistory{folder.path(), QStringLiteral("home")};
    History laptopHistory{folder.path(), QStringLiteral("laptop")};
    EntryFile home{folder.path(), dates};
    EntryFile laptop{folder.path(), dates};
};

TEST(ConflictCopyNames, EveryServiceFormIsKnownAndLookalikesAreNot)
{
    const QString diary = QString::fromLatin1(EntryFile::fileName);
    for (const char* name : {"ojwdata.sync-conflict-20261207-183012-7KQ2FXM.txt", "ojwdata.sync-conflict-20261207-183012.txt",
                             "ojwdata (conflicted copy 2026-12-07 183012).txt",
                             "ojwdata (conflicted copy ana 2026-12-07 183012).txt", "ojwdata_conflict-20261207-183012.txt",
                             "ojwdata (Ana's conflicted copy 2026-12-07).txt",
                             "ojwdata (Ana\u2019s MacBook\u2019s conflicted copy 2026-12-07).txt",
                             "ojwdata (Ana's conflicted copy 2026-12-07 (1)).txt", "ojwdata (conflicted copy 2026-12-07).txt"})
        EXPECT_TRUE(ConflictCopies::isConflictCopyOf(QString::fromUtf8(name), diary)) << name;
    for (const char* name : {"ojwdata.txt", "ojwdata (copy).txt", "ojwdata.sync-conflict-2026-183012-7KQ2FXM.txt",
                             "xojwdata (conflicted copy 2026-12-07 183012).txt",
                             "ojwdata (conflicted copy 2026-12-07 183012).txt.tmp", "~syncthing~ojwdata.txt.tmp",
                             "ojwconfig.sync-conflict-20261207-183012-7KQ2FXM.txt", "ojwdata (Ana's copy 2026-12-07).txt"})
        EXPECT_FALSE(ConflictCopies::isConflictCopyOf(QString::fromUtf8(name), diary)) << name;
    EXPECT_TRUE(ConflictCopies::isConflictCopyOf(QStringLiteral("ojwconfig.sync-conflict-20261207-183012-7KQ2FXM.txt"),
                                                 QStringLiteral("ojwconfig.txt")));
}

TEST_F(ConflictCopiesTest, ACopysDaysAreMergedWithEveryWordOnceAndTheCopyIsMovedAway)
{
    const QString start = QStringLiteral("Walked the dog.\r\nRain all day.\r\nRead a book.");
    home.save(day1, start, false, u"");
    const QByteArray before = fileBytes(home.path());
    // The laptop changes the last line and writes a day of its own; the
    // service keeps its diary as a conflict copy and the home one in place.
    laptop.save(day1, u"Walked the dog.\r\nRain all day.\r\nRead a long book.", false, start);
    laptop.save(day2, u"Only on the laptop.", false, u"");
    QByteArray copy = fileBytes(home.path());
    // A day both wrote, with no earlier text in common.
    copy += EntryLines::entryBytes(dates, day3, u"Shared line.\r\nFrom the laptop.");
    writeFileBytes(path(copyName), copy);
    writeFileBytes(home.path(), before);
    home.save(day1, u"Walked the old dog.\r\nRain all day.\r\nRead a book.", false, start);
    home.save(day3, u"Shared line.\r\nFrom home.", false, u"");

    const QFile settingsCopy(path(QStringLiteral("ojwconfig (conflicted copy 2026-12-07 183012).txt")));
    writeFileBytes(settingsCopy.fileName(), "Arial\r\n");
    const QFile spellingCopy(path(QStringLiteral("ojwspelling.sync-conflict-20261207-183012-7KQ2FXM.txt")));
    writeFileBytes(spellingCopy.fileName(), "de_DE\r\n");
    const ConflictCopies::Report report = ConflictCopies::mergeAll(folder.path(), dates, home, homeHistory);

    EXPECT_TRUE(report.problems.isEmpty());
    EXPECT_EQ(report.daysFrom, (QList<QPair<QString, int>>{{copyName, 3}}));
    EXPECT_EQ(text(day1), "Walked the old dog.\r\nRain all day.\r\nRead a long book.");
    EXPECT_EQ(text(day2), "Only on the laptop.");
    EXPECT_EQ(text(day3), "Shared line.\r\nFrom home.\r\nFrom the laptop.");
    EXPECT_FALSE(QFile::exists(path(copyName)));
    EXPECT_EQ(fileBytes(path(QStringLiteral("ojwhistory-conflicts/") + copyName)), copy);
    EXPECT_FALSE(settingsCopy.exists());
    EXPECT_FALSE(spellingCopy.exists());
    EXPECT_TRUE(ConflictCopies::mergeAll(folder.path(), dates, home, homeHistory).daysFrom.isEmpty());
}

TEST_F(ConflictCopiesTest, ASaveTheServiceReplacedWithAnOlderDiaryComesBack)
{
    home.save(day1, u"Morning.", false, u"");
    const QByteArray older = fileBytes(home.path());
    home.save(day1, u"Morning.\r\nEvening.", false, u"Morning.");
    home.save(day2, u"Next day.", false, u"");
    writeFileBytes(home.path(), older);

    ConflictCopies::Report report;
    ConflictCopies::bringBackThrownAway(folder.path(), dates, home, homeHistory, report);

    EXPECT_TRUE(report.problems.isEmpty());
    EXPECT_EQ(report.daysFrom, (QList<QPair<QString, int>>{{QStringLiteral("ojwhistory-home.txt"), 2}}));
    EXPECT_EQ(text(day1), "Morning.\r\nEvening.");
    EXPECT_EQ(text(day2), "Next day.");
    ConflictCopies::Report again;
    ConflictCopies::bringBackThrownAway(folder.path(), dates, home, homeHistory, again);
    EXPECT_TRUE(again.daysFrom.isEmpty());
}

} // namespace
