#include "store/entry_file.h"
#include "store/folder_lock.h"

#include "store_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QByteArray oneEntry = "*!*12/07/2026\r\nkept\r\n!*!\r\n";

class EntryFileSafety : public EntryFileTest
{
};

// Holds the save lock the way another copy of the program would.
class ForeignLock
{
public:
    explicit ForeignLock(const QString& folder)
    {
        const auto failure = m_lock.acquire(folder);
        EXPECT_FALSE(failure) << failure->message().toStdString();
    }
    void release() { m_lock.release(); }

private:
    FolderLock m_lock;
};

// Keeps lock waits in tests short, and puts the wait back afterwards.
class ShortLockWait
{
public:
    explicit ShortLockWait(std::chrono::milliseconds wait) : m_old(FolderLock::maxWait())
    {
        FolderLock::setMaxWait(wait);
    }
    ~ShortLockWait() { FolderLock::setMaxWait(m_old); }

private:
    std::chrono::milliseconds m_old;
};

} // namespace

TEST_F(EntryFileSafety, MissingFile)
{
    EXPECT_EQ(loaded(july12), QString());
    save(july12, "a");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\na\r\n!*!\r\n"));
    EXPECT_EQ(permissionsOf(dataPath()), mode_t(0600));
    EXPECT_FALSE(exists(tempPath()));
}

TEST_F(EntryFileSafety, ClearLeavesAnEmptyFile)
{
    ASSERT_FALSE(entries.clear());
    EXPECT_TRUE(exists(dataPath()));
    EXPECT_EQ(onDisk(), QByteArray());
    EXPECT_EQ(permissionsOf(dataPath()), mode_t(0600));
    put(oneEntry);
    ASSERT_EQ(::chmod(QFile::encodeName(dataPath()).constData(), 0644), 0);
    ASSERT_FALSE(entries.clear());
    EXPECT_TRUE(exists(dataPath()));
    EXPECT_EQ(onDisk().size(), 0);
    EXPECT_EQ(permissionsOf(dataPath()), mode_t(0644));
}

TEST_F(EntryFileSafety, RecoverTakesTheTemporaryFileOnlyWhenTheEntryFileIsMissing)
{
    ASSERT_FALSE(entries.recover());
    EXPECT_FALSE(exists(dataPath()));

    writeFileBytes(tempPath(), oneEntry);
    ASSERT_FALSE(entries.recover());
    EXPECT_EQ(onDisk(), oneEntry);
    EXPECT_FALSE(exists(tempPath()));

    writeFileBytes(tempPath(), "other");
    ASSERT_FALSE(entries.recover());
    EXPECT_EQ(onDisk(), oneEntry);
    EXPECT_EQ(fileBytes(tempPath()), QByteArray("other"));

    // A folder of the temporary name is nothing a save left behind.
    ASSERT_TRUE(QFile::remove(dataPath()) && QFile::remove(tempPath()));
    ASSERT_TRUE(QDir().mkdir(tempPath()));
    ASSERT_FALSE(entries.recover());
    EXPECT_FALSE(exists(dataPath()));
}

TEST_F(EntryFileSafety, StaleTemporaryFileOrLinkIsReplacedWithoutFollowingTheLink)
{
    put(oneEntry);
    writeFileBytes(tempPath(), "half a save");
    save(july12, "b");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\nb\r\n!*!\r\n"));
    EXPECT_FALSE(exists(tempPath()));

    const QString target = folder.filePath("elsewhere.txt");
    writeFileBytes(target, "untouched");
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(tempPath()).constData()), 0);
    save(july12, "c");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\nc\r\n!*!\r\n"));
    EXPECT_EQ(fileBytes(target), QByteArray("untouched"));
    EXPECT_FALSE(exists(tempPath()));
}

TEST_F(EntryFileSafety, SaveKeepsThePermissionBits)
{
    put(oneEntry);
    ASSERT_EQ(::chmod(QFile::encodeName(dataPath()).constData(), 0640), 0);
    save(july12, "b");
    EXPECT_EQ(permissionsOf(dataPath()), mode_t(0640));
    ASSERT_EQ(::chmod(QFile::encodeName(dataPath()).constData(), 0604), 0);
    const mode_t oldMask = ::umask(077);
    save(july12, "c");
    ::umask(oldMask);
    EXPECT_EQ(permissionsOf(dataPath()), mode_t(0604));
}

