#include "store/entry_file.h"

#include "platform/core/date_settings.h"
#include "files/atomic_file.h"
#include "store/entry_lines.h"
#include "files/folder_lock.h"
#include "store/line_merge.h"
#include "files/line_reader.h"
#include "files/posix_io.h"
#include "files/text_codec.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using PosixIo::UniqueFd;

namespace {

// Builds the text of one day's entries as the pad shows it: body lines
// joined by CR LF, and a line break between the last line of one entry and
// the first of the next, so no two words of two entries run together.
class DayText
{
public:
    explicit DayText(QString& text) : m_text(text), m_any(!text.isEmpty()) {}

    void addLine(QByteArrayView line)
    {
        if (m_any)
            m_text.append(u"\r\n");
        EntryLines::appendBodyText(line, m_text);
        m_any = true;
    }

private:
    QString& m_text;
    bool m_any;
};

// Whether the lines copied so far end inside an entry that lacks its end
// line: a new entry appended after it would become part of its body. Only a
// header that names a day opens an entry for the readers.
class OpenEntry
{
public:
    void see(QByteArrayView line)
    {
        if (EntryLines::isEnd(line)) {
            m_open = false;
        } else if (EntryLines::isHeader(line)) {
            m_open = true;
            m_header.resize(line.size()); // reused: a scan allocates once
            std::memcpy(m_header.data(), line.data(), size_t(line.size()));
        }
    }

    bool isOpen(const DateSettings& dates) const
    {
        if (!m_open)
            return false;
        const QString dateText = TextCodec::decode(QByteArrayView(m_header).sliced(EntryLines::headerMark.size()));
        return dates.read(dateText, DateSettings::Precision::DayOnly).has_value();
    }

private:
    bool m_open = false;
    QByteArray m_header;
};

bool sameFolder(int a, int b)
{
    struct stat first;
    struct stat second;
    return ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && first.st_dev == second.st_dev
           && first.st_ino == second.st_ino;
}

// Whether a temporary file holds a whole diary: it ends with a complete
// line, and its last entry with its end line. One that cannot be read is
// not known to be whole.
bool isComplete(int fd, const DateSettings& dates)
{
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return false;
    char last = 0;
    if (status.st_size == 0 || ::pread(fd, &last, 1, status.st_size - 1) != 1 || (last != '\r' && last != '\n'))
        return false;
    LineReader reader(fd);
    OpenEntry entry;
    QByteArrayView line;
    while (reader.next(line))
        entry.see(line);
    return reader.error() == 0 && !entry.isOpen(dates);
}

// Whether a regular, non-empty temporary file lies in the folder: with the
// entry file missing, it may be the only copy of the diary.
bool tempHoldsSomething(int folderFd)
{
    struct stat status;
    return ::fstatat(folderFd, EntryFile::tempFileName, &status, AT_SYMLINK_NOFOLLOW) == 0
           && S_ISREG(status.st_mode) && status.st_size > 0;
}

// Moves the temporary file to a dated name that no save touches: the result
// names it and says why, or, when the move failed, says that.
struct SetAside
{
    bool moved = false;
    FileError notice;
};

SetAside setTempAside(int folderFd, const QString& folder)
{
    QString name;
    const int moved = PosixIo::takeDatedName(
        QStringLiteral("ojwtmp"), QDateTime::currentDateTime(),
        [folderFd](const QString& candidate) {
            return PosixIo::renameNoReplace(folderFd, EntryFile::tempFileName, PosixIo::nativePath(candidate));
        },
        name);
    if (moved != 0)
        return {false, PosixIo::error(PosixIo::pathIn(folder, QString::fromLatin1(EntryFile::tempFileName)), moved)};
    PosixIo::syncFolder(folderFd);
    return {true, FileError{PosixIo::pathIn(folder, name),
                            QStringLiteral("A save was cut off while it wrote this file, and it could not "
                                           "be taken as the diary. It is kept under this name; what it "
                                           "holds can be copied back by hand.")}};
}

// Every day's text as load reads it, in the order of the days: what Clear
// All erases, for its record. Headers that name no day are no day's.
std::optional<FileError> readEveryDay(int fd, const QString& path, const DateSettings& dates,
                                      QList<DayRecorder::Day>& days)
{
    std::map<QDate, QString> texts;
    LineReader reader(fd);
    HeaderDateReader headers(dates, DateSettings::Precision::Exact);
    QByteArrayView line;
    while (reader.nextStartingWith(EntryLines::headerMark, line)) {
        const std::optional<QDate> day = headers.read(line.sliced(EntryLines::headerMark.size()));
        if (!day)
            continue;
        QString& text = texts[*day];
        bool first = true;
        while (reader.next(line) && !EntryLines::isEnd(line)) {
            // A second entry of the day starts on a line of its own.
            if (!first || !text.isEmpty())
                text.append(u"\r\n");
            EntryLines::appendBodyText(line, text);
            first = false;
        }
    }
    if (reader.error() != 0)
        return PosixIo::error(path, reader.error());
    for (auto& [day, text] : texts) {
        if (!text.isEmpty())
            days.append({day, std::move(text), QString()});
    }
    return std::nullopt;
}

bool removesText(const QList<DayRecorder::Day>& days)
{
    return std::any_of(days.begin(), days.end(),
                       [](const DayRecorder::Day& day) { return !day.before.isEmpty() && day.after.isEmpty(); });
}

} // namespace

