#include "export_fixture.h"

#include <QCoreApplication>
#include <QDate>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

using ExportTargetTest = ExportTest;

const QByteArray diary = "*!*05/12/2003\r\nRain all day.\r\n!*!\r\n";
const QByteArray exportOfDiary = "05/12/2003\r\n----------\r\nRain all day.\r\n\r\n\r\n";

TEST_F(ExportTargetTest, RefusesTheProgramsOwnFilesByAnyPath)
{
    putDiary(diary);
    writeFileBytes(inFolder("ojwconfig.txt"), "Arial\r\n");
    ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
    ASSERT_EQ(::symlink(qPrintable(inFolder("ojwdata.txt")), qPrintable(target("link.txt"))), 0);
    ASSERT_EQ(::link(qPrintable(inFolder("ojwconfig.txt")), qPrintable(target("hard.txt"))), 0);
    // A link to the temporary file, which exists only while a save runs.
    ASSERT_EQ(::symlink(qPrintable(inFolder("ojwtmp.txt")), qPrintable(target("dangling.txt"))), 0);
    ASSERT_EQ(::symlink(qPrintable(folder.path()), qPrintable(target("folder"))), 0);

    const QStringList refused = {
        inFolder("ojwdata.txt"),         inFolder("sub/../ojwdata.txt"), target("link.txt"),
        target("folder/ojwconfig.txt"),  target("hard.txt"),           target("dangling.txt"),
        inFolder("ojwspelling.txt"),     QCoreApplication::applicationFilePath(),
    };
    const QStringList before = namesIn(folder.path()) + namesIn(elsewhere.path());
    for (const QString& path : refused) {
        const auto failure = exportAll(folder.path(), dates, 2, path);
        ASSERT_TRUE(failure) << path.toStdString();
        EXPECT_EQ(failure->file, path);
        EXPECT_TRUE(failure->reason.contains(QStringLiteral("Choose another file"))) << failure->reason.toStdString();
    }
    EXPECT_EQ(fileBytes(inFolder("ojwdata.txt")), diary);
    EXPECT_EQ(fileBytes(inFolder("ojwconfig.txt")), QByteArray("Arial\r\n"));
    EXPECT_EQ(namesIn(folder.path()) + namesIn(elsewhere.path()), before);

    EXPECT_EQ(exported(), exportOfDiary) << "a file of the folder's that is not the program's";

    // An entry file linked into another folder is saved through a temporary
    // file beside the file the link leads to.
    ASSERT_TRUE(QDir(elsewhere.path()).mkdir("synced"));
    ASSERT_TRUE(QFile::rename(inFolder("ojwdata.txt"), target("synced/ojwdata.txt")));
    ASSERT_EQ(::symlink(qPrintable(target("synced/ojwdata.txt")), qPrintable(inFolder("ojwdata.txt"))), 0);
    EXPECT_TRUE(exportAll(folder.path(), dates, 2, target("synced/ojwtmp.txt")));
    EXPECT_EQ(exported(), exportOfDiary) << "through the link";
}

TEST_F(ExportTargetTest, ReplacesAFileThroughItsLinkAndKeepsItsPermissions)
{
    putDiary(diary);
    writeFileBytes(target("old.txt"), "an older export, longer than the new one\r\n");
    ASSERT_EQ(::chmod(qPrintable(target("old.txt")), 0640), 0);
    ASSERT_EQ(::symlink("old.txt", qPrintable(target("OJWExport.txt"))), 0);

    EXPECT_EQ(exported(), exportOfDiary);
    EXPECT_TRUE(QFileInfo(target()).isSymLink());
    EXPECT_EQ(fileBytes(target("old.txt")), exportOfDiary);
    struct stat status;
    ASSERT_EQ(::stat(qPrintable(target("old.txt")), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(elsewhere.path()), QStringList({"OJWExport.txt", "old.txt"}));
}

TEST_F(ExportTargetTest, FailureNamesTheFileAndLeavesTheOldExportInPlace)
{
    writeFileBytes(target(), "the user's file\r\n");
    ASSERT_TRUE(QDir(folder.path()).mkdir("ojwdata.txt"));
    auto failure = exportAll(folder.path(), dates, 2, target());
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, inFolder("ojwdata.txt"));
    EXPECT_FALSE(failure->reason.isEmpty());
    EXPECT_EQ(fileBytes(target()), QByteArray("the user's file\r\n"));
    EXPECT_EQ(namesIn(elsewhere.path()), QStringList({"OJWExport.txt"}));

    ASSERT_TRUE(QDir(folder.path()).rmdir("ojwdata.txt"));
    putDiary(diary);
    for (const QString& path : {target("missing folder/OJWExport.txt"), elsewhere.path()}) {
        failure = exportAll(folder.path(), dates, 2, path);
        ASSERT_TRUE(failure) << path.toStdString();
        EXPECT_EQ(failure->file, path);
        EXPECT_FALSE(failure->reason.isEmpty());
    }
    EXPECT_EQ(namesIn(elsewhere.path()), QStringList({"OJWExport.txt"}));
}

} // namespace

namespace {

TEST_F(ExportTargetTest, ANewExportIsAsPrivateAsTheDiary)
{
    putDiary(diary);
    ASSERT_EQ(::chmod(qPrintable(inFolder("ojwdata.txt")), 0600), 0);
    const mode_t umask = ::umask(0);
    const QByteArray bytes = exported();
    ::umask(umask);
    EXPECT_EQ(bytes, exportOfDiary);
    struct stat status;
    ASSERT_EQ(::stat(qPrintable(target()), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

TEST_F(ExportTargetTest, WhatAKilledExportLeftIsRemovedByTheNext)
{
    putDiary(diary);
    const QString old = target(".ojwexport-dead.tmp");
    const QString fresh = target(".ojwexport-busy.tmp");
    writeFileBytes(old, QByteArray(1024, 'x'));
    writeFileBytes(fresh, QByteArray(1024, 'x'));
    const struct timeval hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimes(qPrintable(old), hourAgo), 0);
    EXPECT_EQ(exported(), exportOfDiary);
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_TRUE(QFileInfo::exists(fresh)) << "perhaps an export running right now";
}

TEST_F(ExportTargetTest, RefusesFilesThatKeepUnsavedText)
{
    putDiary(diary);
    for (const char* name : {"ojwrescue-20261207-101500.txt", "ojwunsaved-1f.txt", "ojwtmp-20261207-101500.txt",
                             "ojwhistory-3d1219c7.txt"}) {
        writeFileBytes(target(name), "kept text\r\n");
        const auto failure = exportAll(folder.path(), dates, 2, target(name));
        ASSERT_TRUE(failure) << name;
        EXPECT_TRUE(failure->reason.contains("Choose another file"));
        EXPECT_EQ(fileBytes(target(name)), QByteArray("kept text\r\n"));
    }
}

} // namespace
