// Loading and saving the middle day. Loading reads the headers and the
// day's body, so its floor is finding the headers; saving copies every line
// and syncs the new file, so its floor is walking the lines, writing as
// many bytes and syncing them. A save records the day's texts in the
// history first, as the program's saves do: its floor first appends a
// kilobyte, about a record, to a file of its own and syncs it too.

#include "bench_case.h"

#include "history/history.h"
#include "store/entry_file.h"

#include <QFile>

namespace {

constexpr double loadTarget = 2.0;
constexpr double saveTarget = 1.5;

const BenchCase entryFile("entry file", [](const BenchContext& c) {
    EntryFile entries(c.folder, c.dates);
    History history(c.folder, QStringLiteral("bench"));
    entries.setRecorder(&history);
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
    // Each save changes the day, so each one is recorded.
    int saves = 0;
    c.compare("save a day, with history", Floor::ReadWriteAppend, c.size == targetSize ? saveTarget : 0, [&] {
        const QString text = QStringLiteral("New text\r\nfor the day, save %1").arg(++saves);
        const EntryFile::SaveResult result = entries.save(middle, text, false, shown);
        mustSucceed(result.error);
        if (result.unrecorded) {
            std::fprintf(stderr, "failed: a save went unrecorded\n");
            std::exit(1);
        }
        shown = result.text;
    });
    QFile::remove(history.path());
});

} // namespace
