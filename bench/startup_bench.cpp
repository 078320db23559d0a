// Start-up as the user sees it, from starting the program on the diary's
// folder to its first painted window, timed in turn with a start on an
// empty folder; and the memory the started program holds.

#include "bench_case.h"
#include "startup_probe.h"

#include <QCoreApplication>

#include <algorithm>
#include <vector>

namespace {

constexpr double startupTarget = 1.25;
constexpr double residentTargetMb = 40.0;

const BenchCase startup("start-up", [](const BenchContext& c) {
    std::vector<double> residentMb;
    c.compare("start-up to painted window", Floor::EmptyStartup, c.size >= targetSize ? startupTarget : 0, [&] {
        residentMb.push_back(StartupProbe::probe(QCoreApplication::applicationFilePath(), c.folder));
    });
    std::sort(residentMb.begin(), residentMb.end());
    RunStats memory;
    memory.runs = int(residentMb.size());
    memory.ms = residentMb[residentMb.size() / 2];
    c.report(Row{"start-up resident MB", Row::Kind::Memory, memory, 0, std::nullopt,
                 c.size >= targetSize ? residentTargetMb : 0});
});

} // namespace