TEST_F(EntryFileSafety, EntryFileThatIsAFolder)
{
    ASSERT_TRUE(QDir().mkdir(dataPath()));
    QString text = "before";
    const auto loadFailure = entries.load(july12, text);
    ASSERT_TRUE(loadFailure);
    EXPECT_EQ(loadFailure->file, dataPath());
    EXPECT_EQ(loadFailure->reason, systemReason(EISDIR));
    EXPECT_TRUE(loadFailure->message().contains(dataPath()));

    const auto saveFailure = entries.save(july12, u"a", false);
    ASSERT_TRUE(saveFailure);
    EXPECT_EQ(saveFailure->file, dataPath());
    EXPECT_EQ(saveFailure->reason, systemReason(EISDIR));
    EXPECT_TRUE(QFileInfo(dataPath()).isDir());
    EXPECT_FALSE(exists(tempPath()));

    EXPECT_TRUE(entries.clear());
}

TEST_F(EntryFileSafety, TemporaryNameHeldByAFullFolder)
{
    put(oneEntry);
    ASSERT_TRUE(QDir().mkpath(tempPath() + "/inside"));
    const auto failure = entries.save(july12, u"new", false);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, tempPath());
    EXPECT_EQ(failure->reason, systemReason(ENOTEMPTY));
    EXPECT_EQ(onDisk(), oneEntry);
    EXPECT_TRUE(QFileInfo(tempPath() + "/inside").isDir());

    // An empty folder of that name is cleared away.
    ASSERT_TRUE(QDir().rmdir(tempPath() + "/inside"));
    save(july12, "new");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\nnew\r\n!*!\r\n"));
}

TEST_F(EntryFileSafety, MissingFolder)
{
    const QString gone = folder.filePath("gone");
    EntryFile missing(gone, dates);
    QString text;
    EXPECT_FALSE(missing.load(july12, text));
    EXPECT_TRUE(text.isEmpty());
    for (const auto& failure : {missing.save(july12, u"a", false), missing.clear(), missing.recover()}) {
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->file, gone);
        EXPECT_EQ(failure->reason, systemReason(ENOENT));
    }
    EXPECT_FALSE(exists(gone));
}

TEST_F(EntryFileSafety, LockHeldElsewhereMakesSaveWaitThenFail)
{
    ShortLockWait shortWait(150ms);
    put(oneEntry);
    ForeignLock other(folder.path());
    for (const auto& failure : {entries.save(july12, u"new", false), entries.clear(), entries.recover()}) {
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->file, folder.path());
        EXPECT_TRUE(failure->reason.startsWith("Another copy of the program is saving in this folder."))
            << failure->reason.toStdString();
    }
    EXPECT_EQ(onDisk(), oneEntry);
    EXPECT_FALSE(exists(tempPath()));
    // Reading needs no lock: the rename makes every read see a whole file.
    EXPECT_EQ(loaded(july12), "kept");

    other.release();
    save(july12, "new");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\nnew\r\n!*!\r\n"));
}

TEST_F(EntryFileSafety, SaveGoesAheadWhenTheLockIsReleasedWhileWaiting)
{
    ShortLockWait longEnough(20s);
    put(oneEntry);
    ForeignLock other(folder.path());
    std::thread releaser([&other] {
        std::this_thread::sleep_for(50ms);
        other.release();
    });
    const auto failure = entries.save(july12, u"new", false);
    releaser.join();
    ASSERT_FALSE(failure) << failure->message().toStdString();
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\nnew\r\n!*!\r\n"));
}

TEST_F(EntryFileSafety, FullDiskLeavesTheEntryFileAsItWas)
{
    const QString disk = folder.filePath("disk");
    ASSERT_TRUE(QDir().mkdir(disk));
    if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    struct Unmount
    {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(disk)};

    EntryFile small(disk, dates);
    const QByteArray before = "*!*12/07/2026\r\n" + QByteArray(8000, 'x') + "\r\n!*!\r\n";
    writeFileBytes(small.path(), before);
    const auto failure = small.save(QDate(2026, 7, 13), QString(60000, u'y'), false);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, small.tempPath());
    EXPECT_EQ(failure->reason, systemReason(ENOSPC));
    EXPECT_EQ(fileBytes(small.path()), before);
    EXPECT_FALSE(exists(small.tempPath()));

    // With the space back, the same save goes through.
    const auto success = small.save(QDate(2026, 7, 13), QString(10000, u'y'), false);
    EXPECT_FALSE(success);
    EXPECT_TRUE(fileBytes(small.path()).startsWith(before));
}

