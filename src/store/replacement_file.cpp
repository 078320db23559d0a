#include "store/replacement_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using PosixIo::pathIn;

ReplacementFile::ReplacementFile(int folderFd, const QString& folderPath, const QString& tempName)
    : m_folderFd(folderFd),
      m_folderPath(folderPath),
      m_tempName(tempName),
      m_tempNative(PosixIo::nativePath(tempName))
{
}

ReplacementFile::~ReplacementFile()
{
    discard();
}

FileError ReplacementFile::tempError(int errnum) const
{
    return PosixIo::error(pathIn(m_folderPath, m_tempName), errnum);
}

void ReplacementFile::discard()
{
    m_writer.reset();
    m_fd.close();
    if (m_created) {
        // Only the file this object created is removed; its name cannot
        // have been taken over while the folder lock is held.
        ::unlinkat(m_folderFd, m_tempNative.constData(), 0);
        m_created = false;
    }
}

std::optional<FileError> ReplacementFile::create(mode_t mode)
{
    discard();
    const char* name = m_tempNative.constData();
    // unlink removes a link itself, not what it points to.
    if (::unlinkat(m_folderFd, name, 0) != 0 && errno != ENOENT) {
        const int unlinkError = errno;
        if (unlinkError != EISDIR && unlinkError != EPERM)
            return tempError(unlinkError);
        // Linux says EISDIR for a folder, other systems EPERM; EPERM can
        // also be a refusal, and then the folder attempt's ENOTDIR would
        // hide the real reason.
        if (::unlinkat(m_folderFd, name, AT_REMOVEDIR) != 0 && errno != ENOENT)
            return tempError(errno == ENOTDIR ? unlinkError : errno);
    }
    if (const int fault = PosixIo::injected(PosixIo::Call::Create))
        return tempError(fault);
    const int fd = ::openat(m_folderFd, name,
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        return tempError(errno);
    m_fd = PosixIo::UniqueFd(fd);
    m_created = true;
    // The umask may have taken bits away that the file must have.
    if (::fchmod(fd, mode) != 0) {
        const int chmodError = errno;
        discard();
        return tempError(chmodError);
    }
    m_writer.emplace(fd);
    return std::nullopt;
}

std::optional<FileError> ReplacementFile::commit(const QString& targetName)
{
    if (!m_created || !m_writer)
        return tempError(EBADF);
    if (!m_writer->flush()) {
        const int writeError = m_writer->error();
        discard();
        return tempError(writeError);
    }
    if (const int syncError = PosixIo::sync(m_fd.get()); syncError != 0) {
        discard();
        return tempError(syncError);
    }
    m_writer.reset();
    int closeError = m_fd.close();
    if (const int fault = PosixIo::injected(PosixIo::Call::Close))
        closeError = fault;
    if (closeError != 0) {
        discard();
        return tempError(closeError);
    }
    const int renameFault = PosixIo::injected(PosixIo::Call::Rename);
    if (renameFault != 0
        || ::renameat(m_folderFd, m_tempNative.constData(), m_folderFd,
                      PosixIo::nativePath(targetName).constData()) != 0) {
        const int renameError = renameFault != 0 ? renameFault : errno;
        discard();
        return PosixIo::error(pathIn(m_folderPath, targetName), renameError);
    }
    m_created = false;
    m_inPlace = true;
    // The new file is in place; syncing the folder makes the rename durable.
    if (const int syncError = PosixIo::syncFolder(m_folderFd); syncError != 0)
        return PosixIo::error(m_folderPath, syncError);
    return std::nullopt;
}
