#pragma once

#include "platform/core/file_error.h"
#include "store/posix_io.h"

#include <QString>

#include <chrono>
#include <optional>

// The lock that keeps two copies of the program (or two threads) from
// rewriting the files of one application folder at the same time. It is a
// lock file in the folder ("ojwdata.lock", holding the holder's process id,
// program and machine), made with an exclusive create, which works on every
// file system a home folder may live on, network ones included (an flock on
// the folder does not). A lock file left by a copy that died is recognised
// as stale and taken over: at once when the copy ran on this machine, after
// a minute when it ran on another. QLockFile does the same, but syncs its
// lock file to disk on every lock, which would cost each save a few
// milliseconds for nothing: after a power cut the holder is gone anyway.
//
// The open folder doubles as the base of the *at() calls that work on the
// files in it, so every call of one operation names the same folder even if
// its path is renamed meanwhile.
class FolderLock
{
public:
    static constexpr const char* lockFileName = "ojwdata.lock";

    // How long acquire() waits for another holder before it gives up. A
    // save holds the lock for one pass over the file, well under a second
    // even for the largest diaries.
    static constexpr std::chrono::milliseconds defaultWait{5000};

    // The wait for every lock taken from now on; tests lower it.
    static void setMaxWait(std::chrono::milliseconds wait);
    static std::chrono::milliseconds maxWait();

    FolderLock();
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Opens the folder and waits up to maxWait() for the lock. On failure
    // the error names the folder.
    std::optional<FileError> acquire(const QString& folder);

    bool isHeld() const { return m_fd.isOpen(); }

    // The open folder, for openat(), renameat(), fsync() and the like.
    int folderFd() const { return m_fd.get(); }

    // Removes what copies killed while they took a lock left behind: the
    // files they wrote their details into before linking them. Run while
    // the lock is held, at start-up.
    void removeLeftovers() const;

    // Releases the lock and closes the folder.
    void release();

private:
    PosixIo::UniqueFd m_fd;
    bool m_held = false;
};
