#pragma once

#include "platform/core/file_error.h"
#include "store/day_recorder.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

class DateSettings;
class QDate;

// The entry file of one application folder and the operations that read or
// rewrite it for one day. Every call reads the file from its first line and
// closes it before returning; nothing of the file is kept between calls.
class EntryFile
{
public:
    static constexpr const char* fileName = "ojwdata.txt";
    static constexpr const char* tempFileName = "ojwtmp.txt";
    // A temporary file that may hold the only copy of the diary is moved to
    // a dated name that starts so.
    static constexpr const char* setAsidePrefix = "ojwtmp-";

    EntryFile(const QString& folder, const DateSettings& dates);

    QString path() const;
    QString tempPath() const;

    // Told of every day a save or a clear changes, before the new file
    // takes the old one's place. Not owned; none by default.
    void setRecorder(DayRecorder* recorder) { m_recorder = recorder; }

    // The day's text: the bodies of every entry whose header reads exactly as
    // the day, lines joined by CR LF, a second entry's body after a line
    // break. A missing file reads as an empty one; anything but a regular
    // file (or a link to one) is a failure. On failure the text is what was
    // read before it.
    std::optional<FileError> load(const QDate& day, QString& text) const;

    struct SaveResult
    {
        // Unless written is set too (only the folder sync after the rename
        // failed), the entry file is as it was.
        std::optional<FileError> error;
        bool written = false;
        // The day had changed on disk since it was loaded (another copy of
        // the program), and text holds the merge of both.
        bool merged = false;
        // Both changed the same lines: both versions were kept.
        bool conflict = false;
        // A temporary file that may have been the only copy of the diary
        // was moved aside before the save; this says where.
        std::optional<FileError> setAside;
        // The day's text as the file now holds it.
        QString text;
        // The recorder failed, and the change, which removed no text, went
        // on without its record.
        std::optional<FileError> unrecorded;
        // Each day given, with its text as the file held it and as it
        // holds it now.
        QList<DayRecorder::Day> days;
    };

    // What saveDays writes for a day, given its text as the file holds it
    // now and the text proposed for it.
    using Combine = std::function<QString(const QDate& day, const QString& onDisk, const QString& proposed)>;

    // Rewrites the file with the day's entry replaced by the text at its
    // place, appended when the day has none, or removed when remove is set
    // or the text is empty. Every other line keeps its bytes. Done through
    // "ojwtmp.txt" and a rename, under the folder lock; a link at the
    // file's name stays a link.
    //
    // loadedText is the day's text as this copy last loaded or saved it: a
    // day changed on disk since is merged line by line (LineMerge) rather
    // than overwritten.
    //
    // The recorder learns the day's text before and after, as `change` (or
    // as a merge). Where it fails, a change that removes text is not made.
    SaveResult save(const QDate& day, QStringView text, bool remove, QStringView loadedText,
                    DayRecorder::Change change = DayRecorder::Change::Saved) const;

    // Several days in one rewrite, by the same way as save: each day's
    // entries become one at the place of the first, or are appended in the
    // order given; an empty text removes the day. combine (the proposed text
    // when not given) decides each day's text from what the file holds.
    SaveResult saveDays(const QList<DayRecorder::Day>& proposed, DayRecorder::Change change,
                        const Combine& combine = {}) const;

    // Leaves an empty entry file, created when missing, by the same way; the
    // recorder learns every day's text it erases. A day in `shown` was
    // erased as its before text (a pad's unsaved text), not as the file
    // holds it.
    SaveResult clear(const QList<DayRecorder::Day>& shown = {}) const;

    // For start-up: a missing entry file beside a complete temporary file (a
    // save cut off after the old file was gone) is recovered from it. A
    // temporary file that is not complete, or cannot be recovered, is moved
    // to a dated name no save touches, and the error says where. Beside the
    // entry file, a temporary file's whole entries are taken into it, and
    // daysTakenIn tells how many days changed.
    std::optional<FileError> recover(int* daysTakenIn = nullptr) const;

    // Every day of a file in the entry file's form (another file than this
    // one: a copy of the diary), each day's text as load reads it, as the
    // days' after texts, in the order of the days. A missing file holds no
    // day.
    static std::optional<FileError> readDays(const QString& path, const DateSettings& dates,
                                             QList<DayRecorder::Day>& days);

private:
    std::optional<FileError> takeIn(const QString& left, int* daysTakenIn) const;
    SaveResult rewrite(const QList<DayRecorder::Day>& proposed, bool clear, DayRecorder::Change change,
                       const Combine& combine) const;

    QString m_folder;
    const DateSettings& m_dates;
    DayRecorder* m_recorder = nullptr;
};
