// Loading a day from any file: the loader never fails on a readable file,
// never changes it, and gives exactly the text of the day's entries as the
// plain model of the file reads them.

#include "fuzz_support.h"
#include "store/entry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const DateSettings& dates = fuzzDates(input.byte());
    const uint8_t dayChoice = input.byte();
    const QByteArray file = input.rest().toByteArray();

    const QList<QByteArray> lines = splitLines(file);
    const QDate day = chooseDay(dayChoice, lines, dates);
    const EntryFile entries(scratchFolder(), dates);
    writeFile(entries.path(), file);

    QString text;
    const auto failure = entries.load(day, text);
    FUZZ_CHECK(!failure, "a readable file loads");
    FUZZ_CHECK(text == loadedText(dayModel(lines, dates, day)), "the day's text is its entries' text");
    FUZZ_CHECK(readFile(entries.path()) == file, "loading leaves the file as it was");
    return 0;
}
