#pragma once

#include "platform/core/file_error.h"

#include <QString>

#include <optional>

// Whether an export may write to a file: never to one of the program's own
// files (the entry file, its temporary, lock and set-aside files, the
// settings, the help file, the unsaved-text, rescue and history files, the program
// itself), however it is named: by another path, through a link or as a
// hard link. folder is the application folder; resolved is the chosen path
// with every link followed; messages name chosen, the path the user chose.
std::optional<FileError> refuseOwnFile(const QString& folder, const QString& chosen,
                                       const QString& resolved);
