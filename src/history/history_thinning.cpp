#include "history/history_thinning.h"

#include "files/append_file.h"
#include "files/atomic_file.h"
#include "files/folder_lock.h"
#include "files/line_reader.h"
#include "files/posix_io.h"
#include "history/history.h"

#include <QHash>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Change = DayRecorder::Change;

// The stretch of time within which a day's saves become one record: the
// calendar day of the save, or its month once it is a year old; none while
// it is recent.
struct Span
{
    QDate first; // invalid: none
    bool month = false;
    bool operator==(const Span&) const = default;
};

Span spanOf(const HistoryRecord& record, const QDateTime& now)
{
    if (record.at > now.addDays(-HistoryThinning::keptWholeDays))
        return {};
    const QDate date = record.at.date();
    if (record.at > now.addYears(-1))
        return {date, false};
    return {QDate(date.year(), date.month(), 1), true};
}

// Whether next, the day's record after kept, goes into it. Removals,
// erasures and merges never do, nor take anything in: what they replaced
// is what the history is kept for.
bool collapses(const HistoryRecord& kept, const HistoryRecord& next, const QDateTime& now)
{
    if (next.change != Change::Saved || kept.change == Change::Erased || kept.change == Change::Merged)
        return false;
    if (kept.after.isEmpty() || next.after.isEmpty() || kept.after != next.before)
        return false;
    const Span span = spanOf(kept, now);
    return span.first.isValid() && span == spanOf(next, now);
}

// This machine's file as read: its records, and the descriptor it was read
// through, to tell bytes appended since.
struct OwnFile
{
    PosixIo::UniqueFd fd;
    QList<HistoryRecord> records;
    qint64 size = 0; // the bytes read, all the file held then
};

std::optional<FileError> readOwn(const QString& path, OwnFile& file)
{
    if (auto failure = PosixIo::openForReading(path, file.fd))
        return failure;
    if (!file.fd.isOpen())
        return std::nullopt; // none yet
    struct stat status;
    if (::fstat(file.fd.get(), &status) != 0)
        return PosixIo::error(path, errno);
    if (status.st_size > History::maxFileSize)
        return FileError{path, QStringLiteral("This file is far larger than any history the diary writes, "
                                              "so it is not thinned.")};
    LineReader lines(file.fd.get());
    lines.setMaxLineLength(History::maxLineLength);
    HistoryReader reader(lines);
    HistoryRecord record;
    while (reader.next(record))
        file.records.append(record);
    if (lines.error() != 0)
        return PosixIo::error(path, lines.error());
    file.size = ::lseek(file.fd.get(), 0, SEEK_CUR);
    if (file.size < 0)
        return PosixIo::error(path, errno);
    return std::nullopt;
}

// The bytes added to the file read since it was read, by a record taken
// without the folder lock (the text Pad > Clear took before it was saved).
std::optional<QByteArray> appendedSince(const OwnFile& file)
{
    struct stat status;
    if (::fstat(file.fd.get(), &status) != 0 || status.st_size < file.size)
        return std::nullopt; // cannot tell: taken as changed
    QByteArray bytes(status.st_size - file.size, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(file.fd.get(), bytes.data() + done, size_t(bytes.size() - done), file.size + done);
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            return std::nullopt;
    }
    return bytes;
}

} // namespace

namespace HistoryThinning {

QList<HistoryRecord> thinned(const QList<HistoryRecord>& records, const QDateTime& now, qsizetype& removed)
{
    removed = 0;
    QList<HistoryRecord> kept;
    kept.reserve(records.size());
    QHash<QDate, qsizetype> lastOfDay; // where in kept the day's last record is
    for (const HistoryRecord& record : records) {
        const auto last = lastOfDay.constFind(record.day);
        if (last != lastOfDay.cend() && collapses(kept[*last], record, now)) {
            kept[*last].after = record.after;
            ++removed;
            continue;
        }
        lastOfDay.insert(record.day, kept.size());
        kept.append(record);
    }
    return kept;
}

bool isDue(const History& history, const QDateTime& now)
{
    PosixIo::UniqueFd fd;
    if (PosixIo::openForReading(history.path(), fd) || !fd.isOpen())
        return false;
    LineReader lines(fd.get());
    lines.setMaxLineLength(History::maxLineLength);
    HistoryReader reader(lines);
    HistoryRecord first;
    return reader.next(first) && first.at <= now.addDays(-keptWholeDays);
}

Result thin(const History& history, const QDateTime& now)
{
    Result result;
    // A first look without the lock: a start that finds nothing to thin
    // never holds up a save.
    {
        OwnFile file;
        if ((result.error = readOwn(history.path(), file)))
            return result;
        thinned(file.records, now, result.removed);
        if (result.removed == 0)
            return result;
        result.removed = 0;
    }

    // Held from the read to the rename: no save appends meanwhile.
    FolderLock lock;
    if ((result.error = lock.acquire(history.folder())))
        return result;
    OwnFile file;
    if ((result.error = readOwn(history.path(), file)))
        return result;
    qsizetype removed = 0;
    const QList<HistoryRecord> kept = thinned(file.records, now, removed);
    if (removed == 0)
        return result;

    AtomicFile out(history.path());
    out.setTempPrefix(".ojwhistory");
    if ((result.error = out.resolve()))
        return result;
    if (out.followedLink()) // never written through, as appends are not
        return {0, FileError{history.path(), PosixIo::linkReason()}};
    if ((result.error = out.open()))
        return result;
    QByteArray bytes;
    for (const HistoryRecord& record : kept) {
        HistoryFormat::append(record, bytes);
        if (bytes.size() >= BufferedWriter::defaultBufferSize) {
            out.writer().write(bytes);
            bytes.clear();
        }
    }
    out.writer().write(bytes);
    // A record appended without the lock since the read would be lost.
    if (const std::optional<QByteArray> added = appendedSince(file); !added || !added->isEmpty())
        return result;
    result.error = out.commit();
    if (!out.isInPlace())
        return result;
    result.removed = removed;
    // One that came between that look and the rename follows into the new
    // file.
    const std::optional<QByteArray> late = appendedSince(file);
    if (!late)
        result.error = FileError{history.path(), QStringLiteral("The file thinned could not be read again.")};
    else if (!late->isEmpty())
        result.error = appendDurably(history.path(), *late);
    return result;
}

} // namespace HistoryThinning
