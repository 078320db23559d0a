// Loading and saving the middle day. Loading reads the headers and the
// day's body, so its floor is finding the headers; saving copies every line
// and syncs the new file, so its floor is walking the lines, writing as
// many bytes and syncing them.

#include "bench_case.h"

#include "store/entry_file.h"

namespace {

constexpr double loadTarget = 2.0;
constexpr double saveTarget = 1.5;

const BenchCase entryFile("entry file", [](const BenchContext& c) {
    const EntryFile entries(c.folder, c.dates);
    const QDate middle = c.firstDay.addDays(c.size / 2);

    QString text;
    c.compare("load a day", Floor::Headers, c.size >= targetSize ? loadTarget : 0,
              [&] { mustSucceed(entries.load(middle, text)); });
    if (text.isEmpty()) {
        std::fprintf(stderr, "failed: the middle day loads empty\n");
        std::exit(1);
    }
    // As the program saves: with the day's text as it was last loaded or
    // saved.
    QString shown = text;
    c.compare("save a day, with sync", Floor::ReadWrite, c.size == targetSize ? saveTarget : 0, [&] {
        const EntryFile::SaveResult result = entries.save(middle, QStringLiteral("New text\r\nfor the day"), false, shown);
        mustSucceed(result.error);
        shown = result.text;
    });
});

} // namespace
