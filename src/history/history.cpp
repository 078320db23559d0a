#include "history/history.h"

#include "files/append_file.h"
#include "files/atomic_file.h"
#include "files/line_reader.h"
#include "files/posix_io.h"
#include "platform/core/state_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSysInfo>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isMachineId(const QByteArray& id)
{
    return !id.isEmpty() && id.size() <= 64
           && std::all_of(id.begin(), id.end(), [](char c) { return std::isalnum(uchar(c)) != 0; });
}

QByteArray keptMachineId()
{
    const QString path = QDir(programStateFolder()).filePath(QStringLiteral("machine-id"));
    PosixIo::UniqueFd fd;
    if (!PosixIo::openForReading(path, fd) && fd.isOpen()) {
        LineReader reader(fd.get());
        reader.setMaxLineLength(64);
        QByteArrayView line;
        if (reader.next(line) && isMachineId(line.toByteArray()))
            return line.toByteArray();
    }
    QByteArray made;
    for (int i = 0; i < 4; ++i)
        made.append(QByteArray::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, '0'));
    QDir().mkpath(programStateFolder());
    AtomicFile out(path);
    out.setNoReplace();
    if (!out.open()) {
        out.writer().writeLine(made);
        if (out.commit())
            return keptMachineId() == made ? made : QByteArray(); // another copy made one first
    }
    return made;
}

} // namespace

History::History(const QString& folder, const QString& machine)
    : m_folder(folder),
      m_path(PosixIo::pathIn(folder, QLatin1String(namePrefix) + machine + QLatin1String(".txt"))),
      m_now([] { return QDateTime::currentDateTime(); })
{
}

QString History::thisMachine()
{
    static const QString id = [] {
        const QByteArray system = QSysInfo::machineUniqueId();
        const QByteArray id = isMachineId(system) ? system : keptMachineId();
        return QString::fromLatin1(isMachineId(id) ? id : QByteArray("unknown"));
    }();
    return id;
}

std::optional<FileError> History::record(Change change, const QList<Day>& days)
{
    if (days.isEmpty())
        return std::nullopt;
    HistoryRecord record;
    record.at = m_now();
    record.change = change;
    QByteArray bytes;
    for (const Day& day : days) {
        record.day = day.day;
        record.before = day.before;
        record.after = day.after;
        HistoryFormat::append(record, bytes);
    }
    return appendDurably(m_path, bytes);
}

bool History::recordedLately(const QDate& day, const QString& after, qint64 size) const
{
    struct stat status;
    if (::stat(PosixIo::nativePath(m_path).constData(), &status) != 0)
        return false;
    const Read last = ownFrom(std::max<qint64>(0, status.st_size - size));
    return std::any_of(last.records.begin(), last.records.end(), [&](const HistoryRecord& record) {
        return record.day == day && record.after == after;
    });
}

bool History::holdsEntries() const
{
    // The first whole record of any file will do; damage is no record.
    for (const QString& path : files(m_folder)) {
        PosixIo::UniqueFd fd;
        struct stat status;
        if (PosixIo::openForReading(path, fd) || !fd.isOpen() || ::fstat(fd.get(), &status) != 0
            || status.st_size > maxFileSize)
            continue;
        LineReader lines(fd.get());
        lines.setMaxLineLength(maxLineLength);
        HistoryReader reader(lines);
        HistoryRecord record;
        if (reader.next(record))
            return true;
    }
    return false;
}

QStringList History::files(const QString& folder)
{
    QStringList paths;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QLatin1String(namePrefix) + QLatin1String("*.txt")},
                                            QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                                            QDir::Name);
    for (const QString& name : names)
        paths.append(dir.filePath(name));
    return paths;
}

History::Read History::day(const QDate& day) const
{
    return read([](const QString&) { return true; }, &day, [](const HistoryRecord&) { return true; });
}

History::Read History::madeAt(const QDateTime& at, Change change) const
{
    return read([](const QString&) { return true; }, nullptr,
                [&](const HistoryRecord& record) { return record.at == at && record.change == change; });
}

History::Read History::ownFrom(qint64 from) const
{
    return read([this](const QString& path) { return path == m_path; }, nullptr,
                [](const HistoryRecord&) { return true; }, from);
}

History::Read History::read(const std::function<bool(const QString& path)>& wanted, const QDate* day,
                            const std::function<bool(const HistoryRecord&)>& keep, qint64 from) const
{
    Read result;
    for (const QString& path : files(m_folder)) {
        if (!wanted(path))
            continue;
        PosixIo::UniqueFd fd;
        if (auto failure = PosixIo::openForReading(path, fd)) {
            result.problems.append(*failure);
            continue;
        }
        struct stat status;
        if (!fd.isOpen() || ::fstat(fd.get(), &status) != 0)
            continue;
        if (status.st_size > maxFileSize) {
            result.problems.append(FileError{path, QStringLiteral("This file is far larger than any history "
                                                                  "the diary writes, so it is not read.")});
            continue;
        }
        if (from > 0 && ::lseek(fd.get(), std::min<qint64>(from, status.st_size), SEEK_SET) < 0)
            continue;
        LineReader lines(fd.get());
        lines.setMaxLineLength(maxLineLength);
        HistoryReader reader(lines);
        if (day)
            reader.onlyDay(*day);
        HistoryRecord record;
        while (reader.next(record)) {
            if (keep(record))
                result.records.append(record);
        }
        if (lines.error() != 0)
            result.problems.append(PosixIo::error(path, lines.error()));
        else if (reader.damaged() > 0 && from == 0)
            result.problems.append(FileError{
                path, QStringLiteral("%1 of the records in this file are damaged or were cut off, and are left out.")
                          .arg(reader.damaged())});
    }
    std::stable_sort(result.records.begin(), result.records.end(),
                     [](const HistoryRecord& a, const HistoryRecord& b) { return a.at < b.at; });
    return result;
}
