#pragma once

#include "platform/core/file_error.h"
#include "files/posix_io.h"

#include <QString>

#include <chrono>
#include <optional>

// Open file description locks (fcntl F_OFD_SETLK): the kernel keeps such a
// lock as long as the descriptor that took it is open, and drops it when the
// holder closes it or dies, however it dies. So whether a copy of the
// program is alive is never guessed from process ids, host names or ages.
// The locks work on local disks and on NFS; they conflict between any two
// open descriptions of a file, also within one process.
namespace FileLock {

// Tries once for a write lock on the whole file (fd open for writing).
// Returns 0 when it is held, EAGAIN while another holds a lock on the file,
// or the errno of a failure.
int tryWriteLock(int fd);

// Whether another open description holds a write lock on the file (fd open
// for reading is enough): its holder is running. A file whose locks cannot
// be asked about counts as held, so nothing of another copy is ever taken.
bool isHeldElsewhere(int fd);

} // namespace FileLock

// Keeps two copies of the program (or two threads) from rewriting the files
// of one folder at once: a kernel lock (FileLock) on "ojwdata.lock", whose
// name goes when it is released. A copy that dies releases it, so a lock is
// never stale. Where the file system has no such locks, the exclusive
// creation of "ojwdata.lock.held" locks instead (one a minute old was left
// by a copy that died, and one copy takes it over). The open folder is the
// base of the operation's *at() calls, so all of them name the same folder.
class FolderLock
{
public:
    static constexpr const char* lockFileName = "ojwdata.lock";
    static constexpr const char* fallbackFileName = "ojwdata.lock.held";

    // How long acquire() waits for another holder: a save holds the lock
    // for one pass over the file, and the window must not freeze longer.
    static constexpr std::chrono::milliseconds defaultWait{1000};

    // The wait for every lock taken from now on; tests change it.
    static void setMaxWait(std::chrono::milliseconds wait);
    static std::chrono::milliseconds maxWait();

    // Test seam: runs between the look at a left fallback lock and its
    // take-over, where another copy may act.
    static void setBeforeTakeOver(void (*hook)());

    FolderLock() = default;
    ~FolderLock() { release(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Opens the folder and waits up to maxWait() for the lock. On failure
    // the error names the folder or the lock file and says why.
    std::optional<FileError> acquire(const QString& folder);

    int folderFd() const { return m_folder.get(); }

    void release();

private:
    std::optional<FileError> acquireFallback(const QString& folder);
    // Takes over a fallback lock left by a copy that died; false while it
    // is fresh or another copy takes it over.
    bool takeOverStale();

    PosixIo::UniqueFd m_folder;
    PosixIo::UniqueFd m_lock;
    bool m_held = false;
    bool m_fallbackHeld = false;
};
