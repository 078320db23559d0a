#pragma once

#include "platform/core/file_error.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// Adds bytes at the end of a file, whole or not at all, and syncs them: for
// a record that only grows. The file is created private (0600) when missing;
// a link, a pipe or a device at the path is refused, never written through.
// A write that fails halfway is cut off again, so the file ends where it
// ended before; bytes added after a writer that died halfway start on a
// line of their own.
std::optional<FileError> appendDurably(const QString& path, QByteArrayView bytes);
