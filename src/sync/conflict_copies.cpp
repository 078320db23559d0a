#include "sync/conflict_copies.h"

#include "files/posix_io.h"
#include "history/history.h"
#include "store/entry_file.h"
#include "sync/day_merge.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

namespace ConflictCopies {
namespace {

// The settings files' names: their conflict copies go, since the diary's
// own settings stay in the files of those names.
constexpr const char* settingsFileNames[] = {"ojwconfig.txt", "ojwspelling.txt"};

// How far back this machine's history file is looked at for saves a
// service may have thrown away: far more than one sync's worth of saves.
constexpr qint64 recentBytes = 1024 * 1024;

using Proposal = QList<DayRecorder::Day>;

QHash<QDate, QString> diaryDays(const QString& path, const DateSettings& dates, Report& report, bool& ok)
{
    QList<DayRecorder::Day> days;
    QHash<QDate, QString> texts;
    if (auto failure = EntryFile::readDays(path, dates, days)) {
        report.problems.append(*failure);
        ok = false;
        return texts;
    }
    for (DayRecorder::Day& day : days)
        texts.insert(day.day, std::move(day.after));
    ok = true;
    return texts;
}

// One rewrite: each proposed day becomes its diary text merged with every
// text offered for it. The days that changed, or nullopt when nothing was
// written.
std::optional<QList<DayRecorder::Day>> mergeIn(EntryFile& entries, const History& history,
                                               const std::map<QDate, QStringList>& offered, Report& report)
{
    Proposal proposal;
    for (const auto& [day, texts] : offered)
        proposal.append({day, QString(), texts.first()});
    if (proposal.isEmpty())
        return QList<DayRecorder::Day>();
    const EntryFile::Combine combine = [&](const QDate& day, const QString& onDisk, const QString&) {
        const History::Read read = history.day(day);
        QString text = onDisk;
        for (const QString& offer : offered.at(day))
            text = DayMerge::merge(read.records, text, offer);
        return text;
    };
    const EntryFile::SaveResult result = entries.saveDays(proposal, DayRecorder::Change::Merged, combine);
    for (const auto& problem : {result.error, result.setAside, result.unrecorded}) {
        if (problem)
            report.problems.append(*problem);
    }
    if (result.error && !result.written)
        return std::nullopt;
    QList<DayRecorder::Day> changed;
    for (const DayRecorder::Day& day : result.days) {
        if (day.before != day.after)
            changed.append(day);
    }
    return changed;
}

// Moves a merged copy into the kept folder, under its own name or a dated
// one when that is taken there.
std::optional<FileError> keep(const QString& folder, const QString& name)
{
    const QString kept = PosixIo::pathIn(folder, QString::fromLatin1(keptFolder));
    if (::mkdir(PosixIo::nativePath(kept).constData(), 0700) != 0 && errno != EEXIST)
        return PosixIo::error(kept, errno);
    const int folderFd = ::open(PosixIo::nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return PosixIo::error(folder, errno);
    const QByteArray from = PosixIo::nativePath(name);
    const QString prefix = QString::fromLatin1(keptFolder) + u'/' + QFileInfo(name).completeBaseName();
    const QString same = QString::fromLatin1(keptFolder) + u'/' + name;
    int result = PosixIo::renameNoReplace(folderFd, from, PosixIo::nativePath(same));
    if (result == EEXIST) {
        QString taken;
        result = PosixIo::takeDatedName(prefix, QDateTime::currentDateTime(), [&](const QString& to) {
            return PosixIo::renameNoReplace(folderFd, from, PosixIo::nativePath(to));
        }, taken);
    }
    if (result == 0)
        result = PosixIo::syncFolder(folderFd);
    ::close(folderFd);
    if (result != 0)
        return PosixIo::error(PosixIo::pathIn(folder, name), result);
    return std::nullopt;
}

int countFrom(const QList<DayRecorder::Day>& changed, const QHash<QDate, QString>& offered)
{
    int count = 0;
    for (const DayRecorder::Day& day : changed) {
        const auto offer = offered.constFind(day.day);
        if (offer != offered.constEnd() && *offer != day.before)
            ++count;
    }
    return count;
}

} // namespace

Report mergeAll(const QString& folder, const DateSettings& dates, EntryFile& entries, const History& history)
{
    Report report;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    const QString entryName = QString::fromLatin1(EntryFile::fileName);
    QStringList copies;
    for (const QString& name : names) {
        if (isConflictCopyOf(name, entryName))
            copies.append(name);
        else if (std::any_of(std::begin(settingsFileNames), std::end(settingsFileNames),
                             [&name](const char* settings) { return isConflictCopyOf(name, QString::fromLatin1(settings)); }))
            QFile::remove(PosixIo::pathIn(folder, name));
    }
    if (copies.isEmpty())
        return report;
    bool ok = false;
    const QHash<QDate, QString> diary = diaryDays(entries.path(), dates, report, ok);
    if (!ok)
        return report;

    std::map<QDate, QStringList> offered;
    QList<QPair<QString, QHash<QDate, QString>>> read;
    for (const QString& name : copies) {
        QList<DayRecorder::Day> days;
        if (auto failure = EntryFile::readDays(PosixIo::pathIn(folder, name), dates, days)) {
            report.problems.append({failure->file, QStringLiteral("This copy of the diary, left by a sync service, "
                                                                  "could not be read (%1). It stays where it is.")
                                                       .arg(failure->reason)});
            continue;
        }
        QHash<QDate, QString> texts;
        for (const DayRecorder::Day& day : days) {
            texts.insert(day.day, day.after);
            if (day.after != diary.value(day.day))
                offered[day.day].append(day.after);
        }
        read.append({name, texts});
    }
    const auto changed = mergeIn(entries, history, offered, report);
    if (!changed)
        return report;
    for (const auto& [name, texts] : read) {
        if (const int count = countFrom(*changed, texts); count > 0)
            report.daysFrom.append({name, count});
        if (auto failure = keep(folder, name))
            report.problems.append(*failure);
    }
    return report;
}

void bringBackThrownAway(const QString& folder, const DateSettings& dates, EntryFile& entries,
                         const History& history, Report& report)
{
    Q_UNUSED(folder);
    const qint64 size = QFileInfo(history.path()).size();
    const History::Read own = history.ownFrom(std::max<qint64>(0, size - recentBytes));
    if (own.records.isEmpty())
        return;
    bool ok = false;
    const QHash<QDate, QString> diary = diaryDays(entries.path(), dates, report, ok);
    if (!ok)
        return;

    // First from this machine's own records alone: a day whose last saved
    // text is not in the diary, which holds what it replaced or nothing.
    QHash<QDate, const HistoryRecord*> latestOwn;
    QSet<QDate> known;
    for (const HistoryRecord& record : own.records) {
        const HistoryRecord*& latest = latestOwn[record.day];
        if (!latest || record.at >= latest->at)
            latest = &record;
        const QString inDiary = diary.value(record.day);
        if (inDiary.isEmpty() || record.before == inDiary || record.after == inDiary)
            known.insert(record.day);
    }
    std::map<QDate, QStringList> offered;
    QHash<QDate, QString> texts;
    for (auto own = latestOwn.cbegin(); own != latestOwn.cend(); ++own) {
        const HistoryRecord& mine = *own.value();
        if (mine.after.isEmpty() || mine.after == diary.value(mine.day) || !known.contains(mine.day))
            continue;
        // Then every machine's: another saved the day later, and the diary
        // may hold that save (or it is still on its way, and brings it).
        const History::Read read = history.day(mine.day);
        report.problems.append(read.problems);
        if (std::any_of(read.records.begin(), read.records.end(),
                        [&](const HistoryRecord& record) { return record.at > mine.at; }))
            continue;
        offered[mine.day].append(mine.after);
        texts.insert(mine.day, mine.after);
    }
    const auto changed = mergeIn(entries, history, offered, report);
    if (changed && !changed->isEmpty())
        report.daysFrom.append({QFileInfo(history.path()).fileName(), countFrom(*changed, texts)});
}

} // namespace ConflictCopies
