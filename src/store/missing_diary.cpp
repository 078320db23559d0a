#include "store/missing_diary.h"

#include "store/conflict_copy_names.h"
#include "store/entry_file.h"

#include <QDir>
#include <QFileInfo>

QStringList MissingDiary::conflictCopies(const QString& folder)
{
    QStringList copies;
    const QDir dir(folder);
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (file.size() > 0 && ConflictCopyNames::isConflictCopyOf(file.fileName(), QString::fromLatin1(EntryFile::fileName)))
            copies.append(file.fileName());
    }
    return copies;
}

std::optional<FileError> MissingDiary::refusal(const QString& entryPath, const QString& folder,
                                               const DayRecorder* recorder)
{
    const QStringList copies = conflictCopies(folder);
    const QString name = QString::fromLatin1(EntryFile::fileName);
    const QString why = QStringLiteral(
        "The diary file %1 is missing, though its folder holds %2. A sync service has probably renamed it, "
        "or not brought it yet. Nothing was written: a new diary of a few days would replace the whole "
        "one on your other machines.\n\n");
    if (!copies.isEmpty()) {
        return FileError{entryPath, why.arg(name, QStringLiteral("copies of it with entries (%1)")
                                                      .arg(copies.join(QStringLiteral(", "))))
                                        + QStringLiteral("Wait until the sync has finished, or rename the "
                                                         "newest copy back to %1; then save again.")
                                              .arg(name)};
    }
    if (recorder && recorder->holdsEntries()) {
        return FileError{entryPath,
                         why.arg(name, QStringLiteral("the history of its days"))
                             + QStringLiteral("Wait until the sync has finished, or put %1 back from a "
                                              "backup; then save again. To start a new diary in this "
                                              "folder on purpose, first create an empty file named %1.")
                                   .arg(name)};
    }
    return std::nullopt;
}
