#pragma once

#include <QString>

// Start-up as the user sees it, measured in a child process so that the
// benchmark's own memory does not count: the child starts the program on the
// folder exactly as main() does and stops at the main window's first paint.
namespace StartupProbe {

// The child's side: prints "<milliseconds from main to the first paint>
// <resident kilobytes>" and ends the process. Never returns.
[[noreturn]] void run(int argc, char** argv, const QString& folder);

struct Result
{
    double ms = 0;      // from starting the process to the first paint
    double residentMb = 0;
};

// The parent's side: the median of the runs, the child being this program.
Result measure(const QString& program, const QString& folder, int runs);

} // namespace StartupProbe
