#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// Reads the lines of an open file in one sequential pass. A line ends at
// CR LF or at a lone CR; the terminator is not part of the line, and a lone
// LF is an ordinary byte of it. A file that holds no CR at all (written by
// a tool that ends lines with LF alone) is read with LF as the line end
// instead. The last line may lack its terminator, and an empty file has no
// lines. A UTF-8 byte-order mark at the very start of the file is no part
// of the first line.
//
// Lines are handed out as views into the reader's buffer, so scanning a file
// allocates nothing per line. A view stays valid until the next call to
// next() or nextStartingWith(). The buffer grows only for a line longer than
// itself.
class LineReader
{
public:
    static constexpr qsizetype defaultBufferSize = 256 * 1024;

    static constexpr QByteArrayView byteOrderMark{"\xEF\xBB\xBF"};

    // The reader does not own the descriptor.
    explicit LineReader(int fd, qsizetype bufferSize = defaultBufferSize);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line, or false at the end of the file or after a read error.
    bool next(QByteArrayView& line);

    // Lines longer than this many bytes are not kept whole: next() passes
    // over all but their last bytes, and lineTooLong() tells such a line.
    // So a reader of short lines never holds a huge line in memory.
    void setMaxLineLength(qsizetype length) { m_maxLineLength = length; }
    bool lineTooLong() const { return m_tooLong; }

    // The next line that starts with `mark` (not empty), the lines before
    // it passed over: exactly the line that calls of next() would reach
    // first, found by a byte search for the mark's first byte instead of a
    // walk over every line end. The two ways of advancing mix freely.
    bool nextStartingWith(QByteArrayView mark, QByteArrayView& line);

    // The terminator of the line last given, as it stands in the file: CR
    // LF, a lone CR, LF (in a file without CR), or nothing for a last line
    // without one; valid as long as the line. Copying a line with it keeps
    // its bytes.
    QByteArrayView lineEnd() const { return m_lineEnd; }

    // The errno of the read that failed, or 0.
    int error() const { return m_error; }

    // Known once next() has been called: whether the file starts with a
    // byte-order mark (a rewrite keeps it), and whether its lines end at LF
    // because it holds no CR.
    bool hasByteOrderMark() const { return m_hasByteOrderMark; }
    bool endsLinesAtLf() const { return m_terminator == '\n'; }

private:
    // Before the first line: takes off a byte-order mark and chooses the
    // line end.
    void begin();

    // Whether the file holds a CR beyond the bytes read so far.
    bool crFollows() const;

    // Moves the bytes from m_start on to the front, grows the buffer when
    // they fill it, and reads more. Sets m_eof at the end of the file or on
    // an error.
    void fill();

    // Where the line after the line end byte at `at` starts: past the LF of
    // a CR LF. The byte after a CR must have been read, unless it is the
    // last of the file.
    qsizetype lineAfter(qsizetype at) const;

    // Whether a line starts at `at`, a byte read at or after m_start.
    bool startsLine(qsizetype at) const;

    // Tells whether the line just found was too long.
    void endLine(QByteArrayView line);

    int m_fd;
    QByteArray m_buffer;
    qsizetype m_start = 0; // the first byte of the current line, always a line start
    qsizetype m_end = 0;   // the end of the bytes read so far
    qsizetype m_scan = 0;  // where the search for the line end, or the mark, goes on
    bool m_eof = false;
    bool m_begun = false;
    bool m_hasByteOrderMark = false;
    char m_terminator = '\r';
    int m_error = 0;
    QByteArrayView m_lineEnd;
    qsizetype m_maxLineLength = -1; // no limit
    bool m_cut = false;     // bytes of the line being read were passed over
    bool m_tooLong = false; // of the line last given
};
