#include "recovery/rescue_file.h"

#include "platform/core/file_error.h"
#include "store/store_fixture.h"

#include <QDateTime>
#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

// Where the text goes that could neither be saved nor kept in the pad.
TEST_F(EntryFileTest, RescueFilesArePrivateNewFilesNeverMadeThroughALink)
{
    const QString other = folder.filePath("planted");
    // A link planted under every name the rescue might take this second
    // leads nowhere; the rescue goes beside it, not through it.
    for (const QString& name : QDir(folder.path()).entryList())
        QFile::remove(folder.filePath(name));
    QStringList planted;
    for (int second = 0; second < 3; ++second) {
        const QString stamp = QDateTime::currentDateTime().addSecs(second).toString(u"yyyyMMdd-HHmmss");
        planted.append(folder.filePath(QStringLiteral("ojwrescue-%1.txt").arg(stamp)));
        ASSERT_EQ(::symlink(qPrintable(other), qPrintable(planted.last())), 0);
    }

    const QString path = writeRescueFile({folder.path()}, dates, july12, QStringLiteral("unsaved"),
                                         FileError{dataPath(), QStringLiteral("disk full")});
    ASSERT_FALSE(path.isEmpty());
    EXPECT_FALSE(planted.contains(path));
    EXPECT_FALSE(exists(other));
    EXPECT_EQ(fileBytes(path), QByteArray("*!*12/07/2026\r\nunsaved\r\n!*!\r\n"));
    EXPECT_EQ(permissionsOf(path), mode_t(0600));
    EXPECT_FALSE(rescueFolders(folder.path()).contains(QDir::tempPath()));
}

TEST_F(EntryFileTest, WhereNoFolderTakesTheRescueTheTextStaysOffStandardError)
{
    const QString missing = folder.filePath("missing");
    testing::internal::CaptureStderr();
    const QString path = writeRescueFile({missing}, dates, july12, QStringLiteral("a private thought"),
                                         FileError{dataPath(), QStringLiteral("disk full")});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(path.isEmpty());
    EXPECT_NE(said.find("disk full"), std::string::npos);
    EXPECT_NE(said.find(missing.toStdString()), std::string::npos);
    EXPECT_EQ(said.find("private thought"), std::string::npos);
}
