#include "store/entry_file.h"

#include "platform/core/date_settings.h"
#include "store/buffered_writer.h"
#include "store/entry_lines.h"
#include "store/folder_lock.h"
#include "store/line_reader.h"
#include "store/posix_io.h"
#include "store/replacement_file.h"
#include "store/text_codec.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

using PosixIo::UniqueFd;

namespace {

// A new entry file is for its owner's eyes only.
constexpr mode_t newFileMode = 0600;

// Builds the text of one day's entries as the pad shows it: body lines as
// the user typed them, joined by CR LF, and a line break between the last
// line of one entry and the first of the next, so that no two words of two
// entries run together.
class DayText
{
public:
    explicit DayText(QString& text) : m_text(text) {}

    void addLine(QByteArrayView line)
    {
        if (m_any)
            m_text.append(u"\r\n");
        TextCodec::append(EntryLines::unescapedBody(line), m_text);
        m_any = true;
    }

private:
    QString& m_text;
    bool m_any = false;
};

// Follows the lines a writer copies, to know whether the file ends inside
// an entry that lacks its end line: a new entry appended after it would
// become part of its body. Only a header that names a day opens an entry;
// any other header-looking line stands outside every entry for the readers.
class OpenEntry
{
public:
    void see(QByteArrayView line)
    {
        if (EntryLines::isEnd(line)) {
            m_open = false;
        } else if (EntryLines::isHeader(line)) {
            m_open = true;
            // Reuses the buffer: a scan over many headers allocates once.
            m_header.resize(line.size());
            std::memcpy(m_header.data(), line.data(), size_t(line.size()));
        }
    }

