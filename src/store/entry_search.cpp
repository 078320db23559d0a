#include "store/entry_search.h"

#include "platform/core/date_settings.h"
#include "store/ascii_line.h"
#include "store/entry_file.h"
#include "store/entry_lines.h"
#include "store/header_date_reader.h"
#include "store/line_reader.h"
#include "store/posix_io.h"
#include "store/search_query.h"
#include "store/text_codec.h"

#include <algorithm>
#include <bitset>
#include <memory>
#include <unordered_map>
#include <vector>

namespace {

using WordSet = std::bitset<SearchQuery::maxWords>;

// A word of the query as the pass looks for it: folded, and as bytes when
// its folding is all ASCII (most words, "café" too), for the quick search.
struct SearchWord
{
    QString folded;
    QByteArray ascii; // empty when the folding is not all ASCII
};

// What the pass knows of one day.
struct SearchDay
{
    qint64 julianDay = 0;
    WordSet found;
    bool open = false;    // in the body of one of the day's entries
    bool hasLine = false; // the day's text has a line, so the next one follows a CR LF
    // The length of the day's text up to here; needed, and kept, only up to
    // the line where the first word is first found.
    qsizetype length = 0;
    // Lines kept in the pass's store: the one where the day's first match
    // stands, and the one where the first word first stands (most often the
    // same), with where that one starts in the day's text.
    qsizetype excerptAt = -1;
    qsizetype excerptSize = 0;
    qsizetype firstWordAt = -1;
    qsizetype firstWordSize = 0;
    qsizetype firstWordLineStart = 0;
};

// From a day to its place among the days, in pages of 1,024 days: the
// headers of a diary mostly follow one another, so the page of the last one
// is kept at hand and most headers cost no hashing.
class SearchDayIndex
{
public:
    // The day's place, -1 when it has none yet.
    int& operator[](qint64 julianDay)
    {
        const qint64 page = julianDay >> pageBits;
        if (page != m_lastPage || !m_last) {
            std::unique_ptr<int[]>& places = m_pages[page];
            if (!places) {
                places = std::make_unique_for_overwrite<int[]>(pageSize);
                std::fill_n(places.get(), pageSize, -1);
            }
            m_last = places.get();
            m_lastPage = page;
        }
        return m_last[julianDay & (pageSize - 1)];
    }

private:
    static constexpr int pageBits = 10;
    static constexpr qint64 pageSize = qint64(1) << pageBits;
    std::unordered_map<qint64, std::unique_ptr<int[]>> m_pages;
    qint64 m_lastPage = 0;
    int* m_last = nullptr;
};

// One pass over the lines of the file, in order, following the entries as
// loading a day follows them, for every day at once.
class SearchPass
{
public:
    SearchPass(const DateSettings& dates, const SearchQuery& query)
        : m_headers(dates, DateSettings::Precision::Exact)
    {
        for (const QString& word : query.words()) {
            SearchWord searchWord{word, QByteArray()};
            if (std::all_of(word.begin(), word.end(), [](QChar c) { return c.unicode() < 0x80; }))
                searchWord.ascii = word.toLatin1();
            m_words.push_back(searchWord);
            m_all.set(m_words.size() - 1);
        }
    }

    void take(QByteArrayView line)
    {
        if (!m_open.empty()) {
            // The end line closes every body that is open: a day's header
            // inside another day's body starts a body that ends with it.
            if (EntryLines::isEnd(line)) {
                for (const int open : m_open)
                    m_days[size_t(open)].open = false;
                m_open.clear();
                return;
            }
            bodyLine(line);
        }
        // Every line may be a header, a body line too, for the days whose
        // body it is not in: loading such a day skips to it.
        if (line.isEmpty() || line.front() != '*' || !EntryLines::isHeader(line))
            return;
        if (const std::optional<QDate> day = m_headers.read(line.sliced(EntryLines::headerMark.size())))
            openDay(*day);
    }

    void finish(qsizetype limit, EntrySearch::Result& result) const
    {
        std::vector<int> matching;
        for (size_t i = 0; i < m_days.size(); ++i) {
            if (m_days[i].found == m_all)
                matching.push_back(int(i));
        }
        result.dayCount = qsizetype(matching.size());
        const auto shown = std::min(matching.size(), size_t(std::max<qsizetype>(limit, 0)));
        std::partial_sort(matching.begin(), matching.begin() + qsizetype(shown), matching.end(),
                          [this](int a, int b) {
                              return m_days[size_t(a)].julianDay > m_days[size_t(b)].julianDay;
                          });
        result.hits.reserve(qsizetype(shown));
        for (size_t i = 0; i < shown; ++i)
            result.hits.append(hit(m_days[size_t(matching[i])]));
    }

private:
    void openDay(const QDate& date)
    {
        int& place = m_index[date.toJulianDay()];
        if (place < 0) {
            place = int(m_days.size());
            m_days.push_back(SearchDay{});
            m_days.back().julianDay = date.toJulianDay();
        }
        SearchDay& day = m_days[size_t(place)];
        // Inside its own body, the day's header is text, not a new entry.
        if (!day.open) {
            day.open = true;
            m_open.push_back(place);
        }
    }

