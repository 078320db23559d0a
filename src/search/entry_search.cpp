#include "search/entry_search.h"

#include "platform/core/date_settings.h"
#include "search/ascii_word.h"
#include "search/body_scan.h"
#include "store/entry_file.h"
#include "store/entry_lines.h"
#include "store/header_date_reader.h"
#include "search/line_block_reader.h"
#include "files/posix_io.h"
#include "search/search_query.h"
#include "files/text_codec.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>

namespace {

// Some of the query's words, one bit each, in the query's order. Tested for
// every body line, so kept to two plain words.
class WordSet
{
public:
    static WordSet first(size_t count)
    {
        WordSet set;
        for (size_t k = 0; k < count; ++k)
            set.set(k);
        return set;
    }

    void set(size_t k) { (k < 64 ? m_low : m_high) |= quint64(1) << (k % 64); }
    bool has(size_t k) const { return ((k < 64 ? m_low : m_high) >> (k % 64)) & 1; }
    bool isEmpty() const { return (m_low | m_high) == 0; }

    // The words of this set that are not in the other.
    WordSet without(const WordSet& other) const
    {
        WordSet set;
        set.m_low = m_low & ~other.m_low;
        set.m_high = m_high & ~other.m_high;
        return set;
    }

    WordSet& operator|=(const WordSet& other)
    {
        m_low |= other.m_low;
        m_high |= other.m_high;
        return *this;
    }

    bool operator==(const WordSet& other) const { return m_low == other.m_low && m_high == other.m_high; }

private:
    quint64 m_low = 0;
    quint64 m_high = 0;
};

static_assert(SearchQuery::maxWords <= 128, "a word set holds 128 words");

// A word of the query as the pass looks for it: folded, and for the quick
// search of the line's bytes when its folding is all ASCII.
struct SearchWord
{
    QString folded;
    std::u16string_view folded16; // the same units, for the standard search
    std::optional<AsciiWord> ascii;
};

// What the pass knows of one day.
struct SearchDay
{
    qint64 julianDay = 0;
    WordSet found;
    bool open = false; // in the body of one of the day's entries
    // The line where the day's first match stands, as the pad shows it,
    // kept in the pass's store.
    QByteArrayView excerpt;
};

// Copies of lines, kept to the end of the pass, in pieces of 64 KiB that
// never move: a line kept is copied once, and stays where it is.
class SearchLineStore
{
public:
    QByteArrayView keep(QByteArrayView line)
    {
        if (line.size() > pieceSize) {
            m_pieces.push_back(std::make_unique_for_overwrite<char[]>(size_t(line.size())));
            std::memcpy(m_pieces.back().get(), line.data(), size_t(line.size()));
            m_used = pieceSize; // the next line starts a piece of its own
            return QByteArrayView(m_pieces.back().get(), line.size());
        }
        if (m_pieces.empty() || m_used + line.size() > pieceSize) {
            m_pieces.push_back(std::make_unique_for_overwrite<char[]>(size_t(pieceSize)));
            m_used = 0;
        }
        char* const place = m_pieces.back().get() + m_used;
        std::memcpy(place, line.data(), size_t(line.size()));
        m_used += line.size();
        return QByteArrayView(place, line.size());
    }

private:
    static constexpr qsizetype pieceSize = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> m_pieces;
    qsizetype m_used = 0;
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
//
// Most lines of a diary are body lines that hold nothing of the query, and
// the pass does not stop at them: a scan of the block's bytes (BodyScan)
// goes from one line that matters to the next, one that may be a header or
// an end line, or may hold a word that a day whose body is open still needs.
// Only those lines are looked at closely.
class SearchPass
{
public:
    SearchPass(const DateSettings& dates, const SearchQuery& query)
        : m_headers(dates, DateSettings::Precision::Exact)
    {
        for (const QString& word : query.words()) {
            SearchWord searchWord{word, std::u16string_view(QStringView(word).utf16(), size_t(word.size())), std::nullopt};
            if (std::all_of(word.begin(), word.end(), [](QChar c) { return c.unicode() < 0x80; }))
                searchWord.ascii.emplace(word);
            m_words.push_back(searchWord);
        }
        m_all = WordSet::first(m_words.size());
        m_scanned.reserve(m_words.size());
    }

    // Room for the days of a file of this size, at a few hundred bytes a
    // day, so that the list of days is not copied as it grows. Only what
    // is used of it is ever touched.
    void expect(qint64 fileSize) { m_days.reserve(size_t(std::clamp<qint64>(fileSize / 256, 16, 1 << 22))); }

