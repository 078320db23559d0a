#include "program_fixture.h"

#include <QAction>
#include <QPushButton>

namespace {

class NavigationTest : public ProgramTest
{
protected:
    void show(const QDate& day)
    {
        state().shownDate = day;
        program->LoadEntry();
    }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

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
    EXPECT_EQ(main().cmdEarliest->text(), "|<");

    click(main().cmdNextEntry); // no entry today: the first later day
    EXPECT_EQ(main().lblDate->text(), "Thursday, December 10, 2026");
    EXPECT_EQ(pad(), "after today");
    click(main().cmdPrevEntry);
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 1));
    click(main().cmdEarliest);
    EXPECT_EQ(pad(), "earliest");
    click(main().cmdLatest);
    EXPECT_EQ(pad(), "latest");
    EXPECT_TRUE(main().txtPad->hasFocus());

    main().mnuGoToPrevEntry->trigger();
    EXPECT_EQ(pad(), "after today");
    main().mnuGotoEarliest->trigger();
    EXPECT_EQ(state().shownDate, QDate(2026, 11, 2));
    main().mnuGoToNextEntry->trigger();
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 1));
    main().mnuGotoLatest->trigger();
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 20));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(NavigationTest, TheShownDayAsTheOnlyEntry)
{
    writeEntries(entry("12/7/2026", "today"));
    start();
    // Earliest and Latest select the day again and reload it from the file;
    // Next and Previous have no target and change nothing.
    writeEntries(entry("12/7/2026", "changed on disk"));
    main().cmdNextEntry_Click();
    main().cmdPrevEntry_Click();
    EXPECT_EQ(pad(), "today");
    main().cmdEarliest_Click();
    EXPECT_EQ(pad(), "changed on disk");
    writeEntries(entry("12/7/2026", "changed again"));
    main().cmdLatest_Click();
    EXPECT_EQ(pad(), "changed again");
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 7));
}

TEST_F(NavigationTest, PreviousSavesOnlyWhenItMovesTheOthersSaveFirst)
{
    const QByteArray file = entry("12/7/2026", "first") + entry("12/9/2026", "last");
    writeEntries(file);
    start();

    // From the first entry Previous has no target: nothing is saved and
    // the pad stays dirty.
    type(" edited");
    main().cmdPrevEntry_Click();
    EXPECT_EQ(entries(), file);
    EXPECT_TRUE(state().dirty);
    EXPECT_EQ(pad(), "first edited");

    // From the last entry Next has none either, but has saved the pad.
    main().cmdNextEntry_Click();
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 9));
    type(" edited");
    main().cmdNextEntry_Click();
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 9));
    EXPECT_FALSE(state().dirty);
    EXPECT_EQ(entries(), entry("12/7/2026", "first edited") + entry("12/9/2026", "last edited"));

    // With a target, Previous saves before it moves.
    type("!");
    main().cmdPrevEntry_Click();
    EXPECT_EQ(entries(), entry("12/7/2026", "first edited") + entry("12/9/2026", "last edited!"));
    EXPECT_EQ(pad(), "first edited");
}

TEST_F(NavigationTest, NewTextOnADayBeforeEveryEntryIsSavedThenSelectedByEarliest)
{
    writeEntries(entry("12/7/2026", "today"));
    start();
    show(QDate(2001, 1, 1));
    type("long ago");
    main().cmdEarliest_Click();
    EXPECT_EQ(entries(), entry("12/7/2026", "today") + entry("1/1/2001", "long ago"));
    EXPECT_EQ(state().shownDate, QDate(2001, 1, 1));
    EXPECT_EQ(pad(), "long ago");
    EXPECT_FALSE(state().dirty);
}

TEST_F(NavigationTest, AnUnreadableFileIsReportedAndTheDayStays)
{
    writeEntries(entry("12/9/2026", "later"));
    start();
    ASSERT_TRUE(QFile::remove(path("ojwdata.txt")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("ojwdata.txt"));
    main().cmdNextEntry_Click();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains(path("ojwdata.txt")));
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 7));
}
