#include "store/folder_lock.h"

#include <QCoreApplication>
#include <QLockFile>

#include <atomic>
#include <cerrno>
#include <fcntl.h>

namespace {

std::atomic<std::chrono::milliseconds::rep> waitLimit{FolderLock::defaultWait.count()};

// A lock file older than this, written on another machine, belongs to a
// copy that is gone. Far beyond the longest save.
constexpr int staleAfterMs = 60 * 1000;

} // namespace

void FolderLock::setMaxWait(std::chrono::milliseconds wait)
{
    waitLimit = wait.count();
}

std::chrono::milliseconds FolderLock::maxWait()
{
    return std::chrono::milliseconds(waitLimit.load());
}

FolderLock::FolderLock() = default;

FolderLock::~FolderLock()
{
    release();
}

void FolderLock::release()
{
    if (m_lockFile) {
        m_lockFile->unlock();
        m_lockFile.reset();
    }
    m_fd.close();
}

std::optional<FileError> FolderLock::acquire(const QString& folder)
{
    release();
    const int fd = ::open(PosixIo::nativePath(folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return PosixIo::error(folder, errno);
    PosixIo::UniqueFd opened(fd);
    if (const int fault = PosixIo::injected(PosixIo::Call::Lock))
        return PosixIo::error(folder, fault);

    auto lockFile = std::make_unique<QLockFile>(
        PosixIo::pathIn(folder, QString::fromLatin1(lockFileName)));
    lockFile->setStaleLockTime(staleAfterMs);
    if (!lockFile->tryLock(int(maxWait().count()))) {
        switch (lockFile->error()) {
        case QLockFile::LockFailedError:
            return FileError{folder,
                             QCoreApplication::translate(
                                 "FolderLock",
                                 "Another copy of the program is saving in this folder. "
                                 "Please try again in a moment.")};
        case QLockFile::PermissionError:
            return PosixIo::error(folder, EACCES);
        default:
            return FileError{folder, QCoreApplication::translate(
                                         "FolderLock", "The lock file %1 could not be made.")
                                         .arg(QString::fromLatin1(lockFileName))};
        }
    }
    m_fd = std::move(opened);
    m_lockFile = std::move(lockFile);
    return std::nullopt;
}
