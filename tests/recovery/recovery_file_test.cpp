#include "recovery/recovery_file.h"

#include "store/store_fixture.h"

#include <QDateTime>
#include <QDir>

// The unsaved text of a running copy stays on this machine: a folder synced
// to another one never carries it, so no other machine offers it back.
TEST_F(EntryFileTest, UnsavedTextIsKeptPrivatelyOnThisMachineOneFolderEach)
{
    const QString other = folder.filePath("elsewhere/" + QFileInfo(folder.path()).fileName());
    ASSERT_TRUE(QDir().mkpath(other));
    QString kept;
    {
        RecoveryFile running(folder.path());
        ASSERT_FALSE(running.write(dates, july12, u"typed", u"", QDateTime::currentDateTime()));
        kept = running.path();
        EXPECT_TRUE(kept.startsWith(qEnvironmentVariable("XDG_STATE_HOME") + u'/')) << kept.toStdString();
        EXPECT_EQ(permissionsOf(kept), mode_t(0600));
        EXPECT_EQ(permissionsOf(QFileInfo(kept).path()), mode_t(0700));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        EXPECT_TRUE(RecoveryFile::leftBehind(folder.path()).isEmpty());
    }
    // Left by a copy that is gone: offered for its own folder only.
    ASSERT_EQ(RecoveryFile::leftBehind(folder.path()).size(), 1);
    EXPECT_EQ(RecoveryFile::leftBehind(folder.path()).first().path, kept);
    EXPECT_TRUE(RecoveryFile::leftBehind(other).isEmpty());
}

TEST_F(EntryFileTest, LeftTextsFromBothPlacesAreOfferedAndRescuedBesideTheDiary)
{
    {
        RecoveryFile gone(folder.path());
        ASSERT_FALSE(gone.write(dates, july12, u"kept here", u"", QDateTime::currentDateTime().addSecs(-60)));
    }
    // As copies from before the state folder left it: in the folder itself.
    const QString old = folder.filePath("ojwunsaved-1f.txt");
    writeFileBytes(old, "Ombrel JotWell: unsaved text\r\nwritten 2026-07-13T09:00:00\r\nday 2026-07-13\r\n"
                        "*!*13/07/2026\r\nkept beside\r\n!*!\r\n");

    const QList<RecoveryFile::Left> left = RecoveryFile::leftBehind(folder.path());
    ASSERT_EQ(left.size(), 2);
    for (const RecoveryFile::Left& each : left) {
        QString rescue;
        ASSERT_FALSE(RecoveryFile::keepAsRescue(each, dates, folder.path(), rescue));
        EXPECT_EQ(QFileInfo(rescue).path(), folder.path());
        EXPECT_TRUE(fileBytes(rescue).endsWith(each.day == july12 ? "kept here\r\n!*!\r\n" : "kept beside\r\n!*!\r\n"));
        EXPECT_FALSE(exists(each.path));
    }
    EXPECT_TRUE(RecoveryFile::leftBehind(folder.path()).isEmpty());
}
