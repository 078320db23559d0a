#include "store/folder_lock.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>

namespace {

std::atomic<std::chrono::milliseconds::rep> waitLimit{FolderLock::defaultWait.count()};

} // namespace

void FolderLock::setMaxWait(std::chrono::milliseconds wait)
{
    waitLimit = wait.count();
}

std::chrono::milliseconds FolderLock::maxWait()
{
    return std::chrono::milliseconds(waitLimit.load());
}

std::optional<FileError> FolderLock::acquire(const QString& folder)
{
    release();
    const int fd = ::open(PosixIo::nativePath(folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return PosixIo::error(folder, errno);
    PosixIo::UniqueFd opened(fd);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + maxWait();
    // Start with short naps, as a competing save usually ends quickly, and
    // back off so a long wait costs little.
    auto nap = std::chrono::milliseconds(2);
    for (;;) {
        if (::flock(opened.get(), LOCK_EX | LOCK_NB) == 0) {
            m_fd = std::move(opened);
            return std::nullopt;
        }
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return PosixIo::error(folder, errno);
        const auto now = Clock::now();
        if (now >= deadline) {
            return FileError{folder,
                             QCoreApplication::translate(
                                 "FolderLock",
                                 "Another copy of the program is saving in this folder. "
                                 "Please try again in a moment.")};
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(nap, deadline - now));
        nap = std::min(nap * 2, std::chrono::milliseconds(100));
    }
}
