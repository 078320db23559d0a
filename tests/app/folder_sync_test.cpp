#include "program_fixture.h"

#include <QFile>

#include <cstdio>

// What a sync service does to the folder under the program: a conflict copy
// beside the diary at start, a diary replaced while the program runs.
class FolderSyncTest : public ProgramTest
{
};

TEST_F(FolderSyncTest, AConflictCopyAtStartIsMergedWithOneMessage)
{
    writeEntries(QByteArray(todayHeader) + "Home.\r\n!*!\r\n");
    writeFileBytes(path("ojwdata (Ana's conflicted copy 2026-12-07).txt"),
                   QByteArray(todayHeader) + "Laptop.\r\n!*!\r\n*!*12/6/2026\r\nYesterday.\r\n!*!\r\n");
    start();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains("2 days came from ojwdata (Ana's conflicted copy 2026-12-07).txt."));
    EXPECT_EQ(pad(), "Home.\r\nLaptop.");
    EXPECT_FALSE(QFile::exists(path("ojwdata (Ana's conflicted copy 2026-12-07).txt")));
}

TEST_F(FolderSyncTest, ADiaryReplacedUnderACleanPadShowsWithinASecond)
{
    writeEntries(QByteArray(todayHeader) + "Old.\r\n!*!\r\n");
    start();
    // As a sync service does: the new file written beside, then renamed over.
    writeFileBytes(path(".syncthing.ojwdata.txt.tmp"), QByteArray(todayHeader) + "From the laptop.\r\n!*!\r\n");
    ASSERT_EQ(std::rename(QFile::encodeName(path(".syncthing.ojwdata.txt.tmp")).constData(),
                          QFile::encodeName(path("ojwdata.txt")).constData()),
              0);
    for (int waited = 0; waited < 1000 && pad() != "From the laptop."; waited += 50)
        QTest::qWait(50);
    EXPECT_EQ(pad(), "From the laptop.");
    EXPECT_TRUE(messages.shown().isEmpty());
}
