#pragma once

#include "platform/core/file_error.h"

#include <QString>

#include <optional>

class DateSettings;

// Export All: every day that has an entry in the folder's entry file, in
// ascending order of the day, written to one file as a block of its own:
// the date line in the date style (1 long, 2 short), a line of ten hyphens,
// the entry's lines as they stand in the file, and two empty lines. Every
// line ends with CR LF; a diary without entries gives an empty file.
//
// A day's block is the body of the first header line in the file that
// names the day, wherever that line stands (also inside another entry's
// text), up to the next end line or the end of the file. A header line
// whose text is not a date stands outside any entry. A missing entry file
// reads as an empty one.
//
// The entry file is read once, from its first line to its last; the blocks
// are kept until the days are sorted. The target is refused when it is one
// of the program's own files, and is replaced only by a complete export.
std::optional<FileError> exportAll(const QString& folder, const DateSettings& dates,
                                   int dateStyle, const QString& target);
