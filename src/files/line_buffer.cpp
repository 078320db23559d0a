#include "files/line_buffer.h"

#include "files/posix_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

LineBuffer::LineBuffer(int fd, qsizetype size) : fd(fd), capacity(std::max<qsizetype>(size, 1))
{
    buffer = std::make_unique_for_overwrite<char[]>(size_t(capacity));
}

void LineBuffer::begin()
{
    begun = true;
    while (!eof && end < byteOrderMark.size())
        fill();
    if (QByteArrayView(data(), end).startsWith(byteOrderMark)) {
        hasByteOrderMark = true;
        start = byteOrderMark.size();
    }
    if (!std::memchr(data(), '\r', size_t(end)) && !crFollows())
        terminator = '\n';
}

bool LineBuffer::crFollows()
{
    if (eof)
        return false;
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    if (position < 0)
        return true;
    // The bytes already in the buffer came before the file's position.
    constexpr size_t chunk = 64 * 1024;
    auto ahead = std::make_unique_for_overwrite<char[]>(chunk);
    for (off_t offset = position;;) {
        const ssize_t count = PosixIo::pread(fd, ahead.get(), chunk, offset);
        if (count == 0)
            return false;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            // The real read will meet the error and report it.
            return true;
        }
        if (std::memchr(ahead.get(), '\r', size_t(count)))
            return true;
        offset += count;
    }
}

qsizetype LineBuffer::fill()
{
    const qsizetype moved = start;
    if (start > 0) {
        std::memmove(data(), data() + start, size_t(end - start));
        end -= start;
        start = 0;
    }
    if (end == capacity) {
        const qsizetype grown = capacity * 2;
        auto larger = std::make_unique_for_overwrite<char[]>(size_t(grown));
        std::memcpy(larger.get(), data(), size_t(end));
        buffer = std::move(larger);
        capacity = grown;
    }
    for (;;) {
        const ssize_t count = PosixIo::read(fd, data() + end, size_t(capacity - end));
        if (count > 0) {
            end += count;
            return moved;
        }
        if (count == 0) {
            eof = true;
            return moved;
        }
        if (errno != EINTR) {
            error = errno;
            eof = true;
            return moved;
        }
    }
}

qsizetype LineBuffer::lastLineStart() const
{
    qsizetype searched = end;
    // A CR as the last byte read may be the first half of CR LF: where its
    // line ends shows only after the next read.
    if (terminator == '\r' && !eof && searched > start && data()[searched - 1] == '\r')
        --searched;
    const void* found = ::memrchr(data() + start, terminator, size_t(searched - start));
    return found ? lineAfter(static_cast<const char*>(found) - data()) : start;
}