    // The lines of the next block of the file, in order: those the scan
    // stops in are looked at closely.
    void takeBlock(QByteArrayView block, const LineBlockReader& reader)
    {
        const char lineEnd = reader.lineEnd();
        const char* const bytes = block.data();
        const qsizetype size = block.size();
        const auto endFrom = [&](qsizetype from) {
            const void* found = std::memchr(bytes + from, lineEnd, size_t(size - from));
            return found ? static_cast<const char*>(found) - bytes : size;
        };
        // A line looked at closely; the scan found no word, and no byte
        // beyond ASCII, in its first clean bytes.
        const auto lookAt = [&](qsizetype from, qsizetype end, qsizetype clean = 0) {
            take(QByteArrayView(bytes + from, end - from), clean);
            refresh();
            return reader.nextLineStart(block, end);
        };
        for (qsizetype start = 0; start < size;) {
            const bool inBody = !m_open.empty();
            // A line that may be a header, or in a body an end line.
            if (bytes[start] == EntryLines::headerMark.front()
                || (inBody && bytes[start] == EntryLines::endLine.front())) {
                start = lookAt(start, endFrom(start));
                continue;
            }
            BodyScan::Stops stops;
            stops.lineEnd = lineEnd;
            std::span<const AsciiWord* const> words;
            if (inBody && !m_needed.isEmpty()) {
                words = m_scanned;
                stops.notAscii = true;
            }
            const qsizetype stop = BodyScan::firstStop(words, stops, block, start);
            if (stop < 0)
                break;
            if (bytes[stop] == '\r' || bytes[stop] == '\n') {
                // The lines up to this line end hold nothing for the query;
                // the next may be a header or an end line.
                const qsizetype end = lineEnd == '\r' && bytes[stop] == '\n' ? stop - 1 : stop;
                start = reader.nextLineStart(block, end);
                continue;
            }
            // The line that holds the stop may hold a word.
            const void* before = ::memrchr(bytes + start, lineEnd, size_t(stop - start));
            const qsizetype lineStart = before
                ? reader.nextLineStart(block, static_cast<const char*>(before) - bytes)
                : start;
            start = lookAt(lineStart, endFrom(stop), stop - lineStart);
        }
    }

    void finish(qsizetype limit, EntrySearch::Result& result)
    {
        // Each day once, so the newest are the largest day numbers: picked
        // among the day numbers alone, kept side by side.
        std::vector<std::pair<qint64, int>> matching;
        for (size_t i = 0; i < m_days.size(); ++i) {
            if (m_days[i].found == m_all)
                matching.emplace_back(m_days[i].julianDay, int(i));
        }
        result.dayCount = qsizetype(matching.size());
        const auto shown = qsizetype(std::min(matching.size(), size_t(std::max<qsizetype>(limit, 0))));
        const auto newer = [](const std::pair<qint64, int>& a, const std::pair<qint64, int>& b) {
            return a.first > b.first;
        };
        std::nth_element(matching.begin(), matching.begin() + shown, matching.end(), newer);
        std::sort(matching.begin(), matching.begin() + shown, newer);
        result.hits.reserve(shown);
        for (qsizetype i = 0; i < shown; ++i)
            result.hits.append(hit(m_days[size_t(matching[size_t(i)].second)]));
    }

private:
    // After a line looked at closely: which words the open days still need,
    // and which of those the lines' bytes are scanned for.
    void refresh()
    {
        WordSet needed;
        for (const int open : m_open)
            needed |= m_all.without(m_days[size_t(open)].found);
        if (needed == m_needed)
            return;
        m_needed = needed;
        m_scanned.clear();
        for (size_t k = 0; k < m_words.size(); ++k) {
            if (m_needed.has(k) && m_words[k].ascii)
                m_scanned.push_back(&*m_words[k].ascii);
        }
    }

    // A line looked at closely.
    void take(QByteArrayView line, qsizetype clean)
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
            bodyLine(line, clean);
        }
        // Every line may be a header, a body line too, for the days whose
        // body it is not in: loading such a day skips to it.
        if (!EntryLines::isHeader(line))
            return;
        if (const std::optional<QDate> day = m_headers.read(line.sliced(EntryLines::headerMark.size())))
            openDay(*day);
    }

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

