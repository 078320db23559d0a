// Saving a day into any file: every line outside the day's entries keeps its
// bytes and its place (an entry left open at the end of the file gets its
// end line before a new one is appended), the day ends up with exactly one
// entry (where its first one stood, or at the end) or none when the text is
// removed, no temporary file is left, a save that changes nothing writes
// nothing, and loading the day gives the saved text back.

#include "fuzz_support.h"
#include "store/entry_file.h"

#include <sys/stat.h>

namespace {

// What loading gives back for a saved text: the text's lines as the file
// splits them, joined by CR LF, so a lone CR comes back as CR LF.
QString reloaded(const QString& text)
{
    QString back;
    const QList<QByteArray> lines = splitAtCr(TextCodec::encode(text) + "\r\n");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            back += u"\r\n";
        back += TextCodec::decode(lines[i]);
    }
    return back;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const DateSettings& dates = fuzzDates(input.byte());
    const uint8_t dayChoice = input.byte();
    bool remove = (input.byte() & 0x0F) == 0;
    // Any text, lines that look like marks included.
    const QString text = QString::fromUtf8(input.untilNul());
    const QByteArray file = input.rest().toByteArray();

    const QList<QByteArray> lines = splitLines(file);
    const QDate day = chooseDay(dayChoice, lines, dates);
    const EntryFile entries(scratchFolder(), dates);
    writeFile(entries.path(), file);
    if (text.isEmpty())
        remove = true;

    // As the program saves: with the day's text as it was shown.
    QString shown;
    FUZZ_CHECK(!entries.load(day, shown), "the day loads");
    const EntryFile::SaveResult result = entries.save(day, text, remove, shown);
    FUZZ_CHECK(!result.error, "the save succeeds");
    FUZZ_CHECK(!result.merged, "a day unchanged since it was shown is not merged");
    struct stat status;
    FUZZ_CHECK(::stat(entries.tempPath().toLocal8Bit().constData(), &status) != 0,
               "no temporary file is left");

    const QByteArray saved = readFile(entries.path());
    const QList<QByteArray> savedLines = splitLines(saved);
    // A save that changes nothing leaves the file as it was; one that
    // writes keeps other lines' own line ends, but a file that has no CR at
    // all gets CR LF throughout, as the entry written into it has.
    const bool dayChanged = !result.days.isEmpty() && result.days.first().before != result.days.first().after;
    FUZZ_CHECK(dayChanged || !result.written || saved != file, "nothing is written for nothing");
    if (saved != file && !file.contains('\r') && !text.contains(u'\n'))
        FUZZ_CHECK(saved.count('\n') == saved.count("\r\n"), "a file of LF lines gets CR LF throughout");

    const DayModel before = dayModel(lines, dates, day);
    const DayModel after = dayModel(savedLines, dates, day);
    // One is added only before a first line that starts with a mark's bytes.
    FUZZ_CHECK(saved.startsWith(byteOrderMark) == file.startsWith(byteOrderMark)
                   || (saved.startsWith(byteOrderMark) && saved.sliced(3).startsWith(byteOrderMark)),
               "a byte-order mark stays, and none is added");
    // An entry appended after one left open at the end of the file would
    // become part of it: that one is closed first.
    const bool appended = !remove && before.firstEntryAt < 0;
    QList<QByteArray> others = before.others;
    if (appended && before.endsInsideEntry)
        others.append("!*!");
    FUZZ_CHECK(after.others == others, "every other line keeps its bytes and its order");
    if (remove) {
        FUZZ_CHECK(after.bodies.isEmpty(), "a removed day has no entry");
    } else {
        FUZZ_CHECK(after.bodies.size() == 1, "the day has one entry");
        const qsizetype place = appended ? others.size() : before.firstEntryAt;
        FUZZ_CHECK(after.firstEntryAt == place, "the entry stands where the first one stood, or at the end");
    }

    QString back;
    FUZZ_CHECK(!entries.load(day, back), "the saved file loads");
    FUZZ_CHECK(back == (remove ? QString() : reloaded(text)), "loading gives the saved text back");
    return 0;
}
