#pragma once

#include "platform/core/file_error.h"
#include "files/posix_io.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>
#include <sys/types.h>

// Collects small writes in a buffer and hands them to the system in large
// pieces, retrying interrupted and short writes. The first failure sticks:
// later writes do nothing, and error() keeps the errno of that failure
// (such as ENOSPC), so the caller checks once at the end.
class BufferedWriter
{
public:
    // Large pieces cost the file system much less per byte: a save of a
    // 5 MB diary took 17 ms with 64 KB pieces, 11 ms with 1 MB ones.
    static constexpr qsizetype defaultBufferSize = 1024 * 1024;

    // The writer does not own the descriptor.
    explicit BufferedWriter(int fd) : m_fd(fd) {}
    BufferedWriter(const BufferedWriter&) = delete;
    BufferedWriter& operator=(const BufferedWriter&) = delete;

    bool write(QByteArrayView bytes);

    // The bytes followed by CR LF.
    bool writeLine(QByteArrayView bytes);

    // Hands everything buffered to the system.
    bool flush();

    int error() const { return m_error; }

private:
    bool writeOut(QByteArrayView bytes);

    int m_fd;
    // Not zero-filled, so only what a small file uses is touched.
    std::unique_ptr<char[]> m_buffer = std::make_unique_for_overwrite<char[]>(defaultBufferSize);
    qsizetype m_used = 0;
    int m_error = 0;
};

// Writes a file whole or not at all, the one way the program writes files:
// the new content goes into a temporary file beside the target, is synced,
// and is renamed over the target, and the folder is synced, so a crash at
// any moment leaves the old file or the new one. A link at the path is
// followed: the file it leads to is replaced and the link stays. The new
// file keeps the old one's mode, owner and group; a new one is private.
class AtomicFile
{
public:
    // path: the file to write, created when missing.
    explicit AtomicFile(const QString& path);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // The temporary file's name. By default a fresh hidden one,
    // ".<prefix>-<random>.tmp", whose leftovers (a writer killed halfway)
    // the next writer with that prefix removes. A fixed name (the diary's
    // "ojwtmp.txt", which start-up looks for) needs the folder lock held;
    // whatever lies at that name is removed first.
    void setTempPrefix(const QByteArray& prefix) { m_prefix = prefix; }
    void setFixedTempName(const QByteArray& name) { m_fixedName = name; }
    // The mode of a new file (the umask is not applied); default 0600.
    void setNewFileMode(mode_t mode) { m_newMode = mode; }
    // commit() fails with EEXIST instead of replacing an existing file.
    void setNoReplace() { m_noReplace = true; }

    // Follows the path to the file to replace; open() does it when not done.
    std::optional<FileError> resolve();
    int folderFd() const { return m_folder.get(); }
    const QByteArray& name() const { return m_name; }
    const QString& targetPath() const { return m_target; }
    const QString& folderPath() const { return m_folderPath; }
    bool followedLink() const { return m_followedLink; }

    // Creates the temporary file, with the target's mode, owner and group.
    std::optional<FileError> open();

    BufferedWriter& writer() { return *m_writer; }

    // Writes out, syncs and closes the temporary file, renames it over the
    // target and syncs the folder. On failure before the rename the target
    // is as it was and the temporary file is gone.
    std::optional<FileError> commit();

    // Whether commit() put the new file in place; with a failure, only the
    // folder sync after the rename failed.
    bool isInPlace() const { return m_inPlace; }

    // After a commit, the open file, write-locked (FileLock) since it was
    // created: other copies of the program see it held while it is open.
    // Without this call the file is closed at commit.
    void keepOpenAfterCommit() { m_keepOpen = true; }
    PosixIo::UniqueFd takeDescriptor() { return std::move(m_fd); }

private:
    FileError error(int errnum) const;
    FileError tempError(int errnum) const;
    std::optional<FileError> createFixed(mode_t mode);
    std::optional<FileError> createUnique(mode_t mode);
    void removeLeftovers() const;
    int renameIntoPlace() const;
    void discard();

    QString m_path;
    QByteArray m_prefix = ".ojw";
    QByteArray m_fixedName;
    mode_t m_newMode = 0600;
    bool m_noReplace = false;
    bool m_keepOpen = false;

    bool m_resolved = false;
    PosixIo::UniqueFd m_folder;
    QString m_folderPath;
    QByteArray m_name;
    QString m_target;
    bool m_followedLink = false;

    QByteArray m_tempName;
    PosixIo::UniqueFd m_fd;
    std::optional<BufferedWriter> m_writer;
    bool m_created = false;
    bool m_inPlace = false;
};
