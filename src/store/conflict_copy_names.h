#pragma once

#include <QString>

namespace ConflictCopyNames {

// Whether a file name is a sync service's conflict copy of `original`
// ("ojwdata.txt"): Syncthing "ojwdata.sync-conflict-20261207-183012-7KQ2FXM.txt",
// Nextcloud/ownCloud "ojwdata (conflicted copy 2026-12-07 183012).txt" or
// "ojwdata_conflict-20261207-183012.txt", Dropbox
// "ojwdata (Ana's conflicted copy 2026-12-07).txt" and "... 2026-12-07 (1)).txt".
bool isConflictCopyOf(const QString& name, const QString& original);

} // namespace ConflictCopyNames
