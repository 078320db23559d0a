#include "program_fixture.h"

#include <QPushButton>

namespace {

class DayStepTest : public ProgramTest
{
protected:
    void show(const QDate& day)
    {
        state().shownDate = day;
        program->LoadEntry();
    }
    QString label() const { return main().lblDate->text(); }
};

} // namespace

TEST_F(DayStepTest, StepsOverLeapDaysAndYearEndsAndBack)
{
    start();
    show(QDate(2004, 2, 28));
    QTest::mouseClick(main().cmdNext, Qt::LeftButton);
    EXPECT_EQ(label(), "Sunday, February 29, 2004");
    QTest::mouseClick(main().cmdNext, Qt::LeftButton);
    EXPECT_EQ(state().shownDate, QDate(2004, 3, 1));
    QTest::mouseClick(main().cmdPrev, Qt::LeftButton);
    QTest::mouseClick(main().cmdPrev, Qt::LeftButton);
    EXPECT_EQ(state().shownDate, QDate(2004, 2, 28));

    show(QDate(2026, 12, 31));
    QTest::mouseClick(main().cmdNext, Qt::LeftButton);
    EXPECT_EQ(label(), "Friday, January 1, 2027");
    EXPECT_TRUE(main().txtPad->hasFocus()); // whichever button was clicked
    QTest::mouseClick(main().cmdPrev, Qt::LeftButton);
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 31));
    EXPECT_TRUE(main().txtPad->hasFocus());
}

TEST_F(DayStepTest, AnEditedPadIsSavedUnderTheOldDateBeforeTheStep)
{
    writeEntries(QByteArray(todayHeader) + "today\r\n!*!\r\n*!*12/8/2026\r\ntomorrow\r\n!*!\r\n");
    start();
    type(" edited");
    main().cmdNext_Click();
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "today edited\r\n!*!\r\n*!*12/8/2026\r\ntomorrow\r\n!*!\r\n");
    EXPECT_EQ(pad(), "tomorrow");
    EXPECT_FALSE(state().dirty);
    EXPECT_EQ(main().lblDate->palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

TEST_F(DayStepTest, ACleanPadWritesNothing)
{
    writeEntries("stray line\r"); // a rewrite would end it with CR LF
    start();
    main().cmdNext_Click();
    main().cmdPrev_Click();
    main().mnuGoToToday->trigger();
    EXPECT_EQ(entries(), "stray line\r");
}

TEST_F(DayStepTest, PageKeysStepLikeTheButtonsWithAnyModifierAndStillReachThePad)
{
    writeEntries("*!*12/8/2026\r\nfirst line\r\nsecond line\r\n!*!\r\n");
    start();
    const QList<Qt::KeyboardModifiers> modifiers = {Qt::NoModifier, Qt::ShiftModifier,
                                                    Qt::ControlModifier, Qt::AltModifier};
    for (const Qt::KeyboardModifiers m : modifiers) {
        QTest::keyClick(main().txtPad, Qt::Key_PageDown, m);
        EXPECT_EQ(state().shownDate, QDate(2026, 12, 8)) << int(m);
        EXPECT_EQ(pad(), "first line\r\nsecond line");
        QTest::keyClick(main().txtPad, Qt::Key_PageUp, m);
        EXPECT_EQ(state().shownDate, QDate(2026, 12, 7)) << int(m);
    }
    // The pad handles the key after the step: Page Down moved the caret
    // into the new day's text, to its last line.
    QTest::keyClick(main().txtPad, Qt::Key_PageDown);
    EXPECT_EQ(main().txtPad->textCursor().blockNumber(), 1);
    EXPECT_FALSE(state().dirty);
}

TEST_F(DayStepTest, TodayWhenTodayIsShownSavesAndReloads)
{
    writeEntries(QByteArray(todayHeader) + "morning\r\n!*!\r\n");
    start();
    type(" and evening");
    main().mnuGoToToday->trigger();
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "morning and evening\r\n!*!\r\n");

    writeEntries(QByteArray(todayHeader) + "changed by another program\r\n!*!\r\n");
    main().mnuGoToToday->trigger();
    EXPECT_EQ(pad(), "changed by another program");
    EXPECT_TRUE(main().txtPad->hasFocus());

    show(QDate(1999, 1, 1));
    main().mnuGoToToday->trigger();
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 7));
    EXPECT_EQ(main().lblDate->palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

TEST_F(DayStepTest, ClickingTheLabelTogglesTheDateStyleOnly)
{
    start();
    type("unsaved");
    QTest::mouseClick(main().lblDate, Qt::LeftButton);
    EXPECT_EQ(label(), "12/7/26");
    EXPECT_EQ(state().dateStyle, 2);
    EXPECT_EQ(main().lblDate->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(pad(), "unsaved");
    EXPECT_TRUE(state().dirty);
    main().cmdNext_Click(); // the style holds for later captions
    EXPECT_EQ(label(), "12/8/26");
    QTest::mouseClick(main().lblDate, Qt::LeftButton);
    EXPECT_EQ(label(), "Tuesday, December 8, 2026");
    EXPECT_EQ(main().lblDate->palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

TEST_F(DayStepTest, AStepBeyondTheCalendarsEndsDoesNothing)
{
    writeEntries("*!*12/31/9999\r\nlast day\r\n!*!\r\n");
    start();
    show(QDate(9999, 12, 31));
    type(" unsaved");
    main().cmdNext_Click();
    EXPECT_EQ(state().shownDate, QDate(9999, 12, 31));
    EXPECT_EQ(pad(), "last day unsaved");
    EXPECT_EQ(entries(), "*!*12/31/9999\r\nlast day\r\n!*!\r\n"); // no save either

    show(QDate(100, 1, 1));
    QTest::keyClick(main().txtPad, Qt::Key_PageUp);
    EXPECT_EQ(state().shownDate, QDate(100, 1, 1));
    main().cmdNext_Click();
    EXPECT_EQ(state().shownDate, QDate(100, 1, 2));
}

TEST_F(DayStepTest, AStepWhoseSaveFailsKeepsTheDayAndTheText)
{
    writeEntries(QByteArray(todayHeader) + "on disk\r\n!*!\r\n");
    start();
    ASSERT_TRUE(QDir(dir.path()).mkpath("ojwtmp.txt/inside")); // blocks the save
    type(" unsaved");
    main().cmdNext_Click();
    EXPECT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 7));
    EXPECT_EQ(pad(), "on disk unsaved");
    EXPECT_TRUE(state().dirty);
}

TEST_F(DayStepTest, ALockedPadUnlocksAtTheNextLoadThatReadsOrAfterClearAll)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("ojwdata.txt/inside"));
    start();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains("GoTo > Today"));
    EXPECT_TRUE(main().txtPad->isReadOnly());
    main().cmdNext_Click(); // still unreadable: still locked
    EXPECT_TRUE(main().txtPad->isReadOnly());

    ASSERT_TRUE(QDir(path("ojwdata.txt")).removeRecursively());
    main().mnuGoToToday->trigger();
    EXPECT_FALSE(main().txtPad->isReadOnly());

    ASSERT_TRUE(QDir(dir.path()).mkpath("ojwdata.txt/inside"));
    main().cmdNext_Click();
    ASSERT_TRUE(main().txtPad->isReadOnly());
    ASSERT_TRUE(QDir(path("ojwdata.txt")).removeRecursively());
    messages.script({MessageBox::Answer::Yes});
    main().mnuPadClearAll->trigger();
    EXPECT_FALSE(main().txtPad->isReadOnly());
    type("typed after Clear All");
    EXPECT_EQ(pad(), "typed after Clear All");
}