    bool isOpen(const DateSettings& dates) const
    {
        if (!m_open)
            return false;
        const QString dateText = TextCodec::decode(
            QByteArrayView(m_header).sliced(EntryLines::headerMark.size()));
        return dates.read(dateText, DateSettings::Precision::DayOnly).has_value();
    }

private:
    bool m_open = false;
    QByteArray m_header;
};

// Where the entry file's content really lives: the file of that name in
// the application folder, or, when that is a link, the file it leads to.
struct Target
{
    UniqueFd ownFolder; // open when the target is in a folder of its own
    int folderFd = -1;
    QString folderPath;
    QByteArray name;
    QString path;
};

std::optional<FileError> resolveTarget(int appFolderFd, const QString& appFolder,
                                       const QString& linkPath, Target& target)
{
    struct stat status;
    if (::fstatat(appFolderFd, EntryFile::fileName, &status, AT_SYMLINK_NOFOLLOW) != 0
        || !S_ISLNK(status.st_mode)) {
        target.folderFd = appFolderFd;
        target.folderPath = appFolder;
        target.name = EntryFile::fileName;
        target.path = linkPath;
        return std::nullopt;
    }
    // People link the entry file into a synced folder. Replacing the link
    // with a file would silently end the syncing, so the new content goes
    // beside the file the link leads to and is renamed over that.
    char* resolved = ::realpath(PosixIo::nativePath(linkPath).constData(), nullptr);
    if (!resolved) {
        const int resolveError = errno;
        if (resolveError == ENOENT)
            return FileError{linkPath, PosixIo::danglingLinkReason()};
        return PosixIo::error(linkPath, resolveError);
    }
    const QString real = QFile::decodeName(resolved);
    std::free(resolved);
    const QFileInfo info(real);
    target.folderPath = info.path();
    target.name = QFile::encodeName(info.fileName());
    target.path = real;
    const int fd = ::open(PosixIo::nativePath(target.folderPath).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return PosixIo::error(target.folderPath, errno);
    target.ownFolder = UniqueFd(fd);
    target.folderFd = fd;
    return std::nullopt;
}

bool sameFolder(int a, int b)
{
    struct stat first;
    struct stat second;
    return ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && first.st_dev == second.st_dev
           && first.st_ino == second.st_ino;
}

// The lock of the target's own folder, when the target lives elsewhere:
// another copy of the program may reach the same file through a link of its
// own, and the temporary file beside the target is shared with it.
std::optional<FileError> lockTargetFolder(const FolderLock& appLock, const Target& target,
                                          FolderLock& targetLock)
{
    if (!target.ownFolder.isOpen() || sameFolder(appLock.folderFd(), target.folderFd))
        return std::nullopt;
    return targetLock.acquire(target.folderPath);
}

// Whether a temporary file holds a whole diary: it ends with a complete line,
// and its last entry with its end line.
bool isComplete(int fd, const DateSettings& dates, std::optional<FileError>& failure,
                const QString& path)
{
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        failure = PosixIo::error(path, errno);
        return false;
    }
    char last = 0;
    if (status.st_size == 0 || ::pread(fd, &last, 1, status.st_size - 1) != 1
        || (last != '\r' && last != '\n'))
        return false;
    LineReader reader(fd);
    OpenEntry entry;
    QByteArrayView line;
    while (reader.next(line))
        entry.see(line);
    if (reader.error() != 0) {
        failure = PosixIo::error(path, reader.error());
        return false;
    }
    return !entry.isOpen(dates);
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
    UniqueFd file;
    if (auto failure = PosixIo::openForReading(path(), file))
        return failure;
    if (!file.isOpen())
        return std::nullopt;

    LineReader reader(file.get());
    DayHeaderMatcher matcher(m_dates, day);
    DayText dayText(text);
    QByteArrayView line;
    // From header to header: only the bodies of the day's entries are read
    // line by line.
    while (reader.nextHeader(line)) {
        if (!matcher.matches(line))
            continue;
        // Nothing but the end line ends a body: a line in it that looks
        // like a header is text.
        while (reader.next(line) && !EntryLines::isEnd(line))
            dayText.addLine(line);
    }
    if (reader.error() != 0)
        return PosixIo::error(path(), reader.error());
    return std::nullopt;
}

std::optional<FileError> EntryFile::save(const QDate& day, QStringView text, bool remove) const
{
    return rewrite(day, text, remove, nullptr).error;
}

EntryFile::SaveResult EntryFile::save(const QDate& day, QStringView text, bool remove,
                                      QStringView loadedText) const
{
    return rewrite(day, text, remove, &loadedText);
}

EntryFile::SaveResult EntryFile::rewrite(const QDate& day, QStringView text, bool remove,
                                         const QStringView* loadedText) const
{
    SaveResult result;
    if (!day.isValid()) {
        result.error = PosixIo::error(path(), EINVAL);
        return result;
    }
    // An empty pad is never written as an entry; it takes the day's out.
    if (text.isEmpty())
        remove = true;

    FolderLock lock;
    if ((result.error = lock.acquire(m_folder)))
        return result;
    Target target;
    if ((result.error = resolveTarget(lock.folderFd(), m_folder, path(), target)))
        return result;
    FolderLock targetLock;
    if ((result.error = lockTargetFolder(lock, target, targetLock)))
        return result;

    UniqueFd source;
    if ((result.error = PosixIo::openForReading(target.folderFd, target.name, target.path, source)))
        return result;
    mode_t mode = newFileMode;
    if (source.isOpen()) {
        struct stat status;
        if (::fstat(source.get(), &status) != 0) {
            result.error = PosixIo::error(target.path, errno);
            return result;
        }
        mode = status.st_mode & 07777;
    }

    ReplacementFile replacement(target.folderFd, target.folderPath, QString::fromLatin1(tempFileName));

    // One pass over the file: every line copied but the day's entries, the
    // new entry at the place of the first of them or at the end. dayOnDisk,
    // when given, collects what the day holds now.
    const auto copy = [&](const QByteArray& entry, QString* dayOnDisk) -> std::optional<FileError> {
        if (auto failure = replacement.create(mode))
            return failure;
        BufferedWriter& out = replacement.writer();
        const bool writeEntry = !entry.isEmpty();
        bool matched = false;
        OpenEntry openEntry;
        if (source.isOpen()) {
            if (::lseek(source.get(), 0, SEEK_SET) != 0)
                return PosixIo::error(target.path, errno);
            LineReader reader(source.get());
            DayHeaderMatcher matcher(m_dates, day);
            QString ignored;
            DayText dayText(dayOnDisk ? *dayOnDisk : ignored);
            QByteArrayView line;
            bool first = true;
            while (out.error() == 0 && reader.next(line)) {
                if (first && reader.hasByteOrderMark())
                    out.write(LineReader::byteOrderMark); // stays where it stands
                first = false;
                if (!matcher.matches(line)) {
                    openEntry.see(line);
                    out.writeLine(line);
                    continue;
                }
                // All the day's entries become one, at the place of the
                // first: writing the joined text at each place would
                // multiply it.
                if (!matched && writeEntry)
                    out.write(entry);
                matched = true;
                while (reader.next(line) && !EntryLines::isEnd(line)) {
                    if (dayOnDisk)
                        dayText.addLine(line);
                }
            }
            if (first && reader.hasByteOrderMark())
                out.write(LineReader::byteOrderMark);
            if (reader.error() != 0)
                return PosixIo::error(target.path, reader.error());
        }
        if (!matched && writeEntry) {
            // An entry left open at the end would swallow the new one.
            if (openEntry.isOpen(m_dates))
                out.writeLine(EntryLines::endLine);
            out.write(entry);
        }
        return std::nullopt;
    };

    result.text = remove ? QString() : text.toString();
    QString dayOnDisk;
    if ((result.error = copy(remove ? QByteArray() : EntryLines::entryBytes(m_dates, day, text),
                             loadedText ? &dayOnDisk : nullptr)))
        return result;
    if (loadedText && dayOnDisk != *loadedText && !dayOnDisk.isEmpty() && dayOnDisk != result.text) {
        // Changed on disk since the pad was filled: the text found there is
        // kept, the pad's own after it. Rare enough that a second pass costs
        // nothing worth saving.
        result.merged = true;
        result.text = remove ? dayOnDisk : dayOnDisk + QStringLiteral("\r\n\r\n") + text.toString();
        if ((result.error = copy(EntryLines::entryBytes(m_dates, day, result.text), nullptr)))
            return result;
    }
    // The old file stays open across the rename, so that the rename does
    // not release its blocks and pages while the window waits: a thread of
    // its own does that when it closes the file.
    result.error = replacement.commit(QString::fromLocal8Bit(target.name));
    result.written = replacement.isInPlace();
    if (result.written && source.isOpen())
        PosixIo::closeInBackground(std::move(source));
    return result;
}

std::optional<FileError> EntryFile::clear() const
{
    FolderLock lock;
    if (auto failure = lock.acquire(m_folder))
        return failure;
    Target target;
    if (auto failure = resolveTarget(lock.folderFd(), m_folder, path(), target))
        return failure;
    FolderLock targetLock;
    if (auto failure = lockTargetFolder(lock, target, targetLock))
        return failure;

    mode_t mode = newFileMode;
    struct stat status;
    if (::fstatat(target.folderFd, target.name.constData(), &status, 0) == 0) {
        if (S_ISDIR(status.st_mode))
            return PosixIo::error(target.path, EISDIR);
        if (!S_ISREG(status.st_mode))
            return FileError{target.path, PosixIo::notRegularReason()};
        mode = status.st_mode & 07777;
    } else if (errno != ENOENT) {
        return PosixIo::error(target.path, errno);
    }
    // An empty file renamed into place, like a save: the entries are either
    // all there or all gone, and a link stays a link.
    ReplacementFile replacement(target.folderFd, target.folderPath, QString::fromLatin1(tempFileName));
    if (auto failure = replacement.create(mode))
        return failure;
    return replacement.commit(QString::fromLocal8Bit(target.name));
}

std::optional<FileError> EntryFile::recover() const
{
    FolderLock lock;
    if (auto failure = lock.acquire(m_folder))
        return failure;
    const int folderFd = lock.folderFd();
    lock.removeLeftovers();

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
    // that name is none of its making. An empty one holds nothing to save.
    if (!S_ISREG(status.st_mode) || status.st_size == 0)
        return std::nullopt;

    const int fd = ::openat(folderFd, tempFileName, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return PosixIo::error(tempPath(), errno);
    UniqueFd temp(fd);
    std::optional<FileError> failure;
    const bool complete = isComplete(temp.get(), m_dates, failure, tempPath());
    temp.close();
    if (failure)
        return failure;

    if (!complete) {
        // A save cut off while it wrote its very first file. Taking half a
        // file as the diary would pass for the whole; the next save would
        // remove it. So it goes to a name of its own, and the user is told.
        const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss");
        for (int attempt = 1; attempt <= 100; ++attempt) {
            const QString name = attempt == 1 ? QStringLiteral("ojwtmp-%1.txt").arg(stamp)
                                              : QStringLiteral("ojwtmp-%1-%2.txt").arg(stamp).arg(attempt);
            const QByteArray native = PosixIo::nativePath(name);
            int moved = ::renameat2(folderFd, tempFileName, folderFd, native.constData(), RENAME_NOREPLACE);
            if (moved != 0 && errno == EINVAL) {
                // A file system without the no-replace rename (some network
                // ones): the lock keeps other copies out, so look, then move.
                struct stat existing;
                if (::fstatat(folderFd, native.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
                    errno = EEXIST;
                else
                    moved = ::renameat(folderFd, tempFileName, folderFd, native.constData());
            }
            if (moved == 0) {
                PosixIo::syncFolder(folderFd);
                return FileError{PosixIo::pathIn(m_folder, name),
                                 QCoreApplication::translate(
                                     "EntryFile",
                                     "A save was cut off while it wrote this file, and it is not "
                                     "complete, so it was not taken as the diary. It is kept under "
                                     "this name; what it holds can be copied back by hand.")};
            }
            if (errno != EEXIST)
                return PosixIo::error(tempPath(), errno);
        }
        return PosixIo::error(tempPath(), EEXIST);
    }
    if (::renameat(folderFd, tempFileName, folderFd, fileName) != 0) {
        const int renameError = errno;
        return PosixIo::error(tempPath(), renameError);
    }
    if (const int syncError = PosixIo::syncFolder(folderFd); syncError != 0)
        return PosixIo::error(m_folder, syncError);
    return std::nullopt;
}
