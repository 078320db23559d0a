#include "files/line_reader.h"


#include <cstring>

LineReader::LineReader(int fd, qsizetype bufferSize) : m_in(fd, bufferSize) {}

inline bool LineReader::startsLine(qsizetype at) const
{
    if (at == m_in.start)
        return true;
    // A terminator ends at most two bytes before: CR LF, a lone CR, or LF
    // in a file without CR. The current line's start being a line start, a
    // byte before it never needs a look.
    const char* const data = m_in.data();
    if (data[at - 1] == m_in.terminator)
        return m_in.lineAfter(at - 1) == at;
    return at - 2 >= m_in.start && data[at - 2] == m_in.terminator && m_in.lineAfter(at - 2) == at;
}

void LineReader::begin()
{
    m_in.begin();
    m_scan = m_in.start;
}

bool LineReader::next(QByteArrayView& line)
{
    if (!m_in.begun)
        begin();
    for (;;) {
        if (m_in.error != 0)
            return false;
        char* const data = m_in.data();
        const auto* found = static_cast<const char*>(
            std::memchr(data + m_scan, m_in.terminator, size_t(m_in.end - m_scan)));
        if (found) {
            const qsizetype at = found - data;
            if (m_in.terminator == '\n' || at + 1 < m_in.end || m_in.eof) {
                line = QByteArrayView(data + m_in.start, at - m_in.start);
                endLine(line);
                m_in.start = m_in.lineAfter(at);
                // The terminator's bytes: one, or CR LF.
                m_lineEnd = QByteArrayView(data + at, m_in.start - at);
                m_scan = m_in.start;
                return true;
            }
            // A CR as the last byte read: whether it is a lone CR or the
            // first half of CR LF shows only after the next read.
            m_scan = at;
        } else if (m_in.eof) {
            if (m_in.start == m_in.end && !m_cut)
                return false;
            line = QByteArrayView(data + m_in.start, m_in.end - m_in.start);
            endLine(line);
            m_in.start = m_scan = m_in.end;
            m_lineEnd = QByteArrayView();
            return true;
        } else {
            m_scan = m_in.end;
        }
        // No line end before m_scan: beyond the limit, those bytes go.
        if (m_maxLineLength >= 0 && m_scan - m_in.start > m_maxLineLength) {
            m_in.start = m_scan;
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
    if (!m_in.begun)
        begin();
    for (;;) {
        if (m_in.error != 0)
            return false;
        char* const data = m_in.data();
        const auto* found = static_cast<const char*>(
            std::memchr(data + m_scan, mark.front(), size_t(m_in.end - m_scan)));
        if (found) {
            const qsizetype at = found - data;
            m_scan = at + 1;
            if (!startsLine(at))
                continue;
            // Nothing before a line start is needed again.
            m_in.start = at;
            if (at + mark.size() <= m_in.end) {
                if (std::memcmp(data + at, mark.data(), size_t(mark.size())) != 0)
                    continue;
                m_scan = at;
                return next(line);
            }
            if (m_in.eof)
                continue; // a last line too short to hold the mark
            // The mark may go on in the next read.
            m_scan = at;
        } else if (m_in.eof) {
            m_in.start = m_scan = m_in.end;
            return false;
        } else {
            // Only the unfinished last line is kept for the next read.
            m_in.start = m_in.lastLineStart();
            m_scan = m_in.end;
        }
        fill();
    }
}
