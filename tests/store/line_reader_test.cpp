#include "files/line_reader.h"
#include "store/entry_lines.h"

#include "store_fixture.h"

#include <QList>

#include <random>

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using Lines = QList<QByteArray>;

// The bytes in a file held in memory, opened for reading as often as asked.
class BytesFile
{
public:
    explicit BytesFile(const QByteArray& bytes) : m_bytes(bytes) {}
    ~BytesFile()
    {
        for (const int fd : m_open)
            ::close(fd);
    }

    int open()
    {
        const int fd = ::memfd_create("lines", MFD_CLOEXEC);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::write(fd, m_bytes.constData(), size_t(m_bytes.size())), m_bytes.size());
        ::lseek(fd, 0, SEEK_SET);
        m_open.append(fd);
        return fd;
    }

private:
    QByteArray m_bytes;
    QList<int> m_open;
};

// Reads every line of the bytes through a reader with the given buffer
// size, with next() or, for the headers alone, with nextStartingWith().
Lines readLines(const QByteArray& bytes, qsizetype bufferSize, bool headersOnly = false)
{
    BytesFile file(bytes);
    LineReader reader(file.open(), bufferSize);
    Lines lines;
    QByteArrayView line;
    while (headersOnly ? reader.nextStartingWith(EntryLines::headerMark, line) : reader.next(line))
        lines.append(line.toByteArray());
    EXPECT_EQ(reader.error(), 0);
    return lines;
}

Lines headersAmong(const Lines& lines)
{
    Lines headers;
    for (const QByteArray& line : lines) {
        if (line.startsWith("*!*"))
            headers.append(line);
    }
    return headers;
}

} // namespace

TEST(LineReader, SplitsAtCrLfAndLoneCrOnly)
{
    const struct
    {
        QByteArray bytes;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\nb\r\n", {"a\nb"}},
        {"a\r\nb", {"a", "b"}},
        {"\r\n\r\n", {"", ""}},
        {"\r\r\n", {"", ""}},
        {"a\r\r", {"a", ""}},
        {"a\r\n\nb\n", {"a", "\nb\n"}},
        {"\n\r\n", {"\n"}},
        {"x\ny\n\r", {"x\ny\n"}},
        // A file without any CR ends its lines at LF.
        {"\n", {""}},
        {"a\nb\n\nc", {"a", "b", "", "c"}},
        {"no line end", {"no line end"}},
        // A byte-order mark at the very start is no part of the first line.
        {"\xEF\xBB\xBF*!*x\r\n\xEF\xBB\xBF", {"*!*x", "\xEF\xBB\xBF"}},
        {"\xEF\xBB\xBF" "a\nb", {"a", "b"}},
        {"\xEF\xBB\xBF", {}},
        {"\xEF\xBB", {"\xEF\xBB"}},
    };
    // Small buffers put every CR at the edge of a read at some point, where
    // the reader must look at the next read to tell CR LF from a lone CR.
    for (const auto& test : cases) {
        for (const qsizetype size : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(4),
                                     qsizetype(5), qsizetype(7), LineReader::defaultBufferSize}) {
            EXPECT_EQ(readLines(test.bytes, size), test.lines)
                << "input " << test.bytes.toPercentEncoding().toStdString() << ", buffer " << size;
        }
    }
}

TEST(LineReader, LinesLongerThanTheBufferAndManyBufferFills)
{
    QByteArray bytes;
    Lines expected;
    for (int i = 0; i < 2000; ++i) {
        const QByteArray line = QByteArray::number(i).repeated(1 + i % 50);
        expected.append(line);
        bytes += line + (i % 3 == 0 ? "\r" : "\r\n");
    }
    const QByteArray longLine(100000, 'x');
    expected.append(longLine);
    bytes += longLine;
    EXPECT_EQ(readLines(bytes, 16), expected);
    EXPECT_EQ(readLines(bytes, 4096), expected);
}

TEST(LineReader, AFileWhoseFirstCrComesLateStillEndsLinesAtCr)
{
    // The first CR lies beyond the first buffer: the reader looks ahead.
    const QByteArray bytes = QByteArray("a\nb\n").repeated(100000) + "c\r\n";
    const Lines lines = readLines(bytes, 4096);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].size(), bytes.size() - 2);
    EXPECT_EQ(readLines(QByteArray("a\nb\n").repeated(100000), 4096).size(), 200000);
}

TEST(LineReader, ReportsAReadError)
{
    QTemporaryDir folder;
    const int fd = ::open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    LineReader reader(fd);
    QByteArrayView line;
    EXPECT_FALSE(reader.next(line));
    EXPECT_EQ(reader.error(), EISDIR);
    EXPECT_FALSE(reader.next(line));
    ::close(fd);
}

TEST(LineReader, NextHeaderReachesTheHeadersTheLineWalkReaches)
{
    const QByteArray cases[] = {
        "",
        "*!*first line\r\nbody\r\n!*!\r\n*!*last line without end",
        "\xEF\xBB\xBF*!*after the mark\r\n*!*x",
        "lf only\n*!*a\n!*!\n*!*b",
        // After a lone CR a line starts; after a lone LF in a CR file none.
        "x\r*!*a\r\n\n*!*no\r\ny\n*!*no\r\n",
        "\r\r\n*!*a\r\r*!*b\r",
        "a\rb*!*no\r\nc\r\n*!*yes\r\n",
        // Near misses and stars that stand elsewhere in a line.
        "*\r\n*!\r\n**!*\r\n !*!*\r\n*!x*!*\r\n!*!\r\n*!*",
        "*!",
        "*",
    };
    // Small buffers split every CR LF and every mark across two reads.
    for (const QByteArray& bytes : cases) {
        for (qsizetype size = 1; size <= 9; ++size) {
            EXPECT_EQ(readLines(bytes, size, true), headersAmong(readLines(bytes, size)))
                << "input " << bytes.toPercentEncoding().toStdString() << ", buffer " << size;
        }
    }
    EXPECT_EQ(readLines(cases[4], LineReader::defaultBufferSize, true), Lines{"*!*a"});
}

TEST(LineReader, NextHeaderAndNextMixedOnOneReaderFollowTheLineWalk)
{
    // Generated files of marks, stars, line ends and byte-order marks, read
    // with a random mix of the two calls; the reference walks every line
    // with next() alone.
    static const char* const pieces[] = {"*!*", "*", "!", "*!", "\r", "\n", "\r\n", "ab",
                                         "\xEF\xBB\xBF"};
    std::mt19937 random(20261207);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        for (int n = int(random() % 24); n > 0; --n)
            bytes += pieces[random() % std::size(pieces)];
        BytesFile file(bytes);
        LineReader reference(file.open(), LineReader::defaultBufferSize);
        LineReader reader(file.open(), 1 + qsizetype(random() % 8));
        QString calls;
        QByteArrayView expected;
        QByteArrayView line;
        for (;;) {
            const bool header = random() % 2;
            calls += header ? u'h' : u'n';
            bool more = reference.next(expected);
            while (header && more && !expected.startsWith("*!*"))
                more = reference.next(expected);
            ASSERT_EQ(header ? reader.nextStartingWith(EntryLines::headerMark, line) : reader.next(line), more)
                << "input " << bytes.toPercentEncoding().toStdString() << ", calls " << calls.toStdString();
            if (!more)
                break;
            ASSERT_EQ(line, expected)
                << "input " << bytes.toPercentEncoding().toStdString() << ", calls " << calls.toStdString();
        }
        EXPECT_EQ(reader.hasByteOrderMark(), reference.hasByteOrderMark());
        EXPECT_EQ(reader.error(), 0);
    }
}
