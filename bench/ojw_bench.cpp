// Times the diary's operations on synthetic diaries of growing size and
// prints one table. Each operation runs in turn with its floor (floor,
// operation, floor, operation, ...); its row shows how many runs it took,
// its median time and throughput, the floor's median time, the median of
// the runs' ratios to the floor with their spread, and how that ratio grows
// from one size to the next. The targets are checked against the median
// ratios and their growth. The
// output ends with one line: "targets: all hold" or "targets missed: ...".
//
// Usage: ojw_bench [--runs N] [--case NAME]... [sizes...]
//   sizes default to 1000 10000 100000; N (default 9) is the fewest runs a
//   row takes, a row with a target taking more until its verdict is clear.

#include "bench_case.h"
#include "floors.h"
#include "interleaved_runs.h"
#include "startup_probe.h"
#include "synthetic_diary.h"

#include "platform/core/date_settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const QDate firstDay(1990, 1, 1);

// The most an operation's ratio to its floor may grow from targetSize
// entries to the next size, tenfold: an operation that does a fixed amount
// of work per byte it reads keeps its ratio, one that grows as n log n
// raises it by about a quarter, a quadratic one tenfold.
constexpr double maxGrowth = 2.0;

// Keeps the floors' results, so that no floor is optimised away.
volatile qint64 sink = 0;

std::map<std::string, BenchCase::Run>& registeredCases()
{
    static std::map<std::string, BenchCase::Run> cases;
    return cases;
}

// Rows by operation, in the order they were first reported, one per size.
struct Table
{
    std::vector<std::string> order;
    std::map<std::string, std::map<int, Row>> rows;

    void add(int size, const Row& row)
    {
        if (!rows.count(row.name))
            order.push_back(row.name);
        rows[row.name][size] = row;
    }
};

// An operation's growth from one size to the next: how its ratio to its
// floor grows. The floor makes the operation's own pass over the same file,
// so the ratio is what the operation adds to that pass; raw times would
// measure the machine's caches too, which a small diary fits and a large
// one does not. A row without a floor grows by its time.
double growth(const Row& from, const Row& to)
{
    if (from.floor && to.floor && from.stats.ratio > 0)
        return to.stats.ratio / from.stats.ratio;
    return from.stats.ms > 0 ? to.stats.ms / from.stats.ms : 0;
}

std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Prints the table and returns the targets it misses.
std::vector<std::string> printTable(Table& table)
{
    std::vector<std::string> missed;
    std::printf("ms: the median run%s (megabytes on the memory row)\n"
                "runs: how often the row's operation ran, each time just after its floor\n"
                "ratio: the median of the runs' ratios, operation to floor; spread: their 25th to 75th "
                "percentile\n"
                "growth: from the size before, of the ratio where the row has a floor, else of the time\n",
                runQueueWaitNs() >= 0 ? ", less the time spent waiting for a processor other programs held"
                                      : " (wall-clock time: this kernel does not count waits for a processor)");
    // The targets in time rather than ratio, said before the rows.
    for (const std::string& name : table.order) {
        for (const auto& [size, row] : table.rows[name]) {
            if (row.kind == Row::Kind::Operation && !row.baseline.empty() && row.target > 0)
                std::printf("%s: timed in turn with \"%s\", its target at most %.0f ms above that row's median\n",
                            name.c_str(), row.baseline.c_str(), row.target);
            else if (row.kind == Row::Kind::Operation && !row.floor && row.target > 0)
                std::printf("%s: timed alone, its target an absolute %.0f ms\n", name.c_str(), row.target);
        }
    }
    int width = 30; // the operations' column, as wide as the longest name
    for (const std::string& name : table.order)
        width = std::max(width, int(name.size()));
    std::printf("\n%-*s %8s %4s %10s %7s %9s %6s %13s %7s\n", width, "operation", "entries", "runs", "ms", "MB/s",
                "floor ms", "ratio", "spread", "growth");
    for (const std::string& name : table.order) {
        const Row* previous = nullptr;
        int previousSize = 0;
        for (const auto& [size, row] : table.rows[name]) {
            const RunStats& s = row.stats;
            const bool memory = row.kind == Row::Kind::Memory;
            if (!row.cannotRun.empty()) {
                std::printf("%-*s %8d  cannot run: %s\n", width, name.c_str(), size, row.cannotRun.c_str());
                if (row.target > 0)
                    missed.push_back(name + " at " + std::to_string(size) + " entries: cannot run: " + row.cannotRun);
                continue;
            }
            std::printf("%-*s %8d %4d %10.2f", width, name.c_str(), size, s.runs, s.ms);
            std::printf(" %7s", row.bytes > 0 && s.ms > 0 && !memory
                                    ? format("%.0f", row.bytes / 1e6 / (s.ms / 1e3)).c_str()
                                    : "");
            if (row.floor)
                std::printf(" %9.2f %6.2f %13s", s.floorMs, s.ratio,
                            (format("%.2f", s.ratioLow) + "-" + format("%.2f", s.ratioHigh)).c_str());
            else
                std::printf(" %9s %6s %13s", "", "", "");
            if (previous && !memory) {
                const double g = growth(*previous, row);
                std::printf(" %6.1fx", g);
                if (row.kind == Row::Kind::Operation && previousSize >= targetSize && g > maxGrowth)
                    missed.push_back(name + ": its ratio to its floor grows " + format("%.1f", g) + "x from "
                                     + std::to_string(previousSize) + " entries");
            }
            std::printf("\n");
            if (memory && row.target > 0 && s.ms > row.target)
                missed.push_back(name + " at " + std::to_string(size) + " entries: " + format("%.1f", s.ms)
                                 + " (target " + format("%.0f", row.target) + ")");
            else if (!memory && row.floor && row.target > 0 && s.ratio > row.target)
                missed.push_back(name + " at " + std::to_string(size) + " entries: " + format("%.2f", s.ratio)
                                 + "x its floor (target " + format("%.2f", row.target) + "x)");
            else if (!row.baseline.empty() && row.target > 0) {
                const auto base = table.rows[row.baseline].find(size);
                if (base == table.rows[row.baseline].end() || !base->second.cannotRun.empty())
                    missed.push_back(name + " at " + std::to_string(size) + " entries: no \"" + row.baseline
                                     + "\" to compare with");
                else if (s.ms - base->second.stats.ms > row.target)
                    missed.push_back(name + " at " + std::to_string(size) + " entries: "
                                     + format("%.2f", s.ms - base->second.stats.ms) + " ms above \"" + row.baseline
                                     + "\" (target " + format("%.0f", row.target) + " ms)");
            } else if (!memory && !row.floor && row.target > 0 && s.ms > row.target)
                missed.push_back(name + " at " + std::to_string(size) + " entries: " + format("%.1f", s.ms)
                                 + " ms (target " + format("%.0f", row.target) + " ms)");
            previous = &row;
            previousSize = size;
        }
    }
    return missed;
}

} // namespace

