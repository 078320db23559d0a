#pragma once

#include "interleaved_runs.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include "platform/core/file_error.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class DateSettings;
class QLocale;

// What an operation is compared with: the pass over the file it makes
// (Floors), alone, on the same file, timed in turn with it.
enum class Floor {
    Headers,      // reading the file and finding its header lines
    Read,         // reading the file and walking its lines
    ReadWrite,    // reading and walking, plus writing as many bytes and syncing them
    ReadWriteAppend, // that, and first appending a record's bytes to another file and syncing them
    EmptyStartup, // starting the program on an empty folder
};

// The size at which every target is checked; loads and scans are held to
// theirs from there on.
inline constexpr int targetSize = 10000;

// One row of the table: one operation on one diary size.
struct Row
{
    enum class Kind {
        Operation, // timed alone or against its floor
        Floor,     // a floor timed alone: the machine, not the program
        Memory,    // megabytes, not milliseconds
    };

    Row() = default;
    Row(std::string name, Kind kind, const RunStats& stats, qint64 bytes, std::optional<Floor> floor, double target)
        : name(std::move(name)), kind(kind), stats(stats), bytes(bytes), floor(floor), target(target)
    {
    }

    std::string name;
    Kind kind = Kind::Operation;
    RunStats stats;
    qint64 bytes = 0;               // bytes the operation reads, for MB/s
    std::optional<Floor> floor;     // what the ratio is to
    double target = 0;              // the most the median ratio may be, or without a floor the median
                                    // time in ms (megabytes on a memory row); 0 = none
    std::string baseline;           // where named, the row of this size whose median ms the target
                                    // is added to: the most this row's median may exceed it
    std::string cannotRun;          // why the row has no timing; its target then counts as missed
};

// What a benchmark case gets for one diary size: the folder that holds the
// diary's ojwdata.txt, an empty folder beside it, the diary's bytes (to put
// the file back after a case changed it), how many runs a row takes, and
// the ways to time a row and to report one timed otherwise.
struct BenchContext
{
    QString folder;
    QString emptyFolder;
    const QLocale& locale;
    const DateSettings& dates;
    QByteArray diary;
    int size = 0;
    QDate firstDay;
    RunPolicy policy;
    std::function<void(const Row&)> report;

    // Times the operation in runs interleaved with its floor's and reports
    // the row. The target, when above 0, is the most the median ratio may be
    // at this size.
    void compare(const std::string& name, Floor floor, double target,
                 const std::function<void()>& operation) const
    {
        compare(name, floor, target, policy, operation);
    }
    void compare(const std::string& name, Floor floor, double target, const RunPolicy& runs,
                 const std::function<void()>& operation) const;

    // Writes the diary's bytes back to ojwdata.txt.
    void reset() const;
};

// A benchmark case registers itself from its own file:
//   static const BenchCase navigation("navigation", [](const BenchContext& c) { ... });
// Cases run in the order of their names for every diary size; each row is
// one call of c.compare.
class BenchCase
{
public:
    using Run = std::function<void(const BenchContext&)>;
    BenchCase(const char* name, Run run);

    // Every case, or only the ones named (--case NAME, for a quick look).
    static void runAll(const BenchContext& context, const std::vector<std::string>& only = {});
};

// Ends the benchmark when an operation fails: its timing would mean nothing.
inline void mustSucceed(const std::optional<FileError>& failure)
{
    if (failure) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(failure->message()));
        std::exit(1);
    }
}
