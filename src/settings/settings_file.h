#pragma once

#include "platform/core/file_error.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <optional>

// The values the settings file keeps from one run to the next: the pad's
// font and colours and the date label's style.
struct Settings
{
    QString fontName;
    bool fontBold = false;
    bool fontItalic = false;
    float fontSize = 0; // points
    qint32 foreColor = 0; // colour values, as ColorValue holds them
    qint32 backColor = 0;
    qint16 dateStyle = 1; // 1 long date, 2 short date

    bool operator==(const Settings&) const = default;
};

// The settings file of one application folder: seven lines, one value to a
// line, in the order of Settings. Text as it is, truth values as "True" or
// "False", numbers with a space before a non-negative number and a space
// after every number; the font size with at most seven significant digits
// and the user's decimal separator.
class SettingsFile
{
public:
    static constexpr const char* fileName = "ojwconfig.txt";
    static constexpr int lineCount = 7;
    // Larger than any font dialog offers; a bigger size in the file is a
    // typing slip, not a choice.
    static constexpr float maxFontSize = 1638;
    // Longer than any font's name; a longer first line is damaged.
    static constexpr qsizetype maxFontNameLength = 256;

    // locale: the user's, for the font size's decimal separator.
    SettingsFile(const QString& folder, const QLocale& locale);

    QString path() const;

    // Reads the file into values, line by line: each line that reads as its
    // value replaces it, a line that does not (or is missing) leaves it as
    // it was, and the lines after it are still read. A date style other
    // than 1 or 2 reads as 1. Lines after the seventh are not read. A
    // missing file leaves every value and is no failure.
    std::optional<FileError> load(Settings& values) const;

    // Writes the whole file beside the old one and renames it over it, so
    // a crash or a full disk leaves the old file or the new one, never part
    // of one. On failure the file is as it was, unless written (when
    // given) tells that only the disk did not confirm the new file.
    std::optional<FileError> save(const Settings& values, bool* written = nullptr) const;

    // The file's bytes for the values.
    QByteArray format(const Settings& values) const;

private:
    QString m_folder;
    QLocale m_locale;
};
