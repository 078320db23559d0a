#include "files/atomic_file.h"
#include "store/entry_file.h"
#include "files/folder_lock.h"
#include "files/posix_io.h"

#include "store_fixture.h"

#include <QDir>

#include <cerrno>
#include <fcntl.h>

// Every system call of a save and of a clear, made to fail in turn: the
// entry file must be as it was (or already complete, when only the folder
// sync after the rename failed), the error must name the file and the
// reason, no file may be left behind, and the same save must go through
// once the fault is gone.
namespace {

using PosixIo::Call;
using PosixIo::Fault;

class EntryFileFaults : public EntryFileTest
{
protected:
    void TearDown() override { PosixIo::clearFaults(); }

    // Without the lock file a lock that failed may leave: it holds nobody up.
    QStringList folderContents() const
    {
        QStringList names = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                          | QDir::NoDotAndDotDot);
        names.removeAll(QString::fromLatin1(FolderLock::lockFileName));
        return names;
    }
};

// A file large enough that writing it takes several writes.
QByteArray diary()
{
    QByteArray bytes;
    for (int day = 1; day <= 28; ++day) {
        bytes += "*!*" + QByteArray::number(day).rightJustified(2, '0') + "/06/2026\r\n";
        bytes += QByteArray(BufferedWriter::defaultBufferSize / 8, char('a' + day % 26)) + "\r\n!*!\r\n";
    }
    return bytes + "*!*12/07/2026\r\nold\r\n!*!\r\n";
}

} // namespace

TEST_F(EntryFileFaults, EveryFailedCallOfASaveLeavesTheFileAsItWas)
{
    const QByteArray before = diary();
    const QByteArray after = before.chopped(QByteArray("old\r\n!*!\r\n").size()) + "new\r\n!*!\r\n";
    const struct
    {
        Fault fault;
        QString file; // what the error names
    } cases[] = {
        {{Call::Lock, EIO}, folder.filePath("ojwdata.lock")},
        {{Call::Open, EACCES}, dataPath()},
        {{Call::Read, EIO}, dataPath()},
        {{Call::Create, EACCES}, tempPath()},
        {{Call::Write, ENOSPC}, tempPath()},
        {{Call::Write, EIO, 2}, tempPath()}, // after two writes went through
        {{Call::Sync, EIO}, tempPath()},
        {{Call::Close, EIO}, tempPath()},
        {{Call::Rename, EXDEV}, dataPath()},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(int(test.fault.call));
        put(before);
        PosixIo::injectFault(test.fault);
        const EntryFile::SaveResult result = entries.save(july12, u"new", false, u"old");
        ASSERT_TRUE(result.error);
        EXPECT_FALSE(result.written);
        EXPECT_EQ(result.error->file, test.file);
        EXPECT_EQ(result.error->reason, systemReason(test.fault.errnum));
        EXPECT_EQ(onDisk(), before);
        EXPECT_EQ(folderContents(), QStringList{EntryFile::fileName});
        PosixIo::clearFaults();

        const EntryFile::SaveResult again = entries.save(july12, u"new", false, u"old");
        EXPECT_FALSE(again.error);
        EXPECT_EQ(onDisk(), after);
    }
}

TEST_F(EntryFileFaults, AFailedFolderSyncAfterTheRenameStillSaves)
{
    put(diary());
    PosixIo::injectFault({Call::SyncFolder, EIO});
    const EntryFile::SaveResult result = entries.save(july12, u"new", false, u"old");
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.error->file, folder.path());
    EXPECT_TRUE(onDisk().endsWith("*!*12/07/2026\r\nnew\r\n!*!\r\n"));
    EXPECT_EQ(folderContents(), QStringList{EntryFile::fileName});
    EXPECT_EQ(loaded(july12), "new");
}

TEST_F(EntryFileFaults, ShortWritesAreCompleted)
{
    put(diary());
    PosixIo::injectFault({Call::Write, 0, 0, -1});
    const auto failure = saveShown(entries, july13, u"short").error;
    PosixIo::clearFaults();
    EXPECT_FALSE(failure);
    EXPECT_EQ(onDisk(), diary() + "*!*13/07/2026\r\nshort\r\n!*!\r\n");
}

TEST_F(EntryFileFaults, EveryFailedCallOfAClearLeavesTheFileAsItWas)
{
    const Fault faults[] = {{Call::Lock, EIO}, {Call::Create, EACCES}, {Call::Sync, EIO},
                            {Call::Close, EIO},   {Call::Rename, EBUSY}};
    for (const Fault& fault : faults) {
        SCOPED_TRACE(int(fault.call));
        put(diary());
        PosixIo::injectFault(fault);
        const auto failure = entries.clear().error;
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->reason, systemReason(fault.errnum));
        EXPECT_EQ(onDisk(), diary());
        EXPECT_EQ(folderContents(), QStringList{EntryFile::fileName});
        PosixIo::clearFaults();
        EXPECT_FALSE(entries.clear().error);
        EXPECT_EQ(onDisk(), QByteArray());
    }
    put(diary());
    PosixIo::injectFault({Call::SyncFolder, EIO});
    ASSERT_TRUE(entries.clear().error);
    EXPECT_EQ(onDisk(), QByteArray());
    EXPECT_EQ(folderContents(), QStringList{EntryFile::fileName});
}

TEST_F(EntryFileFaults, ARenameByLinkThatCannotDropTheOldNameLeavesOnlyTheOldName)
{
    // As on a file system without the no-replace rename, whose unlink fails.
    put("text");
    PosixIo::injectFault({Call::Rename, EINVAL});
    PosixIo::injectFault({Call::Unlink, EIO});
    const PosixIo::UniqueFd dir(::open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY));
    EXPECT_EQ(PosixIo::renameNoReplace(dir.get(), EntryFile::fileName, "moved.txt"), EIO);
    EXPECT_EQ(folderContents(), QStringList{EntryFile::fileName});
}
