#pragma once

#include "platform/core/file_error.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class DateSettings;

// The pad's unsaved text, kept on disk while the pad is dirty, so that a
// program that dies without a word (a crash, the X connection lost, a power
// cut) loses at most the last moments of typing. Each running copy of the
// program has its own file in the application folder,
// "ojwunsaved-<host>-<pid>.txt", so two copies never overwrite each other's.
//
// The file names the copy that wrote it, the time and the day, then holds
// the text as a one-entry entry file:
//
//     Ombrel JotWell: unsaved text
//     copy vm 4711 123456
//     written 2026-12-07T10:15:30
//     day 2026-12-07
//     *!*07/12/2026
//     ...the text's lines...
//     !*!
//
// The lines above the entry are lines outside any entry to every reader of
// entry files, so the file kept as a rescue file reads as the day's entry.
class RecoveryFile
{
public:
    static constexpr const char* namePrefix = "ojwunsaved-";

    // A file left by a copy of the program that is no longer running.
    struct Left
    {
        QString path;
        QDate day;
        QDateTime written;
        QString text;
    };

    // This running copy's file in the folder.
    explicit RecoveryFile(const QString& folder);

    QString path() const { return m_path; }

    // Replaces the file in one step: the new content goes to a file beside
    // it, is synced, and is renamed over it.
    std::optional<FileError> write(const DateSettings& dates, const QDate& day, const QString& text,
                                   const QDateTime& now) const;

    // Removes the file; a missing file is no failure.
    std::optional<FileError> remove() const;

    // The files in the folder written by copies that are not running any
    // more, oldest first. A copy counts as running while a process of its
    // number, started at the same moment, runs on this host; a file from
    // another host (a home folder shared over the network) counts as left
    // once it has not been written for a day. Half-written files beside
    // them (a copy killed while replacing its file) are removed: the file
    // they were to replace still holds the text before.
    static QList<Left> leftBehind(const QString& folder);

    // Keeps a left file under the dated name "ojwrescue-<date>-<time>.txt"
    // (its time of writing) in the same folder, and returns that path.
    static std::optional<FileError> keepAsRescue(const Left& left, QString& rescuePath);

private:
    QString m_folder;
    QString m_path;
};
