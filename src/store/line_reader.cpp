#include "store/line_reader.h"

#include "store/entry_lines.h"
#include "store/posix_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

LineReader::LineReader(int fd, qsizetype bufferSize)
    : m_fd(fd), m_capacity(std::max<qsizetype>(bufferSize, 1))
{
    m_buffer = std::make_unique_for_overwrite<char[]>(size_t(m_capacity));
}

inline qsizetype LineReader::lineAfter(qsizetype at) const
{
    qsizetype start = at + 1;
    if (m_terminator == '\r' && start < m_end && m_buffer[start] == '\n')
        ++start;
    return start;
}

inline bool LineReader::startsLine(qsizetype at) const
{
    if (at == m_start)
        return true;
    // A terminator ends at most two bytes before: CR LF, a lone CR, or LF
    // in a file without CR. m_start being a line start, a byte before it
    // never needs a look.
    if (m_buffer[at - 1] == m_terminator)
        return lineAfter(at - 1) == at;
    return at - 2 >= m_start && m_buffer[at - 2] == m_terminator && lineAfter(at - 2) == at;
}

void LineReader::start()
{
    m_started = true;
    while (!m_eof && m_end < byteOrderMark.size())
        fill();
    if (QByteArrayView(m_buffer.get(), m_end).startsWith(byteOrderMark)) {
        m_byteOrderMark = true;
        m_start = m_scan = byteOrderMark.size();
    }
    if (!std::memchr(m_buffer.get(), '\r', size_t(m_end)) && !crFollows())
        m_terminator = '\n';
}

bool LineReader::crFollows()
{
    if (m_eof)
        return false;
    const off_t position = ::lseek(m_fd, 0, SEEK_CUR);
    if (position < 0)
        return true;
    // The bytes already in the buffer came before the file's position.
    constexpr size_t chunk = 64 * 1024;
    auto ahead = std::make_unique_for_overwrite<char[]>(chunk);
    for (off_t offset = position;;) {
        const ssize_t count = PosixIo::pread(m_fd, ahead.get(), chunk, offset);
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

bool LineReader::next(QByteArrayView& line)
{
    if (!m_started)
        start();
    for (;;) {
        if (m_error != 0)
            return false;
        char* const data = m_buffer.get();
        const auto* found = static_cast<const char*>(
            std::memchr(data + m_scan, m_terminator, size_t(m_end - m_scan)));
        if (found) {
            const qsizetype at = found - data;
            if (m_terminator == '\n' || at + 1 < m_end || m_eof) {
                line = QByteArrayView(data + m_start, at - m_start);
                m_start = lineAfter(at);
                // The terminator's bytes: one, or CR LF.
                m_lineEnd = QByteArrayView(data + at, m_start - at);
                m_scan = m_start;
                return true;
            }
            // A CR as the last byte read: whether it is a lone CR or the
            // first half of CR LF shows only after the next read.
            m_scan = at;
        } else if (m_eof) {
            if (m_start == m_end)
                return false;
            line = QByteArrayView(data + m_start, m_end - m_start);
            m_start = m_scan = m_end;
            m_lineEnd = QByteArrayView();
            return true;
        } else {
            m_scan = m_end;
        }
        fill();
    }
}

bool LineReader::nextHeader(QByteArrayView& line)
{
    if (!m_started)
        start();
    constexpr QByteArrayView mark = EntryLines::headerMark;
    for (;;) {
        if (m_error != 0)
            return false;
        char* const data = m_buffer.get();
        const auto* found = static_cast<const char*>(
            std::memchr(data + m_scan, mark.front(), size_t(m_end - m_scan)));
        if (found) {
            const qsizetype at = found - data;
            m_scan = at + 1;
            if (!startsLine(at))
                continue;
            // Nothing before a line start is needed again.
            m_start = at;
            if (at + mark.size() <= m_end) {
                if (std::memcmp(data + at, mark.data(), size_t(mark.size())) != 0)
                    continue;
                m_scan = at;
                return next(line);
            }
            if (m_eof)
                continue; // a last line too short to hold the mark
            // The mark may go on in the next read.
            m_scan = at;
        } else if (m_eof) {
            m_start = m_scan = m_end;
            return false;
        } else {
            // Only the unfinished last line is kept for the next read.
            m_start = lastLineStart();
            m_scan = m_end;
        }
        fill();
    }
}

qsizetype LineReader::lastLineStart() const
{
    const char* const data = m_buffer.get();
    qsizetype end = m_end;
    // A CR as the last byte read may be the first half of CR LF: where its
    // line ends shows only after the next read.
    if (m_terminator == '\r' && !m_eof && end > m_start && data[end - 1] == '\r')
        --end;
    const void* found = ::memrchr(data + m_start, m_terminator, size_t(end - m_start));
    return found ? lineAfter(static_cast<const char*>(found) - data) : m_start;
}

void LineReader::fill()
{
    if (m_start > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_start, size_t(m_end - m_start));
        m_end -= m_start;
        m_scan -= m_start;
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
