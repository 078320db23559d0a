// The four navigation scans and the calendar's bold-day scan, each beside
// the floor of the same run: reading the file and walking its lines. A scan
// only adds the reading of its header dates to that.

#include "bench_case.h"

#include "platform/core/file_error.h"
#include "store/entry_scan.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr double scanTarget = 2.0;

const BenchCase navigation("navigation", [](const BenchContext& c) {
    const qint64 bytes = c.diary.size();
    const EntryScan scan(c.folder, c.dates);
    const QDate middle = c.firstDay.addDays(c.size / 2);

    const struct
    {
        const char* name;
        EntryScan::Target target;
    } commands[] = {
        {"earliest entry", EntryScan::Target::Earliest},
        {"latest entry", EntryScan::Target::Latest},
        {"next entry", EntryScan::Target::Next},
        {"previous entry", EntryScan::Target::Previous},
    };
    for (const auto& command : commands) {
        std::optional<QDate> day;
        const double ms = timeIt([&] { mustSucceed(scan.find(command.target, middle, day)); }, c.runs);
        // Every command has a target from the middle of the diary; a scan
        // that finds none has read nothing worth timing.
        if (!day) {
            std::fprintf(stderr, "failed: %s found no day\n", command.name);
            std::exit(1);
        }
        c.measure({command.name, ms, bytes, Floor::Read, scanTarget});
    }

    std::array<bool, EntryScan::gridDays> flags{};
    const double ms = timeIt([&] { mustSucceed(scan.markDays(middle, flags)); }, c.runs);
    if (!flags[0]) {
        std::fprintf(stderr, "failed: the bold days miss the first day of the grid\n");
        std::exit(1);
    }
    c.measure({"bold days", ms, bytes, Floor::Read, scanTarget});
});

} // namespace
