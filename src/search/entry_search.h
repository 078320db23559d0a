#pragma once

#include "platform/core/file_error.h"
#include "search/folded_text.h"
#include "search/line_block_reader.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <atomic>
#include <optional>

class DateSettings;

// The text search over the whole diary: which days' texts hold every word of
// a query (see SearchQuery), newest day first, each with the line to show
// for it. A day's text is exactly what loading the day gives (EntryFile::
// load): the bodies of the entries whose header reads exactly as the day,
// decoded, with the writer's escape taken off, a second entry's body after a
// line break of its own. Header lines, end lines and lines outside every
// entry hold no text; a header inside another day's body is that day's text
// and still starts an entry of its own day.
//
// Each call reads the file once, from its first line, and never writes it.
// It may run on a thread of its own: nothing it uses is shared with another
// thread but the folding tables, which are safe to share, and the date
// settings, which it only reads (hand it settings no other thread changes
// or destroys meanwhile).
class EntrySearch
{
public:
    struct Hit
    {
        QDate day;
        // The body line where the day's first match stands, as the pad shows
        // it, and every stretch of it where a word of the query stands
        // (sorted, overlapping stretches merged), for showing them in bold.
        QString excerpt;
        QList<TextRange> marks;
    };

    enum class Status {
        Searched,
        EmptyQuery,   // nothing to look for: no days
        QueryTooLong, // refused: more than SearchQuery::maxLength characters
        Cancelled,    // the flag was raised before the search ended: no days
        Failed,       // the file could not be read: see error
    };

    struct Result
    {
        Status status = Status::Searched;
        std::optional<FileError> error;
        // Every day that holds the query, however many there are...
        qsizetype dayCount = 0;
        // ...and the newest of them, up to the caller's limit, newest first.
        QList<Hit> hits;
    };

    // The file is read in blocks of about bufferSize bytes; tests make them
    // small, so that lines and entries run across blocks.
    EntrySearch(const QString& folder, const DateSettings& dates,
                qsizetype bufferSize = LineBlockReader::defaultBufferSize);

    // Searches for the query. The file is missing: no days. A file that
    // cannot be read, or anything but a regular file of that name, fails.
    // The cancel flag, when given, is looked at before each block of the
    // file; a search that sees it raised ends at once.
    Result find(QStringView query, qsizetype limit, const std::atomic<bool>* cancel = nullptr) const;

private:
    QString m_folder;
    const DateSettings& m_dates;
    qsizetype m_bufferSize;
};
