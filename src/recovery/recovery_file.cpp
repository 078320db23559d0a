#include "recovery/recovery_file.h"

#include "platform/core/date_settings.h"
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

} // namespace

RecoveryFile::RecoveryFile(const QString& folder)
    : m_folder(folder),
      m_path(PosixIo::pathIn(folder, QLatin1String(namePrefix)
                                         + QString::number(QRandomGenerator::global()->generate64(), 16)
                                         + QLatin1String(".txt")))
{
}

QByteArray RecoveryFile::hashOf(QStringView text)
{
    return QCryptographicHash::hash(TextCodec::encode(text), QCryptographicHash::Sha1).toHex();
}

std::optional<FileError> RecoveryFile::write(const DateSettings& dates, const QDate& day, QStringView text,
                                             QStringView loadedText, const QDateTime& now)
{
    AtomicFile file(m_path);
    file.setTempPrefix(".ojwunsaved");
    file.keepOpenAfterCommit();
    if (auto failure = file.open())
        return failure;
    BufferedWriter& out = file.writer();
    out.writeLine(firstLine);
    out.writeLine("written " + now.toString(Qt::ISODate).toLatin1());
    out.writeLine("day " + day.toString(Qt::ISODate).toLatin1());
    out.writeLine("loaded " + hashOf(loadedText));
    out.write(EntryLines::entryBytes(dates, day, text));
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
    const QStringList names = QDir(folder).entryList({QLatin1String(namePrefix) + QLatin1String("*.txt")},
                                                     QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString path = PosixIo::pathIn(folder, name);
        PosixIo::UniqueFd fd;
        struct stat status;
        // Anything but a regular file, held by a running copy, or too large
        // to be a pad's text is left alone.
        if (PosixIo::openForReading(path, fd) || !fd.isOpen() || FileLock::isHeldElsewhere(fd.get())
            || ::fstat(fd.get(), &status) != 0 || status.st_size > maxFileSize)
            continue;
        if (std::optional<Left> parsed = parse(path, fd.get()))
            left.append(*parsed);
    }
    std::sort(left.begin(), left.end(), [](const Left& a, const Left& b) { return a.written < b.written; });
    return left;
}

std::optional<FileError> RecoveryFile::keepAsRescue(const Left& left, QString& rescuePath)
{
    const QDir dir = QFileInfo(left.path).dir();
    const QDateTime when = left.written.isValid() ? left.written : QDateTime::currentDateTime();
    const int folderFd = ::open(PosixIo::nativePath(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return PosixIo::error(dir.path(), errno);
    const PosixIo::UniqueFd folder(folderFd);
    const QByteArray from = PosixIo::nativePath(QFileInfo(left.path).fileName());
    QString name;
    const int moved = PosixIo::takeDatedName(
        QStringLiteral("ojwrescue"), when,
        [&](const QString& candidate) { return PosixIo::renameNoReplace(folderFd, from, PosixIo::nativePath(candidate)); },
        name);
    rescuePath = dir.filePath(name);
    if (moved != 0)
        return PosixIo::error(rescuePath, moved);
    return std::nullopt;
}