TEST_F(EntryFileSafety, TheLockIsALockFileNotAnFlockOnTheFolder)
{
    ShortLockWait shortWait(300ms);
    put(oneEntry);
    const QString lockPath = folder.filePath(FolderLock::lockFileName);
    {
        // An flock on the folder, which network file systems refuse, is no
        // part of it any more: a holder of one does not stop a save.
        const int fd = ::open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        save(july12, "through");
        ::close(fd);
    }
    EXPECT_FALSE(exists(lockPath));

    // A lock file left by a copy that died on this machine is taken over at
    // once; one of a running copy (this process stands in) is not.
    writeFileBytes(lockPath, "999999999\nojw\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    save(july12, "after a crash");
    EXPECT_FALSE(exists(lockPath));
    // Another machine's lock: taken over only once it is a minute old.
    writeFileBytes(lockPath, "1\nojw\nanother-machine\n");
    EXPECT_TRUE(entries.save(july12, u"blocked", false));
    const struct timeval old[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(lockPath).constData(), old), 0);
    save(july12, "after a crash");
    EXPECT_FALSE(exists(lockPath));

    QLockFile running(lockPath);
    ASSERT_TRUE(running.tryLock());
    const auto failure = entries.save(july12, u"blocked", false);
    running.unlock();
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->reason.startsWith("Another copy")) << failure->reason.toStdString();
    EXPECT_EQ(loaded(july12), "after a crash");
}

TEST_F(EntryFileSafety, WhatACopyKilledWhileLockingLeftGoesAtTheNextStart)
{
    // A copy writes its details beside the lock before it takes it; killed
    // in between, it leaves that file. Only an old one is surely left over.
    put(oneEntry);
    const QString old = folder.filePath(QString::fromLatin1(FolderLock::lockFileName) + ".4242-0");
    const QString fresh = folder.filePath(QString::fromLatin1(FolderLock::lockFileName) + ".4243-0");
    writeFileBytes(old, "4242\nojw\nhost\n");
    writeFileBytes(fresh, "4243\nojw\nhost\n");
    const struct timeval hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(old).constData(), hourAgo), 0);
    EXPECT_FALSE(entries.recover());
    EXPECT_FALSE(exists(old));
    EXPECT_TRUE(exists(fresh));
    EXPECT_EQ(onDisk(), oneEntry);
}

TEST_F(EntryFileSafety, LinkedEntryFileStaysALink)
{
    // The diary linked into a synced folder.
    const QString synced = folder.filePath("synced");
    ASSERT_TRUE(QDir().mkdir(synced));
    const QString target = synced + "/diary.txt";
    writeFileBytes(target, oneEntry);
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    ASSERT_EQ(::symlink("synced/diary.txt", QFile::encodeName(dataPath()).constData()), 0);

    EXPECT_EQ(loaded(july12), "kept");
    save(july12, "new");
    EXPECT_TRUE(QFileInfo(dataPath()).isSymLink());
    EXPECT_EQ(fileBytes(target), QByteArray("*!*12/07/2026\r\nnew\r\n!*!\r\n"));
    EXPECT_EQ(permissionsOf(target), mode_t(0640));
    EXPECT_EQ(QDir(synced).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"diary.txt"});

    ASSERT_FALSE(entries.clear());
    EXPECT_TRUE(QFileInfo(dataPath()).isSymLink());
    EXPECT_EQ(fileBytes(target), QByteArray());
    EXPECT_EQ(permissionsOf(target), mode_t(0640));
    EXPECT_FALSE(exists(tempPath()));
}

TEST_F(EntryFileSafety, RecoverTakesOnlyACompleteTemporaryFile)
{
    const QByteArray complete = oneEntry + "*!*13/07/2026\r\nb\r\n!*!\r\n";
    const QByteArray cutOff[] = {oneEntry + "*!*13/07/2026\r\nb", oneEntry + "*!*13/07/2026\r\nb\r\n",
                                 oneEntry + "*!*13/07/2026\r\nb\r\n!*"};
    for (const QByteArray& partial : cutOff) {
        writeFileBytes(tempPath(), partial);
        const auto failure = entries.recover();
        ASSERT_TRUE(failure);
        EXPECT_FALSE(exists(dataPath()));
        EXPECT_FALSE(exists(tempPath()));
        // Kept under a name no save touches, and the message says where.
        EXPECT_TRUE(failure->file.startsWith(folder.filePath("ojwtmp-")));
        EXPECT_EQ(fileBytes(failure->file), partial);
        ASSERT_TRUE(QFile::remove(failure->file));
    }
    writeFileBytes(tempPath(), complete);
    ASSERT_FALSE(entries.recover());
    EXPECT_EQ(onDisk(), complete);
}
