#pragma once

#include "platform/core/file_error.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What the pad's spelling keeps from one run to the next.
struct SpellingSettings
{
    // The dictionary the user chose, as a tag ("en_GB"); empty: the one
    // for the user's locale.
    QString language;
    bool check = true;

    bool operator==(const SpellingSettings&) const = default;
};

// The spelling's own small settings file beside the settings file: the
// language on the first line, "True" or "False" for checking on the second.
// A line that does not read keeps its default.
class SpellingSettingsFile
{
public:
    static constexpr const char* fileName = "ojwspelling.txt";
    // No dictionary's tag is nearly this long.
    static constexpr qsizetype maxLanguageLength = 64;

    explicit SpellingSettingsFile(const QString& folder);

    QString path() const;

    // A missing file leaves the values as they are and is no failure.
    std::optional<FileError> load(SpellingSettings& values) const;
    // Written beside the old file and renamed over it; see SettingLines::write.
    std::optional<FileError> save(const SpellingSettings& values, bool* written = nullptr) const;
    QByteArray format(const SpellingSettings& values) const;

    // Whether text reads as a language tag: letters, then parts of letters
    // and digits after an underscore or hyphen ("en_GB", "de_DE_frami").
    static bool isLanguageTag(const QString& text);

private:
    QString m_folder;
};