void BenchContext::reset() const
{
    QFile file(QDir(folder).filePath("ojwdata.txt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(diary) != diary.size()) {
        std::fprintf(stderr, "failed to write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

namespace {

// One run of the floor on the context's diary.
std::function<void()> floorRun(Floor floor, const BenchContext& c)
{
    const QString path = QDir(c.folder).filePath("ojwdata.txt");
    switch (floor) {
    case Floor::Headers:
        return [path] { sink = sink + Floors::readAndFindHeaders(path); };
    case Floor::Read:
        return [path] { sink = sink + Floors::readAndWalk(path); };
    case Floor::ReadWrite:
        return [path, &c] {
            sink = sink + Floors::readAndWalk(path);
            Floors::writeAndSync(c.folder, c.diary);
        };
    case Floor::ReadWriteAppend:
        return [path, &c] {
            Floors::appendAndSync(c.folder, c.diary.first(std::min<qsizetype>(c.diary.size(), 1024)));
            sink = sink + Floors::readAndWalk(path);
            Floors::writeAndSync(c.folder, c.diary);
        };
    case Floor::EmptyStartup:
        return [&c] { StartupProbe::probe(QCoreApplication::applicationFilePath(), c.emptyFolder); };
    }
    return {};
}

} // namespace

void BenchContext::compare(const std::string& name, Floor floor, double target, const RunPolicy& runs,
                           const std::function<void()>& operation) const
{
    report(Row{name, Row::Kind::Operation, interleavedRuns(floorRun(floor, *this), operation, target, runs),
               diary.size(), floor, target});
}

BenchCase::BenchCase(const char* name, Run run)
{
    registeredCases().emplace(name, std::move(run));
}

void BenchCase::runAll(const BenchContext& context, const std::vector<std::string>& only)
{
    for (const auto& [name, run] : registeredCases()) {
        if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end())
            continue;
        run(context);
        context.reset();
    }
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--startup-probe") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        StartupProbe::run(1, argv, QString::fromLocal8Bit(argv[2]));
    }

    // Widgets for the cases that time the pad, on no screen: as the
    // start-up probe does, offscreen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RunPolicy policy;
    std::vector<int> sizes;
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--case") == 0 && i + 1 < argc) {
            only.push_back(argv[++i]);
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            policy.minRuns = std::max(1, std::atoi(argv[++i]));
            policy.maxRuns = std::max(policy.maxRuns, policy.minRuns);
        } else if (const int size = std::atoi(argv[i]); size > 0) {
            sizes.push_back(size);
        } else {
            std::fprintf(stderr, "usage: ojw_bench [--runs N] [--case NAME]... [sizes...]\n");
            return 2;
        }
    }
    if (sizes.empty())
        sizes = {1000, 10000, 100000};

    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const DateSettings dates(locale);
    Table table;
    QTemporaryDir emptyFolder;

    for (int size : sizes) {
        std::fprintf(stderr, "%d entries ...\n", size);
        QTemporaryDir dir;
        BenchContext context{dir.path(), emptyFolder.path(), locale, dates, syntheticDiary(dates, size, firstDay),
                             size, firstDay, policy, [&](const Row& row) { table.add(size, row); }};
        context.reset();

        const auto floorRow = [&](const char* name, const std::function<void()>& run) {
            table.add(size, Row{name, Row::Kind::Floor, aloneRuns(run, policy), context.diary.size(), std::nullopt, 0});
        };
        floorRow("floor: read and find headers", floorRun(Floor::Headers, context));
        floorRow("floor: read and walk", floorRun(Floor::Read, context));
        floorRow("floor: write and sync", [&] { Floors::writeAndSync(dir.path(), context.diary); });

        BenchCase::runAll(context, only);
    }

    const std::vector<std::string> missed = printTable(table);
    if (missed.empty()) {
        std::printf("targets: all hold\n");
        return 0;
    }
    std::printf("targets missed:");
    for (const std::string& m : missed)
        std::printf("\n  %s", m.c_str());
    std::printf("\n");
    return 1;
}
