#include "recovery/recovery_file.h"

#include "platform/core/date_settings.h"
#include "files/atomic_file.h"
#include "store/entry_lines.h"
#include "files/file_lock.h"
#include "files/text_codec.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr QByteArrayView firstLine("Ombrel JotWell: unsaved text");

// The lines of a file as every reader of entry files splits them.
QList<QByteArrayView> linesOf(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\r', start);
        if (end < 0)
            end = bytes.size();
        lines.append(bytes.sliced(start, end - start));
        start = end + 1;
        if (start < bytes.size() && bytes[start] == '\n')
            ++start;
    }
    return lines;
}

std::optional<RecoveryFile::Left> parse(const QString& path, QByteArrayView bytes)
{
    const QList<QByteArrayView> lines = linesOf(bytes);
    if (lines.isEmpty() || lines.first() != firstLine)
        return std::nullopt;
    RecoveryFile::Left left;
    left.path = path;
    qsizetype i = 1;
    for (; i < lines.size() && !EntryLines::isHeader(lines[i]); ++i) {
        const qsizetype space = lines[i].indexOf(' ');
        if (space < 0)
            continue;
        const QByteArrayView key = lines[i].first(space);
        const QString value = QString::fromLatin1(lines[i].sliced(space + 1));
        if (key == "written")
            left.written = QDateTime::fromString(value, Qt::ISODate);
        else if (key == "day")
            left.day = QDate::fromString(value, Qt::ISODate);
        else if (key == "loaded")
            left.loadedHash = value.toLatin1();
    }
    if (!left.day.isValid() || i == lines.size())
        return std::nullopt;
    // The body as every entry reader takes it: up to the end line, each line
    // with the writer's escape of a mark taken off.
    for (qsizetype j = i + 1; j < lines.size() && !EntryLines::isEnd(lines[j]); ++j) {
        if (j > i + 1)
            left.text += u"\r\n";
        EntryLines::appendBodyText(lines[j], left.text);
    }
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
    // unheld and takes it for one left behind.
    const int unlinked = ::unlink(PosixIo::nativePath(m_path).constData()) == 0 ? 0 : errno;
    m_held.close();
    if (unlinked != 0 && unlinked != ENOENT)
        return PosixIo::error(m_path, unlinked);
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
        QByteArray bytes;
        // Anything but a regular file, held by a running copy, or too large
        // to be a pad's text is left alone.
        if (PosixIo::openForReading(path, fd) || !fd.isOpen() || FileLock::isHeldElsewhere(fd.get())
            || PosixIo::readAll(fd.get(), maxFileSize, bytes) != 0)
            continue;
        if (std::optional<Left> parsed = parse(path, bytes))
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
