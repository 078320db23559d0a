#include "store/entry_file.h"
#include "files/folder_lock.h"
#include "files/posix_io.h"

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
    ASSERT_FALSE(entries.clear().error);
    EXPECT_TRUE(exists(dataPath()));
    EXPECT_EQ(onDisk(), QByteArray());
    EXPECT_EQ(permissionsOf(dataPath()), mode_t(0600));
    put(oneEntry);
    ASSERT_EQ(::chmod(QFile::encodeName(dataPath()).constData(), 0644), 0);
    ASSERT_FALSE(entries.clear().error);
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

    // Beside the entry file it is read for whole entries, then removed.
    writeFileBytes(tempPath(), "other");
    ASSERT_FALSE(entries.recover());
    EXPECT_EQ(onDisk(), oneEntry);
    EXPECT_FALSE(exists(tempPath()));

    // A folder of the temporary name is nothing a save left behind.
    ASSERT_TRUE(QFile::remove(dataPath()));
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

    const auto saveFailure = saveShown(entries, july12, u"a").error;
    ASSERT_TRUE(saveFailure);
    EXPECT_EQ(saveFailure->file, dataPath());
    EXPECT_EQ(saveFailure->reason, systemReason(EISDIR));
    EXPECT_TRUE(QFileInfo(dataPath()).isDir());
    EXPECT_FALSE(exists(tempPath()));

    EXPECT_TRUE(entries.clear().error);
}

TEST_F(EntryFileSafety, TemporaryNameHeldByAFullFolder)
{
    put(oneEntry);
    ASSERT_TRUE(QDir().mkpath(tempPath() + "/inside"));
    const auto failure = saveShown(entries, july12, u"new").error;
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
    EXPECT_FALSE(missing.recover()) << "nothing to recover";
    for (const auto& failure : {saveShown(missing, july12, u"a").error, missing.clear().error}) {
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
    // A start with nothing to recover needs no lock and waits for nobody.
    EXPECT_FALSE(entries.recover());
    for (const auto& failure : {saveShown(entries, july12, u"new").error, entries.clear().error}) {
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
    const auto failure = saveShown(entries, july12, u"new").error;
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
    const auto failure = saveShown(small, QDate(2026, 7, 13), QString(60000, u'y')).error;
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, small.tempPath());
    EXPECT_EQ(failure->reason, systemReason(ENOSPC));
    EXPECT_EQ(fileBytes(small.path()), before);
    EXPECT_FALSE(exists(small.tempPath()));

    // With the space back, the same save goes through.
    const auto success = saveShown(small, QDate(2026, 7, 13), QString(10000, u'y')).error;
    EXPECT_FALSE(success);
    EXPECT_TRUE(fileBytes(small.path()).startsWith(before));
}

TEST_F(EntryFileSafety, WhateverLiesAtTheLocksNameNeitherHangsNorBlocksASaveForLong)
{
    // A lock file is only a name: a file left there by a copy that died,
    // whatever it holds, takes nothing. Saves wait for no one here.
    ShortLockWait noWait(0ms);
    put(oneEntry);
    const QString lockPath = folder.filePath(FolderLock::lockFileName);
    for (const QByteArray& left : {QByteArray(), QByteArray("garbage"), QByteArray::number(::getpid()) + "\nojw\n"}) {
        writeFileBytes(lockPath, left);
        save(july12, "through");
        EXPECT_FALSE(exists(lockPath));
    }

    // What is not a file there makes every save fail with the reason, at
    // once: a FIFO opens without waiting for a writer.
    ASSERT_EQ(::mkfifo(QFile::encodeName(lockPath).constData(), 0600), 0);
    auto failure = saveShown(entries, july12, u"blocked").error;
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, lockPath);
    ASSERT_TRUE(QFile::remove(lockPath));
    ASSERT_TRUE(QDir().mkdir(lockPath));
    failure = saveShown(entries, july12, u"blocked").error;
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, lockPath);
    EXPECT_EQ(failure->reason, systemReason(EISDIR));
    EXPECT_EQ(loaded(july12), "through");
}

