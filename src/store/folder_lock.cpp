#include "store/folder_lock.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cctype>
#include <csignal>
#include <dirent.h>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<std::chrono::milliseconds::rep> waitLimit{FolderLock::defaultWait.count()};

// Removing a stale lock file is itself done under a marker file, so that two
// copies that find the same stale lock do not both remove it, the second
// perhaps removing the first one's fresh lock.
constexpr const char* removalMarkerName = "ojwdata.lock.stale";

// A lock file older than this belongs to a copy that is gone: on another
// machine, where its process cannot be looked for, or one that died before
// it wrote its details. Far beyond the longest save.
constexpr auto staleAfter = std::chrono::seconds(60);
constexpr auto unreadableStaleAfter = std::chrono::seconds(5);

// The executable's name of a running process, or an empty text.
QByteArray processName(const QByteArray& pid)
{
    char target[4096];
    const QByteArray link = "/proc/" + pid + "/exe";
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    if (length <= 0)
        return QByteArray();
    const QByteArray path(target, length);
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray hostName()
{
    return QSysInfo::machineHostName().toUtf8();
}

// What the holder writes into the lock file: its process id, its program
// and its machine, one to a line.
QByteArray lockContents()
{
    const QByteArray pid = QByteArray::number(qint64(::getpid()));
    return pid + '\n' + processName(pid) + '\n' + hostName() + '\n';
}

// The name of the file this copy writes its details into before linking it
// to the lock's name: one per process and lock, as threads take locks too.
QByteArray pendingName()
{
    static std::atomic<unsigned> taken{0};
    return QByteArray(FolderLock::lockFileName) + '.' + QByteArray::number(qint64(::getpid()))
           + '-' + QByteArray::number(taken++);
}

// Writes the holder's details into the pending file; false where that
// fails, and the lock is then taken without it.
bool writePending(int folderFd, const QByteArray& name, const QByteArray& contents)
{
    const int fd = ::openat(folderFd, name.constData(),
                            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
    ::close(fd);
    if (!written)
        ::unlinkat(folderFd, name.constData(), 0);
    return written;
}

// This copy's details beside the lock, removed when it goes.
struct PendingFile
{
    int folderFd;
    QByteArray name;
    bool written = false;

    ~PendingFile()
    {
        if (written)
            ::unlinkat(folderFd, name.constData(), 0);
    }
};

// Makes the lock file with the holder's details in it: by linking the
// pending file to the lock's name, or, where the file system has no hard
// links (linkable turns false), by an exclusive create and a write. The
// lock file is not synced: after a power cut its holder is gone anyway.
// Returns 0, EEXIST while another copy holds the lock, or the errno of a
// failure.
int makeLockFile(int folderFd, const QByteArray& pending, bool& linkable, const QByteArray& contents)
{
    if (linkable) {
        if (::linkat(folderFd, pending.constData(), folderFd, FolderLock::lockFileName, 0) == 0)
            return 0;
        if (errno == EEXIST)
            return EEXIST;
        linkable = false;
    }
    const int lock = ::openat(folderFd, FolderLock::lockFileName,
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (lock < 0)
        return errno;
    const bool written = ::write(lock, contents.constData(), size_t(contents.size())) == contents.size();
    const int writeError = written ? 0 : (errno != 0 ? errno : ENOSPC);
    ::close(lock);
    if (!written)
        ::unlinkat(folderFd, FolderLock::lockFileName, 0);
    return writeError;
}

std::chrono::seconds ageOf(const struct stat& status)
{
    return std::chrono::seconds(std::max<time_t>(0, std::time(nullptr) - status.st_mtime));
}

// Whether the lock file of that name was left by a copy that is no longer
// running.
bool isStale(int folderFd, const char* name)
{
    const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false; // gone meanwhile: the next try takes it
    struct stat status;
    char buffer[1024];
    ssize_t length = -1;
    if (::fstat(fd, &status) == 0)
        length = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (length < 0)
        return false;
    const QList<QByteArray> lines = QByteArray(buffer, length).split('\n');
    bool isNumber = false;
    const qint64 pid = lines.size() >= 3 ? lines[0].toLongLong(&isNumber) : 0;
    if (!isNumber || pid <= 0)
        return ageOf(status) > unreadableStaleAfter;
    if (lines[2] == hostName()) {
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            return true;
        // The process id taken over by another program.
        const QByteArray running = processName(lines[0]);
        return !running.isEmpty() && !lines[1].isEmpty() && running != lines[1];
    }
    return ageOf(status) > staleAfter;
}

// Removes a stale lock file; true when the caller should try at once again.
bool removeStale(int folderFd, const char* name)
{
    const int marker = ::openat(folderFd, removalMarkerName,
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (marker < 0) {
        // A marker left by a copy that died while it removed a lock.
        struct stat status;
        if (errno == EEXIST && ::fstatat(folderFd, removalMarkerName, &status, AT_SYMLINK_NOFOLLOW) == 0
            && ageOf(status) > unreadableStaleAfter)
            ::unlinkat(folderFd, removalMarkerName, 0);
        return false;
    }
    ::close(marker);
    const bool removed = isStale(folderFd, name) && ::unlinkat(folderFd, name, 0) == 0;
    ::unlinkat(folderFd, removalMarkerName, 0);
    return removed;
}

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

void FolderLock::removeLeftovers() const
{
    if (!m_held)
        return;
    // The folder is read through a copy of its descriptor, which closedir()
    // closes; the lock keeps its own.
    const int copy = ::fcntl(m_fd.get(), F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return;
    DIR* folder = ::fdopendir(copy);
    if (!folder) {
        ::close(copy);
        return;
    }
    ::rewinddir(folder);
    const QByteArray prefix = QByteArray(lockFileName) + '.';
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        // A pending file lives for a moment, or as long as its copy waits
        // for the lock: one older than a stale lock is surely left over.
        struct stat status;
        if (name.startsWith(prefix) && name.size() > prefix.size()
            && std::isdigit(static_cast<unsigned char>(name[prefix.size()]))
            && ::fstatat(m_fd.get(), name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(status.st_mode) && ageOf(status) > staleAfter)
            ::unlinkat(m_fd.get(), name.constData(), 0);
    }
    ::closedir(folder);
}

void FolderLock::release()
{
    if (m_held) {
        ::unlinkat(m_fd.get(), lockFileName, 0);
        m_held = false;
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

    // The details are written to a file of this copy's own first and then
    // linked to the lock's name, so the lock file appears with them in it:
    // a copy killed at any moment leaves either no lock or one whose holder
    // can be told dead at once. That file goes again however this ends.
    const QByteArray contents = lockContents();
    PendingFile pending{opened.get(), pendingName()};
    pending.written = writePending(opened.get(), pending.name, contents);
    bool linkable = pending.written;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + maxWait();
    // Start with short naps, as a competing save usually ends quickly, and
    // back off so a long wait costs little.
    auto nap = std::chrono::milliseconds(2);
    for (;;) {
        const int made = makeLockFile(opened.get(), pending.name, linkable, contents);
        if (made == 0) {
            m_fd = std::move(opened);
            m_held = true;
            return std::nullopt;
        }
        if (made != EEXIST)
            return PosixIo::error(folder, made);
        if (isStale(opened.get(), lockFileName) && removeStale(opened.get(), lockFileName))
            continue;
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
