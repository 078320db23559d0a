#include "store/line_block_reader.h"

#include "store/line_reader.h"
#include "store/posix_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

LineBlockReader::LineBlockReader(int fd, qsizetype bufferSize)
    : m_fd(fd), m_capacity(std::max<qsizetype>(bufferSize, 1))
{
    m_buffer = std::make_unique_for_overwrite<char[]>(size_t(m_capacity));
}

bool LineBlockReader::next(QByteArrayView& block)
{
    if (!m_started)
        start();
    for (;;) {
        if (m_error != 0)
            return false;
        const qsizetype end = wholeLinesEnd();
        if (end > m_start) {
            block = QByteArrayView(m_buffer.get() + m_start, end - m_start);
            m_start = end;
            return true;
        }
        if (m_eof)
            return false;
        fill();
    }
}

// As LineReader starts: a byte-order mark taken off, and LF as the line end
// in a file without any CR.
void LineBlockReader::start()
{
    m_started = true;
    while (!m_eof && m_end < LineReader::byteOrderMark.size())
        fill();
    if (QByteArrayView(m_buffer.get(), m_end).startsWith(LineReader::byteOrderMark))
        m_start = LineReader::byteOrderMark.size();
    if (!std::memchr(m_buffer.get(), '\r', size_t(m_end)) && !crFollows())
        m_terminator = '\n';
}

bool LineBlockReader::crFollows()
{
    if (m_eof)
        return false;
    const off_t position = ::lseek(m_fd, 0, SEEK_CUR);
    if (position < 0)
        return true;
    constexpr size_t chunk = 64 * 1024;
    auto ahead = std::make_unique_for_overwrite<char[]>(chunk);
    for (off_t offset = position;;) {
        const ssize_t count = PosixIo::pread(m_fd, ahead.get(), chunk, offset);
        if (count == 0)
            return false;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return true; // the real read will meet the error and report it
        }
        if (std::memchr(ahead.get(), '\r', size_t(count)))
            return true;
        offset += count;
    }
}

void LineBlockReader::fill()
{
    if (m_start > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_start, size_t(m_end - m_start));
        m_end -= m_start;
        m_start = 0;
    }
    if (m_end == m_capacity) {
        const qsizetype capacity = m_capacity * 2;
        auto buffer = std::make_unique_for_overwrite<char[]>(size_t(capacity));
        std::memcpy(buffer.get(), m_buffer.get(), size_t(m_end));
        m_buffer = std::move(buffer);
        m_capacity = capacity;
    }
    for (;;) {
        const ssize_t count = PosixIo::read(m_fd, m_buffer.get() + m_end, size_t(m_capacity - m_end));
        if (count > 0) {
            m_end += count;
            return;
        }
        if (count == 0) {
            m_eof = true;
            return;
        }
        if (errno != EINTR) {
            m_error = errno;
            m_eof = true;
            return;
        }
    }
}

qsizetype LineBlockReader::wholeLinesEnd() const
{
    if (m_eof)
        return m_end;
    const char* const data = m_buffer.get();
    // A CR as the last byte read may be the first half of a CR LF: the line
    // it ends goes with the next block, once the byte after it is read.
    qsizetype searched = m_end;
    if (m_terminator == '\r' && searched > m_start && data[searched - 1] == '\r')
        --searched;
    const void* last = ::memrchr(data + m_start, m_terminator, size_t(searched - m_start));
    if (!last)
        return m_start;
    qsizetype end = static_cast<const char*>(last) - data + 1;
    if (m_terminator == '\r' && end < m_end && data[end] == '\n')
        ++end;
    return end;
}
