#include "floors.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* what, const QString& path)
{
    std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(path));
    std::exit(1);
}

} // namespace

qint64 Floors::readAndWalk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("open", path);
    static char buffer[256 * 1024];
    qint64 lines = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0)
            fail("read", path);
        if (got == 0)
            break;
        const char* p = buffer;
        const char* end = buffer + got;
        while (const void* cr = std::memchr(p, '\r', size_t(end - p))) {
            ++lines;
            p = static_cast<const char*>(cr) + 1;
        }
    }
    ::close(fd);
    return lines;
}

qint64 Floors::readAndFindHeaders(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("open", path);
    static char buffer[256 * 1024];
    qint64 headers = 0;
    char before = '\n'; // the byte before the block: the file starts a line
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0)
            fail("read", path);
        if (got == 0)
            break;
        const char* p = buffer;
        const char* end = buffer + got;
        while (const void* star = std::memchr(p, '*', size_t(end - p))) {
            const char* at = static_cast<const char*>(star);
            const char previous = at == buffer ? before : at[-1];
            // A mark cut by the block's end counts: the floor errs fast.
            if ((previous == '\n' || previous == '\r')
                && (end - at < 3 || (at[1] == '!' && at[2] == '*')))
                ++headers;
            p = at + 1;
        }
        before = end[-1];
    }
    ::close(fd);
    return headers;
}

void Floors::writeAndSync(const QString& folder, const QByteArray& bytes)
{
    const QString path = folder + QStringLiteral("/floor.tmp");
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("open", path);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put <= 0)
            fail("write", path);
        done += put;
    }
    if (::fsync(fd) != 0)
        fail("fsync", path);
    ::close(fd);
    ::unlink(QFile::encodeName(path).constData());
}
