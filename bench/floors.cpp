#include "floors.h"

#include "files/line_reader.h"
#include "store/entry_lines.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* what, const QString& path)
{
    std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(path));
    std::exit(1);
}

// Counts the lines the reader hands out, every line or only the headers.
qint64 countLines(const QString& path, bool headersOnly)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("open", path);
    LineReader reader(fd);
    qint64 lines = 0;
    QByteArrayView line;
    while (headersOnly ? reader.nextStartingWith(EntryLines::headerMark, line) : reader.next(line))
        ++lines;
    if (reader.error() != 0)
        fail("read", path);
    ::close(fd);
    return lines;
}

} // namespace

qint64 Floors::readAndWalk(const QString& path)
{
    return countLines(path, false);
}

qint64 Floors::readAndFindHeaders(const QString& path)
{
    return countLines(path, true);
}

void Floors::appendAndSync(const QString& folder, QByteArrayView bytes)
{
    const QString path = folder + QStringLiteral("/floor-append.tmp");
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("open", path);
    if (::write(fd, bytes.data(), size_t(bytes.size())) != bytes.size())
        fail("write", path);
    if (::fdatasync(fd) != 0)
        fail("fdatasync", path);
    ::close(fd);
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
