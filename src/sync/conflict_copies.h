#pragma once

#include "store/conflict_copy_names.h"

#include "platform/core/file_error.h"

#include <QList>
#include <QPair>
#include <QString>

class DateSettings;
class EntryFile;
class History;

// What a sync service leaves of a diary that two machines changed at once:
// the file under its name holds one machine's diary, a renamed copy (the
// conflict copy) the other's. Their days are merged back into the diary,
// and a save the service replaced without a copy comes back from the
// history, which every machine's copy of the folder holds.
namespace ConflictCopies {

// The folder a merged conflict copy is moved into, beside the diary: its
// days are in the diary, and it stays to be looked at, never merged again.
inline constexpr const char* keptFolder = "ojwhistory-conflicts";

// The names sync services give conflict copies (the store knows them, so
// that no rewrite makes a new diary beside one).
using ConflictCopyNames::isConflictCopyOf;

struct Report
{
    QList<QPair<QString, int>> daysFrom; // file name, days taken
    QList<FileError> problems;
};

// Merges every conflict copy of the entry file in the folder into the diary
// in one rewrite, recorded as merged, then moves the copies into keptFolder;
// conflict copies of the settings file are removed. A copy that cannot be
// read stays where it is, with a problem.
Report mergeAll(const QString& folder, const DateSettings& dates, EntryFile& entries, const History& history);

// A day this machine saved lately whose latest text in the history is not
// in the diary, where the diary holds a text the history knows as older
// (or none): the save a sync service replaced with another machine's
// older diary. Merged back the same way; added to the report under the
// history file's name.
void bringBackThrownAway(const QString& folder, const DateSettings& dates, EntryFile& entries,
                         const History& history, Report& report);

} // namespace ConflictCopies
