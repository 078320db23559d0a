#pragma once

#include "files/line_reader.h"
#include "platform/core/date_settings.h"
#include "platform/core/file_error.h"
#include "search/folded_text.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <stop_token>

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
// The search keeps its own copy of the date settings, so a copy of it may
// run on a thread of its own while the program goes on with its settings.
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
        Cancelled,    // a stop was asked for before the search ended: no days
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

    // Tests make the reader's buffer small, so that lines run across reads.
    EntrySearch(const QString& folder, const DateSettings& dates,
                qsizetype bufferSize = LineReader::defaultBufferSize);

    // Searches for the query. The file is missing: no days. A file that
    // cannot be read, or anything but a regular file of that name, fails.
    // A stop asked for is seen at the next line, and ends the search.
    Result find(QStringView query, qsizetype limit, std::stop_token stop = {}) const;

private:
    QString m_folder;
    DateSettings m_dates;
    qsizetype m_bufferSize;
};
