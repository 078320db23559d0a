#include "history/history.h"
#include "platform/core/date_settings.h"
#include "store/entry_file.h"
#include "files/append_file.h"
#include "files/posix_io.h"
#include "support/file_bytes.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDate july12(2026, 7, 12);
const QDate july13(2026, 7, 13);

class HistoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        entries.setRecorder(&history);
        history.setNow([this] { return now; });
    }

    QStringList beforesOf(const QDate& day) const
    {
        QStringList texts;
        for (const HistoryRecord& record : history.day(day).records)
            texts.append(record.before);
        return texts;
    }

    QTemporaryDir folder;
    DateSettings dates{QLocale(QLocale::English, QLocale::UnitedKingdom)};
    EntryFile entries{folder.path(), dates};
    History history{folder.path(), QStringLiteral("machine1")};
    QDateTime now{QDate(2026, 7, 12), QTime(9, 30, 15, 250)};
};

TEST_F(HistoryTest, EverySaveAndRemovalIsRecordedWithItsTextsAndKind)
{
    // Texts that look like the history's own marks come back as typed.
    const QString tricky = QStringLiteral("*!*v1 2026-07-12 fake\r\n!*!\r\n\u200B!*!\r\n\r\nlast");
    entries.save(july12, u"first", false, u"");
    entries.save(july12, tricky, false, u"first");
    entries.save(july13, u"other day", false, u"");
    entries.save(july12, u"", true, tricky, DayRecorder::Change::Cleared);

    const History::Read read = history.day(july12);
    EXPECT_TRUE(read.problems.isEmpty());
    ASSERT_EQ(read.records.size(), 3);
    EXPECT_EQ(read.records[0].before, "");
    EXPECT_EQ(read.records[0].after, "first");
    EXPECT_EQ(read.records[1].before, "first");
    EXPECT_EQ(read.records[1].after, tricky);
    EXPECT_EQ(read.records[2].before, tricky);
    EXPECT_EQ(read.records[2].after, "");
    EXPECT_EQ(read.records[2].change, DayRecorder::Change::Cleared);
    EXPECT_EQ(read.records[2].at, now);

    // A save that changes nothing records nothing; Clear All records every
    // day it erases, at one moment.
    entries.save(july13, u"other day", false, u"other day");
    now = now.addSecs(60);
    entries.clear();
    const History::Read erased = history.madeAt(now, DayRecorder::Change::Erased);
    ASSERT_EQ(erased.records.size(), 1);
    EXPECT_EQ(erased.records[0].day, july13);
    EXPECT_EQ(erased.records[0].before, "other day");
    struct stat status;
    ASSERT_EQ(::stat(QFile::encodeName(history.path()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(HistoryTest, TornAndDamagedRecordsAreSkippedAndLaterOnesStillRead)
{
    entries.save(july12, u"kept one", false, u"");
    entries.save(july12, u"kept two", false, u"kept one");
    const QByteArray bytes = fileBytes(history.path());
    const qsizetype second = bytes.lastIndexOf("*!*v1");
    // A record with a flipped byte, then one cut off in a line of its text,
    // then one appended after the crash.
    QByteArray damaged = bytes.mid(second);
    damaged.replace("kept two", "kept twx");
    writeFileBytes(history.path(), bytes + damaged + bytes.mid(second, bytes.indexOf("two", second) - second));
    entries.save(july12, u"after the crash", false, u"kept two");

    const History::Read read = history.day(july12);
    ASSERT_EQ(read.records.size(), 3);
    EXPECT_EQ(read.records[1].after, "kept two");
    EXPECT_EQ(read.records[2].before, "kept two");
    EXPECT_EQ(read.records[2].after, "after the crash");
    EXPECT_EQ(read.problems.size(), 1);
}

TEST_F(HistoryTest, HostileFilesCostAMessageAtMost)
{
    const QString fifo = folder.filePath("ojwhistory-pipe.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(folder.filePath("ojwhistory-zero.txt")).constData()), 0);
    writeFileBytes(folder.filePath("ojwhistory-garbage.txt"), QByteArray(3 * 1024 * 1024, '*'));
    entries.save(july12, u"saved", false, u"");
    EXPECT_EQ(history.day(july12).records.size(), 1);

    // A link or a pipe at this machine's own name is never written through;
    // a save over text goes on, a removal does not.
    ::unlink(QFile::encodeName(history.path()).constData());
    ASSERT_EQ(::symlink("/dev/null", QFile::encodeName(history.path()).constData()), 0);
    const EntryFile::SaveResult saved = entries.save(july12, u"saved again", false, u"saved");
    EXPECT_FALSE(saved.error);
    EXPECT_TRUE(saved.unrecorded);
    const EntryFile::SaveResult cleared = entries.save(july12, u"", true, u"saved again");
    EXPECT_TRUE(cleared.error);
    QString text;
    entries.load(july12, text);
    EXPECT_EQ(text, "saved again");
}

TEST_F(HistoryTest, TwoMachinesKeepFilesOfTheirOwnAndBothAreRead)
{
    History other(folder.path(), QStringLiteral("machine2"));
    other.setNow([this] { return now.addSecs(5); });
    EntryFile otherEntries(folder.path(), dates);
    otherEntries.setRecorder(&other);
    entries.save(july12, u"mine", false, u"");
    otherEntries.save(july12, u"theirs", false, u"");
    EXPECT_NE(other.path(), history.path());
    const History::Read read = history.day(july12);
    ASSERT_EQ(read.records.size(), 2);
    EXPECT_EQ(read.records[0].after, "mine");
    EXPECT_EQ(read.records[1].change, DayRecorder::Change::Merged);
    EXPECT_TRUE(read.records[1].after.contains("theirs"));
}

} // namespace

TEST_F(HistoryTest, ASaveCutOffBeforeItsRenameIsFinishedOrMergedAtTheNextStart)
{
    entries.save(july12, u"old twelfth", false, u"");
    entries.save(july13, u"old thirteenth", false, u"");
    const QByteArray diary = fileBytes(entries.path());
    // A save of the 12th recorded its change, then died before its rename;
    // the 13th's text in the file left behind is in no record.
    HistoryRecord cutOff{july12, now, DayRecorder::Change::Saved, "old twelfth", "new twelfth"};
    QByteArray record;
    HistoryFormat::append(cutOff, record);
    ASSERT_FALSE(appendDurably(history.path(), record));
    writeFileBytes(entries.tempPath(), "*!*12/07/2026\r\nnew twelfth\r\n!*!\r\n*!*13/07/2026\r\nother copy\r\n!*!\r\n"
                                       "*!*14/07/2026\r\nnew day\r\n!*!\r\n*!*15/07/2026\r\ncut off");

    int taken = 0;
    EXPECT_FALSE(entries.recover(&taken));
    EXPECT_EQ(taken, 3);
    QString text;
    entries.load(july12, text);
    EXPECT_EQ(text, "new twelfth");
    entries.load(july13, text);
    EXPECT_EQ(text, "old thirteenth\r\nother copy"); // both kept, the diary's first
    entries.load(QDate(2026, 7, 14), text);
    EXPECT_EQ(text, "new day");
    entries.load(QDate(2026, 7, 15), text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(QDir(folder.path()).entryList({"ojwtmp*"}, QDir::Files), QStringList());
    EXPECT_NE(fileBytes(entries.path()), diary);
}

TEST_F(HistoryTest, ATextAnotherProgramReplacedIsNotClaimedAsReplacedBySave)
{
    entries.save(july12, u"first", false, u"");
    writeFileBytes(entries.path(), "*!*12/07/2026\r\nedited elsewhere\r\n!*!\r\n");
    entries.save(july12, u"edited elsewhere\r\nand here", false, u"edited elsewhere");
    QStringList befores;
    for (const HistoryRecord& record : history.day(july12).records)
        befores.append(record.before);
    EXPECT_EQ(befores, QStringList({"", "edited elsewhere"}));
}
