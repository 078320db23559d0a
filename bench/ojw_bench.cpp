// Times the diary's operations on synthetic diaries of growing size and
// prints one table: the median time, the throughput, the floor measured in
// the same run on the same file, the ratio to it, and the growth from one
// size to the next. It ends with the targets it checks, one line:
// "targets: all hold" or "targets missed: ...".
//
// Usage: ojw_bench [--runs N] [sizes...]   (default 1000 10000 100000)

#include "bench_case.h"
#include "floors.h"
#include "startup_probe.h"
#include "synthetic_diary.h"

#include "platform/core/date_settings.h"
#include "platform/core/file_error.h"
#include "store/entry_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

const QDate firstDay(1990, 1, 1);

// The size at which the ratios to the floors are held to their targets, and
// the growth that the next size may cost at most.
constexpr int targetSize = 10000;
constexpr double maxGrowth = 12.0;
constexpr double startupRatio = 1.25;
constexpr double startupResidentMb = 40.0;

std::map<std::string, BenchCase::Run>& registeredCases()
{
    static std::map<std::string, BenchCase::Run> cases;
    return cases;
}

struct Row
{
    Measure measure;
    double floorMs = 0;
};

// Rows by operation, in the order they were first reported, one per size.
struct Table
{
    std::vector<std::string> order;
    std::map<std::string, std::map<int, Row>> rows;

    void add(int size, const Row& row)
    {
        if (!rows.count(row.measure.name))
            order.push_back(row.measure.name);
        rows[row.measure.name][size] = row;
    }
};

} // namespace

double timeIt(const std::function<void()>& operation, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        operation();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void BenchContext::reset() const
{
    QFile file(QDir(folder).filePath("ojwdata.txt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(diary) != diary.size()) {
        std::fprintf(stderr, "failed to write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

BenchCase::BenchCase(const char* name, Run run)
{
    registeredCases().emplace(name, std::move(run));
}

void BenchCase::runAll(const BenchContext& context)
{
    for (const auto& [name, run] : registeredCases()) {
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

    QCoreApplication app(argc, argv);
    int runs = 7;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {1000, 10000, 100000};

    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const DateSettings dates(locale);
    Table table;
    std::vector<std::string> missed;

    QTemporaryDir emptyFolder;
    const StartupProbe::Result emptyStartup =
        StartupProbe::measure(QCoreApplication::applicationFilePath(), emptyFolder.path(), runs);
    table.add(0, Row{Measure{"start-up, empty folder", emptyStartup.ms, 0, Floor::None, 0}, 0});

    for (int size : sizes) {
        std::fprintf(stderr, "%d entries ...\n", size);
        QTemporaryDir dir;
        const QByteArray diary = syntheticDiary(dates, size, firstDay);
        const QString dataPath = QDir(dir.path()).filePath("ojwdata.txt");
        const EntryFile entries(dir.path(), dates);
        const QDate middle = firstDay.addDays(size / 2);

        BenchContext context{dir.path(), locale, dates, diary, size, firstDay, runs, {}};
        context.reset();

        volatile qint64 sink = 0;
        const double readFloor = timeIt([&] { sink = sink + Floors::readAndWalk(dataPath); }, runs);
        const double writeFloor = timeIt([&] { Floors::writeAndSync(dir.path(), diary); }, runs);
        context.measure = [&](const Measure& m) {
            const double floorMs = m.floor == Floor::Read        ? readFloor
                                   : m.floor == Floor::ReadWrite ? readFloor + writeFloor
                                                                 : 0;
            table.add(size, Row{m, floorMs});
        };
        context.record("floor: read and walk", readFloor, diary.size());
        context.record("floor: write and sync", writeFloor, diary.size());

        QString text;
        context.measure({"load a day", timeIt([&] { mustSucceed(entries.load(middle, text)); }, runs),
                         diary.size(), Floor::Read, 2.0});
        context.measure({"save a day, with sync",
                         timeIt([&] { mustSucceed(entries.save(middle, QStringLiteral("New text\r\nfor the day"), false)); },
                                runs),
                         diary.size(), Floor::ReadWrite, 1.5});
        context.reset();

        BenchCase::runAll(context);

        const StartupProbe::Result startup =
            StartupProbe::measure(QCoreApplication::applicationFilePath(), dir.path(), runs);
        table.add(size, Row{Measure{"start-up to painted window", startup.ms, diary.size(), Floor::None, 0},
                            emptyStartup.ms});
        table.add(size, Row{Measure{"start-up resident MB", startup.residentMb, 0, Floor::None, 0}, 0});
        if (size == targetSize) {
            if (startup.ms > startupRatio * emptyStartup.ms)
                missed.push_back("start-up is more than 1.25x the empty folder's");
            if (startup.residentMb > startupResidentMb)
                missed.push_back("start-up resident memory above 40 MB");
        }
    }

    std::printf("%-30s %8s %10s %9s %10s %6s %7s\n", "operation", "entries", "ms", "MB/s", "floor ms",
                "ratio", "growth");
    for (const std::string& name : table.order) {
        const Row* previous = nullptr;
        int previousSize = 0;
        for (const auto& [size, row] : table.rows[name]) {
            const Measure& m = row.measure;
            const bool memory = name == "start-up resident MB";
            std::printf("%-30s %8d %10.2f", name.c_str(), size, m.ms);
            if (m.bytes > 0 && m.ms > 0 && !memory)
                std::printf(" %9.0f", m.bytes / 1e6 / (m.ms / 1e3));
            else
                std::printf(" %9s", "");
            if (row.floorMs > 0)
                std::printf(" %10.2f %6.2f", row.floorMs, m.ms / row.floorMs);
            else
                std::printf(" %10s %6s", "", "");
            if (previous && previous->measure.ms > 0 && !memory) {
                const double growth = m.ms / previous->measure.ms;
                std::printf(" %6.1fx", growth);
                if (previousSize == targetSize && growth > maxGrowth)
                    missed.push_back(name + " grows " + std::to_string(growth) + "x from 10,000 entries");
            }
            std::printf("\n");
            if (size == targetSize && m.target > 0 && row.floorMs > 0 && m.ms > m.target * row.floorMs)
                missed.push_back(name + " at " + std::to_string(m.ms / row.floorMs) + "x its floor (target "
                                 + std::to_string(m.target) + "x)");
            previous = &row;
            previousSize = size;
        }
    }

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
