#pragma once

#include <QString>

// Start-up as the user sees it, measured in a child process so that the
// benchmark's own memory does not count: the child starts the program on the
// folder exactly as main() does and stops at the main window's first paint.
namespace StartupProbe {

// The child's side: prints "<milliseconds from main to the first paint>
// <resident kilobytes> <nanoseconds waited for a processor>" and ends the
// process. Never returns.
[[noreturn]] void run(int argc, char** argv, const QString& folder);

// The parent's side: starts the child, this program, and waits for its first
// paint. Returns the child's resident megabytes; the child's wait for a
// processor is left out of the run being timed.
double probe(const QString& program, const QString& folder);

} // namespace StartupProbe
