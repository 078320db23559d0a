#include "search/line_block_reader.h"

LineBlockReader::LineBlockReader(int fd, qsizetype bufferSize) : m_in(fd, bufferSize) {}

bool LineBlockReader::next(QByteArrayView& block)
{
    if (!m_in.begun)
        m_in.begin();
    for (;;) {
        if (m_in.error != 0)
            return false;
        // At the end of the file, the last line goes with the rest, ended or not.
        const qsizetype end = m_in.eof ? m_in.end : m_in.lastLineStart();
        if (end > m_in.start) {
            block = QByteArrayView(m_in.data() + m_in.start, end - m_in.start);
            m_in.start = end;
            return true;
        }
        if (m_in.eof)
            return false;
        m_in.fill();
    }
}
