#include "files/atomic_file.h"

#include "files/folder_lock.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the system itself follows before it calls it a loop.
constexpr int maxLinks = 40;

// A temporary file this much older than its writer's longest write, and
// held by nobody, was left by a writer that was killed.
constexpr std::time_t leftoverSeconds = 60;

QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

} // namespace

bool BufferedWriter::write(QByteArrayView bytes)
{
    if (m_error != 0)
        return false;
    if (m_used + bytes.size() > defaultBufferSize && !flush())
        return false;
    if (bytes.size() >= defaultBufferSize)
        return writeOut(bytes);
    if (!bytes.isEmpty()) // an empty view may have no bytes behind it at all
        std::memcpy(m_buffer.get() + m_used, bytes.data(), size_t(bytes.size()));
    m_used += bytes.size();
    return true;
}

bool BufferedWriter::writeLine(QByteArrayView bytes)
{
    return write(bytes) && write("\r\n");
}

bool BufferedWriter::flush()
{
    if (m_error != 0)
        return false;
    return writeOut(QByteArrayView(m_buffer.get(), std::exchange(m_used, 0)));
}


bool BufferedWriter::writeOut(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t count = PosixIo::write(m_fd, bytes.data(), size_t(bytes.size()));
        if (count > 0) {
            bytes = bytes.sliced(count);
        } else if (count == 0 || errno != EINTR) {
            // A write that takes nothing without an error leaves no way
            // forward; it counts as the disk being full.
            m_error = count < 0 ? errno : ENOSPC;
            return false;
        }
    }
    return true;
}

AtomicFile::AtomicFile(const QString& path) : m_path(path) {}

AtomicFile::~AtomicFile()
{
    discard();
}

FileError AtomicFile::error(int errnum) const
{
    return PosixIo::error(m_resolved ? m_target : m_path, errnum);
}

FileError AtomicFile::tempError(int errnum) const
{
    return PosixIo::error(PosixIo::pathIn(m_folderPath, QFile::decodeName(m_tempName)), errnum);
}

std::optional<FileError> AtomicFile::resolve()
{
    if (m_resolved)
        return std::nullopt;
    // Link by link, the last part included; the file itself need not exist,
    // its folder must.
    QByteArray path = PosixIo::nativePath(m_path);
    for (int links = 0;; ++links) {
        if (links > maxLinks)
            return error(ELOOP);
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray parent = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
        const QByteArray name = path.mid(slash + 1);
        if (name.isEmpty() || name == "." || name == "..")
            return error(EISDIR);
        char* real = ::realpath(parent.constData(), nullptr);
        if (!real)
            return error(errno);
        const QByteArray folder(real);
        std::free(real);
        const QByteArray full = joined(folder, name);
        struct stat status;
        // A new file that must not replace anything is never made through
        // a link: someone may have planted it.
        if (!m_noReplace && ::lstat(full.constData(), &status) == 0 && S_ISLNK(status.st_mode)) {
            char target[PATH_MAX];
            const ssize_t length = ::readlink(full.constData(), target, sizeof target);
            if (length < 0)
                return error(errno);
            if (size_t(length) >= sizeof target)
                return error(ENAMETOOLONG);
            const QByteArray link(target, length);
            path = link.startsWith('/') ? link : joined(folder, link);
            m_followedLink = true;
            continue;
        }
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return error(errno);
        m_folder = PosixIo::UniqueFd(fd);
        m_folderPath = QFile::decodeName(folder);
        m_name = name;
        m_target = QFile::decodeName(full);
        m_resolved = true;
        return std::nullopt;
    }
}

std::optional<FileError> AtomicFile::open()
{
    discard();
    if (auto failure = resolve())
        return failure;
    mode_t mode = m_newMode;
    struct stat existing;
    const bool exists = ::fstatat(m_folder.get(), m_name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT)
        return error(errno);
    if (exists) {
        if (m_noReplace)
            return error(EEXIST);
        if (S_ISDIR(existing.st_mode))
            return error(EISDIR);
        if (!S_ISREG(existing.st_mode))
            return FileError{m_target, PosixIo::notRegularReason()};
        mode = existing.st_mode & 07777;
    }
    if (auto failure = m_fixedName.isEmpty() ? createUnique(mode) : createFixed(mode))
        return failure;
    // The umask may have taken bits away that the file must have; and a
    // file saved by a copy running as another user (root, say) still
    // belongs to its owner afterwards, where the system lets the program
    // give it away.
    if (exists && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
        && ::fchown(m_fd.get(), existing.st_uid, existing.st_gid) != 0) {
        // Not allowed: the new file is the writer's, as a copy would be.
    }
    if (::fchmod(m_fd.get(), mode) != 0) {
        const int chmodError = errno;
        discard();
        return tempError(chmodError);
    }
    m_writer.emplace(m_fd.get());
    return std::nullopt;
}

