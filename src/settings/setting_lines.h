#pragma once

#include "platform/core/file_error.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// What the program's small settings files share: one value to a line,
// lines ended by CR LF, truth values as "True" or "False".
namespace SettingLines {

QByteArray truthForm(bool value);
// "True" or "False", in any case, spaces around it aside.
bool readTruth(const QString& text, bool& value);

// Reads the first lineCount lines of the file, each decoded, into read
// with its index; a line longer than maxLength is damaged and passed over.
// A missing file reads no line and is no failure.
std::optional<FileError> read(const QString& path, int lineCount, qsizetype maxLength,
                              const std::function<void(int index, const QString& line)>& readLine);

// The whole file written beside the old one and renamed over it. On
// failure the file is as it was, unless written (when given) tells that
// only the disk did not confirm the new file.
std::optional<FileError> write(const QString& path, const char* tempPrefix, const QByteArray& bytes,
                               bool* written);

} // namespace SettingLines
