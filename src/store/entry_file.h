#pragma once

#include "platform/core/file_error.h"

#include <QString>
#include <QStringView>

#include <optional>

class DateSettings;
class QDate;

// The entry file of one application folder and the operations that read or
// rewrite it for one day. Every call reads the file from its first line and
// closes it before returning; nothing of the file is kept between calls.
class EntryFile
{
public:
    static constexpr const char* fileName = "ojwdata.txt";
    static constexpr const char* tempFileName = "ojwtmp.txt";

    EntryFile(const QString& folder, const DateSettings& dates);

    QString path() const;
    QString tempPath() const;

    // The day's text: the bodies of every entry whose header reads exactly as
    // the day, lines joined by CR LF, one entry's body directly after the
    // other's. A missing file reads as an empty one. On failure the text is
    // what was read before the failure.
    std::optional<FileError> load(const QDate& day, QString& text) const;

    // Rewrites the file with the day's entry replaced by the text at its
    // place, or appended when the day has none, or removed when remove is
    // set (an empty text removes too). Several entries of the day become one
    // at the place of the first. Other lines keep their bytes. The new file
    // is written beside the old one and renamed over it, under a lock on the
    // folder that another copy of the program may hold for a few seconds at
    // most. On failure the entry file is as it was; the one exception is a
    // failure to sync the folder after the rename, when the file already
    // holds the new text and saving again does no harm.
    std::optional<FileError> save(const QDate& day, QStringView text, bool remove) const;

    // Leaves an empty entry file, creating it when it is missing, under the
    // same folder lock as save.
    std::optional<FileError> clear() const;

    // For start-up: a missing entry file beside a temporary file (a save cut
    // off after the old file was gone) is recovered from the temporary file.
    std::optional<FileError> recover() const;

private:
    QString m_folder;
    const DateSettings& m_dates;
};
