#pragma once

#include "files/line_buffer.h"

#include <QByteArrayView>
#include <QtGlobal>

// Reads an open file in one sequential pass, a block of whole lines at a
// time, for a reader that looks at many lines at once: a scan of a block's
// bytes costs far less than a look at each of its lines. Lines split exactly
// as LineReader splits them: at CR LF or a lone CR, at LF in a file that holds
// no CR at all; the last line may lack its end; a UTF-8 byte-order mark at
// the very start of the file is no part of the first line.
//
// A block is a view into the reader's buffer, valid until the next call to
// next(). It runs from the start of a line to the end of the last whole line
// in the buffer, that line's end included (at the end of the file, the last
// line, ended or not), and never ends between the CR and the LF of one line
// end. The buffer grows only for a line longer than itself.
class LineBlockReader
{
public:
    static constexpr qsizetype defaultBufferSize = 256 * 1024;

    // The reader does not own the descriptor.
    explicit LineBlockReader(int fd, qsizetype bufferSize = defaultBufferSize);
    LineBlockReader(const LineBlockReader&) = delete;
    LineBlockReader& operator=(const LineBlockReader&) = delete;

    // The next block, or false at the end of the file or after a read error.
    bool next(QByteArrayView& block);

    // The byte lines end at: CR, or LF in a file without any CR. Known
    // once next() has been called.
    char lineEnd() const { return m_in.terminator; }

    // Where the line that ends at place end of a block (its line end byte
    // there, or the block's end) is followed by the next: past that byte,
    // and past an LF right after a CR. Inline: it runs for every line.
    qsizetype nextLineStart(QByteArrayView block, qsizetype end) const
    {
        if (end >= block.size())
            return block.size();
        ++end;
        if (m_in.terminator == '\r' && end < block.size() && block[end] == '\n')
            ++end;
        return end;
    }

    // The errno of the read that failed, or 0.
    int error() const { return m_in.error; }

private:
    LineBuffer m_in; // its start: the first byte not yet handed out
};
