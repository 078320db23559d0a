#include "app/recovery_file.h"

#include "platform/core/date_settings.h"
#include "store/entry_lines.h"
#include "store/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr QByteArrayView firstLine("Ombrel JotWell: unsaved text");
constexpr const char* newSuffix = ".new";

FileError errorOf(const QString& path, int errnum)
{
    return FileError{path, QString::fromStdString(std::error_code(errnum, std::generic_category()).message())};
}

// Host names go into a file name: anything but letters, digits and '-' is
// left out.
QString hostName()
{
    QString host;
    for (const QChar c : QSysInfo::machineHostName()) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-')
            host += c;
    }
    return host.isEmpty() ? QStringLiteral("host") : host;
}

// When the process started, in clock ticks after boot (the 22nd field of
// /proc/<pid>/stat), or 0 where that cannot be read. With the process
// number it names one process even when numbers are reused.
qint64 startTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold spaces: count after it.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    return fields.size() > 19 ? fields[19].toLongLong() : 0;
}

// Whether the process of that number runs on this host and, when both
// start times are known, is the one that started then.
bool isRunning(qint64 pid, qint64 ticks)
{
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
        return false;
    const qint64 now = startTicks(pid);
    return now == 0 || ticks == 0 || now == ticks;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Splits as the entry file's readers do: a line ends at CR LF or a lone CR.
QList<QByteArrayView> linesOf(const QByteArray& bytes)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\r', start);
        if (end < 0) {
            lines.append(QByteArrayView(bytes).sliced(start));
            break;
        }
        lines.append(QByteArrayView(bytes).sliced(start, end - start));
        start = end + 1;
        if (start < bytes.size() && bytes[start] == '\n')
            ++start;
    }
    return lines;
}

struct Parsed
{
    QString host;
    qint64 pid = 0;
    qint64 ticks = 0;
    RecoveryFile::Left left;
};

std::optional<Parsed> parse(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const QList<QByteArrayView> lines = linesOf(bytes);
    if (lines.isEmpty() || lines.first() != firstLine)
        return std::nullopt;
    Parsed parsed;
    parsed.left.path = path;
    qsizetype i = 1;
    for (; i < lines.size() && !EntryLines::isHeader(lines[i]); ++i) {
        const QString line = TextCodec::decode(lines[i]);
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        if (words.size() == 4 && words[0] == u"copy") {
            parsed.host = words[1];
            parsed.pid = words[2].toLongLong();
            parsed.ticks = words[3].toLongLong();
        } else if (words.size() == 2 && words[0] == u"written") {
            parsed.left.written = QDateTime::fromString(words[1], Qt::ISODate);
        } else if (words.size() == 2 && words[0] == u"day") {
            parsed.left.day = QDate::fromString(words[1], Qt::ISODate);
        }
    }
    if (!parsed.left.day.isValid() || i == lines.size())
        return std::nullopt;
    // The body as every entry reader takes it: up to the end line, each
    // line with the writer's escape of a mark taken off.
    QString& text = parsed.left.text;
    for (qsizetype j = i + 1; j < lines.size() && !EntryLines::isEnd(lines[j]); ++j) {
        if (j > i + 1)
            text += u"\r\n";
        TextCodec::append(EntryLines::unescapedBody(lines[j]), text);
    }
    return parsed;
}

} // namespace

RecoveryFile::RecoveryFile(const QString& folder)
    : m_folder(folder),
      m_path(QDir(folder).filePath(
          QStringLiteral("%1%2-%3.txt").arg(QLatin1String(namePrefix), hostName()).arg(::getpid())))
{
}

