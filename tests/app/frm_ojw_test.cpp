#include "program_fixture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include "platform/widgets/twips.h"

TEST_F(ProgramTest, FirstActivationShowsTodayAndItsEntry)
{
    writeEntries(QByteArray("*!*12/6/2026\r\nyesterday\r\n!*!\r\n") + todayHeader + "line one\r\nline two\r\n!*!\r\n");
    start();

    EXPECT_EQ(main().windowTitle(), "Ombrel Jotwell v1.0");
    EXPECT_EQ(main().lblDate->text(), "Monday, December 7, 2026");
    EXPECT_EQ(main().lblDate->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(pad(), "line one\r\nline two");
    EXPECT_FALSE(state().dirty);
    EXPECT_TRUE(main().txtPad->hasFocus());
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(ProgramTest, StartsWithAnEmptyPadWhenThereIsNoEntryFile)
{
    start();
    EXPECT_EQ(pad(), "");
    EXPECT_FALSE(state().dirty);
    EXPECT_FALSE(QFile::exists(path("ojwdata.txt")));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(ProgramTest, RecoversTheEntryFileFromACutOffSave)
{
    QFile tmp(path("ojwtmp.txt"));
    ASSERT_TRUE(tmp.open(QIODevice::WriteOnly));
    tmp.write(QByteArray(todayHeader) + "saved just before the cut\r\n!*!\r\n");
    tmp.close();
    start();
    EXPECT_EQ(pad(), "saved just before the cut");
    EXPECT_FALSE(QFile::exists(path("ojwtmp.txt")));
}

TEST_F(ProgramTest, PlacesTheWindowAtTheLowerRightOfTheScreen)
{
    start();
    const QRect screen = main().screen()->geometry();
    const QRect frame = main().frameGeometry();
    const Twips twips = Twips::of(main().screen());
    EXPECT_NEAR(screen.right() + 1 - (frame.right() + 1), twips.toPixelsX(200), 1);
    EXPECT_NEAR(screen.bottom() + 1 - (frame.bottom() + 1), twips.toPixelsY(600), 1);
    EXPECT_EQ(main().centralWidget()->size(), QSize(twips.toPixelsX(3495), twips.toPixelsY(3855)));
}

TEST_F(ProgramTest, TypingSetsTheDirtyFlagAndDeactivationSavesItOnce)
{
    writeEntries("stray line\r");
    start();
    type("Hello");
    EXPECT_TRUE(state().dirty);

    activate(&other);
    EXPECT_FALSE(state().dirty);
    EXPECT_EQ(entries(), QByteArray("stray line\r") + todayHeader + "Hello\r\n!*!\r\n");
    EXPECT_FALSE(QFile::exists(path("ojwtmp.txt")));
    EXPECT_EQ(other.activations, 1);
}

TEST_F(ProgramTest, DeactivationWithACleanPadWritesNothing)
{
    // A rewrite would end the stray line with CR LF.
    writeEntries("stray line\r");
    start();
    activate(&other);
    EXPECT_EQ(entries(), "stray line\r");
}

TEST_F(ProgramTest, EachActivationReloadsTheEntryFromTheFile)
{
    writeEntries(QByteArray(todayHeader) + "before\r\n!*!\r\n");
    start();
    activate(&other);
    writeEntries(QByteArray(todayHeader) + "changed by another program\r\n!*!\r\n");
    activate(&main());
    EXPECT_EQ(pad(), "changed by another program");
    EXPECT_FALSE(state().dirty);
    EXPECT_EQ(other.deactivations, 1);
}

TEST_F(ProgramTest, AWindowThatIsNotTheProgramsNeitherActivatesNorDeactivates)
{
    // Stands for a modal dialog, a message box or another program.
    writeEntries(QByteArray(todayHeader) + "kept\r\n!*!\r\n");
    start();
    type(" typed");
    QWidget stranger;
    activate(&stranger);
    EXPECT_TRUE(state().dirty);
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "kept\r\n!*!\r\n");
    activate(&main());
    EXPECT_EQ(pad(), "kept typed"); // not reloaded
    EXPECT_TRUE(state().dirty);
}

TEST_F(ProgramTest, ClosingSavesTheUnsavedText)
{
    start();
    type("Goodnight");
    main().close();
    settle();
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "Goodnight\r\n!*!\r\n");
}

TEST_F(ProgramTest, ExitSavesAndCloses)
{
    writeEntries(QByteArray(todayHeader) + "old\r\n!*!\r\n");
    start();
    main().txtPad->selectAll();
    QTest::keyClicks(main().txtPad, "new");
    main().mnuPadExit->trigger();
    settle();
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "new\r\n!*!\r\n");
}

TEST_F(ProgramTest, PadMenuHoldsItsCommandsInOrder)
{
    start();
    QStringList captions;
    for (const QAction* a : main().mnuPad->actions())
        captions << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(main().menuBar()->actions().first()->text(), "&Pad");
    EXPECT_EQ(captions, QStringList({"&Clear", "Clear &All", "Earlier &Versions...", "-", "&Print", "&Export All",
                                     "-", "E&xit"}));
}

