#pragma once

#include "history/history_record.h"
#include "store/day_recorder.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// The history of the days' texts beside a diary: every text the program
// saved for a day and every removal, each recorded before the entry file
// changes. Each machine appends to a file of its own,
// "ojwhistory-<machine>.txt", so that a folder kept in sync between
// machines never holds two writers of one file; reading takes every
// machine's file. The history is never read to show a day.
class History final : public DayRecorder
{
public:
    static constexpr const char* namePrefix = "ojwhistory-";
    // Larger than ten years of any diary; a bigger file is none of ours.
    static constexpr qint64 maxFileSize = qint64(2) * 1024 * 1024 * 1024;
    // The longest line a history file holds: a day's line. Longer ones are
    // damage, never held in memory whole.
    static constexpr qsizetype maxLineLength = 64 * 1024 * 1024;

    // machine: this machine's id (thisMachine()), letters and digits.
    History(const QString& folder, const QString& machine);

    // This machine's id: the system's (/etc/machine-id), or else one made
    // once and kept in the user's state folder, outside any synced folder.
    static QString thisMachine();

    QString path() const { return m_path; }
    const QString& folder() const { return m_folder; }

    // The moment a record gets; the clock by default. Tests set their own.
    void setNow(std::function<QDateTime()> now) { m_now = std::move(now); }

    // Appends one record per day, all with one moment, and syncs them. The
    // folder lock must be held (the entry file's rewrite holds it).
    std::optional<FileError> record(Change change, const QList<Day>& days) override;
    bool recordedLately(const QDate& day, const QString& after, qint64 size) const override;
    // Any machine's history file holds a whole record.
    bool holdsEntries() const override;

    struct Read
    {
        QList<HistoryRecord> records; // oldest first
        // Files that could not be read, or held damaged records.
        QList<FileError> problems;
    };

    // Every machine's records of one day.
    Read day(const QDate& day) const;
    // Every machine's records made at one moment with one kind of change
    // (all that one Clear All erased, for example).
    Read madeAt(const QDateTime& at, Change change) const;
    // The records of this machine's file from the byte `from` on, for a
    // look at the last ones without reading the whole.
    Read ownFrom(qint64 from) const;

    // The history files in a folder: regular files of the history's name,
    // links left out.
    static QStringList files(const QString& folder);

private:
    Read read(const std::function<bool(const QString& path)>& wanted, const QDate* day,
              const std::function<bool(const HistoryRecord&)>& keep, qint64 from = 0) const;

    QString m_folder;
    QString m_path;
    std::function<QDateTime()> m_now;
};
