#include "interleaved_runs.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 excludedNs = 0;

double timed(const std::function<void()>& operation)
{
    excludedNs = 0;
    const qint64 waitedBefore = runQueueWaitNs();
    QElapsedTimer timer;
    timer.start();
    operation();
    qint64 ns = timer.nsecsElapsed();
    const qint64 waitedAfter = runQueueWaitNs();
    if (waitedBefore >= 0 && waitedAfter >= waitedBefore)
        ns -= waitedAfter - waitedBefore;
    ns -= excludedNs;
    return std::max<qint64>(ns, 0) / 1e6;
}

// The p-quantile of sorted values, between the two nearest ranks.
double quantile(const std::vector<double>& sorted, double p)
{
    const double at = p * double(sorted.size() - 1);
    const size_t below = size_t(at);
    const size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (at - double(below)) * (sorted[above] - sorted[below]);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return quantile(values, 0.5);
}

// Whether the sorted ratios settle the target: the median's 95% confidence
// interval (the ranks n/2 -+ 0.98 sqrt(n), a binomial count of the ratios
// below the true median) lies wholly below or wholly above it.
bool settles(const std::vector<double>& sorted, double target)
{
    const double n = double(sorted.size());
    const long k = long(std::floor((n - 1.96 * std::sqrt(n)) / 2));
    if (k < 0)
        return false;
    return sorted[size_t(k)] > target || sorted[sorted.size() - 1 - size_t(k)] < target;
}

} // namespace

qint64 runQueueWaitNs()
{
    // The file is opened once and read afresh at each call; the benchmark
    // times everything on its main thread, the thread that opens it.
    static const int fd = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char text[128];
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return -1;
    text[n] = '\0';
    unsigned long long running = 0;
    unsigned long long waiting = 0;
    if (std::sscanf(text, "%llu %llu", &running, &waiting) != 2)
        return -1;
    return qint64(waiting);
}

void excludeFromTiming(qint64 ns)
{
    if (ns > 0)
        excludedNs += ns;
}

RunStats interleavedRuns(const std::function<void()>& floor, const std::function<void()>& operation,
                         double target, const RunPolicy& policy)
{
    if (policy.warmUp) {
        floor();
        operation();
    }
    std::vector<double> floorTimes;
    std::vector<double> times;
    std::vector<double> ratios;
    QElapsedTimer budget;
    budget.start();
    for (;;) {
        const double floorMs = timed(floor);
        const double ms = timed(operation);
        floorTimes.push_back(floorMs);
        times.push_back(ms);
        ratios.push_back(floorMs > 0 ? ms / floorMs : 0);
        const int runs = int(ratios.size());
        if (runs < policy.minRuns)
            continue;
        std::vector<double> sorted = ratios;
        std::sort(sorted.begin(), sorted.end());
        if (target <= 0 || runs >= policy.maxRuns || settles(sorted, target)
            || budget.elapsed() > policy.budgetSeconds * 1000)
            break;
    }
    std::sort(ratios.begin(), ratios.end());
    return RunStats{int(ratios.size()), median(times), median(floorTimes), quantile(ratios, 0.5),
                    quantile(ratios, 0.25), quantile(ratios, 0.75)};
}

RunStats aloneRuns(const std::function<void()>& operation, const RunPolicy& policy,
                   const std::function<void()>& prepare)
{
    if (policy.warmUp) {
        if (prepare)
            prepare();
        operation();
    }
    std::vector<double> times;
    for (int i = 0; i < std::max(1, policy.minRuns); ++i) {
        if (prepare)
            prepare();
        times.push_back(timed(operation));
    }
    return RunStats{int(times.size()), median(times), 0, 0, 0, 0};
}
