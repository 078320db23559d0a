#include "files/append_file.h"

#include "files/posix_io.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int writeAll(int fd, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (written > 0)
            done += written;
        else if (written == 0)
            return ENOSPC;
        else if (errno != EINTR)
            return errno;
    }
    return 0;
}

// Its own calls rather than PosixIo's: faults armed for a save's calls are
// not spent here (Call::Append fails an append).
int syncData(int fd)
{
    while (::fdatasync(fd) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

} // namespace

std::optional<FileError> appendDurably(const QString& path, QByteArrayView bytes)
{
    if (const int fault = PosixIo::injected(PosixIo::Call::Append))
        return PosixIo::error(path, fault);
    const QByteArray native = PosixIo::nativePath(path);
    struct stat status;
    const bool existed = ::lstat(native.constData(), &status) == 0;
    PosixIo::UniqueFd fd(
        ::open(native.constData(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!fd.isOpen()) {
        if (errno == ELOOP)
            return FileError{path, PosixIo::linkReason()};
        if (errno == ENXIO) // a pipe nobody reads
            return FileError{path, PosixIo::notRegularReason()};
        return PosixIo::error(path, errno);
    }
    if (::fstat(fd.get(), &status) != 0)
        return PosixIo::error(path, errno);
    if (!S_ISREG(status.st_mode))
        return FileError{path, PosixIo::notRegularReason()};

    // A writer that died halfway left a line without its end: the new bytes
    // start on a line of their own, or their first line would join it.
    char last = '\n';
    int failure = 0;
    if (status.st_size > 0 && ::pread(fd.get(), &last, 1, status.st_size - 1) == 1 && last != '\n')
        failure = writeAll(fd.get(), "\r\n");
    if (failure == 0)
        failure = writeAll(fd.get(), bytes);
    if (failure == 0)
        failure = syncData(fd.get());
    if (failure != 0) {
        // Half a record would stand before the next one.
        if (::ftruncate(fd.get(), status.st_size) == 0)
            syncData(fd.get());
        return PosixIo::error(path, failure);
    }
    if (!existed) {
        const QByteArray folder = PosixIo::nativePath(QFileInfo(path).absolutePath());
        PosixIo::UniqueFd folderFd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        int synced = folderFd.isOpen() ? 0 : errno;
        while (synced == 0 && ::fsync(folderFd.get()) != 0 && errno != EINVAL && errno != ENOTSUP)
            synced = errno == EINTR ? 0 : errno;
        if (synced != 0)
            return PosixIo::error(path, synced);
    }
    return std::nullopt;
}