    void bodyLine(QByteArrayView rawLine)
    {
        WordSet needed;
        for (const int open : m_open)
            needed |= m_all & ~m_days[size_t(open)].found;
        // The days whose body this is hold every word already: nothing more
        // is needed of their text.
        if (needed.none())
            return;
        const QByteArrayView line = EntryLines::unescapedBody(rawLine);
        qsizetype units = 0;
        const WordSet inLine = wordsIn(line, needed, units);
        qsizetype kept = -1;
        for (const int open : m_open) {
            SearchDay& day = m_days[size_t(open)];
            if (day.found == m_all)
                continue;
            const qsizetype lineStart = day.hasLine ? day.length + 2 : 0;
            const WordSet fresh = inLine & ~day.found;
            if (fresh.any()) {
                if (kept < 0) {
                    kept = m_store.size();
                    m_store.append(line.data(), line.size());
                }
                if (day.excerptAt < 0) {
                    day.excerptAt = kept;
                    day.excerptSize = line.size();
                }
                if (fresh[0]) {
                    day.firstWordAt = kept;
                    day.firstWordSize = line.size();
                    day.firstWordLineStart = lineStart;
                }
                day.found |= fresh;
            }
            day.length = lineStart + units;
            day.hasLine = true;
        }
    }

    // The needed words that the line holds, and the line's length as text.
    WordSet wordsIn(QByteArrayView line, const WordSet& needed, qsizetype& units)
    {
        WordSet found;
        if (m_ascii.assign(line)) {
            // Most lines: bytes and characters are one, and only words that
            // fold to ASCII can be in them.
            units = line.size();
            for (size_t k = 0; k < m_words.size(); ++k) {
                if (needed[k] && !m_words[k].ascii.isEmpty() && m_ascii.indexOf(m_words[k].ascii) >= 0)
                    found.set(k);
            }
            return found;
        }
        TextCodec::decode(line, m_decoded);
        units = m_decoded.size();
        m_folded.assign(m_decoded);
        for (size_t k = 0; k < m_words.size(); ++k) {
            if (needed[k] && m_folded.folded().contains(m_words[k].folded))
                found.set(k);
        }
        return found;
    }

    EntrySearch::Hit hit(const SearchDay& day) const
    {
        EntrySearch::Hit hit;
        hit.day = QDate::fromJulianDay(day.julianDay);
        hit.excerpt = TextCodec::decode(QByteArrayView(m_store).sliced(day.excerptAt, day.excerptSize));
        const FoldedText excerpt(hit.excerpt);
        const QStringView folded = excerpt.folded();
        for (const SearchWord& word : m_words) {
            for (qsizetype at = folded.indexOf(word.folded); at >= 0; at = folded.indexOf(word.folded, at + 1))
                hit.marks.append(excerpt.original(at, word.folded.size()));
        }
        std::sort(hit.marks.begin(), hit.marks.end(),
                  [](const TextRange& a, const TextRange& b) { return a.start < b.start; });
        QList<TextRange> merged;
        for (const TextRange& mark : std::as_const(hit.marks)) {
            if (!merged.isEmpty() && mark.start <= merged.back().start + merged.back().length) {
                TextRange& last = merged.back();
                last.length = std::max(last.length, mark.start + mark.length - last.start);
            } else {
                merged.append(mark);
            }
        }
        hit.marks = merged;

        const QString line = day.firstWordAt == day.excerptAt
            ? hit.excerpt
            : TextCodec::decode(QByteArrayView(m_store).sliced(day.firstWordAt, day.firstWordSize));
        const FoldedText firstLine(line);
        const QString& first = m_words.front().folded;
        const TextRange range = firstLine.original(firstLine.folded().indexOf(first), first.size());
        hit.firstMatch = TextRange{day.firstWordLineStart + range.start, range.length};
        return hit;
    }

    HeaderDateReader m_headers;
    std::vector<SearchWord> m_words;
    WordSet m_all;
    std::vector<SearchDay> m_days;
    SearchDayIndex m_index;
    std::vector<int> m_open; // the days in whose body the pass stands
    QByteArray m_store;      // the lines kept for the excerpts
    AsciiLine m_ascii;
    QString m_decoded;
    FoldedText m_folded;
};

bool searchCancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

} // namespace

EntrySearch::EntrySearch(const QString& folder, const DateSettings& dates)
    : m_folder(folder), m_dates(dates)
{
}

EntrySearch::Result EntrySearch::find(QStringView query, qsizetype limit,
                                      const std::atomic<bool>* cancel) const
{
    Result result;
    const SearchQuery parsed(query);
    if (parsed.state() != SearchQuery::State::Ready) {
        result.status = parsed.state() == SearchQuery::State::TooLong ? Status::QueryTooLong
                                                                       : Status::EmptyQuery;
        return result;
    }
    const QString path = PosixIo::pathIn(m_folder, QString::fromLatin1(EntryFile::fileName));
    PosixIo::UniqueFd file;
    if (auto failure = PosixIo::openForReading(path, file)) {
        result.status = Status::Failed;
        result.error = failure;
        return result;
    }
    if (!file.isOpen())
        return result;

    LineReader reader(file.get());
    SearchPass pass(m_dates, parsed);
    QByteArrayView line;
    // A raised flag is seen within a few thousand lines: well under a
    // millisecond.
    constexpr quint32 linesBetweenLooks = 4096;
    quint32 sinceLook = 0;
    while (reader.next(line)) {
        if (++sinceLook == linesBetweenLooks) {
            sinceLook = 0;
            if (searchCancelled(cancel)) {
                result.status = Status::Cancelled;
                return result;
            }
        }
        pass.take(line);
    }
    if (reader.error() != 0) {
        result.status = Status::Failed;
        result.error = PosixIo::error(path, reader.error());
        return result;
    }
    if (searchCancelled(cancel)) {
        result.status = Status::Cancelled;
        return result;
    }
    pass.finish(limit, result);
    return result;
}
