#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <memory>

// The bytes of an open file as the line readers read them: one sequential
// pass into a buffer that grows only for a line longer than itself, the
// file's line end (CR, with CR LF as one end; LF in a file that holds no CR
// at all), and a UTF-8 byte-order mark at the very start taken off. The
// readers decide where their lines go; this holds what their rules share.
struct LineBuffer
{
    // The UTF-8 byte-order mark.
    static constexpr QByteArrayView byteOrderMark{"\xEF\xBB\xBF"};

    // The buffer does not own the descriptor.
    LineBuffer(int fd, qsizetype size);

    // Before the first line: takes off a byte-order mark and chooses the
    // line end.
    void begin();

    // Moves the bytes from `start` on to the front, grows the buffer when
    // they fill it, and reads more. Sets eof at the end of the file or on
    // an error. Returns how far the kept bytes moved.
    qsizetype fill();

    // Where the line after the line end byte at `at` starts: past the LF of
    // a CR LF. The byte after a CR must have been read, unless it is the
    // last of the file.
    qsizetype lineAfter(qsizetype at) const
    {
        qsizetype next = at + 1;
        if (terminator == '\r' && next < end && data()[next] == '\n')
            ++next;
        return next;
    }

    // The start of the last line whose beginning the bytes read so far
    // show (the end of the whole lines before it), `start` when they show
    // none.
    qsizetype lastLineStart() const;

    char* data() const { return buffer.get(); }

    int fd;
    std::unique_ptr<char[]> buffer;
    qsizetype capacity;
    qsizetype start = 0; // the first byte still needed
    qsizetype end = 0;   // the end of the bytes read so far
    bool eof = false;
    bool begun = false;
    bool hasByteOrderMark = false;
    char terminator = '\r';
    int error = 0; // the errno of the read that failed

private:
    // Whether the file holds a CR beyond the bytes read so far; reads ahead
    // without moving the file's position. A file that cannot be read ahead
    // (a pipe) counts as holding one.
    bool crFollows();
};
