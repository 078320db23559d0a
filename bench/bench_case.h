#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include "platform/core/file_error.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

class DateSettings;
class QLocale;

// What an operation is compared with: the fastest the machine can do the
// same work on the same file in the same run.
enum class Floor {
    None,      // no floor: only the time and the growth are shown
    Read,      // reading the file and walking its lines
    ReadWrite, // the same, plus writing as many bytes and syncing them
};

// One timed operation on one diary size.
struct Measure
{
    std::string name;
    double ms = 0;       // median of the runs
    qint64 bytes = 0;    // bytes the operation reads, for MB/s
    Floor floor = Floor::None;
    double target = 0;   // the most the ratio to the floor may be; 0 = none
};

// What one benchmark case gets for one diary size: the folder that holds the
// diary's ojwdata.txt, the diary's bytes (to put the file back after a case
// changed it), the floors measured on it, and the way to report a timing.
struct BenchContext
{
    QString folder;
    const QLocale& locale;
    const DateSettings& dates;
    QByteArray diary;
    int size = 0;
    QDate firstDay;
    int runs = 7;
    std::function<void(const Measure&)> measure;

    // A timing without a floor.
    void record(const std::string& name, double ms, qint64 bytes) const
    {
        measure(Measure{name, ms, bytes, Floor::None, 0});
    }

    // Writes the diary's bytes back to ojwdata.txt.
    void reset() const;
};

// The median of the runs, in milliseconds.
double timeIt(const std::function<void()>& operation, int runs = 7);

// A benchmark case registers itself from its own file:
//   static const BenchCase navigation("navigation", [](const BenchContext& c) { ... });
// Cases run in the order of their names for every diary size.
class BenchCase
{
public:
    using Run = std::function<void(const BenchContext&)>;
    BenchCase(const char* name, Run run);

    static void runAll(const BenchContext& context);
};

// Ends the benchmark when an operation fails: its timing would mean nothing.
inline void mustSucceed(const std::optional<FileError>& failure)
{
    if (failure) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(failure->message()));
        std::exit(1);
    }
}
