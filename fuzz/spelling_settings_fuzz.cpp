// The spelling settings file, whatever it holds: it reads without failing,
// gives a language that is a tag or nothing, and once the values are
// written, they read back as the same values.

#include "fuzz_support.h"
#include "settings/spelling_settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const SpellingSettingsFile settings(scratchFolder());
    writeFile(settings.path(), QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    SpellingSettings values;
    FUZZ_CHECK(!settings.load(values), "any spelling settings file reads");
    FUZZ_CHECK(values.language.isEmpty() || SpellingSettingsFile::isLanguageTag(values.language),
               "the language is a tag or nothing");

    FUZZ_CHECK(!settings.save(values), "the values are written");
    FUZZ_CHECK_BYTES(readFile(settings.path()), settings.format(values), "the file holds the values' bytes");
    SpellingSettings again;
    FUZZ_CHECK(!settings.load(again), "the written file reads");
    FUZZ_CHECK(again == values, "written values read back as the same values");
    return 0;
}
