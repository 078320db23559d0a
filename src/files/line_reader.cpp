#include "files/line_reader.h"

#include "files/posix_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

LineReader::LineReader(int fd, qsizetype bufferSize)
    : m_fd(fd), m_buffer(std::max<qsizetype>(bufferSize, 1), Qt::Uninitialized)
{
}

void LineReader::begin()
{
    m_begun = true;
    while (!m_eof && m_end < byteOrderMark.size())
        fill();
    if (QByteArrayView(m_buffer.constData(), m_end).startsWith(byteOrderMark)) {
        m_hasByteOrderMark = true;
        m_start = byteOrderMark.size();
    }
    if (!std::memchr(m_buffer.constData(), '\r', size_t(m_end)) && !crFollows())
        m_terminator = '\n';
    m_scan = m_start;
}

bool LineReader::crFollows() const
{
    if (m_eof)
        return false;
    // Read ahead without moving the file's position. A file that cannot be
    // read ahead (a pipe) counts as holding a CR.
    const off_t position = ::lseek(m_fd, 0, SEEK_CUR);
    if (position < 0)
        return true;
    QByteArray ahead(64 * 1024, Qt::Uninitialized);
    for (off_t offset = position;;) {
        const ssize_t count = ::pread(m_fd, ahead.data(), size_t(ahead.size()), offset);
        if (count == 0)
            return false;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return true; // the real read will meet the error and report it
        }
        if (std::memchr(ahead.constData(), '\r', size_t(count)))
            return true;
        offset += count;
    }
}

void LineReader::fill()
{
    if (m_start > 0) {
        char* const data = m_buffer.data();
        std::memmove(data, data + m_start, size_t(m_end - m_start));
        m_end -= m_start;
        m_scan -= m_start;
        m_start = 0;
    }
    if (m_end == m_buffer.size())
        m_buffer.resize(m_buffer.size() * 2);
    for (;;) {
        const ssize_t count = PosixIo::read(m_fd, m_buffer.data() + m_end, size_t(m_buffer.size() - m_end));
        if (count >= 0) {
            m_end += count;
            m_eof = count == 0;
            return;
        }
        if (errno != EINTR) {
            m_error = errno;
            m_eof = true;
            return;
        }
    }
}

inline qsizetype LineReader::lineAfter(qsizetype at) const
{
    qsizetype next = at + 1;
    if (m_terminator == '\r' && next < m_end && m_buffer.constData()[next] == '\n')
        ++next;
    return next;
}

inline bool LineReader::startsLine(qsizetype at) const
{
    if (at == m_start)
        return true;
    // A terminator ends at most two bytes before: CR LF, a lone CR, or LF
    // in a file without CR. m_start being a line start, a byte before it
    // never needs a look.
    const char* const data = m_buffer.constData();
    if (data[at - 1] == m_terminator)
        return lineAfter(at - 1) == at;
    return at - 2 >= m_start && data[at - 2] == m_terminator && lineAfter(at - 2) == at;
}

bool LineReader::next(QByteArrayView& line)
{
    if (!m_begun)
        begin();
    for (;;) {
        if (m_error != 0)
            return false;
        const char* const data = m_buffer.constData();
        const auto* found = static_cast<const char*>(
            std::memchr(data + m_scan, m_terminator, size_t(m_end - m_scan)));
        if (found) {
            const qsizetype at = found - data;
            if (m_terminator == '\n' || at + 1 < m_end || m_eof) {
                line = QByteArrayView(data + m_start, at - m_start);
                endLine(line);
                m_start = m_scan = lineAfter(at);
                m_lineEnd = QByteArrayView(data + at, m_start - at);
                return true;
            }
            // A CR as the last byte read: whether it is a lone CR or the
            // first half of CR LF shows only after the next read.
            m_scan = at;
        } else if (m_eof) {
            if (m_start == m_end && !m_cut)
                return false;
            line = QByteArrayView(data + m_start, m_end - m_start);
            endLine(line);
            m_start = m_scan = m_end;
            m_lineEnd = QByteArrayView();
            return true;
        } else {
            m_scan = m_end;
        }
        // No line end before m_scan: beyond the limit, those bytes go.
        if (m_maxLineLength >= 0 && m_scan - m_start > m_maxLineLength) {
            m_start = m_scan;
            m_cut = true;
        }
        fill();
    }
}

void LineReader::endLine(QByteArrayView line)
{
    m_tooLong = m_cut || (m_maxLineLength >= 0 && line.size() > m_maxLineLength);
    m_cut = false;
}

bool LineReader::nextStartingWith(QByteArrayView mark, QByteArrayView& line)
{
    Q_ASSERT(!mark.isEmpty());
    if (!m_begun)
        begin();
    for (;;) {
        if (m_error != 0)
            return false;
        const char* const data = m_buffer.constData();
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
            // Only the unfinished last line is kept for the next read. A CR
            // as the last byte read may be the first half of CR LF.
            qsizetype searched = m_end;
            if (m_terminator == '\r' && searched > m_start && data[searched - 1] == '\r')
                --searched;
            const void* last = ::memrchr(data + m_start, m_terminator, size_t(searched - m_start));
            if (last)
                m_start = lineAfter(static_cast<const char*>(last) - data);
            m_scan = m_end;
        }
        fill();
    }
}
