// A sync service's conflict copy holding any bytes, beside an empty diary:
// merging it never fails on a readable file, and afterwards the diary gives
// every day the text the copy gives it.

#include "fuzz_support.h"
#include "history/history.h"
#include "store/entry_file.h"
#include "sync/conflict_copies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const DateSettings& dates = fuzzDates(input.byte());
    const QByteArray file = input.rest().toByteArray();

    const QString folder = scratchFolder();
    // What the last input left goes, so that each input meets an empty diary.
    QDir(QDir(folder).filePath(QString::fromLatin1(ConflictCopies::keptFolder))).removeRecursively();
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        QFile::remove(QDir(folder).filePath(name));
    const QString copy = QDir(folder).filePath(QStringLiteral("ojwdata (conflicted copy 2026-12-07 183012).txt"));
    writeFile(copy, file);
    QList<DayRecorder::Day> days;
    FUZZ_CHECK(!EntryFile::readDays(copy, dates, days), "a readable copy reads");
    EntryFile entries(folder, dates);
    History history(folder, QStringLiteral("fuzz"));
    entries.setRecorder(&history);
    const ConflictCopies::Report report = ConflictCopies::mergeAll(folder, dates, entries, history);
    FUZZ_CHECK(report.problems.isEmpty(), "a readable copy merges");
    for (const DayRecorder::Day& day : days) {
        QString text;
        FUZZ_CHECK(!entries.load(day.day, text), "the merged diary loads");
        FUZZ_CHECK(text == day.after, "each day of the copy is in the diary as the copy gives it");
    }
    return 0;
}
