#include "store/posix_io.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace PosixIo {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd()
{
    close();
}

int UniqueFd::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

int UniqueFd::close()
{
    if (m_fd < 0)
        return 0;
    // Linux releases the descriptor even when close reports an error, so
    // retrying after EINTR could close a descriptor another thread just got.
    const int result = ::close(m_fd);
    m_fd = -1;
    if (result == 0 || errno == EINTR)
        return 0;
    return errno;
}

int sync(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

int syncFolder(int folderFd)
{
    const int result = sync(folderFd);
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

QString reason(int errnum)
{
    char buffer[256];
    // The GNU strerror_r returns the message, which may or may not live in
    // the buffer it was given.
    const char* text = strerror_r(errnum, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}

FileError error(const QString& path, int errnum)
{
    return FileError{path, reason(errnum)};
}

} // namespace PosixIo
