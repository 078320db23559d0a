#pragma once

#include <QtGlobal>

#include <functional>

// How many runs a row of the table takes. Every row takes minRuns. A row
// with a target goes on, while runs and time are left, until the median of
// its ratios lies clearly on one side of the target: until the median's
// 95% confidence interval, from the ratios' order, leaves the target out.
struct RunPolicy
{
    int minRuns = 9;
    int maxRuns = 41;
    double budgetSeconds = 20;
    bool warmUp = true; // one untimed pair first, so caches and allocator settle
};

// How long this thread has waited, in all, for a processor that other
// programs held: from the kernel's scheduler statistics, in nanoseconds;
// -1 where the kernel keeps none.
qint64 runQueueWaitNs();

// Within an operation being timed: time it spent waiting that is not its
// own, such as a child process's wait for a processor.
void excludeFromTiming(qint64 ns);

// What a row's runs measured. A run's time is the wall-clock time less the
// time the thread (and any child it declares) waited for a processor held
// by other programs: on a machine shared with others, a run that is
// preempted does not count the others' work as its own. Waiting for the
// disk counts.
struct RunStats
{
    int runs = 0;
    double ms = 0;        // the operation's median time
    double floorMs = 0;   // the floor's median time; 0 without a floor
    double ratio = 0;     // the median of the runs' ratios, operation to floor
    double ratioLow = 0;  // the ratios' 25th percentile
    double ratioHigh = 0; // and their 75th
};

// Runs floor, operation, floor, operation, ...: each ratio is taken from
// two runs a moment apart, so other work on the machine either slows both
// or spoils one ratio among many, and the median passes over it.
RunStats interleavedRuns(const std::function<void()>& floor, const std::function<void()>& operation,
                         double target, const RunPolicy& policy);

// The operation alone, policy.minRuns times; prepare, where given, before
// each run, untimed.
RunStats aloneRuns(const std::function<void()>& operation, const RunPolicy& policy,
                   const std::function<void()>& prepare = {});
