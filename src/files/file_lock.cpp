#include "files/file_lock.h"

#include "files/posix_io.h"

#include <cerrno>
#include <fcntl.h>

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

bool unsupported(int errnum)
{
    return errnum == ENOLCK || errnum == EOPNOTSUPP || errnum == EINVAL;
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
