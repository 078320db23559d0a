// Times the diary's operations on synthetic diaries of growing size and
// prints milliseconds, throughput, and the growth from one size to the next.
// Usage: ojw_bench [sizes...]   (default 1000 10000 100000)

#include "bench_case.h"
#include "synthetic_diary.h"

#include "app/frm_ojw.h"
#include "app/program.h"
#include "platform/core/clock.h"
#include "platform/core/date_settings.h"
#include "platform/widgets/scripted_message_box.h"
#include "store/entry_file.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

const QDate firstDay(1990, 1, 1);

std::map<std::string, BenchCase::Run>& registeredCases()
{
    static std::map<std::string, BenchCase::Run> cases;
    return cases;
}

void check(const std::optional<FileError>& error)
{
    if (error) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(error->message()));
        std::exit(1);
    }
}

} // namespace

double timeIt(const std::function<void()>& operation, int runs)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        operation();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000, 10000, 100000};

    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const DateSettings dates(locale);
    std::map<std::string, std::vector<double>> results;
    std::vector<std::string> order;
    const auto record = [&](const std::string& name, double ms, qint64 bytes, int size) {
        if (!results.count(name))
            order.push_back(name);
        results[name].push_back(ms);
        std::printf("%8d entries  %-28s %9.2f ms  %8.1f MB/s\n", size, name.c_str(), ms,
                    ms > 0 ? bytes / 1e6 / (ms / 1e3) : 0.0);
    };

    for (int size : sizes) {
        QTemporaryDir dir;
        const QByteArray diary = syntheticDiary(dates, size, firstDay);
        const auto reset = [&] {
            QFile file(QDir(dir.path()).filePath("ojwdata.txt"));
            file.open(QIODevice::WriteOnly);
            file.write(diary);
        };
        reset();
        const EntryFile entries(dir.path(), dates);
        const QDate middle = firstDay.addDays(size / 2);
        const QDate absent = firstDay.addDays(size * 2);
        QString text;

        record("load a day", timeIt([&] { check(entries.load(middle, text)); }), diary.size(), size);
        record("save a day (rewrite)",
               timeIt([&] { check(entries.save(middle, QStringLiteral("New text\r\nfor the day"), false)); }),
               diary.size(), size);
        reset();
        record("save a day (append)", timeIt([&] {
                   check(entries.save(absent, QStringLiteral("A new day"), false));
                   check(entries.save(absent, QString(), true));
               }) / 2,
               diary.size(), size);
        reset();

        // Start-up to the first shown entry: the window's load and first
        // activation, which reads today's entry.
        FixedClock clock(middle);
        ScriptedMessageBox messages;
        record("start-up to first entry", timeIt([&] {
                   Program program(dir.path(), locale, clock, messages);
                   program.start();
               }, 3),
               diary.size(), size);

        const BenchContext context{dir.path(), locale, dates, diary, size, firstDay,
                                   [&](const std::string& name, double ms, qint64 bytes) {
                                       record(name, ms, bytes, size);
                                   }};
        BenchCase::runAll(context);
    }

    if (sizes.size() > 1) {
        std::printf("\ngrowth from one size to the next (time ratio / size ratio):\n");
        for (const std::string& name : order) {
            std::printf("  %-28s", name.c_str());
            const auto& ms = results[name];
            for (size_t i = 1; i < ms.size(); ++i)
                std::printf("  x%.1f / x%.0f", ms[i] / ms[i - 1], double(sizes[i]) / sizes[i - 1]);
            std::printf("\n");
        }
    }
    return 0;
}
