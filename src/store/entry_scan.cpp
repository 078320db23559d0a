#include "store/entry_scan.h"

#include "platform/core/date_settings.h"
#include "store/entry_file.h"
#include "store/entry_lines.h"
#include "store/header_date_reader.h"
#include "files/line_reader.h"
#include "files/posix_io.h"

#include <algorithm>

EntryScan::EntryScan(const QString& folder, const DateSettings& dates)
    : m_folder(folder), m_dates(dates)
{
}

template <typename OnDay>
std::optional<FileError> EntryScan::forEachDay(OnDay onDay) const
{
    const QString path = PosixIo::pathIn(m_folder, QString::fromLatin1(EntryFile::fileName));
    PosixIo::UniqueFd file;
    if (auto failure = PosixIo::openForReading(path, file))
        return failure;
    if (!file.isOpen())
        return std::nullopt;

    LineReader reader(file.get());
    HeaderDateReader dates(m_dates, DateSettings::Precision::DayOnly);
    QByteArrayView line;
    // Only header lines are looked at; the lines between them are passed
    // over unread.
    while (reader.nextStartingWith(EntryLines::headerMark, line)) {
        if (const std::optional<QDate> day = dates.read(line.sliced(EntryLines::headerMark.size())))
            onDay(*day);
    }
    if (reader.error() != 0)
        return PosixIo::error(path, reader.error());
    return std::nullopt;
}

std::optional<FileError> EntryScan::find(Target target, const QDate& shownDate,
                                         std::optional<QDate>& day) const
{
    day.reset();
    std::optional<QDate> best;
    const auto failure = forEachDay([&](const QDate& candidate) {
        switch (target) {
        case Target::Earliest:
            if (!best || candidate < *best)
                best = candidate;
            break;
        case Target::Latest:
            if (!best || candidate > *best)
                best = candidate;
            break;
        case Target::Next:
            if (candidate > shownDate && (!best || candidate < *best))
                best = candidate;
            break;
        case Target::Previous:
            if (candidate < shownDate && (!best || candidate > *best))
                best = candidate;
            break;
        }
    });
    if (failure)
        return failure;
    day = best;
    return std::nullopt;
}

std::optional<FileError> EntryScan::markDays(const QDate& start, std::span<bool> flags) const
{
    const qint64 days = std::min<qint64>(gridDays, qint64(flags.size()));
    if (!start.isValid() || days <= 0)
        return std::nullopt;
    const qint64 first = start.toJulianDay();
    return forEachDay([&](const QDate& day) {
        const qint64 offset = day.toJulianDay() - first;
        if (offset >= 0 && offset < days)
            flags[size_t(offset)] = true;
    });
}
