// The versions of one day, read from a history of ten years of days saved
// twelve times each, in one machine's file: the whole file is read, the
// other days' records passed over by their headers. Timed alone and held
// to an absolute time, since a window waits for it; run once, beside the
// diary of targetSize entries.

#include "bench_case.h"

#include "files/append_file.h"
#include "history/history.h"

#include <QTemporaryDir>

#include <random>

namespace {

constexpr double versionsTargetMs = 100;
constexpr int historyDays = 3650;
constexpr int versionsPerDay = 12;

// A day's text at each of its saves: a line more at each save, up to one
// to twenty lines as in the synthetic diary, then small edits.
void appendDay(const QDate& day, std::mt19937& random, QByteArray& out)
{
    std::uniform_int_distribution<int> lineCount(1, 20);
    std::uniform_int_distribution<int> lineLength(0, 90);
    std::uniform_int_distribution<int> letter('a', 'z');
    const int lines = lineCount(random);
    HistoryRecord record{day, QDateTime(day, QTime(20, 0)), DayRecorder::Change::Saved, QString(), QString()};
    QString text;
    for (int version = 0; version < versionsPerDay; ++version) {
        if (version < lines) {
            if (version > 0)
                text += u"\r\n";
            for (int c = lineLength(random); c > 0; --c)
                text += (c % 7 == 0) ? u' ' : QChar(letter(random));
        } else {
            text += u'.';
        }
        record.before = record.after;
        record.after = text;
        record.at = record.at.addSecs(60);
        HistoryFormat::append(record, out);
    }
}

const BenchCase history("history", [](const BenchContext& c) {
    if (c.size != targetSize)
        return;
    QTemporaryDir folder;
    const History history(folder.path(), QStringLiteral("bench"));
    std::mt19937 random(20261208);
    const QDate first(2016, 1, 1);
    QByteArray bytes;
    for (int day = 0; day < historyDays; ++day)
        appendDay(first.addDays(day), random, bytes);
    mustSucceed(appendDurably(history.path(), bytes));

    const QDate middle = first.addDays(historyDays / 2);
    History::Read read;
    Row row{"versions of a day, 10 years", Row::Kind::Operation,
            aloneRuns([&] { read = history.day(middle); }, c.policy), bytes.size(), std::nullopt, versionsTargetMs};
    if (read.records.size() != versionsPerDay || !read.problems.isEmpty()) {
        std::fprintf(stderr, "failed: the day has %lld versions\n", static_cast<long long>(read.records.size()));
        std::exit(1);
    }
    c.report(row);
});

} // namespace
