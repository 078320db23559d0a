#include "program_fixture.h"

#include <QAction>
#include <QPushButton>

namespace {

using NavigationTest = ProgramTest;

QByteArray entry(const char* dateText, const char* text)
{
    return QByteArray("*!*") + dateText + "\r\n" + text + "\r\n!*!\r\n";
}

} // namespace

TEST_F(NavigationTest, ButtonsAndMenuFindTheNearestDaysWhateverTheFileOrder)
{
    // A day written late stands after later days in the file.
    writeEntries(entry("12/1/2026", "first of december") + entry("12/20/2026", "latest")
                 + entry("11/2/2026", "earliest") + entry("12/10/2026", "after today"));
    start();
    QTest::mouseClick(main().cmdNextEntry, Qt::LeftButton); // none today: the first later day
    EXPECT_EQ(main().lblDate->text(), "Thursday, December 10, 2026");
    EXPECT_EQ(pad(), "after today");
    QTest::mouseClick(main().cmdPrevEntry, Qt::LeftButton);
    EXPECT_EQ(pad(), "first of december");
    QTest::mouseClick(main().cmdEarliest, Qt::LeftButton);
    EXPECT_EQ(pad(), "earliest");
    QTest::mouseClick(main().cmdLatest, Qt::LeftButton);
    EXPECT_EQ(pad(), "latest");
    EXPECT_TRUE(main().txtPad->hasFocus());
    main().mnuGotoEarliest->trigger();
    main().mnuGoToNextEntry->trigger();
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 1));
}

TEST_F(NavigationTest, TheShownDayAsTheOnlyEntry)
{
    writeEntries(entry("12/7/2026", "today"));
    start();
    // Next and Previous have no target and change nothing; Earliest and
    // Latest select the day again and reload it from the file.
    writeEntries(entry("12/7/2026", "changed on disk"));
    main().cmdNextEntry_Click();
    main().cmdPrevEntry_Click();
    EXPECT_EQ(pad(), "today");
    main().cmdEarliest_Click();
    EXPECT_EQ(pad(), "changed on disk");
    writeEntries(entry("12/7/2026", "changed again"));
    main().cmdLatest_Click();
    EXPECT_EQ(pad(), "changed again");
}

TEST_F(NavigationTest, PreviousSavesOnlyWhenItMovesTheOthersSaveFirst)
{
    const QByteArray file = entry("12/7/2026", "first") + entry("12/9/2026", "last");
    writeEntries(file);
    start();
    type(" edited");
    main().cmdPrevEntry_Click(); // from the first entry: no target, no save
    EXPECT_EQ(entries(), file);
    EXPECT_TRUE(state().dirty);

    main().cmdNextEntry_Click();
    type(" edited");
    main().cmdNextEntry_Click(); // from the last entry: no target, but saved
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 9));
    EXPECT_FALSE(state().dirty);
    EXPECT_EQ(entries(), entry("12/7/2026", "first edited") + entry("12/9/2026", "last edited"));

    type("!");
    main().cmdPrevEntry_Click(); // with a target: saved, then moved
    EXPECT_EQ(entries(), entry("12/7/2026", "first edited") + entry("12/9/2026", "last edited!"));
    EXPECT_EQ(pad(), "first edited");
}

TEST_F(NavigationTest, NewTextOnADayBeforeEveryEntryIsSavedThenSelectedByEarliest)
{
    writeEntries(entry("12/7/2026", "today"));
    start();
    state().shownDate = QDate(2001, 1, 1);
    program->LoadEntry();
    type("long ago");
    main().cmdEarliest_Click();
    EXPECT_EQ(entries(), entry("12/7/2026", "today") + entry("1/1/2001", "long ago"));
    EXPECT_EQ(state().shownDate, QDate(2001, 1, 1));
    EXPECT_EQ(pad(), "long ago");
}

TEST_F(NavigationTest, AnUnreadableFileIsReportedAndTheDayStays)
{
    start();
    ASSERT_TRUE(QDir(dir.path()).mkdir("ojwdata.txt"));
    main().cmdNextEntry_Click();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains(path("ojwdata.txt")));
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 7));
}
