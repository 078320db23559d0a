#include "settings/settings_file.h"

#include "files/posix_io.h"
#include "files/text_codec.h"
#include "settings/setting_lines.h"

#include <charconv>
#include <cmath>

namespace {

using SettingLines::readTruth;
using SettingLines::truthForm;

// The colours the platform knows: plain ones up to 0xFFFFFF, and the
// system's colours 0 to 30 behind the top bit (the widgets' ColorValue
// draws each of them).
constexpr int colourMask = 0xFFFFFF;
constexpr qint32 systemIndexLimit = 30;

QByteArray numberForm(const QByteArray& digits)
{
    QByteArray form;
    if (!digits.startsWith('-'))
        form.append(' ');
    return form.append(digits).append(' ');
}

QByteArray sizeForm(float size, const QLocale& locale)
{
    // to_chars ignores the C library's locale, so the separator is ours to set.
    char digits[32];
    const auto written = std::to_chars(digits, digits + sizeof digits, size,
                                       std::chars_format::general, 7);
    QString text = QString::fromLatin1(digits, written.ptr - digits);
    text.replace(u'.', locale.decimalPoint());
    return numberForm(TextCodec::encode(text));
}

// The whole text, spaces around it aside, as a number of type T.
template <typename T>
bool readNumber(const QString& text, T& value)
{
    const QByteArray digits = text.trimmed().toLatin1();
    if (digits.isEmpty())
        return false;
    const char* end = digits.constData() + digits.size();
    T read{};
    const auto [stop, error] = std::from_chars(digits.constData(), end, read);
    if (error != std::errc() || stop != end)
        return false;
    value = read;
    return true;
}

bool readSize(QString text, const QLocale& locale, float& size)
{
    // The user's separator, or the point or comma of a file written under
    // another locale: the program never writes a group separator, so
    // either one can only stand before the fraction.
    if (const QString separator = locale.decimalPoint(); separator != u".")
        text.replace(separator, QStringLiteral("."));
    text.replace(u',', u'.');
    float read = 0;
    if (!readNumber(text, read) || !std::isfinite(read) || read <= 0
        || read > SettingsFile::maxFontSize)
        return false;
    size = read;
    return true;
}

// A plain colour 0x00BBGGRR, or a reference to one of the system's colours.
bool readColour(const QString& text, qint32& colour)
{
    qint32 read = 0;
    if (!readNumber(text, read))
        return false;
    const bool plain = read >= 0 && read <= colourMask;
    const bool system = read < 0 && (quint32(read) & 0x7FFFFFFFu) <= quint32(systemIndexLimit);
    if (!plain && !system)
        return false;
    colour = read;
    return true;
}

void readLine(int index, const QString& text, const QLocale& locale, Settings& values)
{
    switch (index) {
    case 0:
        // The name as it stands, spaces included; an empty line names no
        // font, and none is as long as a paragraph.
        if (!text.isEmpty() && text.size() <= SettingsFile::maxFontNameLength)
            values.fontName = text;
        break;
    case 1:
        readTruth(text, values.fontBold);
        break;
    case 2:
        readTruth(text, values.fontItalic);
        break;
    case 3:
        readSize(text, locale, values.fontSize);
        break;
    case 4:
        readColour(text, values.foreColor);
        break;
    case 5:
        readColour(text, values.backColor);
        break;
    case 6: {
        qint16 style = 1;
        if (readNumber(text, style))
            values.dateStyle = style == 2 ? 2 : 1;
        break;
    }
    default:
        break;
    }
}

} // namespace

SettingsFile::SettingsFile(const QString& folder, const QLocale& locale)
    : m_folder(folder), m_locale(locale)
{
}

QString SettingsFile::path() const
{
    return PosixIo::pathIn(m_folder, QString::fromLatin1(fileName));
}

QByteArray SettingsFile::format(const Settings& values) const
{
    QByteArray bytes;
    const auto line = [&bytes](const QByteArray& value) { bytes.append(value).append("\r\n"); };
    line(TextCodec::encode(values.fontName));
    line(truthForm(values.fontBold));
    line(truthForm(values.fontItalic));
    line(sizeForm(values.fontSize, m_locale));
    line(numberForm(QByteArray::number(values.foreColor)));
    line(numberForm(QByteArray::number(values.backColor)));
    line(numberForm(QByteArray::number(values.dateStyle)));
    return bytes;
}

std::optional<FileError> SettingsFile::load(Settings& values) const
{
    // No value is longer than a font name.
    return SettingLines::read(path(), lineCount, maxFontNameLength * 4,
                              [&](int index, const QString& line) { readLine(index, line, m_locale, values); });
}

std::optional<FileError> SettingsFile::save(const Settings& values, bool* written) const
{
    return SettingLines::write(path(), ".ojwconfig", format(values), written);
}
