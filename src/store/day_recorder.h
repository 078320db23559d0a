#pragma once

#include "platform/core/file_error.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// Is told what a rewrite of the entry file does to each day it changes,
// while the new file is not yet in place: what it records is on disk before
// the change it records is.
class DayRecorder
{
public:
    // What made a day's text change.
    enum class Change {
        Saved,    // a save of the pad's text
        Cleared,  // Pad > Clear
        Emptied,  // the save of an empty pad
        Erased,   // Clear All
        Merged,   // a save that found the day changed on disk, or text taken in from elsewhere
        Restored, // an earlier text brought back
    };

    struct Day
    {
        QDate day;
        QString before; // empty: the day had no entry
        QString after;  // empty: the day has none now
    };

    virtual ~DayRecorder() = default;

    // All changes of one rewrite, with one moment. An error leaves the
    // rewrite to decide whether it may go on without the record.
    virtual std::optional<FileError> record(Change change, const QList<Day>& days) = 0;

    // Whether one of the last records of this machine gave the day this
    // text: the record of a save that was cut off before the entry file
    // changed. `size` bounds the bytes looked at from the end.
    virtual bool recordedLately(const QDate& day, const QString& after, qint64 size) const = 0;

    // Whether any machine's record of a day's text is kept: with the entry
    // file missing, the diary is elsewhere, not yet begun.
    virtual bool holdsEntries() const = 0;
};
