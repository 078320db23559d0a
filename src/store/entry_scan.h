#pragma once

#include "platform/core/file_error.h"

#include <QDate>
#include <QString>

#include <optional>
#include <span>

class DateSettings;

// The searches over the headers of the entry file that look at days only,
// never at texts: which day the navigation commands go to, and which days
// of the calendar's grid have an entry. Each call reads the whole file once,
// from its first line, and keeps nothing of it afterwards.
//
// Every line that starts with "*!*" counts as a header, wherever it stands
// (the file's entries are not followed), and its date text is read to the
// day, any time of day dropped. A header whose text is not a date names no
// day: it is never a target and never marks a day. A missing file holds no
// headers.
class EntryScan
{
public:
    enum class Target {
        Earliest, // the smallest day of all
        Latest,   // the largest day of all
        Next,     // the smallest day after the shown one
        Previous, // the largest day before the shown one
    };

    // The number of days a calendar grid shows: six weeks.
    static constexpr int gridDays = 42;

    EntryScan(const QString& folder, const DateSettings& dates);

    // The day the target names, or no value when no header qualifies.
    // Comparisons are strict, so among headers of one day the first in the
    // file is the one taken. On failure the day is left without a value:
    // half a file may hold no answer, or the wrong one.
    std::optional<FileError> find(Target target, const QDate& shownDate,
                                  std::optional<QDate>& day) const;

    // Sets flags[i] for every header whose day is start + i, i below
    // gridDays and below flags.size(). Flags are only ever set, never
    // cleared. On failure the flags set from the lines before the failure
    // stay set.
    std::optional<FileError> markDays(const QDate& start, std::span<bool> flags) const;

private:
    // Calls onDay(day) for the day of every dated header, in file order.
    template <typename OnDay>
    std::optional<FileError> forEachDay(OnDay onDay) const;

    QString m_folder;
    const DateSettings& m_dates;
};
