#pragma once

#include "platform/core/file_error.h"
#include "store/day_recorder.h"

#include <QString>
#include <QStringList>

#include <optional>

// An entry file that is missing where the diary plainly lives on: a sync
// service renamed it to a conflict copy, or has not brought it yet, and the
// history holds its days. A new entry file of a few days made then would
// travel and replace the whole diary on the other machines, so no rewrite
// makes one; the user is told what to do instead.
class MissingDiary
{
public:
    // The conflict copies of the entry file in the folder that hold
    // something, by the names Syncthing, Nextcloud or ownCloud and Dropbox
    // give them.
    static QStringList conflictCopies(const QString& folder);

    // Why no new entry file may be made at entryPath, in folder, or none
    // when nothing speaks against it.
    static std::optional<FileError> refusal(const QString& entryPath, const QString& folder,
                                            const DayRecorder* recorder);
};