std::optional<FileError> AtomicFile::createFixed(mode_t mode)
{
    m_tempName = m_fixedName;
    const char* name = m_tempName.constData();
    // unlink removes a link itself, not what it leads to.
    if (::unlinkat(m_folder.get(), name, 0) != 0 && errno != ENOENT) {
        const int unlinkError = errno;
        if (unlinkError != EISDIR && unlinkError != EPERM)
            return tempError(unlinkError);
        // Linux says EISDIR for a folder, other systems EPERM, which can also
        // be a refusal: then the folder attempt's ENOTDIR would hide it.
        if (::unlinkat(m_folder.get(), name, AT_REMOVEDIR) != 0 && errno != ENOENT)
            return tempError(errno == ENOTDIR ? unlinkError : errno);
    }
    if (const int fault = PosixIo::injected(PosixIo::Call::Create))
        return tempError(fault);
    const int fd = ::openat(m_folder.get(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        return tempError(errno);
    m_fd = PosixIo::UniqueFd(fd);
    m_created = true;
    return std::nullopt;
}

std::optional<FileError> AtomicFile::createUnique(mode_t mode)
{
    removeLeftovers();
    if (const int fault = PosixIo::injected(PosixIo::Call::Create))
        return error(fault);
    for (int attempt = 0;; ++attempt) {
        m_tempName = m_prefix + '-' + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        const int fd = ::openat(m_folder.get(), m_tempName.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            m_fd = PosixIo::UniqueFd(fd);
            m_created = true;
            // Held while it is written (and, for a file kept open, as long
            // as its writer runs): what nobody holds is left over.
            FileLock::tryWriteLock(fd);
            return std::nullopt;
        }
        if (errno != EEXIST || attempt == 100)
            return tempError(errno);
    }
}

void AtomicFile::removeLeftovers() const
{
    const QStringList names = QDir(m_folderPath).entryList(
        {QFile::decodeName(m_prefix) + QLatin1String("-*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QByteArray native = QFile::encodeName(name);
        const int fd = ::openat(m_folder.get(), native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat status;
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)
            && std::time(nullptr) - status.st_mtime > leftoverSeconds && !FileLock::isHeldElsewhere(fd))
            ::unlinkat(m_folder.get(), native.constData(), 0);
        ::close(fd);
    }
}

int AtomicFile::renameIntoPlace() const
{
    const int from = m_folder.get();
    if (m_noReplace)
        return PosixIo::renameNoReplace(from, m_tempName, m_name);
    if (const int fault = PosixIo::injected(PosixIo::Call::Rename))
        return fault;
    return ::renameat(from, m_tempName.constData(), from, m_name.constData()) == 0 ? 0 : errno;
}

std::optional<FileError> AtomicFile::commit()
{
    if (!m_created || !m_writer)
        return tempError(EBADF);
    if (!m_writer->flush()) {
        const int writeError = m_writer->error();
        discard();
        return tempError(writeError);
    }
    m_writer.reset();
    if (const int syncError = PosixIo::sync(m_fd.get()); syncError != 0) {
        discard();
        return tempError(syncError);
    }
    if (!m_keepOpen) {
        int closeError = m_fd.close();
        if (const int fault = PosixIo::injected(PosixIo::Call::Close))
            closeError = fault;
        if (closeError != 0) {
            discard();
            return tempError(closeError);
        }
    }
    if (const int renameError = renameIntoPlace(); renameError != 0) {
        discard();
        return error(renameError);
    }
    m_created = false;
    m_inPlace = true;
    if (const int syncError = PosixIo::syncFolder(m_folder.get()); syncError != 0)
        return PosixIo::error(m_folderPath, syncError);
    return std::nullopt;
}

void AtomicFile::discard()
{
    m_writer.reset();
    m_fd.close();
    if (m_created) {
        ::unlinkat(m_folder.get(), m_tempName.constData(), 0);
        m_created = false;
    }
}
