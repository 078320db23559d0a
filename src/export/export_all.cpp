#include "export/export_all.h"

#include "export/own_files.h"

#include "platform/core/date_settings.h"
#include "files/atomic_file.h"
#include "store/entry_file.h"
#include "store/entry_lines.h"
#include "store/header_date_reader.h"
#include "files/line_reader.h"
#include "files/posix_io.h"
#include "files/text_codec.h"

#include <QByteArray>
#include <QDate>

#include <algorithm>
#include <limits>
#include <new>
#include <vector>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView separatorLine("----------\r\n");
constexpr QByteArrayView lineEnd("\r\n");

// The body that follows one header line naming a day: its lines, each with
// its CR LF, as a stretch of the collected bytes.
struct Block
{
    qint64 day;      // Julian day
    qsizetype order; // place of the header line among the others
    qsizetype begin;
    qsizetype end;
};

struct Blocks
{
    QByteArray bytes;
    std::vector<Block> blocks;
};

std::optional<FileError> collect(const QString& path, const DateSettings& dates, Blocks& out)
{
    // Opened as every reader of the entry file opens it: a missing file is
    // an empty one, anything but a regular file is refused.
    PosixIo::UniqueFd file;
    if (auto failure = PosixIo::openForReading(path, file))
        return failure;
    if (!file.isOpen())
        return std::nullopt;
    const int fd = file.get();
    // The bodies take about as much room as the file.
    struct stat status;
    if (::fstat(fd, &status) == 0)
        out.bytes.reserve(qsizetype(status.st_size) + 4096);

    LineReader reader(fd);
    HeaderDateReader headerDates(dates, DateSettings::Precision::DayOnly);
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
            // Shown as the user typed it, without the escape the diary puts
            // in front of text that would read as a mark.
            const QByteArrayView body = EntryLines::unescapedBody(line);
            out.bytes.append(body);
            out.bytes.append(lineEnd);
        }
        // Every line is tested, a body line too: the first header of a day
        // starts that day's block, wherever it stands.
        if (!EntryLines::isHeader(line))
            continue;
        const std::optional<QDate> date = headerDates.read(line.sliced(EntryLines::headerMark.size()));
        if (!date)
            continue;
        const qsizetype here = out.bytes.size();
        out.blocks.push_back(Block{date->toJulianDay(), qsizetype(out.blocks.size()), here, here});
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
                                   int dateStyle, const QString& target, bool* written)
{
    if (written)
        *written = false;
    AtomicFile out(target);
    out.setTempPrefix(".ojwexport");
    if (auto failure = out.resolve())
        return FileError{target, failure->reason};
    if (auto refusal = refuseOwnFile(folder, target, out.targetPath()))
        return refusal;
    // The export is as private as the diary it copies.
    const QString diary = PosixIo::pathIn(folder, QString::fromLatin1(EntryFile::fileName));
    struct stat status;
    if (::stat(PosixIo::nativePath(diary).constData(), &status) == 0)
        out.setNewFileMode(status.st_mode & 0777);
    // The rename would replace a file the user may not write to; writing
    // into it directly would be refused, and so is this.
    if (::faccessat(out.folderFd(), out.name().constData(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return PosixIo::error(target, errno);

    Blocks found;
    try {
        if (auto failure = collect(diary, dates, found))
            return failure;
    } catch (const std::bad_alloc&) {
        return PosixIo::error(diary, ENOMEM);
    }
    // By day, and within a day in file order: only a day's first header
    // counts.
    std::sort(found.blocks.begin(), found.blocks.end(), [](const Block& a, const Block& b) {
        return a.day != b.day ? a.day < b.day : a.order < b.order;
    });

    if (auto failure = out.open())
        return failure;
    BufferedWriter& writer = out.writer();
    qint64 previousDay = std::numeric_limits<qint64>::min();
    for (const Block& block : found.blocks) {
        if (block.day == previousDay)
            continue;
        previousDay = block.day;
        writer.write(TextCodec::encode(dates.text(QDate::fromJulianDay(block.day), dateStyle)));
        writer.write(lineEnd);
        writer.write(separatorLine);
        writer.write(QByteArrayView(found.bytes).sliced(block.begin, block.end - block.begin));
        writer.write(lineEnd);
        writer.write(lineEnd);
    }
    auto failure = out.commit();
    if (written)
        *written = out.isInPlace();
    return failure;
}
