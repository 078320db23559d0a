#pragma once

#include "platform/core/file_error.h"
#include "store/posix_io.h"

#include <QString>

#include <chrono>
#include <optional>

// An advisory lock on the application folder itself, so that two copies of
// the program never rewrite the entry file at the same time. The lock is an
// flock on the folder opened read-only: it belongs to this open folder (not
// to the process), so it conflicts with any other open of the same folder,
// in this process or another, and it goes away with the descriptor, also
// when the program dies.
//
// The open folder doubles as the base of the *at() calls that work on the
// files in it, so every call of one operation names the same folder even if
// its path is renamed meanwhile.
class FolderLock
{
public:
    // How long acquire() waits for another holder before it gives up. A
    // save holds the lock for one pass over the file, well under a second
    // even for the largest diaries.
    static constexpr std::chrono::milliseconds defaultWait{5000};

    // The wait for every lock taken from now on; tests lower it.
    static void setMaxWait(std::chrono::milliseconds wait);
    static std::chrono::milliseconds maxWait();

    FolderLock() = default;

    // Opens the folder and waits up to maxWait() for the lock. On failure
    // the error names the folder.
    std::optional<FileError> acquire(const QString& folder);

    bool isHeld() const { return m_fd.isOpen(); }

    // The open folder, for openat(), renameat(), fsync() and the like.
    int folderFd() const { return m_fd.get(); }

    // Releases the lock (closing the folder also does).
    void release() { m_fd.close(); }

private:
    PosixIo::UniqueFd m_fd;
};
