#pragma once

#include "history/history_record.h"
#include "platform/core/file_error.h"

#include <QDateTime>
#include <QList>

#include <optional>

class History;

// Keeps the history from growing without end, by dropping the older
// intermediate versions of a day's text. What stays:
//   - every record of the last 30 days;
//   - from 30 days to a year back, of the saves of a day made one after the
//     other on one calendar day, one record: the text before the first and
//     the text after the last;
//   - before that, the same for the saves of one calendar month;
//   - for ever, every removal (with the text it removed), everything a
//     Clear All erased, and every merge, with the texts before and after.
// Only this machine's own file is rewritten: another machine's is its own.
namespace HistoryThinning {

inline constexpr int keptWholeDays = 30;

// The records in their order, each run of saves that chain (one's text
// after is the next one's text before) within one span collapsed into its
// first record with the last one's text after. removed counts what went.
QList<HistoryRecord> thinned(const QList<HistoryRecord>& records, const QDateTime& now, qsizetype& removed);

// Whether the history's own file holds anything old enough to thin: its
// first record is older than keptWholeDays. Reads one record.
bool isDue(const History& history, const QDateTime& now);

struct Result
{
    qsizetype removed = 0;
    std::optional<FileError> error;
};

// Rewrites the history's own file thinned, under the folder lock, when
// that removes a record; damaged records and bytes that are no record go
// with it. A failure leaves the file as it was.
Result thin(const History& history, const QDateTime& now);

} // namespace HistoryThinning
