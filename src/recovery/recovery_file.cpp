#include "recovery/recovery_file.h"

#include "platform/core/date_settings.h"
#include "platform/core/state_folder.h"
#include "recovery/rescue_file.h"
#include "files/atomic_file.h"
#include "store/entry_lines.h"
#include "files/folder_lock.h"
#include "files/line_reader.h"
#include "files/text_codec.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView firstLine("Ombrel JotWell: unsaved text");

// The left text in an open file of the program's form, read with the line
// reader every entry file is read with.
std::optional<RecoveryFile::Left> parse(const QString& path, int fd)
{
    LineReader lines(fd);
    QByteArrayView line;
    if (!lines.next(line) || line != firstLine)
        return std::nullopt;
    RecoveryFile::Left left;
    left.path = path;
    bool header = false;
    while (!header && lines.next(line)) {
        header = EntryLines::isHeader(line);
        const qsizetype space = line.indexOf(' ');
        if (header || space < 0)
            continue;
        const QByteArrayView key = line.first(space);
        const QString value = QString::fromLatin1(line.sliced(space + 1));
        if (key == "written")
            left.written = QDateTime::fromString(value, Qt::ISODate);
        else if (key == "day")
            left.day = QDate::fromString(value, Qt::ISODate);
        else if (key == "loaded")
            left.loadedHash = value.toLatin1();
    }
    if (!left.day.isValid() || !header)
        return std::nullopt;
    // The body as every entry reader takes it: up to the end line, each line
    // with the writer's escape of a mark taken off.
    for (bool first = true; lines.next(line) && !EntryLines::isEnd(line); first = false) {
        if (!first)
            left.text += u"\r\n";
        EntryLines::appendBodyText(line, left.text);
    }
    if (lines.error() != 0)
        return std::nullopt;
    return left;
}

// What a file of the program's form holds: the lines parse() reads, then
// the text as a one-entry entry file.
QByteArray fileBytes(const DateSettings& dates, const QDate& day, QStringView text, const QByteArray& loadedHash,
                     const QDateTime& written)
{
    QByteArray bytes = firstLine.toByteArray() + "\r\n";
    bytes += "written " + written.toString(Qt::ISODate).toLatin1() + "\r\n";
    bytes += "day " + day.toString(Qt::ISODate).toLatin1() + "\r\n";
    bytes += "loaded " + loadedHash + "\r\n";
    bytes += EntryLines::entryBytes(dates, day, text);
    return bytes;
}

// Makes the folder and any of its parents that are missing, private to the
// user; one that is there is left as it is.
int makeFolder(const QString& path)
{
    const QByteArray native = PosixIo::nativePath(path);
    if (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST)
        return 0;
    if (errno != ENOENT)
        return errno;
    const QString parent = QFileInfo(path).path();
    if (parent == path)
        return ENOENT;
    if (const int made = makeFolder(parent); made != 0)
        return made;
    return ::mkdir(native.constData(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

// The left files of the program's form in one folder.
void collectLeft(const QString& folder, QList<RecoveryFile::Left>& left)
{
    const QStringList names = QDir(folder).entryList({QLatin1String(RecoveryFile::namePrefix) + QLatin1String("*.txt")},
                                                     QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString path = PosixIo::pathIn(folder, name);
        PosixIo::UniqueFd fd;
        struct stat status;
        // Anything but a regular file, held by a running copy, or too large
        // to be a pad's text is left alone.
        if (PosixIo::openForReading(path, fd) || !fd.isOpen() || FileLock::isHeldElsewhere(fd.get())
            || ::fstat(fd.get(), &status) != 0 || status.st_size > RecoveryFile::maxFileSize)
            continue;
        if (std::optional<RecoveryFile::Left> parsed = parse(path, fd.get()))
            left.append(*parsed);
    }
}

} // namespace

RecoveryFile::RecoveryFile(const QString& folder)
    : m_keptIn(folderFor(folder)),
      m_path(PosixIo::pathIn(m_keptIn, QLatin1String(namePrefix)
                                           + QString::number(QRandomGenerator::global()->generate64(), 16)
                                           + QLatin1String(".txt")))
{
}

QString RecoveryFile::folderFor(const QString& applicationFolder)
{
    const QFileInfo info(applicationFolder);
    const QString canonical = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    QString name = QFileInfo(canonical).fileName().left(40);
    for (QChar& c : name) {
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_' && c != u'.')
            c = u'_';
    }
    if (name.isEmpty() || name.startsWith(u'.'))
        name.prepend(u'f');
    const QByteArray hash =
        QCryptographicHash::hash(PosixIo::nativePath(canonical), QCryptographicHash::Sha256).toHex().left(16);
    return QDir(programStateFolder()).filePath(QStringLiteral("unsaved/") + name + u'-' + QLatin1String(hash));
}

QByteArray RecoveryFile::hashOf(QStringView text)
{
    return QCryptographicHash::hash(TextCodec::encode(text), QCryptographicHash::Sha1).toHex();
}

std::optional<FileError> RecoveryFile::write(const DateSettings& dates, const QDate& day, QStringView text,
                                             QStringView loadedText, const QDateTime& now)
{
    if (const int made = makeFolder(m_keptIn); made != 0)
        return PosixIo::error(m_keptIn, made);
    AtomicFile file(m_path);
    file.setTempPrefix(".ojwunsaved");
    file.keepOpenAfterCommit();
    if (auto failure = file.open())
        return failure;
    file.writer().write(fileBytes(dates, day, text, hashOf(loadedText), now));
    auto failure = file.commit();
    // Locked since it was made, and in place even where the folder's sync
    // failed: closing the old one lets its lock go with it.
    if (file.isInPlace())
        m_held = file.takeDescriptor();
    return failure;
}

std::optional<FileError> RecoveryFile::remove()
{
    // The name goes before the lock, so no other copy ever finds the file
    // unheld and takes it for one left behind; a name that stays keeps its
    // lock for as long as this copy runs.
    int unlinked = PosixIo::injected(PosixIo::Call::Remove);
    if (unlinked == 0 && ::unlink(PosixIo::nativePath(m_path).constData()) != 0)
        unlinked = errno;
    if (unlinked != 0 && unlinked != ENOENT)
        return PosixIo::error(m_path, unlinked);
    m_held.close();
    return std::nullopt;
}

QList<RecoveryFile::Left> RecoveryFile::leftBehind(const QString& folder)
{
    QList<Left> left;
    collectLeft(folderFor(folder), left);
    collectLeft(folder, left);
    std::sort(left.begin(), left.end(), [](const Left& a, const Left& b) { return a.written < b.written; });
    return left;
}

std::optional<FileError> RecoveryFile::keepAsRescue(const Left& left, const DateSettings& dates,
                                                    const QString& folder, QString& rescuePath)
{
    const QDateTime when = left.written.isValid() ? left.written : QDateTime::currentDateTime();
    const QByteArray bytes = fileBytes(dates, left.day, left.text, left.loadedHash, when);
    if (const int written = writeDatedRescueFile(folder, bytes, when, rescuePath); written != 0)
        return PosixIo::error(rescuePath, written);
    // One of the two, never both: a left file that stays is offered again.
    if (::unlink(PosixIo::nativePath(left.path).constData()) != 0 && errno != ENOENT) {
        const FileError failure = PosixIo::error(left.path, errno);
        QFile::remove(rescuePath);
        return failure;
    }
    return std::nullopt;
}
