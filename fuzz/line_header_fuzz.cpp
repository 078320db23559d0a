// The line reader's two ways of advancing, on the same bytes: a reader that
// mixes nextStartingWith() and next() as the input says reaches, at every call,
// the line that a reader walking every line with next() reaches, for any
// buffer size (so that marks and line ends cross the buffer's end), and
// sees the same byte-order mark and line end.

#include "fuzz_support.h"
#include "store/entry_lines.h"
#include "files/line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const qsizetype bufferSize = 1 + input.byte() % 64;
    // Bit i of the pattern: whether call i (of every eight) skips to a header.
    const uint8_t pattern = input.byte();
    const QByteArrayView bytes = input.rest();

    const int walkedFd = memoryFile(bytes);
    const int fd = memoryFile(bytes);
    LineReader walked(walkedFd);
    LineReader reader(fd, bufferSize);
    for (int call = 0;; ++call) {
        const bool header = (pattern >> (call % 8)) & 1;
        QByteArrayView expected;
        bool more = walked.next(expected);
        while (header && more && !EntryLines::isHeader(expected))
            more = walked.next(expected);
        QByteArrayView line;
        FUZZ_CHECK((header ? reader.nextStartingWith(EntryLines::headerMark, line) : reader.next(line)) == more,
                   "a line is found exactly when the walk finds one");
        if (!more)
            break;
        FUZZ_CHECK_BYTES(line.toByteArray(), expected.toByteArray(), "the line is the walk's line");
    }
    FUZZ_CHECK(reader.hasByteOrderMark() == walked.hasByteOrderMark(), "the same byte-order mark");
    FUZZ_CHECK(reader.endsLinesAtLf() == walked.endsLinesAtLf(), "the same line end");
    FUZZ_CHECK(reader.error() == 0 && walked.error() == 0, "reading a memory file does not fail");
    ::close(walkedFd);
    ::close(fd);
    return 0;
}
