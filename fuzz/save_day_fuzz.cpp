// Saving a day into any file: every line outside the day's entries keeps its
// bytes and its place, the day ends up with exactly one entry (where its
// first one stood, or at the end) or none when the text is removed, every
// line ends in CR LF, no temporary file is left, and loading the day gives
// the saved text back.

#include "fuzz_support.h"
#include "store/entry_file.h"

#include <sys/stat.h>

namespace {

// A line of the pad that the file could take for a mark, and so would end
// or start an entry when read back.
bool looksLikeMark(QByteArrayView line)
{
    return line.startsWith(QByteArrayView("*!*")) || line == QByteArrayView("!*!");
}

// The pad's text as the fuzzer makes it, with lines that look like marks
// defused: the store writes the text as it is, and such lines are the
// user's to avoid.
QString padText(QByteArrayView bytes)
{
    QByteArray defused;
    qsizetype start = 0;
    for (;;) {
        qsizetype end = bytes.indexOf('\r', start);
        if (end < 0)
            end = bytes.size();
        if (looksLikeMark(bytes.sliced(start, end - start)))
            defused += 'x';
        defused += bytes.sliced(start, end - start);
        if (end == bytes.size())
            break;
        start = end + 1;
        defused += '\r';
        if (start < bytes.size() && bytes[start] == '\n') {
            defused += '\n';
            ++start;
        }
    }
    return QString::fromUtf8(defused);
}

// What loading gives back for a saved text: the text's lines as the file
// splits them, joined by CR LF, so a lone CR comes back as CR LF.
QString reloaded(const QString& text)
{
    QString back;
    const QList<QByteArray> lines = splitLines(TextCodec::encode(text) + "\r\n");
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
    const QString text = padText(input.untilNul());
    const QByteArray file = input.rest().toByteArray();

    const QList<QByteArray> lines = splitLines(file);
    const QDate day = chooseDay(dayChoice, lines, dates);
    const EntryFile entries(scratchFolder(), dates);
    writeFile(entries.path(), file);
    if (text.isEmpty())
        remove = true;

    const auto failure = entries.save(day, text, remove);
    FUZZ_CHECK(!failure, "the save succeeds");
    struct stat status;
    FUZZ_CHECK(::stat(entries.tempPath().toLocal8Bit().constData(), &status) != 0,
               "no temporary file is left");

    const QByteArray saved = readFile(entries.path());
    FUZZ_CHECK(saved.isEmpty() || saved.endsWith("\r\n"), "the file ends with a complete line");
    const QList<QByteArray> savedLines = splitLines(saved);
    // A lone CR stands only where the saved text itself has one.
    const auto loneCrs = [](const QByteArray& bytes) { return bytes.count('\r') - bytes.count("\r\n"); };
    FUZZ_CHECK(loneCrs(saved) == (remove ? 0 : loneCrs(TextCodec::encode(text) + "\r\n")),
               "every line ends in CR LF");

    const DayModel before = dayModel(lines, dates, day);
    const DayModel after = dayModel(savedLines, dates, day);
    FUZZ_CHECK(after.others == before.others, "every other line keeps its bytes and its order");
    if (remove) {
        FUZZ_CHECK(after.bodies.isEmpty(), "a removed day has no entry");
    } else {
        FUZZ_CHECK(after.bodies.size() == 1, "the day has one entry");
        const qsizetype place = before.firstEntryAt >= 0 ? before.firstEntryAt : before.others.size();
        FUZZ_CHECK(after.firstEntryAt == place, "the entry stands where the first one stood, or at the end");
    }

    QString back;
    FUZZ_CHECK(!entries.load(day, back), "the saved file loads");
    FUZZ_CHECK(back == (remove ? QString() : reloaded(text)), "loading gives the saved text back");
    return 0;
}
