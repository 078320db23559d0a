#pragma once

#include "platform/core/file_error.h"
#include "store/buffered_writer.h"
#include "store/posix_io.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The file an export goes to. The chosen path is followed through links to
// the file it names, so the export replaces that file and leaves the links
// in place. The new content is written to a temporary file beside it and
// renamed over it only when complete: a failure never leaves half an export
// where the user had a file.
class ExportTarget
{
public:
    // folder: the application folder, whose own files are never a target.
    ExportTarget(const QString& folder, const QString& chosenPath);
    ExportTarget(const ExportTarget&) = delete;
    ExportTarget& operator=(const ExportTarget&) = delete;
    ~ExportTarget();

    // Follows the path and refuses the program's own files (the entry file,
    // its temporary and lock files, the settings files, the help file, the
    // program itself), however they are named: by another path, through a
    // link or as a hard link. Nothing is created.
    std::optional<FileError> check();

    // Creates the temporary file; check() must have succeeded.
    std::optional<FileError> open();

    BufferedWriter& writer() { return *m_writer; }

    // Writes out, syncs and closes the temporary file and renames it over
    // the target, so that a crash leaves the old file or the new one. On failure the temporary file is gone again and the
    // target is as it was.
    std::optional<FileError> commit();

private:
    FileError error(int errnum) const;
    FileError error(const QString& reason) const;
    void discard();

    QString m_folder;
    QString m_chosen;
    QByteArray m_folderNative; // the resolved file's folder
    QByteArray m_nameNative;   // and its name in it
    QByteArray m_tempNative;
    PosixIo::UniqueFd m_dir;
    PosixIo::UniqueFd m_fd;
    std::optional<BufferedWriter> m_writer;
};
