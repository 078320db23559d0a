#include "settings/setting_lines.h"

#include "files/atomic_file.h"
#include "files/line_reader.h"
#include "files/posix_io.h"
#include "files/text_codec.h"

QByteArray SettingLines::truthForm(bool value)
{
    return value ? QByteArrayLiteral("True") : QByteArrayLiteral("False");
}

bool SettingLines::readTruth(const QString& text, bool& value)
{
    const QString word = text.trimmed();
    if (word.compare(u"True", Qt::CaseInsensitive) == 0)
        value = true;
    else if (word.compare(u"False", Qt::CaseInsensitive) == 0)
        value = false;
    else
        return false;
    return true;
}

std::optional<FileError> SettingLines::read(const QString& path, int lineCount, qsizetype maxLength,
                                            const std::function<void(int, const QString&)>& readLine)
{
    PosixIo::UniqueFd file;
    if (auto failure = PosixIo::openForReading(path, file))
        return failure;
    if (!file.isOpen())
        return std::nullopt;
    LineReader reader(file.get(), 4096);
    // A line longer than any value is passed over rather than read into memory.
    reader.setMaxLineLength(maxLength);
    QByteArrayView line;
    for (int index = 0; index < lineCount && reader.next(line); ++index) {
        if (!reader.lineTooLong())
            readLine(index, TextCodec::decode(line));
    }
    if (reader.error() != 0)
        return PosixIo::error(path, reader.error());
    return std::nullopt;
}

std::optional<FileError> SettingLines::write(const QString& path, const char* tempPrefix, const QByteArray& bytes,
                                             bool* written)
{
    if (written)
        *written = false;
    AtomicFile file(path);
    file.setTempPrefix(QByteArray(tempPrefix));
    if (auto failure = file.open())
        return failure;
    file.writer().write(bytes);
    auto failure = file.commit();
    if (written)
        *written = file.isInPlace();
    return failure;
}
