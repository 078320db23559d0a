#pragma once

#include "platform/core/file_error.h"
#include "files/posix_io.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

class DateSettings;

// The pad's unsaved text, kept on disk while the pad is dirty, so a program
// that dies without a word loses at most the last moments of typing. Each
// running copy has its own "ojwunsaved-<random>.txt" and holds a kernel lock
// on it while it runs: a file nobody holds was left by a copy that is gone.
// The files live in the user's state folder, in a private folder of the
// application folder's own, never in the application folder: that may be
// synced to another machine, which cannot see this one's locks and would
// offer text still being typed here as left by a crash.
// Lines "Ombrel JotWell: unsaved text", "written <ISO time>", "day <ISO
// date>", "loaded <SHA-1 of the day's text as loaded>", then the text as a
// one-entry entry file, so the file kept as a rescue file reads as the entry.
class RecoveryFile
{
public:
    static constexpr const char* namePrefix = "ojwunsaved-";
    // Larger than any pad a person types; a bigger file is none of ours.
    static constexpr qsizetype maxFileSize = 256 * 1024 * 1024;

    struct Left
    {
        QString path;
        QDate day;
        QDateTime written;
        QString text;
        // The hash of the day's text as that copy loaded it (hashOf), or
        // empty when the file does not say.
        QByteArray loadedHash;
    };

    explicit RecoveryFile(const QString& folder);

    // Where the unsaved-text files of an application folder are kept:
    // "<state folder>/unsaved/<name>-<hash>", the hash of the folder's
    // canonical path, the name its own for a reader.
    static QString folderFor(const QString& applicationFolder);

    QString path() const { return m_path; }

    // Replaces this copy's file in one step; loadedText is the day's text
    // as the pad was filled with it.
    std::optional<FileError> write(const DateSettings& dates, const QDate& day, QStringView text,
                                   QStringView loadedText, const QDateTime& now);

    // Removes the file; a missing file is no failure. One that cannot be
    // removed stays locked, so no other copy offers it while this one runs.
    std::optional<FileError> remove();

    // The application folder's files that no running copy holds, oldest
    // first: those kept for it in the state folder, and those that copies
    // from before the state folder left in the application folder itself.
    // Only regular files of the program's form are read, each up to
    // maxFileSize.
    static QList<Left> leftBehind(const QString& folder);

    // Keeps a left file's text as the rescue file "ojwrescue-<date>-<time>.txt"
    // (its time of writing) in the application folder, where the user looks,
    // and removes the left file; returns the rescue file's path. On failure
    // the left file is as it was.
    static std::optional<FileError> keepAsRescue(const Left& left, const DateSettings& dates,
                                                 const QString& folder, QString& rescuePath);

    static QByteArray hashOf(QStringView text);

private:
    QString m_keptIn; // folderFor the application folder
    QString m_path;
    PosixIo::UniqueFd m_held; // the file, open and locked while it exists
};
