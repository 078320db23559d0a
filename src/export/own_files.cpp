#include "export/own_files.h"

#include "files/folder_lock.h"
#include "files/posix_io.h"
#include "history/history.h"
#include "recovery/recovery_file.h"
#include "recovery/rescue_file.h"
#include "settings/settings_file.h"
#include "settings/spelling_settings_file.h"
#include "store/entry_file.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace {

struct OwnFile
{
    const char* name;
    const char* reason;
    bool besideEntries = false; // also beside the file an entry-file link leads to
};

constexpr OwnFile ownFiles[] = {
    {EntryFile::fileName, "This is the diary's entry file: exporting into it would erase every entry. "
                          "Choose another file."},
    {EntryFile::tempFileName, "The diary writes this file while it saves its entries. Choose another file.", true},
    {FolderLock::lockFileName, "The diary uses this file to keep two copies of itself from saving at once. "
                               "Choose another file.", true},
    {FolderLock::fallbackFileName, "The diary uses this file to keep two copies of itself from saving at "
                                   "once. Choose another file.", true},
    {SettingsFile::fileName, "This is the diary's settings file. Choose another file."},
    {SpellingSettingsFile::fileName, "This is the diary's spelling settings file. Choose another file."},
    {"OJW.chm", "This is the diary's help file. Choose another file."},
};

// Files the program names after a moment or a copy of itself, wherever
// they lie: each may hold the only copy of some of the user's text.
constexpr const char* ownPrefixes[] = {EntryFile::setAsidePrefix, RecoveryFile::namePrefix, rescueNamePrefix,
                                       History::namePrefix};
constexpr const char* keptTextReason = "The diary keeps text that could not be saved, or earlier versions "
                                       "of its entries, in this file. Choose another file.";
constexpr const char* programReason = "This is the diary program itself. Choose another file.";

// Hard links and bind mounts are other paths to the same file.
bool sameInode(const QString& a, const QString& b)
{
    struct stat first;
    struct stat second;
    return ::stat(PosixIo::nativePath(a).constData(), &first) == 0
           && ::stat(PosixIo::nativePath(b).constData(), &second) == 0 && first.st_dev == second.st_dev
           && first.st_ino == second.st_ino;
}

} // namespace

std::optional<FileError> refuseOwnFile(const QString& folder, const QString& chosen, const QString& resolved)
{
    const QFileInfo target(resolved);
    const QString name = target.fileName();
    for (const char* prefix : ownPrefixes) {
        if (name.startsWith(QLatin1String(prefix)))
            return FileError{chosen, QString::fromLatin1(keptTextReason)};
    }
    // Names are compared as well as files: the temporary file exists only
    // while a save runs. A save through a link to the entry file writes
    // beside the file the link leads to.
    const QString appFolder = QFileInfo(folder).canonicalFilePath();
    const QFileInfo entries(PosixIo::pathIn(folder, QString::fromLatin1(EntryFile::fileName)));
    const QString entryFolder = entries.isSymLink() ? QFileInfo(entries.canonicalFilePath()).absolutePath() : appFolder;
    for (const OwnFile& own : ownFiles) {
        const QString ownName = QString::fromLatin1(own.name);
        const bool atOwnPlace = name == ownName
                                && (target.absolutePath() == appFolder
                                    || (own.besideEntries && target.absolutePath() == entryFolder));
        if (atOwnPlace || sameInode(resolved, PosixIo::pathIn(folder, ownName)))
            return FileError{chosen, QString::fromLatin1(own.reason)};
    }
    if (sameInode(resolved, QStringLiteral("/proc/self/exe")))
        return FileError{chosen, QString::fromLatin1(programReason)};
    return std::nullopt;
}
