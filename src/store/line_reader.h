#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <memory>

// Reads the lines of an open file in one sequential pass. A line ends at
// CR LF or at a lone CR; the terminator is not part of the line, and a lone
// LF is an ordinary byte of it. The last line may lack its terminator, and
// an empty file has no lines.
//
// Lines are handed out as views into the reader's buffer, so scanning a file
// allocates nothing per line. A view stays valid until the next call to
// next(). The buffer grows only for a line longer than itself.
class LineReader
{
public:
    static constexpr qsizetype defaultBufferSize = 256 * 1024;

    // The reader does not own the descriptor.
    explicit LineReader(int fd, qsizetype bufferSize = defaultBufferSize);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line, or false at the end of the file or after a read error.
    bool next(QByteArrayView& line);

    // The errno of the read that failed, or 0.
    int error() const { return m_error; }

private:
    // Moves the unread bytes to the front, grows the buffer when they fill
    // it, and reads more. Sets m_eof at the end of the file or on an error.
    void fill();

    int m_fd;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_capacity;
    qsizetype m_start = 0; // first byte of the current line
    qsizetype m_scan = 0;  // where the search for CR goes on
    qsizetype m_end = 0;   // end of the bytes read so far
    bool m_eof = false;
    int m_error = 0;
};