TEST_F(ProgramTest, ClearRemovesTheShownEntryOnly)
{
    writeEntries(QByteArray("*!*12/6/2026\r\nbefore\r\n!*!\r\n") + todayHeader
                 + "today\r\n!*!\r\n*!*12/8/2026\r\nafter\r\n!*!\r\n");
    start();
    main().mnuPadClear->trigger();
    EXPECT_EQ(pad(), "");
    EXPECT_FALSE(state().dirty);
    EXPECT_FALSE(state().emptyPad);
    EXPECT_EQ(main().lblDate->text(), "Monday, December 7, 2026");
    EXPECT_EQ(entries(), "*!*12/6/2026\r\nbefore\r\n!*!\r\n*!*12/8/2026\r\nafter\r\n!*!\r\n");
    EXPECT_TRUE(main().txtPad->hasFocus());
}

TEST_F(ProgramTest, ClearOnADayWithoutAnEntryKeepsEveryLine)
{
    writeEntries("*!*12/6/2026\rbefore\r!*!");
    start();
    type("typed, then cleared");
    main().mnuPadClear->trigger();
    EXPECT_EQ(pad(), "");
    EXPECT_FALSE(state().dirty);
    EXPECT_EQ(entries(), "*!*12/6/2026\rbefore\r!*!"); // byte for byte
}

TEST_F(ProgramTest, ClearAllAskedAndAnsweredNoChangesNothing)
{
    const QByteArray file = QByteArray(todayHeader) + "keep\r\n!*!\r\n";
    writeEntries(file);
    start();
    type(" unsaved");
    messages.script({MessageBox::Answer::No});
    main().mnuPadClearAll->trigger();

    ASSERT_EQ(messages.shown().size(), 1);
    const auto& question = messages.shown().first();
    EXPECT_EQ(question.title, "Ombrel JotWell - Clear All Entries!");
    EXPECT_EQ(question.text, "Warning - Clicking YES erases all entries! Are You Sure?");
    EXPECT_TRUE(question.question);
    EXPECT_EQ(question.defaultAnswer, MessageBox::Answer::Yes);
    EXPECT_EQ(entries(), file);
    EXPECT_EQ(pad(), "keep unsaved");
    EXPECT_TRUE(state().dirty);
}

TEST_F(ProgramTest, ClearAllAnsweredYesEmptiesTheFileAndThePad)
{
    writeEntries(QByteArray(todayHeader) + "gone\r\n!*!\r\n*!*1/1/2020\r\nalso gone\r\n!*!\r\n");
    start();
    type(" unsaved");
    messages.script({MessageBox::Answer::Yes});
    main().mnuPadClearAll->trigger();
    EXPECT_EQ(entries(), "");
    EXPECT_EQ(pad(), "");
    EXPECT_FALSE(state().dirty);
    EXPECT_EQ(main().lblDate->text(), "Monday, December 7, 2026");

    // Closing now writes nothing: the cleared pad is not an edit.
    main().close();
    settle();
    EXPECT_EQ(entries(), "");
}

TEST_F(ProgramTest, ClearAllCreatesAMissingEntryFile)
{
    start();
    messages.script({MessageBox::Answer::Yes});
    main().mnuPadClearAll->trigger();
    EXPECT_EQ(entries(), "");
}

TEST_F(ProgramTest, TheLabelIsBlackOnAnyDayButToday)
{
    start();
    state().shownDate = QDate(2026, 12, 8);
    program->LoadEntry();
    EXPECT_EQ(main().lblDate->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(main().lblDate->text(), "Tuesday, December 8, 2026");
    state().dateStyle = 2;
    program->LoadEntry();
    EXPECT_EQ(main().lblDate->text(), "12/8/26");
}

TEST_F(ProgramTest, TheTextRoundTripsThroughThePadByteForByte)
{
    const QByteArray file = QByteArray(todayHeader) + "one\nstill one\r\n\r\n  \r\nlast\r\n\r\n!*!\r\n";
    writeEntries(file);
    start();
    EXPECT_EQ(pad(), "one\nstill one\r\n\r\n  \r\nlast\r\n");
    type("!"); // the pad is saved on deactivation only when it changed
    main().txtPad->textCursor().deletePreviousChar();
    activate(&other);
    EXPECT_EQ(entries(), file);
}

TEST_F(ProgramTest, AnEntryWithAHugeLineShowsAtOnceAndStaysAsItIs)
{
    // Three megabytes without a space, as no person types but a file may
    // hold: shown in pieces, for reading, and never rewritten.
    const QByteArray huge(3 * 1024 * 1024, 'x');
    const QByteArray file = QByteArray(todayHeader) + "first\r\n" + huge + "\r\n!*!\r\n";
    writeEntries(file);
    start();
    EXPECT_TRUE(main().txtPad->isReadOnly());
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains("too long to be edited"));
    EXPECT_EQ(pad(), "first\r\n" + QString::fromLatin1(huge));
    activate(&other);
    activate(&main());
    EXPECT_EQ(entries(), file);
    // Cleared, the pad takes typing again.
    main().mnuPadClear->trigger();
    EXPECT_FALSE(main().txtPad->isReadOnly());

    // A long line a person could type stays editable.
    writeEntries(QByteArray(todayHeader) + QByteArray(50'000, 'y') + "\r\n!*!\r\n");
    main().mnuGoToToday->trigger();
    EXPECT_FALSE(main().txtPad->isReadOnly());
    type("z");
    activate(&other);
    EXPECT_EQ(entries(), QByteArray(todayHeader) + QByteArray(50'000, 'y') + "z\r\n!*!\r\n");
}
