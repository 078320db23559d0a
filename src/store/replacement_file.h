#pragma once

#include "store/buffered_writer.h"
#include "platform/core/file_error.h"
#include "store/posix_io.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

// The temporary file that a rewrite fills completely before it takes the
// place of the file it replaces in one atomic rename, so that a crash at any
// moment leaves either the old file or the new one, never half of one.
// Until commit() succeeds, the temporary file is removed again when this
// object goes away.
class ReplacementFile
{
public:
    // folderFd: the open folder that holds both files; the names are
    // relative to it, the paths are for messages.
    ReplacementFile(int folderFd, const QString& folderPath, const QString& tempName);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();

    // Removes a leftover file, link or empty folder of the temporary name
    // (never following a link), then creates the file exclusively with the
    // given permission bits.
    std::optional<FileError> create(mode_t mode);

    BufferedWriter& writer() { return *m_writer; }

    // Writes out, syncs and closes the temporary file, renames it over the
    // target and syncs the folder, so the rename itself survives a crash.
    std::optional<FileError> commit(const QString& targetName);

    // Whether commit() renamed the file into place; with a failure, only
    // the folder sync after the rename failed.
    bool isInPlace() const { return m_inPlace; }

private:
    FileError tempError(int errnum) const;
    void discard();

    int m_folderFd;
    QString m_folderPath;
    QString m_tempName;
    QByteArray m_tempNative;
    PosixIo::UniqueFd m_fd;
    std::optional<BufferedWriter> m_writer;
    bool m_created = false;
    bool m_inPlace = false;
};
