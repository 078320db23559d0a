#include "store/line_reader.h"

#include "store_fixture.h"

#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

using Lines = QList<QByteArray>;

// Reads every line of the bytes through a reader with the given buffer size.
Lines readLines(const QByteArray& bytes, qsizetype bufferSize)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("lines.txt");
    writeFileBytes(path, bytes);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    EXPECT_GE(fd, 0);
    LineReader reader(fd, bufferSize);
    Lines lines;
    QByteArrayView line;
    while (reader.next(line))
        lines.append(line.toByteArray());
    EXPECT_EQ(reader.error(), 0);
    ::close(fd);
    return lines;
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
