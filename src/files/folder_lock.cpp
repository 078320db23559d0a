#include "files/folder_lock.h"

#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace FileLock {

int tryWriteLock(int fd)
{
    if (const int fault = PosixIo::injected(PosixIo::Call::Lock))
        return fault;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EACCES ? EAGAIN : errno;
    }
    return 0;
}

bool isHeldElsewhere(int fd)
{
    struct flock lock = {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    // Where the question cannot be asked, the file may be another copy's.
    return ::fcntl(fd, F_OFD_GETLK, &lock) != 0 || lock.l_type != F_UNLCK;
}

} // namespace FileLock

namespace {

using Clock = std::chrono::steady_clock;

// Whether the errno of a lock call means the file system has no such locks:
// only then may the lock fall back to the exclusive creation of a file.
bool unsupported(int errnum)
{
    return errnum == ENOLCK || errnum == EOPNOTSUPP || errnum == EINVAL;
}

std::atomic<std::chrono::milliseconds::rep> waitLimit{FolderLock::defaultWait.count()};

// A fallback lock older than this was left by a copy that died: no save
// takes a minute.
constexpr std::time_t fallbackStaleSeconds = 60;

std::atomic<void (*)()> beforeTakeOver{nullptr};

FileError busy(const QString& folder)
{
    return FileError{folder, QStringLiteral("Another copy of the program is saving in this folder. "
                                            "Please try again in a moment.")};
}

// Waits a little before the next try: short naps first, as a competing save
// usually ends quickly. False once the deadline has passed.
bool napUntil(Clock::time_point deadline, std::chrono::milliseconds& nap)
{
    const auto now = Clock::now();
    if (now >= deadline)
        return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(nap, deadline - now));
    nap = std::min(nap * 2, std::chrono::milliseconds(50));
    return true;
}

} // namespace

void FolderLock::setBeforeTakeOver(void (*hook)())
{
    beforeTakeOver = hook;
}

void FolderLock::setMaxWait(std::chrono::milliseconds wait)
{
    waitLimit = wait.count();
}

std::chrono::milliseconds FolderLock::maxWait()
{
    return std::chrono::milliseconds(waitLimit.load());
}

void FolderLock::release()
{
    // The name goes while the lock is still held, so the folder keeps no
    // lock file between saves, and the next holder takes a new one.
    if (m_held)
        ::unlinkat(m_folder.get(), lockFileName, 0);
    if (m_fallbackHeld)
        ::unlinkat(m_folder.get(), fallbackFileName, 0);
    m_held = m_fallbackHeld = false;
    m_lock.close();
    m_folder.close();
}

std::optional<FileError> FolderLock::acquire(const QString& folder)
{
    release();
    const int dir = ::open(PosixIo::nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return PosixIo::error(folder, errno);
    m_folder = PosixIo::UniqueFd(dir);

    const QString lockPath = PosixIo::pathIn(folder, QString::fromLatin1(lockFileName));
    const auto deadline = Clock::now() + maxWait();
    auto nap = std::chrono::milliseconds(1);
    for (;;) {
        // Whatever lies at the lock's name, nothing here waits on it: a
        // FIFO opens without a writer, and a link is not followed.
        const int fd = ::openat(dir, lockFileName,
                                O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int openError = errno;
            release();
            if (openError == ELOOP)
                return FileError{lockPath, PosixIo::linkReason()};
            return PosixIo::error(lockPath, openError);
        }
        m_lock = PosixIo::UniqueFd(fd);
        struct stat opened;
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            release();
            return FileError{lockPath, PosixIo::notRegularReason()};
        }
        const int result = FileLock::tryWriteLock(fd);
        if (result == 0) {
            // The holder before removed the file as it let go: a lock on
            // that file holds nothing, the one at the name now does.
            struct stat named;
            if (::fstatat(dir, lockFileName, &named, AT_SYMLINK_NOFOLLOW) == 0
                && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
                m_held = true;
                return std::nullopt;
            }
            m_lock.close();
            continue;
        }
        m_lock.close();
        if (unsupported(result))
            return acquireFallback(folder);
        if (result != EAGAIN) {
            release();
            return PosixIo::error(lockPath, result);
        }
        if (!napUntil(deadline, nap)) {
            release();
            return busy(folder);
        }
    }
}

std::optional<FileError> FolderLock::acquireFallback(const QString& folder)
{
    const auto deadline = Clock::now() + maxWait();
    auto nap = std::chrono::milliseconds(1);
    for (;;) {
        const int fd = ::openat(m_folder.get(), fallbackFileName,
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            m_fallbackHeld = true;
            return std::nullopt;
        }
        const int createError = errno;
        if (createError != EEXIST) {
            release();
            return PosixIo::error(PosixIo::pathIn(folder, QString::fromLatin1(fallbackFileName)),
                                  createError);
        }
        if (takeOverStale())
            return std::nullopt;
        if (!napUntil(deadline, nap)) {
            release();
            return busy(folder);
        }
    }
}

bool FolderLock::takeOverStale()
{
    // Two copies that both found the file stale must not both take it, so
    // nothing removes it by name after a look. Each takes a second name for
    // the file it looks at, and only the copy that finds the file under
    // exactly two names (the lock's and its own) and still stale takes it
    // over, by making it fresh: a copy that comes later sees three names or
    // a fresh file, and waits.
    const int dir = m_folder.get();
    const QByteArray mine = QByteArray(fallbackFileName) + '.'
                            + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    if (::linkat(dir, fallbackFileName, dir, mine.constData(), 0) != 0)
        return false;
    if (const auto hook = beforeTakeOver.load())
        hook();
    bool taken = false;
    const int fd = ::openat(dir, mine.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat status;
        taken = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 2
                && std::time(nullptr) - status.st_mtime > fallbackStaleSeconds
                && ::futimens(fd, nullptr) == 0;
        ::close(fd);
    }
    ::unlinkat(dir, mine.constData(), 0);
    m_fallbackHeld = taken;
    return taken;
}
