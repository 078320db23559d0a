#include "store/entry_file.h"

#include "platform/core/date_settings.h"
#include "files/atomic_file.h"
#include "store/entry_lines.h"
#include "files/folder_lock.h"
#include "store/line_merge.h"
#include "store/missing_diary.h"
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
#include <vector>
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
    void addLine(QByteArrayView line)
    {
        if (m_any)
            m_text.append(u"\r\n");
        EntryLines::appendBodyText(line, m_text);
        m_any = true;
    }

    QString& text() { return m_text; }

    // Where the text stands, to go back to when an entry turns out cut off.
    std::pair<qsizetype, bool> mark() const { return {m_text.size(), m_any}; }
    void rewind(std::pair<qsizetype, bool> mark)
    {
        m_text.truncate(mark.first);
        m_any = mark.second;
    }

private:
    QString m_text;
    bool m_any = false;
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

// Every day's text as load reads it, in the order of the days, as the
// days' before texts: what Clear All erases, for its record, or what a file
// left by a cut-off save holds (wholeOnly: an entry without its end line is
// left out). Headers that name no day are no day's.
std::optional<FileError> readEveryDay(int fd, const QString& path, const DateSettings& dates,
                                      QList<DayRecorder::Day>& days, bool wholeOnly = false)
{
    std::map<QDate, DayText> texts;
    LineReader reader(fd);
    HeaderDateReader headers(dates, DateSettings::Precision::Exact);
    QByteArrayView line;
    while (reader.nextStartingWith(EntryLines::headerMark, line)) {
        const std::optional<QDate> day = headers.read(line.sliced(EntryLines::headerMark.size()));
        if (!day)
            continue;
        DayText& text = texts[*day];
        const auto before = text.mark();
        bool ended = false;
        while (!ended && reader.next(line)) {
            ended = EntryLines::isEnd(line);
            if (!ended)
                text.addLine(line);
        }
        if (!ended && wholeOnly)
            text.rewind(before);
    }
    if (reader.error() != 0)
        return PosixIo::error(path, reader.error());
    for (auto& [day, text] : texts) {
        if (!text.text().isEmpty())
            days.append({day, std::move(text.text()), QString()});
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
    DayText dayText;
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
    text = std::move(dayText.text());
    if (reader.error() != 0)
        return PosixIo::error(path(), reader.error());
    return std::nullopt;
}

EntryFile::SaveResult EntryFile::save(const QDate& day, QStringView text, bool remove,
                                      QStringView loadedText, DayRecorder::Change change) const
{
    if (!day.isValid()) {
        SaveResult invalid;
        invalid.error = PosixIo::error(path(), EINVAL);
        return invalid;
    }
    // Changed on disk since this copy loaded it: both sides' changes are kept.
    bool conflict = false;
    const Combine merge = [&](const QDate&, const QString& onDisk, const QString& proposed) {
        if (onDisk == loadedText)
            return proposed;
        const LineMerge::Result merged = LineMerge::merge(loadedText, onDisk, proposed);
        conflict = merged.conflict;
        return merged.text;
    };
    const QString proposed = remove ? QString() : text.toString();
    SaveResult result = rewrite({{day, QString(), proposed}}, false, change, merge);
    result.conflict = conflict;
    if (!result.days.isEmpty()) {
        result.text = result.days.first().after;
        result.merged = result.text != proposed;
    }
    return result;
}

EntryFile::SaveResult EntryFile::saveDays(const QList<DayRecorder::Day>& proposed, DayRecorder::Change change,
                                          const Combine& combine) const
{
    for (const DayRecorder::Day& day : proposed) {
        if (!day.day.isValid()) {
            SaveResult invalid;
            invalid.error = PosixIo::error(path(), EINVAL);
            return invalid;
        }
    }
    return rewrite(proposed, false, change, combine);
}

EntryFile::SaveResult EntryFile::clear(const QList<DayRecorder::Day>& shown) const
{
    return rewrite(shown, true, DayRecorder::Change::Erased, {});
}

EntryFile::SaveResult EntryFile::rewrite(const QList<DayRecorder::Day>& proposed, bool clear,
                                         DayRecorder::Change change, const Combine& combine) const
{
    SaveResult result;
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
    if (!source.isOpen() && (result.error = MissingDiary::refusal(path(), out.folderPath(), m_recorder)))
        return result;
    if (tempHoldsSomething(out.folderFd())) {
        // Never written over: it may hold the only copy of a save cut off.
        SetAside aside = setTempAside(out.folderFd(), out.folderPath());
        (aside.moved ? result.setAside : result.error) = aside.notice;
        if (result.error)
            return result;
    }

    // Where each day given is in the list, by its date.
    QHash<QDate, qsizetype> index;
    for (qsizetype i = 0; i < proposed.size(); ++i)
        index.insert(proposed[i].day, i);

    // One pass over the file: every line copied with its own line end but
    // the days' entries, each day's new entry at the place of its first
    // entry or at the end. onDisk, when given, collects what the days hold.
    // unchanged tells whether the lines written are the file's own, each in
    // its place; their line ends do not count.
    bool unchanged = false;
    const auto copy = [&](const QList<QByteArray>& entries, std::vector<DayText>* onDisk) -> std::optional<FileError> {
        unchanged = source.isOpen() && !clear;
        if (auto failure = out.open())
            return failure;
        BufferedWriter& writer = out.writer();
        QList<bool> matched(entries.size(), false);
        bool unterminated = false;
        bool wroteCr = false;
        bool atStart = true;
        OpenEntry openEntry;
        if (source.isOpen() && !clear) {
            if (::lseek(source.get(), 0, SEEK_SET) != 0)
                return PosixIo::error(out.targetPath(), errno);
            LineReader reader(source.get());
            HeaderDateReader headers(m_dates, DateSettings::Precision::Exact);
            QByteArrayView line;
            bool first = true;
            while (writer.error() == 0 && reader.next(line)) {
                if (first && reader.hasByteOrderMark())
                    writer.write(LineReader::byteOrderMark);
                first = false;
                qsizetype at = -1;
                if (EntryLines::isHeader(line) && !index.isEmpty()) {
                    const std::optional<QDate> day = headers.read(line.sliced(EntryLines::headerMark.size()));
                    at = day ? index.value(*day, -1) : -1;
                }
                if (at < 0) {
                    openEntry.see(line);
                    // A line that comes first now and starts with a
                    // byte-order mark's bytes keeps them only behind a mark
                    // of its own: the reader takes the first three away.
                    if (atStart && !reader.hasByteOrderMark() && line.startsWith(LineReader::byteOrderMark)) {
                        writer.write(LineReader::byteOrderMark);
                        unchanged = false;
                    }
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
                const bool firstOfDay = !matched[at];
                unchanged = unchanged && firstOfDay && !unterminated && !entries[at].isEmpty();
                if (firstOfDay && !entries[at].isEmpty()) {
                    if (unterminated)
                        writer.write("\r\n");
                    writer.write(entries[at]);
                    unterminated = false;
                    wroteCr = true;
                    atStart = false;
                }
                // The entry as the file holds it, while it may still be the
                // one written in its place.
                QByteArray held;
                if (unchanged)
                    held = line.toByteArray() + "\r\n";
                matched[at] = true;
                bool ended = false;
                while (!ended && reader.next(line)) {
                    ended = EntryLines::isEnd(line);
                    if (unchanged)
                        held += line.toByteArray() + "\r\n";
                    if (onDisk && !ended)
                        (*onDisk)[size_t(at)].addLine(line);
                }
                unchanged = unchanged && ended && held == entries[at];
            }
            if (first && reader.hasByteOrderMark())
                writer.write(LineReader::byteOrderMark);
            if (reader.error() != 0)
                return PosixIo::error(out.targetPath(), reader.error());
        }
        bool appended = false;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (matched[i] || entries[i].isEmpty())
                continue;
            unchanged = false;
            if (unterminated)
                writer.write("\r\n");
            // An entry left open at the end would swallow the new one.
            if (!appended && openEntry.isOpen(m_dates))
                writer.writeLine(EntryLines::endLine);
            writer.write(entries[i]);
            unterminated = false;
            appended = true;
        }
        if (!appended && unterminated && !wroteCr) {
            // Its only CRs went with a day's entry: without one the file
            // would read as LF-only, its lone LFs taken for line ends.
            writer.write("\r\n");
            unchanged = false;
        }
        return std::nullopt;
    };
    const auto entriesOf = [&](const QList<QString>& texts) {
        QList<QByteArray> entries;
        for (qsizetype i = 0; i < texts.size(); ++i)
            entries.append(texts[i].isEmpty() ? QByteArray() : EntryLines::entryBytes(m_dates, proposed[i].day, texts[i]));
        return entries;
    };

    QList<QString> texts;
    for (const DayRecorder::Day& day : proposed)
        texts.append(day.after);
    std::vector<DayText> onDiskTexts(size_t(proposed.size()));
    if ((result.error = copy(entriesOf(texts), &onDiskTexts)))
        return result;
    QList<QString> onDisk;
    for (DayText& text : onDiskTexts)
        onDisk.append(std::move(text.text()));
    // What the days held decides what they get: rare enough that a second
    // pass costs nothing worth saving.
    if (combine) {
        QList<QString> finals;
        for (qsizetype i = 0; i < proposed.size(); ++i)
            finals.append(combine(proposed[i].day, onDisk[i], texts[i]));
        if (finals != texts) {
            texts = std::move(finals);
            if ((result.error = copy(entriesOf(texts), nullptr)))
                return result;
        }
    }
    // The changes as asked for, and those that what the file held made.
    QList<DayRecorder::Day> plain;
    QList<DayRecorder::Day> combined;
    for (qsizetype i = 0; i < proposed.size(); ++i) {
        result.days.append({proposed[i].day, onDisk[i], texts[i]});
        if (onDisk[i] != texts[i])
            (texts[i] == proposed[i].after ? plain : combined).append(result.days.last());
    }

    if (m_recorder) {
        if (clear && source.isOpen()) {
            if (::lseek(source.get(), 0, SEEK_SET) != 0)
                result.error = PosixIo::error(out.targetPath(), errno);
            else
                result.error = readEveryDay(source.get(), out.targetPath(), m_dates, plain);
            if (result.error)
                return result;
        }
        for (const DayRecorder::Day& day : clear ? proposed : QList<DayRecorder::Day>()) {
            const auto erased = std::find_if(plain.begin(), plain.end(),
                                             [&](const DayRecorder::Day& other) { return other.day == day.day; });
            if (erased != plain.end())
                erased->before = day.before;
            else if (!day.before.isEmpty())
                plain.append(day);
        }
        std::optional<FileError> failure = m_recorder->record(change, plain);
        if (!failure)
            failure = m_recorder->record(DayRecorder::Change::Merged, combined);
        if (failure) {
            // What no record holds must not go.
            if (removesText(plain) || removesText(combined)) {
                result.error = failure;
                return result;
            }
            result.unrecorded = failure;
        }
    }
    // Nothing to write: the file stays as it is, with its time and its
    // inode, so a service that syncs the folder has nothing to send.
    if (unchanged)
        return result;
    result.error = out.commit();
    result.written = out.isInPlace();
    return result;
}

std::optional<FileError> EntryFile::recover(int* daysTakenIn) const
{
    // Most starts find no temporary file: no lock, no wait.
    struct stat status;
    if (::lstat(PosixIo::nativePath(tempPath()).constData(), &status) != 0)
        return std::nullopt;

    FolderLock lock;
    if (auto failure = lock.acquire(m_folder))
        return failure;
    const int folderFd = lock.folderFd();
    if (!tempHoldsSomething(folderFd))
        return std::nullopt; // a save by another copy finished meanwhile
    if (::fstatat(folderFd, fileName, &status, AT_SYMLINK_NOFOLLOW) == 0) {
        // The diary is there, and this is what a save cut off before its
        // rename wrote: it may hold the only copy of some text, so it is
        // moved aside, never written over, and its whole entries are taken
        // into the diary.
        SetAside aside = setTempAside(folderFd, m_folder);
        lock.release();
        return aside.moved ? takeIn(aside.notice.file, daysTakenIn) : aside.notice;
    }

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

std::optional<FileError> EntryFile::readDays(const QString& path, const DateSettings& dates,
                                             QList<DayRecorder::Day>& days)
{
    UniqueFd fd;
    if (auto failure = PosixIo::openForReading(path, fd))
        return failure;
    if (!fd.isOpen())
        return std::nullopt;
    if (auto failure = readEveryDay(fd.get(), path, dates, days))
        return failure;
    for (DayRecorder::Day& day : days)
        day.after = std::exchange(day.before, QString());
    return std::nullopt;
}

std::optional<FileError> EntryFile::takeIn(const QString& left, int* daysTakenIn) const
{
    const auto kept = [&](const FileError& why) {
        return FileError{left, QStringLiteral("A save was cut off while it wrote this file, and its entries "
                                              "could not be taken into the diary (%1: %2). It is kept under "
                                              "this name; what it holds can be copied back by hand.")
                                   .arg(why.file, why.reason)};
    };
    UniqueFd fd;
    QList<DayRecorder::Day> days;
    struct stat status;
    if (auto failure = PosixIo::openForReading(left, fd))
        return kept(*failure);
    if (!fd.isOpen() || ::fstat(fd.get(), &status) != 0)
        return kept(PosixIo::error(left, ENOENT));
    if (auto failure = readEveryDay(fd.get(), left, m_dates, days, true))
        return kept(*failure);
    fd.close();
    for (DayRecorder::Day& day : days)
        day.after = std::exchange(day.before, QString());

    // A day the history says the cut-off save gave this text gets it: the
    // save is finished. Any other day that differs keeps both texts, the
    // diary's first, as a save that found its day changed on disk does.
    const qint64 lookBack = 3 * qint64(status.st_size) + 64 * 1024;
    const Combine combine = [&](const QDate& day, const QString& onDisk, const QString& leftText) {
        if (onDisk.isEmpty() || onDisk == leftText
            || (m_recorder && m_recorder->recordedLately(day, leftText, lookBack)))
            return leftText;
        return LineMerge::merge(QString(), onDisk, leftText).text;
    };
    const SaveResult saved = saveDays(days, DayRecorder::Change::Merged, combine);
    if (saved.error && !saved.written)
        return kept(*saved.error);
    if (daysTakenIn) {
        *daysTakenIn = int(std::count_if(saved.days.begin(), saved.days.end(),
                                         [](const DayRecorder::Day& day) { return day.before != day.after; }));
    }
    // Read and taken in: nothing of it is lost with it.
    QFile::remove(left);
    return std::nullopt;
}
