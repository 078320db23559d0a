// Export All timed in turn with its floor (reading and walking the file,
// plus writing and syncing as many bytes), and the day-by-day reference
// export it replaces, on the smallest size.

#include "bench_case.h"

#include "../tests/export/reference_export.h"

#include "export/export_all.h"
#include "platform/core/file_error.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr double exportTarget = 3.0;
// Over a minute a run at 10,000 entries: the smallest size shows the gap.
constexpr int referenceMaxSize = 1000;

const BenchCase exportAllCase("export all", [](const BenchContext& c) {
    const QString target = QDir(c.folder).filePath(QStringLiteral("OJWExport.txt"));

    c.compare("export all", Floor::ReadWrite, c.size == targetSize ? exportTarget : 0,
              [&] { mustSucceed(exportAll(c.folder, c.dates, 2, target)); });

    if (c.size > referenceMaxSize)
        return;
    const QString entryPath = QDir(c.folder).filePath(QStringLiteral("ojwdata.txt"));
    // A second a run: a few runs, no warm-up.
    const int runs = 3;
    c.compare("export all, day by day (old)", Floor::ReadWrite, 0, RunPolicy{runs, runs, 0, false}, [&] {
        const QByteArray expected = ReferenceExport(entryPath, c.dates, 2).run();
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(expected) != expected.size()) {
            std::fprintf(stderr, "failed to write %s\n", qPrintable(target));
            std::exit(1);
        }
    });
    QFile::remove(target);
});

} // namespace
