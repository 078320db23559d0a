// The text search over any entry file and any query: it never fails on a
// readable file and never changes it, and it finds exactly the days whose
// text, as loading the day gives it and folded the same way, holds every
// word of the query, newest first, up to the limit. For each day it gives,
// the excerpt is the day's first line that holds a word and every mark in
// it stands where a word does. The file is read a few bytes at a time too,
// so that lines and entries run across reads.

#include "fuzz_support.h"
#include "store/entry_file.h"
#include "search/entry_search.h"
#include "search/search_query.h"

#include <algorithm>
#include <functional>
#include <set>

namespace {

bool holdsEveryWord(const SearchQuery& query, const QString& text)
{
    const QString folded = FoldedText::fold(text);
    return std::all_of(query.words().begin(), query.words().end(),
                       [&](const QString& word) { return folded.contains(word); });
}

void checkHit(const EntrySearch::Hit& hit, const SearchQuery& query, const QString& text)
{
    FUZZ_CHECK(holdsEveryWord(query, text), "a day found holds every word");
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const auto first = std::find_if(lines.begin(), lines.end(), [&](const QString& line) {
        return std::any_of(query.words().begin(), query.words().end(),
                           [&](const QString& word) { return FoldedText::fold(line).contains(word); });
    });
    FUZZ_CHECK(first != lines.end() && *first == hit.excerpt, "the excerpt is the first line with a word");

    qsizetype end = 0;
    for (const TextRange& mark : hit.marks) {
        FUZZ_CHECK(mark.start >= end && mark.length > 0, "marks are in order and apart");
        end = mark.start + mark.length;
        FUZZ_CHECK(end <= hit.excerpt.size(), "marks lie in the excerpt");
        const QString marked = FoldedText::fold(QStringView(hit.excerpt).sliced(mark.start, mark.length));
        FUZZ_CHECK(std::any_of(query.words().begin(), query.words().end(),
                               [&](const QString& word) { return marked.contains(word); }),
                   "a mark stands where a word does");
    }
    FUZZ_CHECK(!hit.marks.isEmpty(), "the excerpt marks a word");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const DateSettings& dates = fuzzDates(input.byte());
    const uint8_t limitChoice = input.byte();
    const qsizetype limit = limitChoice % 4 == 0 ? 1000 : limitChoice % 4;
    const uint8_t bufferChoice = input.byte();
    const qsizetype bufferSize = bufferChoice % 2 == 0 ? LineReader::defaultBufferSize : 1 + bufferChoice % 48;
    const QString queryText = TextCodec::decode(input.untilNul());
    const QByteArray file = input.rest().toByteArray();

    const EntryFile entries(scratchFolder(), dates);
    writeFile(entries.path(), file);
    const EntrySearch::Result result = EntrySearch(scratchFolder(), dates, bufferSize).find(queryText, limit);
    FUZZ_CHECK(readFile(entries.path()) == file, "searching leaves the file as it was");

    const SearchQuery query(queryText);
    if (query.state() != SearchQuery::State::Ready) {
        FUZZ_CHECK(result.status == (query.state() == SearchQuery::State::TooLong
                                         ? EntrySearch::Status::QueryTooLong
                                         : EntrySearch::Status::EmptyQuery),
                   "a query without words, or too long, is not searched");
        FUZZ_CHECK(result.hits.isEmpty() && result.dayCount == 0, "and finds nothing");
        return 0;
    }
    FUZZ_CHECK(result.status == EntrySearch::Status::Searched && !result.error, "a readable file is searched");

    // The model: every day a header names, loaded as the pad loads it.
    std::set<QDate, std::greater<>> days;
    for (const QByteArray& line : splitLines(file)) {
        if (const auto day = headerDay(dates, line))
            days.insert(*day);
    }
    QList<QDate> expected;
    QList<QString> texts;
    for (const QDate& day : days) {
        QString text;
        FUZZ_CHECK(!entries.load(day, text), "a readable file loads");
        if (holdsEveryWord(query, text)) {
            expected.append(day);
            texts.append(text);
        }
    }
    FUZZ_CHECK(result.dayCount == expected.size(), "every day that holds the query is counted");
    FUZZ_CHECK(result.hits.size() == std::min(limit, expected.size()), "days are given up to the limit");
    for (qsizetype i = 0; i < result.hits.size(); ++i) {
        FUZZ_CHECK(result.hits[i].day == expected[i], "the newest days, newest first");
        checkHit(result.hits[i], query, texts[i]);
    }
    return 0;
}