TEST_F(EntryFileSafety, FileSystemsWithoutKernelLocksLockByAnExclusiveFile)
{
    ShortLockWait shortWait(100ms);
    put(oneEntry);
    const QString held = folder.filePath(FolderLock::fallbackFileName);
    PosixIo::injectFault({PosixIo::Call::Lock, ENOLCK, 0, -1});
    save(july12, "fallback");
    EXPECT_FALSE(exists(held));
    writeFileBytes(held, "");
    EXPECT_TRUE(saveShown(entries, july12, u"blocked").error) << "held by another copy";
    // One a minute old was left by a copy that died.
    const struct timeval old[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(held).constData(), old), 0);
    save(july12, "after a crash");
    PosixIo::clearFaults();
    EXPECT_EQ(loaded(july12), "after a crash");
    EXPECT_FALSE(exists(held));
}

TEST_F(EntryFileSafety, ALinkAtTheLocksNameIsToldAsALink)
{
    put(oneEntry);
    const QString lockPath = folder.filePath(FolderLock::lockFileName);
    ASSERT_EQ(::symlink("elsewhere", QFile::encodeName(lockPath).constData()), 0);
    const auto failure = saveShown(entries, july12, u"blocked").error;
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, lockPath);
    EXPECT_EQ(failure->reason, PosixIo::linkReason());
}

namespace {

QString raceFolder;
FolderLock* otherCopy = nullptr;
bool otherTookIt = false;

void otherCopyTakesItFirst()
{
    FolderLock::setBeforeTakeOver(nullptr);
    otherTookIt = !otherCopy->acquire(raceFolder);
}

} // namespace

TEST_F(EntryFileSafety, ALeftFallbackLockIsTakenOverByOneCopyOnly)
{
    // Two copies find the lock of one that died; the second acts between
    // the first one's look and its take-over.
    ShortLockWait noWait(0ms);
    const QString held = folder.filePath(FolderLock::fallbackFileName);
    writeFileBytes(held, "");
    const struct timeval old[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(held).constData(), old), 0);
    PosixIo::injectFault({PosixIo::Call::Lock, ENOLCK, 0, -1});
    FolderLock first;
    FolderLock second;
    raceFolder = folder.path();
    otherCopy = &second;
    FolderLock::setBeforeTakeOver(otherCopyTakesItFirst);
    const bool firstTookIt = !first.acquire(folder.path());
    FolderLock::setBeforeTakeOver(nullptr);
    PosixIo::clearFaults();
    EXPECT_NE(firstTookIt, otherTookIt);
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

    ASSERT_FALSE(entries.clear().error);
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

TEST_F(EntryFileSafety, AnUnrecoveredTemporaryFileIsMovedAsideNotWrittenOver)
{
    // The entry file gone and its temporary not taken at start (here: a
    // start that never ran): the first save keeps it under a dated name.
    writeFileBytes(tempPath(), oneEntry + "*!*13/07/2026\r\nhalf");
    const EntryFile::SaveResult result = entries.save(july13, u"new", false, u"");
    ASSERT_FALSE(result.error);
    ASSERT_TRUE(result.setAside);
    EXPECT_TRUE(result.setAside->file.startsWith(folder.filePath("ojwtmp-")));
    EXPECT_EQ(fileBytes(result.setAside->file), oneEntry + "*!*13/07/2026\r\nhalf");
    EXPECT_EQ(onDisk(), QByteArray("*!*13/07/2026\r\nnew\r\n!*!\r\n"));
}

TEST_F(EntryFileSafety, ASaveKeepsTheFilesOwnerAndGroup)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file away";
    put(oneEntry);
    const QByteArray native = QFile::encodeName(dataPath());
    ASSERT_EQ(::chown(native.constData(), 4242, 4343), 0);
    save(july12, "saved by root");
    struct stat status;
    ASSERT_EQ(::stat(native.constData(), &status), 0);
    EXPECT_EQ(status.st_uid, 4242u);
    EXPECT_EQ(status.st_gid, 4343u);
}
