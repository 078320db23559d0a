#include "export/export_all.h"

#include "export/export_target.h"

#include "platform/core/date_settings.h"
#include "store/entry_file.h"
#include "store/entry_lines.h"
#include "store/line_reader.h"
#include "store/posix_io.h"
#include "store/text_codec.h"

#include <QByteArray>
#include <QDate>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_set>
#include <vector>

namespace {

constexpr QByteArrayView separatorLine("----------\r\n");
constexpr QByteArrayView lineEnd("\r\n");

// One day's block: its body lines, each with its CR LF, as a stretch of the
// collected bytes.
struct Block
{
    qint64 day; // Julian day
    qsizetype begin;
    qsizetype end;
};

// The first entry of every day, in one pass over the entry file.
struct Blocks
{
    QByteArray bytes;
    std::vector<Block> blocks;
};

std::optional<FileError> collect(const QString& path, const DateSettings& dates, Blocks& out)
{
    // O_NONBLOCK keeps a FIFO of that name from hanging the program.
    const int fd = ::open(PosixIo::nativePath(path).constData(),
                          O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int openError = errno;
        if (openError == ENOENT)
            return std::nullopt;
        return PosixIo::error(path, openError);
    }
    PosixIo::UniqueFd file(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    struct stat status;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        out.bytes.reserve(qsizetype(status.st_size) + 1024);

    LineReader reader(fd);
    std::unordered_set<qint64> seen;
    QString dateText;
    dateText.reserve(64);
    // Blocks from here to the end are open. They all close at the same end
    // line: one that opens inside another's body ends where that body ends,
    // so its bytes are the tail of the other's and are stored once.
    size_t firstOpen = 0;
    QByteArrayView line;
    while (reader.next(line)) {
        if (firstOpen < out.blocks.size()) {
            if (EntryLines::isEnd(line)) {
                for (size_t i = firstOpen; i < out.blocks.size(); ++i)
                    out.blocks[i].end = out.bytes.size();
                firstOpen = out.blocks.size();
                continue;
            }
            out.bytes.append(line).append(lineEnd);
        }
        // Every line is tested, a body line too: the first header of a day
        // starts that day's block, wherever it stands.
        if (!EntryLines::isHeader(line))
            continue;
        TextCodec::decode(line.sliced(EntryLines::headerMark.size()), dateText);
        const std::optional<QDate> date = dates.read(dateText, DateSettings::Precision::DayOnly);
        if (!date || !seen.insert(date->toJulianDay()).second)
            continue;
        out.blocks.push_back(Block{date->toJulianDay(), out.bytes.size(), -1});
    }
    if (reader.error() != 0)
        return PosixIo::error(path, reader.error());
    // A body without its end line ends with the file.
    for (size_t i = firstOpen; i < out.blocks.size(); ++i)
        out.blocks[i].end = out.bytes.size();
    return std::nullopt;
}

} // namespace

std::optional<FileError> exportAll(const QString& folder, const DateSettings& dates,
                                   int dateStyle, const QString& target)
{
    ExportTarget out(folder, target);
    if (auto refusal = out.check())
        return refusal;

    Blocks found;
    if (auto failure = collect(PosixIo::pathIn(folder, QString::fromLatin1(EntryFile::fileName)), dates, found))
        return failure;
    std::sort(found.blocks.begin(), found.blocks.end(),
              [](const Block& a, const Block& b) { return a.day < b.day; });

    if (auto failure = out.open())
        return failure;
    BufferedWriter& writer = out.writer();
    for (const Block& block : found.blocks) {
        writer.write(TextCodec::encode(dates.text(QDate::fromJulianDay(block.day), dateStyle)));
        writer.write(lineEnd);
        writer.write(separatorLine);
        writer.write(QByteArrayView(found.bytes).sliced(block.begin, block.end - block.begin));
        writer.write(lineEnd);
        writer.write(lineEnd);
    }
    return out.commit();
}
