// Export All beside the floor of the same run (reading and walking the
// file, plus writing and syncing as many bytes), and the day-by-day
// reference export it replaces, on the sizes where that one still ends.

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
constexpr int referenceMaxSize = 10000;

const BenchCase exportAllCase("export all", [](const BenchContext& c) {
    const QString target = QDir(c.folder).filePath(QStringLiteral("OJWExport.txt"));
    const qint64 bytes = c.diary.size();

    const double ms = timeIt([&] {
        if (const auto failure = exportAll(c.folder, c.dates, 2, target)) {
            std::fprintf(stderr, "failed: %s\n", qPrintable(failure->message()));
            std::exit(1);
        }
    }, c.runs);
    c.measure({"export all", ms, bytes, Floor::ReadWrite, exportTarget});

    if (c.size > referenceMaxSize)
        return;
    const QString entryPath = QDir(c.folder).filePath(QStringLiteral("ojwdata.txt"));
    QByteArray expected;
    const double referenceMs = timeIt([&] {
        expected = ReferenceExport(entryPath, c.dates, 2).run();
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(expected) != expected.size()) {
            std::fprintf(stderr, "failed to write %s\n", qPrintable(target));
            std::exit(1);
        }
    }, c.size >= referenceMaxSize ? 1 : 3);
    c.measure({"export all, day by day (old)", referenceMs, bytes, Floor::ReadWrite, 0});
    QFile::remove(target);
});

} // namespace
