// The navigation and bold-day scans over any file: every line that starts
// like a header and whose date text reads as a day counts, wherever it
// stands, so the earliest, latest, next and previous day and the days
// marked in a calendar grid are those of the plain model's list of days.

#include "fuzz_support.h"
#include "store/entry_scan.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const DateSettings& dates = fuzzDates(input.byte());
    const uint8_t shownChoice = input.byte();
    const QByteArray file = input.rest().toByteArray();

    QList<QDate> days;
    for (const QByteArray& line : splitLines(file)) {
        if (!line.startsWith("*!*"))
            continue;
        if (const auto day = dates.read(TextCodec::decode(QByteArrayView(line).sliced(3)),
                                        DateSettings::Precision::DayOnly))
            days.append(*day);
    }
    // A day of the file, or one beside it, or one far from every day.
    const QDate shown = days.isEmpty() || shownChoice % 3 == 0
                            ? QDate(2026, 7, 12)
                            : days[shownChoice % days.size()].addDays(shownChoice % 3 == 1 ? 0 : 1);

    const EntryScan scan(scratchFolder(), dates);
    writeFile(QDir(scratchFolder()).filePath(QStringLiteral("ojwdata.txt")), file);

    const auto expect = [&](EntryScan::Target target, std::optional<QDate> wanted, const char* what) {
        std::optional<QDate> found;
        FUZZ_CHECK(!scan.find(target, shown, found), "the scan reads the file");
        FUZZ_CHECK(found == wanted, what);
    };
    std::optional<QDate> earliest, latest, next, previous;
    for (const QDate& day : days) {
        if (!earliest || day < *earliest)
            earliest = day;
        if (!latest || day > *latest)
            latest = day;
        if (day > shown && (!next || day < *next))
            next = day;
        if (day < shown && (!previous || day > *previous))
            previous = day;
    }
    expect(EntryScan::Target::Earliest, earliest, "the earliest day is the smallest");
    expect(EntryScan::Target::Latest, latest, "the latest day is the largest");
    expect(EntryScan::Target::Next, next, "the next day is the smallest after the shown one");
    expect(EntryScan::Target::Previous, previous, "the previous day is the largest before the shown one");

    // The grid around the shown day, starting some days before it.
    const QDate start = shown.addDays(-(shownChoice % 42));
    bool flags[EntryScan::gridDays] = {};
    FUZZ_CHECK(!scan.markDays(start, flags), "the bold-day scan reads the file");
    for (int i = 0; i < EntryScan::gridDays; ++i)
        FUZZ_CHECK(flags[i] == days.contains(start.addDays(i)), "a day is bold exactly when a header names it");
    return 0;
}
