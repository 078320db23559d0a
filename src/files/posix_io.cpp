#include "files/posix_io.h"

#include <QFile>

#include <array>
#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace PosixIo {

int UniqueFd::close()
{
    if (m_fd < 0)
        return 0;
    // Linux releases the descriptor even when close reports an error, so
    // retrying after EINTR could close a descriptor another thread just got.
    const int result = ::close(std::exchange(m_fd, -1));
    return result == 0 || errno == EINTR ? 0 : errno;
}

namespace {

std::mutex faultMutex;
std::array<std::optional<Fault>, size_t(Call::Remove) + 1> armedFaults;
std::atomic<void (*)(Call)> callHook = nullptr;

int fsyncUntilDone(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

} // namespace

int sync(int fd)
{
    if (const int fault = injected(Call::Sync))
        return fault;
    return fsyncUntilDone(fd);
}

int syncFolder(int folderFd)
{
    if (const int fault = injected(Call::SyncFolder))
        return fault;
    const int result = fsyncUntilDone(folderFd);
    return result == EINVAL || result == ENOTSUP ? 0 : result;
}

QString pathIn(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

FileError error(const QString& path, int errnum)
{
    return FileError{path, QString::fromStdString(std::error_code(errnum, std::generic_category()).message())};
}

QString notRegularReason()
{
    return QStringLiteral("This is not an ordinary file (it may be a pipe or a device), so the diary "
                          "can neither be read from it nor saved into it.");
}

QString linkReason()
{
    return QStringLiteral("This is a link, where the diary needs an ordinary file of its own, so "
                          "the diary cannot save. Remove the link and try again.");
}

QString danglingLinkReason()
{
    return QStringLiteral("This is a link to a file that does not exist (is the folder it points "
                          "into there?), so the diary can neither be read nor saved.");
}

std::optional<FileError> openForReading(int folderFd, const QByteArray& name, const QString& path,
                                        UniqueFd& fd)
{
    fd.close();
    if (const int fault = injected(Call::Open))
        return error(path, fault);
    // Looked at before it is opened: opening a device can have effects of
    // its own.
    struct stat status;
    if (::fstatat(folderFd, name.constData(), &status, 0) != 0) {
        const int statError = errno;
        if (statError != ENOENT)
            return error(path, statError);
        if (::fstatat(folderFd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0)
            return FileError{path, danglingLinkReason()};
        return std::nullopt;
    }
    if (S_ISDIR(status.st_mode))
        return error(path, EISDIR);
    if (!S_ISREG(status.st_mode))
        return FileError{path, notRegularReason()};
    const int opened = ::openat(folderFd, name.constData(),
                                O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (opened < 0) {
        const int openError = errno;
        if (openError == ENOENT)
            return std::nullopt; // gone since: as if it had never been there
        return error(path, openError);
    }
    fd = UniqueFd(opened);
    // Replaced by something else between the look and the open.
    if (::fstat(opened, &status) != 0 || !S_ISREG(status.st_mode)) {
        fd.close();
        return FileError{path, notRegularReason()};
    }
    ::posix_fadvise(opened, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::nullopt;
}

std::optional<FileError> openForReading(const QString& path, UniqueFd& fd)
{
    return openForReading(AT_FDCWD, nativePath(path), path, fd);
}

void injectFault(const Fault& fault)
{
    std::lock_guard guard(faultMutex);
    armedFaults[size_t(fault.call)] = fault;
}

void clearFaults()
{
    std::lock_guard guard(faultMutex);
    armedFaults.fill(std::nullopt);
}

void setCallHook(void (*hook)(Call))
{
    callHook = hook;
}

int injected(Call call, bool* fired)
{
    if (fired)
        *fired = false;
    if (const auto hook = callHook.load(std::memory_order_relaxed))
        hook(call);
    std::lock_guard guard(faultMutex);
    std::optional<Fault>& armed = armedFaults[size_t(call)];
    if (!armed)
        return 0;
    if (armed->skip > 0) {
        --armed->skip;
        return 0;
    }
    const int errnum = armed->errnum;
    if (armed->times > 0 && --armed->times == 0)
        armed.reset();
    if (fired)
        *fired = true;
    return errnum;
}

ssize_t read(int fd, void* buffer, size_t size)
{
    if (const int fault = injected(Call::Read)) {
        errno = fault;
        return -1;
    }
    return ::read(fd, buffer, size);
}

ssize_t write(int fd, const void* buffer, size_t size)
{
    bool fired = false;
    if (const int fault = injected(Call::Write, &fired)) {
        errno = fault;
        return -1;
    }
    // A short write: the system took only part of the bytes.
    if (fired && size > 1)
        size /= 2;
    return ::write(fd, buffer, size);
}

int renameNoReplace(int folderFd, const QByteArray& from, const QByteArray& to)
{
    int renamed = injected(Call::Rename);
    if (renamed == 0)
        renamed = ::renameat2(folderFd, from.constData(), folderFd, to.constData(), RENAME_NOREPLACE) == 0 ? 0 : errno;
    if (renamed != EINVAL)
        return renamed;
    // A file system without that rename (some network ones): a link never
    // replaces a name either.
    if (::linkat(folderFd, from.constData(), folderFd, to.constData(), 0) != 0)
        return errno;
    int unlinked = injected(Call::Unlink);
    if (unlinked == 0 && ::unlinkat(folderFd, from.constData(), 0) != 0)
        unlinked = errno;
    if (unlinked == 0)
        return 0;
    // A file under both names would be taken for both: an unsaved text
    // kept as a rescue file would be offered again at the next start.
    ::unlinkat(folderFd, to.constData(), 0);
    return unlinked;
}

} // namespace PosixIo
