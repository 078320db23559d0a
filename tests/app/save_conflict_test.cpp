#include "program_fixture.h"

#include "store/entry_file.h"
#include "files/posix_io.h"

// A save that meets a day changed on disk by another copy of the program,
// and a save whose folder sync fails after the rename.
class SaveConflictTest : public ProgramTest
{
protected:
    void TearDown() override
    {
        PosixIo::clearFaults();
        ProgramTest::TearDown();
    }

    // What another copy of the program does to today's entry meanwhile.
    void otherCopySaves(const QString& text)
    {
        const DateSettings dates(QLocale(QLocale::English, QLocale::UnitedStates));
        const EntryFile entries(dir.path(), dates);
        QString shown;
        ASSERT_FALSE(entries.load(clock.today(), shown));
        ASSERT_FALSE(entries.save(clock.today(), text, false, shown).error);
    }
};

TEST_F(SaveConflictTest, TextSavedByAnotherCopyMeanwhileIsMergedAndShown)
{
    writeEntries(QByteArray(todayHeader) + "morning\r\n!*!\r\n");
    start();
    // Lines added elsewhere and here, in other places: merged without a word.
    otherCopySaves("dawn\r\nmorning");
    type("");
    QTest::keyClick(main().txtPad, Qt::Key_Return);
    type("evening");
    activate(&other);
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(pad(), "dawn\r\nmorning\r\nevening");

    // The same word changed on both sides: both versions kept, the user told.
    activate(&main());
    otherCopySaves("dawn\r\nnoon\r\nevening");
    main().txtPad->moveCursor(QTextCursor::Start);
    main().txtPad->moveCursor(QTextCursor::Down);
    main().txtPad->moveCursor(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTest::keyClicks(main().txtPad, "dusk");
    activate(&other);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains("Both versions of those words are kept"));
    const QString both = "dawn\r\nnoon dusk\r\nevening";
    EXPECT_EQ(entries(), QByteArray(todayHeader) + both.toUtf8() + "\r\n!*!\r\n");
    EXPECT_EQ(pad(), both);
    EXPECT_FALSE(state().dirty);

    // The next save starts from what the pad now shows: no second merge.
    activate(&main());
    type("!");
    activate(&other);
    EXPECT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(entries(), QByteArray(todayHeader) + both.toUtf8() + "!\r\n!*!\r\n");
}

TEST_F(SaveConflictTest, ClearDoesNotRemoveTextItNeverShowed)
{
    writeEntries(QByteArray(todayHeader) + "mine\r\n!*!\r\n");
    start();
    otherCopySaves("theirs");
    main().mnuPadClear->trigger();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "theirs\r\n!*!\r\n");
    EXPECT_EQ(pad(), "theirs");
    EXPECT_FALSE(state().dirty);
}

TEST_F(SaveConflictTest, UnconfirmedFolderSyncIsReportedAsSavedWithoutAQuestion)
{
    start();
    type("typed");
    PosixIo::injectFault({PosixIo::Call::SyncFolder, EIO});
    activate(&other);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_FALSE(messages.shown().first().question);
    EXPECT_TRUE(messages.shown().first().text.startsWith("The entry was saved, but the disk did not confirm it."));
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "typed\r\n!*!\r\n");
    EXPECT_FALSE(state().dirty);

    // Closing asks nothing either.
    activate(&main());
    type("!");
    PosixIo::injectFault({PosixIo::Call::SyncFolder, EIO});
    main().close();
    EXPECT_EQ(messages.shown().size(), 2);
    EXPECT_FALSE(messages.shown().last().question);
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "typed!\r\n!*!\r\n");
}

TEST_F(SaveConflictTest, UnconfirmedFolderSyncOfClearAllIsReportedOnce)
{
    writeEntries(QByteArray(todayHeader) + "on disk\r\n!*!\r\n");
    start();
    messages.script({MessageBox::Answer::Yes});
    PosixIo::injectFault({PosixIo::Call::SyncFolder, EIO});
    main().mnuPadClearAll->trigger();
    ASSERT_EQ(messages.shown().size(), 2); // the question, then the report
    EXPECT_TRUE(messages.shown().last().text.startsWith("The entries were erased, but the disk did not confirm it."));
    EXPECT_EQ(entries(), QByteArray());
}
