#include "settings/spelling_settings_file.h"

#include "files/posix_io.h"
#include "settings/setting_lines.h"

#include <QRegularExpression>

SpellingSettingsFile::SpellingSettingsFile(const QString& folder) : m_folder(folder)
{
}

QString SpellingSettingsFile::path() const
{
    return PosixIo::pathIn(m_folder, QString::fromLatin1(fileName));
}

bool SpellingSettingsFile::isLanguageTag(const QString& text)
{
    static const QRegularExpression tag(QStringLiteral("^[A-Za-z]{2,3}([_-][A-Za-z0-9]{1,16})*$"));
    return text.size() <= maxLanguageLength && tag.match(text).hasMatch();
}

QByteArray SpellingSettingsFile::format(const SpellingSettings& values) const
{
    // Only a tag is written: whatever else the language holds reads back
    // as the locale's.
    const QByteArray language = isLanguageTag(values.language) ? values.language.toLatin1() : QByteArray();
    return language + "\r\n" + SettingLines::truthForm(values.check) + "\r\n";
}

std::optional<FileError> SpellingSettingsFile::load(SpellingSettings& values) const
{
    return SettingLines::read(path(), 2, maxLanguageLength * 4, [&values](int index, const QString& line) {
        if (index == 0 && isLanguageTag(line.trimmed()))
            values.language = line.trimmed();
        else if (index == 1)
            SettingLines::readTruth(line, values.check);
    });
}

std::optional<FileError> SpellingSettingsFile::save(const SpellingSettings& values, bool* written) const
{
    return SettingLines::write(path(), ".ojwspelling", format(values), written);
}
