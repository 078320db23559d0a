// The line reader and the text decoding: whatever the bytes, the reader's
// lines are the plain model's lines (byte-order mark and LF-only files
// included), for any buffer size (so lines that cross the buffer's end and
// lines longer than it are covered) and any limit of a line's length, and
// every line decodes to text that never holds a replacement character it
// did not have, that valid UTF-8 keeps exactly, and that writes back and
// reads again as the same text.

#include "fuzz_support.h"
#include "files/line_reader.h"
#include "files/text_codec.h"

#include <QStringDecoder>

namespace {

void checkDecoding(QByteArrayView line, QString& reused)
{
    const QString text = TextCodec::decode(line);
    TextCodec::decode(line, reused);
    FUZZ_CHECK(reused == text, "decoding into a reused buffer gives the same text");
    FUZZ_CHECK(line.isEmpty() == text.isEmpty(), "only an empty line reads as empty text");
    if (!line.contains(QByteArrayView("\xEF\xBF\xBD")))
        FUZZ_CHECK(!text.contains(QChar::ReplacementCharacter), "no replacement character");
    // Qt's decoder, told to keep a U+FEFF at the start as the character it
    // is (a line is not a file: only the file's first bytes are a mark),
    // and that a sequence cut short at the end is an error.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(line);
    if (!utf8.hasError()) {
        FUZZ_CHECK(text == asUtf8, "valid UTF-8 reads as UTF-8");
        FUZZ_CHECK(TextCodec::encode(text) == line, "valid UTF-8 writes back byte for byte");
    }
    const QByteArray written = TextCodec::encode(text);
    QStringDecoder check(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)check.decode(written);
    FUZZ_CHECK(!check.hasError(), "text is written as valid UTF-8");
    FUZZ_CHECK(TextCodec::decode(written) == text, "text written reads back unchanged");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const qsizetype bufferSize = 1 + input.byte() % 64;
    const QByteArrayView bytes = input.rest();

    const int fd = memoryFile(bytes);
    LineReader reader(fd, bufferSize);
    const QList<QByteArray> expected = splitLines(bytes);
    QString reused;
    qsizetype count = 0;
    QByteArrayView line;
    while (reader.next(line)) {
        FUZZ_CHECK(reader.hasByteOrderMark() == bytes.startsWith(byteOrderMark),
                   "a byte-order mark is seen at the start and only there");
        FUZZ_CHECK(reader.endsLinesAtLf() == !bytes.contains('\r'), "a file without CR ends lines at LF");
        FUZZ_CHECK(count < expected.size(), "no more lines than the file holds");
        FUZZ_CHECK(line == expected[count], "each line is the model's line");
        checkDecoding(line, reused);
        ++count;
    }
    FUZZ_CHECK(reader.error() == 0, "reading a memory file does not fail");
    FUZZ_CHECK(count == expected.size(), "every line is read");
    ::close(fd);

    // With a limit, each line within it is the model's, and each longer one
    // is told as too long.
    const qsizetype limit = bufferSize * 7 % 50;
    const int limitedFd = memoryFile(bytes);
    LineReader limited(limitedFd, bufferSize);
    limited.setMaxLineLength(limit);
    count = 0;
    while (limited.next(line)) {
        FUZZ_CHECK(count < expected.size(), "no more lines than the file holds");
        const bool tooLong = expected[count].size() > limit;
        FUZZ_CHECK(limited.lineTooLong() == tooLong, "a line beyond the limit is told");
        FUZZ_CHECK(tooLong || line == expected[count], "a line within the limit is the model's line");
        ++count;
    }
    FUZZ_CHECK(count == expected.size(), "every line is read");
    ::close(limitedFd);
    return 0;
}