std::optional<FileError> RecoveryFile::write(const DateSettings& dates, const QDate& day,
                                             const QString& text, const QDateTime& now) const
{
    QByteArray bytes = firstLine.toByteArray() + "\r\n";
    bytes += QStringLiteral("copy %1 %2 %3\r\n")
                 .arg(hostName())
                 .arg(::getpid())
                 .arg(startTicks(::getpid()))
                 .toUtf8();
    bytes += "written " + now.toString(Qt::ISODate).toUtf8() + "\r\n";
    bytes += "day " + day.toString(Qt::ISODate).toUtf8() + "\r\n";
    bytes += EntryLines::entryBytes(dates, day, text);

    const QString newPath = m_path + QLatin1String(newSuffix);
    const QByteArray nativeNew = QFile::encodeName(newPath);
    const int fd = ::open(nativeNew.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errorOf(newPath, errno);
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        const int writeError = errno;
        ::close(fd);
        ::unlink(nativeNew.constData());
        return errorOf(newPath, writeError);
    }
    if (::close(fd) != 0 || ::rename(nativeNew.constData(), QFile::encodeName(m_path).constData()) != 0) {
        const int renameError = errno;
        ::unlink(nativeNew.constData());
        return errorOf(m_path, renameError);
    }
    // The new name must survive a power cut as well as the text.
    const int folderFd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return std::nullopt;
}

std::optional<FileError> RecoveryFile::remove() const
{
    if (::unlink(QFile::encodeName(m_path).constData()) != 0 && errno != ENOENT)
        return errorOf(m_path, errno);
    return std::nullopt;
}

QList<RecoveryFile::Left> RecoveryFile::leftBehind(const QString& folder)
{
    QList<Left> left;
    const QDir dir(folder);
    const QString pattern = QLatin1String(namePrefix) + QLatin1Char('*');
    for (const QFileInfo& info : dir.entryInfoList({pattern + QLatin1String(".txt")}, QDir::Files | QDir::Hidden)) {
        const std::optional<Parsed> parsed = parse(info.filePath());
        if (!parsed)
            continue; // not one of ours, or unreadable: leave it alone
        const bool gone = parsed->host == hostName()
                              ? !isRunning(parsed->pid, parsed->ticks)
                              : info.lastModified().secsTo(QDateTime::currentDateTime()) >= 24 * 3600;
        if (!gone)
            continue;
        left.append(parsed->left);
    }
    // A half-written file is named after the copy writing it: one whose
    // copy has died on this host is of no use to anyone.
    for (const QFileInfo& info : dir.entryInfoList({pattern + QLatin1String(".txt") + QLatin1String(newSuffix)},
                                                   QDir::Files | QDir::Hidden)) {
        const QString name = info.fileName().chopped(int(std::strlen(newSuffix) + 4))
                                 .mid(int(std::strlen(namePrefix)));
        const qsizetype dash = name.lastIndexOf(u'-');
        if (dash > 0 && name.left(dash) == hostName()
            && !isRunning(name.mid(dash + 1).toLongLong(), 0))
            QFile::remove(info.filePath());
    }
    std::sort(left.begin(), left.end(),
              [](const Left& a, const Left& b) { return a.written < b.written; });
    return left;
}

std::optional<FileError> RecoveryFile::keepAsRescue(const Left& left, QString& rescuePath)
{
    const QDir dir = QFileInfo(left.path).dir();
    const QDateTime when = left.written.isValid() ? left.written : QDateTime::currentDateTime();
    const QString stem = QStringLiteral("ojwrescue-%1").arg(when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    for (int n = 1; n < 1000; ++n) {
        rescuePath = dir.filePath(n == 1 ? stem + QLatin1String(".txt") : QStringLiteral("%1-%2.txt").arg(stem).arg(n));
        // link() never replaces an existing file, unlike rename().
        const QByteArray from = QFile::encodeName(left.path);
        if (::link(from.constData(), QFile::encodeName(rescuePath).constData()) == 0) {
            ::unlink(from.constData());
            return std::nullopt;
        }
        if (errno == EEXIST)
            continue;
        // A file system without hard links: a rename, once the name is
        // known to be free.
        if (QFileInfo::exists(rescuePath))
            continue;
        if (::rename(from.constData(), QFile::encodeName(rescuePath).constData()) == 0)
            return std::nullopt;
        return errorOf(rescuePath, errno);
    }
    return errorOf(rescuePath, EEXIST);
}
