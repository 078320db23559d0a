#pragma once

#include "platform/core/file_error.h"

#include <QString>
#include <QStringView>

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

    EntryFile(const QString& folder, const DateSettings& dates);

    QString path() const;
    QString tempPath() const;

    // The day's text: the bodies of every entry whose header reads exactly as
    // the day, lines joined by CR LF, a second entry's body after a line
    // break. A missing file reads as an empty one; a folder, a FIFO or a
    // device of the file's name, or a link to nothing, is a failure. On
    // failure the text is what was read before the failure.
    std::optional<FileError> load(const QDate& day, QString& text) const;

    // What a save did.
    struct SaveResult
    {
        // Set when the save failed. Unless written is set too, the entry
        // file is as it was.
        std::optional<FileError> error;
        // The file holds the new content. Set with an error when only the
        // folder sync after the rename failed: the text is saved, but the
        // disk did not confirm that the new name will survive a power cut.
        bool written = false;
        // The day's entry had changed on disk since it was loaded (another
        // copy of the program, another program), and the save kept the text
        // found there: in front of the pad's text, after an empty line, or
        // alone when the pad's text was empty.
        bool merged = false;
        // The day's text as the file now holds it.
        QString text;
    };

    // Rewrites the file with the day's entry replaced by the text at its
    // place, or appended when the day has none, or removed when remove is
    // set (an empty text removes too). Several entries of the day become one
    // at the place of the first. Other lines keep their bytes; an entry
    // left without its end line at the end of the file gets one before a
    // new entry is appended after it, and a byte-order mark at the start of
    // the file stays. A link of the file's name stays a link: the new
    // content replaces the file it leads to. The new file is written beside
    // the old one and renamed over it, under a lock that another copy of the
    // program may hold for a few seconds at most. On failure the entry file
    // is as it was; the one exception is a failure to sync the folder after
    // the rename, when the file already holds the new text.
    //
    // loadedText is the day's text as load() gave it when the pad was
    // filled: a day whose text on disk differs from it now is merged (see
    // SaveResult) rather than overwritten.
    SaveResult save(const QDate& day, QStringView text, bool remove, QStringView loadedText) const;

    // The same without the check for changes on disk: whatever the day
    // holds is replaced.
    std::optional<FileError> save(const QDate& day, QStringView text, bool remove) const;

    // Leaves an empty entry file, creating it when it is missing, through a
    // new file renamed over it (over the file a link leads to), under the
    // same lock as save.
    std::optional<FileError> clear() const;

    // For start-up: a missing entry file beside a complete temporary file (a
    // save cut off after the old file was gone) is recovered from the
    // temporary file. A temporary file that is not complete (it does not end
    // with a whole line, or its last entry lacks its end line) is not taken;
    // it is moved to a dated name no save touches, and the error says where.
    std::optional<FileError> recover() const;

private:
    SaveResult rewrite(const QDate& day, QStringView text, bool remove,
                       const QStringView* loadedText) const;

    QString m_folder;
    const DateSettings& m_dates;
};
