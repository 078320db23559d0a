// Any bytes as a history file: reading it never fails or changes it; every
// record read, written again in the history's own form, reads back equal
// and whole; a day's versions are exactly the records of that day that a
// read of the whole file finds; and thinning what was read keeps each
// day's first and last text and every removal, and thins nothing twice;
// the history holds entries exactly when a record is read.

#include "fuzz_support.h"
#include "files/line_reader.h"
#include "history/history.h"
#include "history/history_thinning.h"

#include <QHash>

#include <algorithm>

namespace {

struct Records
{
    QList<HistoryRecord> records;
    int damaged = 0;
};

Records readAll(QByteArrayView bytes)
{
    const int fd = memoryFile(bytes);
    LineReader lines(fd);
    lines.setMaxLineLength(History::maxLineLength);
    HistoryReader reader(lines);
    Records read;
    HistoryRecord record;
    while (reader.next(record))
        read.records.append(record);
    FUZZ_CHECK(lines.error() == 0, "a file in memory reads");
    read.damaged = reader.damaged();
    ::close(fd);
    return read;
}

QByteArray written(const QList<HistoryRecord>& records)
{
    QByteArray bytes;
    for (const HistoryRecord& record : records)
        HistoryFormat::append(record, bytes);
    return bytes;
}

bool sameRecords(const QList<HistoryRecord>& a, const QList<HistoryRecord>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].day != b[i].day || a[i].at != b[i].at || a[i].change != b[i].change || a[i].before != b[i].before
            || a[i].after != b[i].after || a[i].at.offsetFromUtc() != b[i].at.offsetFromUtc())
            return false;
    }
    return true;
}

// Per day, the text before its first record and after its last one.
QHash<QDate, std::pair<QString, QString>> endsOfDays(const QList<HistoryRecord>& records)
{
    QHash<QDate, std::pair<QString, QString>> ends;
    for (const HistoryRecord& record : records) {
        const auto found = ends.find(record.day);
        if (found == ends.end())
            ends.insert(record.day, {record.before, record.after});
        else
            found->second = record.after;
    }
    return ends;
}

void checkThinning(const QList<HistoryRecord>& records, const QDateTime& now)
{
    qsizetype removed = 0;
    const QList<HistoryRecord> kept = HistoryThinning::thinned(records, now, removed);
    FUZZ_CHECK(kept.size() + removed == records.size(), "what is removed is counted");
    FUZZ_CHECK(endsOfDays(kept) == endsOfDays(records), "each day keeps its first and last text");
    qsizetype removals = 0;
    for (const HistoryRecord& record : records)
        removals += record.after.isEmpty() ? 1 : 0;
    for (const HistoryRecord& record : kept)
        removals -= record.after.isEmpty() ? 1 : 0;
    FUZZ_CHECK(removals == 0, "every removal is kept");
    qsizetype again = 0;
    HistoryThinning::thinned(kept, now, again);
    FUZZ_CHECK(again == 0, "a second thinning removes nothing");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t dayChoice = input.byte();
    const QDateTime now = QDateTime(QDate(2026, 12, 8), QTime(12, 0)).addDays(input.byte() * 3 - 384);
    const QByteArray file = input.rest().toByteArray();

    const Records all = readAll(file);
    const QByteArray again = written(all.records);
    const Records reread = readAll(again);
    FUZZ_CHECK(reread.damaged == 0, "a record written again is whole");
    FUZZ_CHECK(sameRecords(reread.records, all.records), "a record written again reads back equal");
    FUZZ_CHECK_BYTES(written(reread.records), again, "and is written the same way");

    const History history(scratchFolder(), QStringLiteral("fuzz"));
    writeFile(history.path(), file);
    const QDate day = all.records.isEmpty() || dayChoice % 4 == 0 ? QDate(2026, 12, 8)
                                                                  : all.records[dayChoice % all.records.size()].day;
    QList<HistoryRecord> ofDay;
    std::copy_if(all.records.begin(), all.records.end(), std::back_inserter(ofDay),
                 [&](const HistoryRecord& record) { return record.day == day; });
    std::stable_sort(ofDay.begin(), ofDay.end(),
                     [](const HistoryRecord& a, const HistoryRecord& b) { return a.at < b.at; });
    const History::Read read = history.day(day);
    FUZZ_CHECK(sameRecords(read.records, ofDay), "a day's versions are the whole read's records of that day");
    FUZZ_CHECK(history.holdsEntries() == !all.records.isEmpty(), "the history holds entries when it holds a record");
    FUZZ_CHECK(readFile(history.path()) == file, "reading leaves the file as it was");
    checkThinning(all.records, now);
    return 0;
}
