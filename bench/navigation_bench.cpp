// The four navigation scans and the calendar's bold-day scan, each timed in
// turn with its floor: reading the file and finding its header lines. A
// scan adds only the reading of the header dates to that.

#include "bench_case.h"

#include "store/entry_scan.h"

#include <array>

namespace {

constexpr double scanTarget = 2.0;

const BenchCase navigation("navigation", [](const BenchContext& c) {
    const EntryScan scan(c.folder, c.dates);
    const QDate middle = c.firstDay.addDays(c.size / 2);
    const double target = c.size >= targetSize ? scanTarget : 0;

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
        c.compare(command.name, Floor::Headers, target,
                  [&] { mustSucceed(scan.find(command.target, middle, day)); });
        // Every command has a target from the middle of the diary; a scan
        // that finds none has read nothing worth timing.
        if (!day) {
            std::fprintf(stderr, "failed: %s found no day\n", command.name);
            std::exit(1);
        }
    }

    std::array<bool, EntryScan::gridDays> flags{};
    c.compare("bold days", Floor::Headers, target, [&] { mustSucceed(scan.markDays(middle, flags)); });
    if (!flags[0]) {
        std::fprintf(stderr, "failed: the bold days miss the first day of the grid\n");
        std::exit(1);
    }
});

} // namespace
