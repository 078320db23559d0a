#include "program_fixture.h"

#include "files/posix_io.h"

#include <QAction>

#include <cerrno>

namespace {

class ExportCommandTest : public ProgramTest
{
protected:
    QTemporaryDir elsewhere;

    QString exportPath() const { return QDir(elsewhere.path()).filePath("diary.txt"); }

    // As a string, for a readable difference when a test fails.
    std::string exported() const
    {
        QFile file(exportPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
    }

    void exportAll()
    {
        main().mnuPadExportAll->trigger();
        settle();
    }
};

TEST_F(ExportCommandTest, ExportsThePadsUnsavedTextAndLeavesTheDialogAsTheFontCommandsExpect)
{
    writeEntries("*!*12/8/2026\r\nTomorrow.\r\n!*!\r\n*!*12/5/2026\r\nSaturday.\r\n!*!\r\n");
    start();
    ASSERT_TRUE(main().mnuPadExportAll->isEnabled());
    type("Written today");
    ASSERT_TRUE(state().dirty);
    dialogs.answerSave(exportPath());

    exportAll();

    EXPECT_FALSE(state().dirty);
    EXPECT_EQ(exported(), "Saturday, December 5, 2026\r\n----------\r\nSaturday.\r\n\r\n\r\n"
                          "Monday, December 7, 2026\r\n----------\r\nWritten today\r\n\r\n\r\n"
                          "Tuesday, December 8, 2026\r\n----------\r\nTomorrow.\r\n\r\n\r\n");
    ASSERT_EQ(dialogs.shown().size(), 1);
    const auto& shown = dialogs.shown().front();
    EXPECT_EQ(shown.kind, ScriptedCommonDialog::Kind::Save);
    EXPECT_EQ(shown.fileName, "OJWExport.txt");
    EXPECT_EQ(shown.nameFilters, QStringList({"Text Files(*.txt) (*.txt)", "All Files(*.*) (*)"}));
    EXPECT_TRUE(shown.askBeforeReplacing);
    EXPECT_TRUE(main().dlgOJW->CancelError);
    EXPECT_EQ(main().dlgOJW->FileName, exportPath());
    EXPECT_TRUE(messages.shown().isEmpty());

    // Short dates with date style 2, and the name proposed afresh.
    main().lblDate_Click();
    dialogs.answerSave(exportPath());
    exportAll();
    EXPECT_EQ(exported(), "12/5/26\r\n----------\r\nSaturday.\r\n\r\n\r\n"
                          "12/7/26\r\n----------\r\nWritten today\r\n\r\n\r\n"
                          "12/8/26\r\n----------\r\nTomorrow.\r\n\r\n\r\n");
    EXPECT_EQ(dialogs.shown().back().fileName, "OJWExport.txt");
}

TEST_F(ExportCommandTest, CancelWritesNothing)
{
    writeEntries("*!*12/5/2026\r\nSaturday.\r\n!*!\r\n");
    QFile existing(exportPath());
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("kept\r\n");
    existing.close();
    start();
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    dialogs.answerCancel();

    exportAll();

    EXPECT_EQ(exported(), "kept\r\n");
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"diary.txt"}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    EXPECT_FALSE(QFile::exists("OJWExport.txt"));
    EXPECT_TRUE(main().dlgOJW->CancelError);
    EXPECT_EQ(main().dlgOJW->FileName, "OJWExport.txt");
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(ExportCommandTest, RefusesTheEntryFileWithAMessageNamingIt)
{
    const QByteArray diary = "*!*12/5/2026\r\nSaturday.\r\n!*!\r\n";
    writeEntries(diary);
    start();
    dialogs.answerSave(path("ojwdata.txt"));

    exportAll();

    EXPECT_EQ(entries(), diary);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_FALSE(messages.shown().front().question);
    EXPECT_TRUE(messages.shown().front().text.contains(path("ojwdata.txt")));
    EXPECT_TRUE(messages.shown().front().text.contains("entry file"));
}

TEST_F(ExportCommandTest, AnExportTheDiskDidNotConfirmIsToldAsExported)
{
    writeEntries("*!*12/5/2026\r\nSaturday.\r\n!*!\r\n");
    start();
    dialogs.answerSave(exportPath());
    PosixIo::injectFault({PosixIo::Call::SyncFolder, EIO});
    exportAll();
    PosixIo::clearFaults();
    EXPECT_EQ(exported(), "Saturday, December 5, 2026\r\n----------\r\nSaturday.\r\n\r\n\r\n");
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown().front().text.startsWith("The entries were exported, but the disk did not "
                                                         "confirm it."));
}

} // namespace
