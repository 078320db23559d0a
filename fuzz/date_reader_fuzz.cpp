// The date reader: whatever text it accepts as a day, the header writer's
// text for that day reads back as the same day, under the same settings;
// a day read exactly is the day read to the day; and the header reader of
// the scans reads the bytes as the date reader reads their text.

#include "fuzz_support.h"
#include "files/text_codec.h"
#include "store/header_date_reader.h"

#include <QDate>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const DateSettings& dates = fuzzDates(input.byte());
    const QByteArrayView bytes = input.rest();
    // Decoded as the entry store decodes a header's date text.
    const QString text = TextCodec::decode(bytes);

    const std::optional<QDate> exact = dates.read(text, DateSettings::Precision::Exact);
    const std::optional<QDate> dayOnly = dates.read(text, DateSettings::Precision::DayOnly);
    for (const std::optional<QDate>& day : {exact, dayOnly}) {
        if (!day)
            continue;
        FUZZ_CHECK(day->isValid(), "an accepted text names a valid day");
        FUZZ_CHECK(*day >= QDate(100, 1, 1) && *day <= QDate(9999, 12, 31), "the day is in range");
        const QString header = dates.headerText(*day);
        FUZZ_CHECK(dates.read(header, DateSettings::Precision::Exact) == *day,
                   "the header text of the day reads back exactly as the day");
        FUZZ_CHECK(dates.read(header, DateSettings::Precision::DayOnly) == *day,
                   "the header text of the day reads back to the day");
    }
    FUZZ_CHECK(HeaderDateReader(dates, DateSettings::Precision::Exact).read(bytes) == exact,
               "the header reader reads a text exactly as the date reader does");
    FUZZ_CHECK(HeaderDateReader(dates, DateSettings::Precision::DayOnly).read(bytes) == dayOnly,
               "the header reader reads a text to the day as the date reader does");
    if (exact)
        FUZZ_CHECK(dayOnly == exact, "a text read exactly reads as the same day to the day");
    return 0;
}
