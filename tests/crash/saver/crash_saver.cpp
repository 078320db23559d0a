// The saver of the crash test: from the given step on, saves the plan's
// entries into the entry file of the given folder, one after the other,
// and writes each finished step's number to standard output, until it is
// killed. Ends with status 2 when a save fails. Step 0 is Clear All, once.

#include "crash_plan.h"
#include "history/history.h"
#include "store/entry_file.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: crash_saver <folder> <first step>\n");
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int64_t first = std::atoll(argv[2]);
    const DateSettings dates(CrashPlan::locale());
    EntryFile entries(folder, dates);
    History history(folder, CrashPlan::machine);
    entries.setRecorder(&history);
    if (first == 0) {
        const auto failure = entries.clear().error;
        return failure || ::write(STDOUT_FILENO, "0\n", 2) != 2 ? 2 : 0;
    }
    for (int64_t step = first; step < first + 100000; ++step) {
        // As the program saves: with the day's text as it was shown.
        const QDate day = CrashPlan::dayOf(step);
        QString shown;
        auto failure = entries.load(day, shown);
        if (!failure)
            failure = entries.save(day, CrashPlan::textOf(step), CrashPlan::removes(step), shown).error;
        if (failure) {
            std::fprintf(stderr, "step %lld: %s\n", static_cast<long long>(step),
                         qPrintable(failure->message()));
            return 2;
        }
        char line[32];
        const int n = std::snprintf(line, sizeof line, "%lld\n", static_cast<long long>(step));
        if (::write(STDOUT_FILENO, line, size_t(n)) != n)
            return 3;
    }
    return 0;
}
