#pragma once

#include "platform/core/file_error.h"

#include <QString>

#include <optional>

class DateSettings;

// Export All: every day that has an entry, oldest first, each as a block: the
// date line in the date style (1 long, 2 short), ten hyphens, the body of
// the first header line naming the day (wherever it stands) up to the next
// end line or the file's end, and two empty lines; CR LF throughout. The
// entry file is read once. The target is refused when it is one of the
// program's own files (refuseOwnFile), and is replaced only by a whole export.
// written, when given, tells whether the export is in place: with an error,
// only the disk did not confirm it.
std::optional<FileError> exportAll(const QString& folder, const DateSettings& dates,
                                   int dateStyle, const QString& target, bool* written = nullptr);