EntryFile::EntryFile(const QString& folder, const DateSettings& dates) : m_folder(folder), m_dates(dates) {}

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
    while (reader.nextStartingWith(EntryLines::headerMark, line)) {
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

EntryFile::SaveResult EntryFile::save(const QDate& day, QStringView text, bool remove,
                                      QStringView loadedText, DayRecorder::Change change) const
{
    return rewrite(day, text, remove, false, loadedText, change);
}

EntryFile::SaveResult EntryFile::clear() const
{
    return rewrite(QDate(), QStringView(), true, true, std::nullopt, DayRecorder::Change::Erased);
}

EntryFile::SaveResult EntryFile::rewrite(const QDate& day, QStringView text, bool remove, bool clear,
                                         std::optional<QStringView> loadedText, DayRecorder::Change change) const
{
    SaveResult result;
    if (!clear && !day.isValid()) {
        result.error = PosixIo::error(path(), EINVAL);
        return result;
    }
    if (text.isEmpty())
        remove = true; // an empty pad is never written as an entry

    FolderLock lock;
    if ((result.error = lock.acquire(m_folder)))
        return result;
    // People link the entry file into a synced folder: the file the link
    // leads to is replaced, beside itself, under that folder's lock too,
    // since another copy may reach it through a link of its own.
    AtomicFile out(path());
    out.setFixedTempName(tempFileName);
    if ((result.error = out.resolve()))
        return result;
    FolderLock targetLock;
    if (!sameFolder(lock.folderFd(), out.folderFd()) && (result.error = targetLock.acquire(out.folderPath())))
        return result;

    UniqueFd source;
    if ((result.error = PosixIo::openForReading(out.folderFd(), out.name(), out.targetPath(), source)))
        return result;
    if (!source.isOpen() && out.followedLink()) {
        result.error = FileError{path(), PosixIo::danglingLinkReason()};
        return result;
    }
    if (!source.isOpen() && tempHoldsSomething(out.folderFd())) {
        // Never written over: it may be the only copy of the diary.
        SetAside aside = setTempAside(out.folderFd(), out.folderPath());
        (aside.moved ? result.setAside : result.error) = aside.notice;
        if (result.error)
            return result;
    }

    // One pass over the file: every line copied with its own line end but
    // the day's entries, the new entry at the place of the first of them or
    // at the end. dayOnDisk, when given, collects what the day holds now.
    const auto copy = [&](const QByteArray& entry, QString* dayOnDisk) -> std::optional<FileError> {
        if (auto failure = out.open())
            return failure;
        BufferedWriter& writer = out.writer();
        bool matched = false;
        bool unterminated = false;
        bool wroteCr = false;
        bool atStart = true;
        OpenEntry openEntry;
        if (source.isOpen() && !clear) {
            if (::lseek(source.get(), 0, SEEK_SET) != 0)
                return PosixIo::error(out.targetPath(), errno);
            LineReader reader(source.get());
            DayHeaderMatcher matcher(m_dates, day);
            QString ignored;
            DayText dayText(dayOnDisk ? *dayOnDisk : ignored);
            QByteArrayView line;
            bool first = true;
            while (writer.error() == 0 && reader.next(line)) {
                if (first && reader.hasByteOrderMark())
                    writer.write(LineReader::byteOrderMark);
                first = false;
                if (!matcher.matches(line)) {
                    openEntry.see(line);
                    // A line that comes first now and starts with a
                    // byte-order mark's bytes keeps them only behind a mark
                    // of its own: the reader takes the first three away.
                    if (atStart && !reader.hasByteOrderMark() && line.startsWith(LineReader::byteOrderMark))
                        writer.write(LineReader::byteOrderMark);
                    atStart = false;
                    writer.write(line);
                    // A file of LF-only lines gets CR LF throughout, as the
                    // entries written into it have them.
                    const bool lfOnly = reader.endsLinesAtLf();
                    writer.write(lfOnly ? QByteArrayView("\r\n") : reader.lineEnd());
                    unterminated = !lfOnly && reader.lineEnd().isEmpty();
                    wroteCr = wroteCr || !unterminated;
                    continue;
                }
                // All the day's entries become one, at the place of the first.
                if (!matched && !remove) {
                    if (unterminated)
                        writer.write("\r\n");
                    writer.write(entry);
                    unterminated = false;
                    wroteCr = true;
                    atStart = false;
                }
                matched = true;
                while (reader.next(line) && !EntryLines::isEnd(line)) {
                    if (dayOnDisk)
                        dayText.addLine(line);
                }
            }
            if (first && reader.hasByteOrderMark())
                writer.write(LineReader::byteOrderMark);
            if (reader.error() != 0)
                return PosixIo::error(out.targetPath(), reader.error());
        }
        if (!matched && !remove) {
            if (unterminated)
                writer.write("\r\n");
            // An entry left open at the end would swallow the new one.
            if (openEntry.isOpen(m_dates))
                writer.writeLine(EntryLines::endLine);
            writer.write(entry);
        } else if (unterminated && !wroteCr) {
            // Its only CRs went with the day's entry: without one the file
            // would read as LF-only, its lone LFs taken for line ends.
            writer.write("\r\n");
        }
        return std::nullopt;
    };

    result.text = remove ? QString() : text.toString();
    QString dayOnDisk;
    if ((result.error = copy(remove ? QByteArray() : EntryLines::entryBytes(m_dates, day, text),
                             loadedText || m_recorder ? &dayOnDisk : nullptr)))
        return result;
    if (loadedText && dayOnDisk != *loadedText) {
        // Changed on disk since this copy loaded it: both sides' changes are
        // kept. Rare enough that a second pass costs nothing worth saving.
        const LineMerge::Result merge = LineMerge::merge(*loadedText, dayOnDisk, result.text);
        result.conflict = merge.conflict;
        if (merge.text != result.text) {
            result.merged = true;
            result.text = merge.text;
            remove = result.text.isEmpty();
            if ((result.error = copy(remove ? QByteArray() : EntryLines::entryBytes(m_dates, day, result.text), nullptr)))
                return result;
        }
    }
    if (m_recorder) {
        QList<DayRecorder::Day> changes;
        if (!clear && dayOnDisk != result.text)
            changes.append({day, dayOnDisk, result.text});
        if (clear && source.isOpen()) {
            if (::lseek(source.get(), 0, SEEK_SET) != 0)
                result.error = PosixIo::error(out.targetPath(), errno);
            else
                result.error = readEveryDay(source.get(), out.targetPath(), m_dates, changes);
            if (result.error)
                return result;
        }
        if (auto failure = m_recorder->record(result.merged ? DayRecorder::Change::Merged : change, changes)) {
            // What no record holds must not go.
            if (removesText(changes)) {
                result.error = failure;
                return result;
            }
            result.unrecorded = failure;
        }
    }
    result.error = out.commit();
    result.written = out.isInPlace();
    return result;
}

std::optional<FileError> EntryFile::recover() const
{
    // Most starts find the entry file there: no lock, no wait.
    struct stat status;
    const QByteArray native = PosixIo::nativePath(path());
    if (::lstat(native.constData(), &status) == 0
        || ::lstat(PosixIo::nativePath(tempPath()).constData(), &status) != 0)
        return std::nullopt;

    FolderLock lock;
    if (auto failure = lock.acquire(m_folder))
        return failure;
    const int folderFd = lock.folderFd();
    if (::fstatat(folderFd, fileName, &status, AT_SYMLINK_NOFOLLOW) == 0 || !tempHoldsSomething(folderFd))
        return std::nullopt; // a save by another copy finished meanwhile

    // Half a file taken as the diary would pass for the whole, and the next
    // save would remove the rest; so what is not complete goes aside.
    UniqueFd temp;
    const bool complete = !PosixIo::openForReading(folderFd, tempFileName, tempPath(), temp) && temp.isOpen()
                          && isComplete(temp.get(), m_dates);
    temp.close();
    if (!complete || ::renameat(folderFd, tempFileName, folderFd, fileName) != 0)
        return setTempAside(folderFd, m_folder).notice;
    if (const int syncError = PosixIo::syncFolder(folderFd); syncError != 0)
        return PosixIo::error(m_folder, syncError);
    return std::nullopt;
}