    void bodyLine(QByteArrayView rawLine, qsizetype clean)
    {
        if (m_needed.isEmpty())
            return;
        // The line as the pad shows it.
        const QByteArrayView line = EntryLines::unescapedBody(rawLine);
        const WordSet inLine = wordsIn(rawLine, line, clean);
        if (inLine.isEmpty())
            return;
        QByteArrayView kept;
        for (const int open : m_open) {
            SearchDay& day = m_days[size_t(open)];
            if (inLine.without(day.found).isEmpty())
                continue;
            if (day.excerpt.data() == nullptr) {
                if (kept.data() == nullptr)
                    kept = m_store.keep(line);
                day.excerpt = kept;
            }
            day.found |= inLine;
        }
    }

    // The needed words that a line holds, given as it stands in the file
    // (an escape, never part of an ASCII match, included) and as the pad
    // shows it. Its first clean bytes are ASCII and start no needed word.
    WordSet wordsIn(QByteArrayView rawLine, QByteArrayView line, qsizetype clean)
    {
        WordSet found;
        for (size_t k = 0; k < m_words.size(); ++k) {
            if (m_needed.has(k) && m_words[k].ascii && m_words[k].ascii->indexIn(rawLine, clean) >= 0)
                found.set(k);
        }
        const WordSet missing = m_needed.without(found);
        // Most lines are all ASCII, where the bytes have told everything.
        if (missing.isEmpty() || AsciiWord::firstNonAscii(rawLine, clean) < 0)
            return found;
        TextCodec::decode(line, m_decoded);
        m_folded.foldOnly(m_decoded);
        const std::u16string_view folded(m_folded.folded().utf16(), size_t(m_folded.folded().size()));
        for (size_t k = 0; k < m_words.size(); ++k) {
            if (missing.has(k) && folded.find(m_words[k].folded16) != std::u16string_view::npos)
                found.set(k);
        }
        return found;
    }

    EntrySearch::Hit hit(const SearchDay& day)
    {
        EntrySearch::Hit hit;
        hit.day = QDate::fromJulianDay(day.julianDay);
        hit.excerpt = TextCodec::decode(day.excerpt);
        // In an all-ASCII line, a word's bytes are where it stands, and
        // places in bytes are places in the text.
        const bool ascii = AsciiWord::firstNonAscii(day.excerpt, 0) < 0;
        if (!ascii)
            m_folded.assign(hit.excerpt);
        for (const SearchWord& word : m_words) {
            if (ascii) {
                if (!word.ascii)
                    continue;
                for (qsizetype at = word.ascii->indexIn(day.excerpt, 0); at >= 0;
                     at = word.ascii->indexIn(day.excerpt, at + 1))
                    hit.marks.append(TextRange{at, word.ascii->size()});
                continue;
            }
            const QStringView folded = m_folded.folded();
            for (qsizetype at = folded.indexOf(word.folded); at >= 0; at = folded.indexOf(word.folded, at + 1))
                hit.marks.append(m_folded.original(at, word.folded.size()));
        }
        std::sort(hit.marks.begin(), hit.marks.end(),
                  [](const TextRange& a, const TextRange& b) { return a.start < b.start; });
        // Marks that overlap or touch become one.
        qsizetype merged = 0;
        for (const TextRange& mark : std::as_const(hit.marks)) {
            TextRange& last = hit.marks[merged == 0 ? 0 : merged - 1];
            if (merged > 0 && mark.start <= last.start + last.length)
                last.length = std::max(last.length, mark.start + mark.length - last.start);
            else
                hit.marks[merged++] = mark;
        }
        hit.marks.resize(merged);
        return hit;
    }

    HeaderDateReader m_headers;
    std::vector<SearchWord> m_words;
    WordSet m_all;
    std::vector<SearchDay> m_days;
    SearchDayIndex m_index;
    std::vector<int> m_open; // the days in whose body the pass stands
    SearchLineStore m_store; // the lines kept for the excerpts
    // Which words the open days need, and the ones of them the lines' bytes
    // are scanned for.
    WordSet m_needed;
    std::vector<const AsciiWord*> m_scanned;
    QString m_decoded;
    FoldedText m_folded;
};

bool searchCancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

} // namespace

EntrySearch::EntrySearch(const QString& folder, const DateSettings& dates, qsizetype bufferSize)
    : m_folder(folder), m_dates(dates), m_bufferSize(bufferSize)
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

    SearchPass pass(m_dates, parsed);
    struct stat status;
    if (::fstat(file.get(), &status) == 0)
        pass.expect(status.st_size);
    LineBlockReader reader(file.get(), m_bufferSize);
    QByteArrayView block;
    while (reader.next(block)) {
        // A block is read in well under a millisecond: a raised flag is
        // seen at once.
        if (searchCancelled(cancel)) {
            result.status = Status::Cancelled;
            return result;
        }
        pass.takeBlock(block, reader);
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
