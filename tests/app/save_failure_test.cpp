#include "program_fixture.h"

#include "platform/core/termination_signals.h"


#include <csignal>

// Tests run as root, so the faults are ones root cannot pass: a directory
// that stands where the save needs its temporary file.
class SaveFailureTest : public ProgramTest
{
protected:
    void blockTheTemporaryFile()
    {
        ASSERT_TRUE(QDir(dir.path()).mkpath("ojwtmp.txt/inside"));
    }
    void unblockTheTemporaryFile() { ASSERT_TRUE(QDir(path("ojwtmp.txt")).removeRecursively()); }

    QStringList rescueFiles() const
    {
        return QDir(dir.path()).entryList({"ojwrescue-*.txt"}, QDir::Files);
    }
};

TEST_F(SaveFailureTest, AFailedSaveKeepsTheTextAndTriesAgainLater)
{
    const QByteArray file = QByteArray(todayHeader) + "on disk\r\n!*!\r\n";
    writeEntries(file);
    start();
    blockTheTemporaryFile();
    type(" and more");

    activate(&other);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_FALSE(messages.shown().first().question);
    EXPECT_TRUE(messages.shown().first().text.contains(path("ojwtmp.txt")));
    EXPECT_EQ(entries(), file);
    EXPECT_TRUE(state().dirty);

    // Coming back must not reload the pad over the unsaved text.
    activate(&main());
    EXPECT_EQ(pad(), "on disk and more");
    EXPECT_TRUE(state().dirty);

    unblockTheTemporaryFile();
    activate(&other);
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "on disk and more\r\n!*!\r\n");
    EXPECT_FALSE(state().dirty);
}

TEST_F(SaveFailureTest, AFailedClearDoesNotTurnTheNextSaveIntoARemoval)
{
    writeEntries(QByteArray(todayHeader) + "on disk\r\n!*!\r\n");
    start();
    blockTheTemporaryFile();
    main().mnuPadClear->trigger();
    EXPECT_EQ(messages.shown().size(), 1);
    unblockTheTemporaryFile();
    type("new text");
    activate(&other);
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "new text\r\n!*!\r\n");
}

TEST_F(SaveFailureTest, AnUnreadableEntryFileIsReportedAndLeftAlone)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("ojwdata.txt/inside"));
    start();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains(path("ojwdata.txt")));
    type("typed");
    EXPECT_EQ(pad(), "");
    EXPECT_FALSE(state().dirty);
    activate(&other);
    EXPECT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(QFileInfo(path("ojwdata.txt")).isDir());

    // Once the entry reads again, the pad is the user's again.
    ASSERT_TRUE(QDir(path("ojwdata.txt")).removeRecursively());
    writeEntries(QByteArray(todayHeader) + "readable\r\n!*!\r\n");
    activate(&main());
    type(" again");
    EXPECT_EQ(pad(), "readable again");
}

TEST_F(SaveFailureTest, ClosingAsksAndKeepsTheWindowOpenByDefault)
{
    start();
    blockTheTemporaryFile();
    type("precious");
    messages.script({MessageBox::Answer::No});
    main().close();
    settle();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().first().question);
    EXPECT_EQ(messages.shown().first().defaultAnswer, MessageBox::Answer::No);
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(pad(), "precious");
    EXPECT_TRUE(rescueFiles().isEmpty()); // the text is still in the pad

    // Exit asks the same question.
    main().mnuPadExit->trigger();
    settle();
    EXPECT_EQ(messages.shown().size(), 2);
    EXPECT_TRUE(main().isVisible());

    unblockTheTemporaryFile();
    main().close();
    settle();
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "precious\r\n!*!\r\n");
}

TEST_F(SaveFailureTest, ClosingAnywayLeavesTheFileAsItWas)
{
    const QByteArray file = QByteArray(todayHeader) + "on disk\r\n!*!\r\n";
    writeEntries(file);
    start();
    blockTheTemporaryFile();
    type(" lost on purpose");
    messages.script({MessageBox::Answer::Yes});
    main().mnuPadExit->trigger();
    settle();
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(messages.shown().size(), 1); // asked once, not again by the close
    EXPECT_EQ(entries(), file);
    // The text is kept where the question said.
    const QStringList rescued = rescueFiles();
    ASSERT_EQ(rescued.size(), 1);
    EXPECT_TRUE(messages.shown().first().text.contains(path(rescued.first().toLatin1())));
    EXPECT_EQ(fileBytes(path(rescued.first().toLatin1())), QByteArray(todayHeader) + "on disk lost on purpose\r\n!*!\r\n");
}

TEST_F(SaveFailureTest, ATerminationSignalClosesAndSavesLikeTheCloseButton)
{
    start();
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::requested, program.get(), &Program::closeUnattended);
    type("saved on SIGTERM");
    ::raise(SIGTERM);
    QTRY_VERIFY(!main().isVisible());
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "saved on SIGTERM\r\n!*!\r\n");
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(SaveFailureTest, ASignalCloseThatCannotSaveLeavesARescueFile)
{
    start();
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::requested, program.get(), &Program::closeUnattended);
    blockTheTemporaryFile();
    type("rescued");
    QTest::keyClick(main().txtPad, Qt::Key_Return);
    type("second line");
    ::raise(SIGHUP);
    QTRY_VERIFY(!main().isVisible());
    EXPECT_TRUE(messages.shown().isEmpty()); // nobody could answer
    const QStringList rescued = rescueFiles();
    ASSERT_EQ(rescued.size(), 1);
    QFile file(path(rescued.first().toLatin1()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(todayHeader) + "rescued\r\nsecond line\r\n!*!\r\n");
}

TEST_F(SaveFailureTest, ADiaryFileThatWentMissingIsNotReplacedByANewOne)
{
    writeEntries(QByteArray(todayHeader) + "saved\r\n!*!\r\n");
    start();
    type(", more");
    main().cmdNext_Click(); // the history now holds the day
    // A sync service renamed the diary away, or has not brought it back.
    ASSERT_TRUE(QFile::remove(path("ojwdata.txt")));
    type("typed the next day");
    main().cmdPrev_Click();
    ASSERT_EQ(messages.shown().size(), 1);
    const QString told = messages.shown().first().text;
    EXPECT_TRUE(told.contains("could not be saved") && told.contains("ojwdata.txt is missing")) << told.toStdString();
    EXPECT_EQ(entries(), QByteArray("<missing>"));
    EXPECT_TRUE(state().dirty);
    EXPECT_EQ(pad(), "typed the next day");
}
