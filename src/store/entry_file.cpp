#include "store/entry_file.h"

#include "platform/core/date_settings.h"
#include "store/buffered_writer.h"
#include "store/entry_lines.h"
#include "store/folder_lock.h"
#include "store/line_reader.h"
#include "store/posix_io.h"
#include "store/replacement_file.h"
#include "store/text_codec.h"

#include <QDate>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

using PosixIo::UniqueFd;

namespace {

// A new entry file is for its owner's eyes only.
constexpr mode_t newFileMode = 0600;

// Opens a file for one sequential read. O_NONBLOCK keeps a FIFO of that
// name from hanging the program; it changes nothing for a regular file.
int openForReading(int folderFd, const char* name)
{
    const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

} // namespace

EntryFile::EntryFile(const QString& folder, const DateSettings& dates)
    : m_folder(folder), m_dates(dates)
{
}

QString EntryFile::path() const
{
    return PosixIo::pathIn(m_folder, QString::fromLatin1(fileName));
}

QString EntryFile::tempPath() const
{
    return PosixIo::pathIn(m_folder, QString::fromLatin1(tempFileName));
}

std::optional<FileError> EntryFile::load(const QDate& day, QString& text) const
{
    text.clear();
    const int fd = openForReading(AT_FDCWD, PosixIo::nativePath(path()).constData());
    if (fd < 0) {
        const int openError = errno;
        if (openError == ENOENT)
            return std::nullopt;
        return PosixIo::error(path(), openError);
    }
    UniqueFd file(fd);

    LineReader reader(file.get());
    DayHeaderMatcher matcher(m_dates, day);
    QByteArrayView line;
    while (reader.next(line)) {
        if (!matcher.matches(line))
            continue;
        // Nothing but the end line ends a body: a line in it that looks
        // like a header is text. A second entry of the day goes on right
        // after the last line of the first.
        bool firstLine = true;
        while (reader.next(line) && !EntryLines::isEnd(line)) {
            if (!firstLine)
                text.append(u"\r\n");
            TextCodec::append(EntryLines::unescapedBody(line), text);
            firstLine = false;
        }
    }
    if (reader.error() != 0)
        return PosixIo::error(path(), reader.error());
    return std::nullopt;
}

std::optional<FileError> EntryFile::save(const QDate& day, QStringView text, bool remove) const
{
    if (!day.isValid())
        return PosixIo::error(path(), EINVAL);
    // An empty pad is never written as an entry; it takes the day's out.
    if (text.isEmpty())
        remove = true;

    FolderLock lock;
    if (auto failure = lock.acquire(m_folder))
        return failure;
    const int folderFd = lock.folderFd();

    mode_t mode = newFileMode;
    UniqueFd source(openForReading(folderFd, fileName));
    if (!source.isOpen()) {
        if (const int openError = errno; openError != ENOENT)
            return PosixIo::error(path(), openError);
    } else {
        struct stat status;
        if (::fstat(source.get(), &status) != 0) {
            const int statError = errno;
            return PosixIo::error(path(), statError);
        }
        // Caught here rather than at the rename, before any work is done.
        if (S_ISDIR(status.st_mode))
            return PosixIo::error(path(), EISDIR);
        mode = status.st_mode & 07777;
    }

    ReplacementFile replacement(folderFd, m_folder, QString::fromLatin1(tempFileName));
    if (auto failure = replacement.create(mode))
        return failure;
    BufferedWriter& out = replacement.writer();

    const QByteArray entry = remove ? QByteArray() : EntryLines::entryBytes(m_dates, day, text);
    bool matched = false;
    if (source.isOpen()) {
        LineReader reader(source.get());
        DayHeaderMatcher matcher(m_dates, day);
        QByteArrayView line;
        while (out.error() == 0 && reader.next(line)) {
            if (!matcher.matches(line)) {
                out.writeLine(line);
                continue;
            }
            // All the day's entries become one, at the place of the first:
            // writing the joined text at each place would multiply it.
            if (!matched && !remove)
                out.write(entry);
            matched = true;
            while (reader.next(line) && !EntryLines::isEnd(line)) {
            }
        }
        if (reader.error() != 0)
            return PosixIo::error(path(), reader.error());
    }
    if (!matched && !remove)
        out.write(entry);
    source.close();

    return replacement.commit(QString::fromLatin1(fileName));
}

std::optional<FileError> EntryFile::clear() const
{
    FolderLock lock;
    if (auto failure = lock.acquire(m_folder))
        return failure;
    const int fd = ::openat(lock.folderFd(), fileName,
                            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY,
                            newFileMode);
    if (fd < 0) {
        const int openError = errno;
        return PosixIo::error(path(), openError);
    }
    UniqueFd file(fd);
    if (const int syncError = PosixIo::sync(file.get()); syncError != 0)
        return PosixIo::error(path(), syncError);
    if (const int closeError = file.close(); closeError != 0)
        return PosixIo::error(path(), closeError);
    return std::nullopt;
}

std::optional<FileError> EntryFile::recover() const
{
    FolderLock lock;
    if (auto failure = lock.acquire(m_folder))
        return failure;
    const int folderFd = lock.folderFd();

    struct stat status;
    if (::fstatat(folderFd, fileName, &status, AT_SYMLINK_NOFOLLOW) == 0)
        return std::nullopt;
    if (const int statError = errno; statError != ENOENT)
        return PosixIo::error(path(), statError);
    if (::fstatat(folderFd, tempFileName, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        const int statError = errno;
        if (statError == ENOENT)
            return std::nullopt;
        return PosixIo::error(tempPath(), statError);
    }
    // Only a file the program wrote itself is taken; a link or folder of
    // that name is none of its making.
    if (!S_ISREG(status.st_mode))
        return std::nullopt;
    if (::renameat(folderFd, tempFileName, folderFd, fileName) != 0) {
        const int renameError = errno;
        return PosixIo::error(tempPath(), renameError);
    }
    if (const int syncError = PosixIo::syncFolder(folderFd); syncError != 0)
        return PosixIo::error(m_folder, syncError);
    return std::nullopt;
}
