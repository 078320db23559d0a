#include "export/export_target.h"

#include "store/entry_file.h"
#include "store/folder_lock.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The files of the application folder that an export must never replace,
// with the words that tell the user why.
struct OwnFile
{
    const char* name;
    const char* reason;
    bool besideEntries = false; // also beside the entry file a link leads to
};

constexpr OwnFile ownFiles[] = {
    {EntryFile::fileName,
     "This is the diary's entry file: exporting into it would erase every entry. "
     "Choose another file."},
    {EntryFile::tempFileName,
     "The diary writes this file while it saves its entries. Choose another file.", true},
    {FolderLock::lockFileName,
     "The diary uses this file to keep two copies of itself from saving at once. "
     "Choose another file.", true},
    // The settings live beside the export, not below it, hence their names
    // here.
    {"ojwconfig.txt", "This is the diary's settings file. Choose another file."},
    {"ojwconfigtmp.txt",
     "The diary writes this file while it saves its settings. Choose another file."},
    {"OJW.chm", "This is the diary's help file. Choose another file."},
};

constexpr const char* programReason = "This is the diary program itself. Choose another file.";

// How many links a path may pass through before it counts as a loop, as
// the system counts them.
constexpr int maxLinks = 40;

constexpr qsizetype writeBufferSize = qsizetype(1) << 20;

struct Resolved
{
    QByteArray path; // empty when the path cannot be followed
    int error = 0;
};

QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// Follows a path through every link, its last part included, to the real
// path of the file it names. The file need not exist (an export creates
// it), but its folder must.
Resolved resolve(QByteArray path)
{
    for (int links = 0; links <= maxLinks; ++links) {
        if (path.isEmpty())
            return {{}, ENOENT};
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray parent = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
        const QByteArray name = path.mid(slash + 1);
        if (name.isEmpty() || name == "." || name == "..")
            return {{}, EISDIR};
        char* real = ::realpath(parent.constData(), nullptr);
        if (!real)
            return {{}, errno};
        const QByteArray folder(real);
        std::free(real);
        const QByteArray full = joined(folder, name);

        struct stat status;
        if (::lstat(full.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return {full, 0};
        char target[PATH_MAX];
        const ssize_t length = ::readlink(full.constData(), target, sizeof target);
        if (length < 0)
            return {{}, errno};
        if (size_t(length) >= sizeof target)
            return {{}, ENAMETOOLONG};
        const QByteArray link(target, length);
        path = link.startsWith('/') ? link : joined(folder, link);
    }
    return {{}, ELOOP};
}

bool sameFile(const QByteArray& resolved, const QByteArray& other)
{
    const Resolved own = resolve(other);
    if (!own.path.isEmpty() && own.path == resolved)
        return true;
    // Hard links and bind mounts have other paths to the same file.
    struct stat a;
    struct stat b;
    return ::stat(resolved.constData(), &a) == 0 && ::stat(other.constData(), &b) == 0
        && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

ExportTarget::ExportTarget(const QString& folder, const QString& chosenPath)
    : m_folder(folder), m_chosen(chosenPath)
{
}

ExportTarget::~ExportTarget()
{
    discard();
}

FileError ExportTarget::error(int errnum) const
{
    return PosixIo::error(m_chosen, errnum);
}

FileError ExportTarget::error(const QString& reason) const
{
    return FileError{m_chosen, reason};
}

std::optional<FileError> ExportTarget::check()
{
    const Resolved target = resolve(PosixIo::nativePath(m_chosen));
    if (target.path.isEmpty())
        return error(target.error);
    const qsizetype slash = target.path.lastIndexOf('/');
    m_folderNative = slash == 0 ? QByteArray("/") : target.path.left(slash);
    m_nameNative = target.path.mid(slash + 1);

    const QByteArray folder = PosixIo::nativePath(m_folder);
    // An entry file linked into another folder is saved through a temporary
    // file and a lock file beside the file the link leads to.
    const Resolved entries = resolve(joined(folder, EntryFile::fileName));
    const QByteArray entryFolder = entries.path.left(std::max<qsizetype>(entries.path.lastIndexOf('/'), 1));
    for (const OwnFile& own : ownFiles) {
        if (sameFile(target.path, joined(folder, own.name))
            || (own.besideEntries && !entries.path.isEmpty()
                && sameFile(target.path, joined(entryFolder, own.name))))
            return error(QString::fromUtf8(own.reason));
    }
    if (sameFile(target.path, "/proc/self/exe"))
        return error(QString::fromUtf8(programReason));
    return std::nullopt;
}

std::optional<FileError> ExportTarget::open()
{
    discard();
    if (m_nameNative.isEmpty())
        return error(EINVAL);
    const int dir = ::open(m_folderNative.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return error(errno);
    m_dir = PosixIo::UniqueFd(dir);

    struct stat status;
    const bool exists = ::fstatat(dir, m_nameNative.constData(), &status, 0) == 0;
    if (!exists && errno != ENOENT)
        return error(errno);
    if (exists) {
        if (S_ISDIR(status.st_mode))
            return error(EISDIR);
        if (!S_ISREG(status.st_mode))
            return error(PosixIo::notRegularReason());
        // The rename would replace a file the user cannot write to; writing
        // into it directly would be refused, and so is this.
        if (::faccessat(dir, m_nameNative.constData(), W_OK, AT_EACCESS) != 0)
            return error(errno);
    }

    // A fresh name each time, created exclusively, so that nothing the user
    // has in the folder is ever opened or removed by mistake.
    for (int attempt = 0;; ++attempt) {
        m_tempNative = ".ojwexport-"
            + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + ".tmp";
        const int fd = ::openat(dir, m_tempNative.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = PosixIo::UniqueFd(fd);
            break;
        }
        if (errno != EEXIST || attempt == 100) {
            const int openError = errno;
            m_tempNative.clear();
            return error(openError);
        }
    }
    // The export keeps the permissions of the file it replaces; a new one
    // gets the user's usual ones (the umask applied to 0666).
    if (exists && ::fchmod(m_fd.get(), status.st_mode & 07777) != 0) {
        const int chmodError = errno;
        discard();
        return error(chmodError);
    }
    // Large pieces: an export is written in one go, and each system call
    // costs as much as copying tens of kilobytes.
    m_writer.emplace(m_fd.get(), writeBufferSize);
    return std::nullopt;
}

std::optional<FileError> ExportTarget::commit()
{
    if (!m_writer)
        return error(EBADF);
    if (!m_writer->flush()) {
        const int writeError = m_writer->error();
        discard();
        return error(writeError);
    }
    if (const int syncError = PosixIo::sync(m_fd.get()); syncError != 0) {
        discard();
        return error(syncError);
    }
    m_writer.reset();
    if (const int closeError = m_fd.close(); closeError != 0) {
        discard();
        return error(closeError);
    }
    if (::renameat(m_dir.get(), m_tempNative.constData(), m_dir.get(), m_nameNative.constData()) != 0) {
        const int renameError = errno;
        discard();
        return error(renameError);
    }
    // No sync of the folder: after a crash it holds the old file or the
    // complete new one under the name, and either is whole.
    m_tempNative.clear();
    m_dir.close();
    return std::nullopt;
}

void ExportTarget::discard()
{
    m_writer.reset();
    m_fd.close();
    if (!m_tempNative.isEmpty() && m_dir.isOpen())
        ::unlinkat(m_dir.get(), m_tempNative.constData(), 0);
    m_tempNative.clear();
}
