#include "search/entry_search.h"

#include "files/posix_io.h"
#include "files/text_codec.h"
#include "search/search_query.h"
#include "store/entry_file.h"
#include "store/entry_lines.h"
#include "store/header_date_reader.h"

#include <QByteArray>

#include <algorithm>
#include <bitset>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Where a word first stands in lowered bytes, or nullptr. The word's first
// and last byte are compared at 32 places at a time, in a loop of fixed
// length that the compiler does with its wide instructions; only where both
// agree are the bytes between compared.
const char* findWord(const char* bytes, size_t size, std::string_view word)
{
    constexpr size_t block = 32;
    const size_t n = word.size();
    const auto at = [&](size_t i) {
        return bytes[i] == word.front() && bytes[i + n - 1] == word.back()
            && std::memcmp(bytes + i + 1, word.data() + 1, n > 1 ? n - 2 : 0) == 0;
    };
    const size_t places = n <= size ? size - n + 1 : 0;
    size_t i = 0;
    for (; i + block <= places; i += block) {
        unsigned char any = 0;
        for (size_t j = 0; j < block; ++j)
            any |= int(bytes[i + j] == word.front()) & int(bytes[i + j + n - 1] == word.back());
        for (size_t j = 0; any && j < block; ++j) {
            if (at(i + j))
                return bytes + i + j;
        }
    }
    for (; i < places; ++i) {
        if (at(i))
            return bytes + i;
    }
    return nullptr;
}

// Some of the query's words, one bit each, in the query's order.
using Words = std::bitset<SearchQuery::maxWords>;

// What the pass knows of one entry, and in the end of one day.
struct Entry
{
    qint64 julianDay = 0;
    Words found;
    // The line where the first match stands, in the pass's store.
    qsizetype excerptAt = -1;
    qsizetype excerptSize = 0;
};

// One pass over the lines of the file, in order, following the entries as
// loading a day follows them, for every day at once. The entries of a day
// are joined at the end, in the order of the file.
//
// The body lines of the open entries are gathered into a run, up to the
// next line that opens or closes one, and searched together: no word holds
// a line break, so none is found across two lines, and a run of ASCII lines
// is lowered and searched at once. A run with other bytes is searched a
// line at a time.
class SearchPass
{
public:
    SearchPass(const DateSettings& dates, const SearchQuery& query)
        : m_headers(dates, DateSettings::Precision::Exact), m_words(query.words())
    {
        for (const QString& word : m_words) {
            m_all.set(m_asciiWords.size());
            // An ASCII line folds to itself lowered, so only a word that
            // folds to ASCII can stand in one.
            const bool ascii = std::all_of(word.begin(), word.end(), [](QChar c) { return c.unicode() < 0x80; });
            m_asciiWords.push_back(ascii ? word.toStdString() : std::string());
        }
    }

    void take(QByteArrayView line)
    {
        if (!m_open.empty()) {
            // The end line closes every entry that is open: a day's header
            // inside another day's body starts an entry that ends with it.
            if (EntryLines::isEnd(line)) {
                closeEntries();
                return;
            }
            if (m_needed.any()) {
                m_lineStarts.push_back(m_run.size());
                const QByteArrayView body = EntryLines::unescapedBody(line);
                m_run.append(body.data(), size_t(body.size()));
                m_run += '\n';
                if (m_run.size() > maxRun)
                    searchRun();
            }
        }
        // Every line may be a header, a body line too, for the entries it
        // stands in: loading its day skips to it. Inside an entry of its own
        // day, the day's header is text, not a new entry.
        if (EntryLines::isHeader(line)) {
            if (const std::optional<QDate> day = m_headers.read(line.sliced(EntryLines::headerMark.size()))) {
                const qint64 julianDay = day->toJulianDay();
                if (std::none_of(m_open.begin(), m_open.end(), [&](const Entry& e) { return e.julianDay == julianDay; })) {
                    searchRun();
                    m_open.push_back(Entry{julianDay, {}});
                    m_needed = m_all;
                }
            }
        }
    }

    void finish(qsizetype limit, EntrySearch::Result& result)
    {
        closeEntries();
        // Newest day first; a day's entries in the order of the file, the
        // first one's excerpt the day's.
        std::stable_sort(m_found.begin(), m_found.end(),
                         [](const Entry& a, const Entry& b) { return a.julianDay > b.julianDay; });
        for (size_t i = 0; i < m_found.size();) {
            Entry day = m_found[i];
            for (++i; i < m_found.size() && m_found[i].julianDay == day.julianDay; ++i)
                day.found |= m_found[i].found;
            if (day.found != m_all)
                continue;
            if (result.dayCount++ < limit)
                result.hits.append(hit(day));
        }
    }

private:
    static constexpr size_t maxRun = 64 * 1024;
    static constexpr size_t step = 16;

    // The entries that found a word are kept for the end.
    void closeEntries()
    {
        searchRun();
        for (const Entry& entry : m_open) {
            if (entry.found.any())
                m_found.push_back(entry);
        }
        m_open.clear();
        m_needed.reset();
    }

    // The run's lines, looked at for the words the open entries still need.
    void searchRun()
    {
        if (m_run.empty())
            return;
        const size_t size = m_run.size();
        const auto lineAt = [&](size_t i) {
            const size_t end = i + 1 < m_lineStarts.size() ? m_lineStarts[i + 1] : size;
            return std::string_view(m_run).substr(m_lineStarts[i], end - 1 - m_lineStarts[i]);
        };
        m_run.resize(padded(size), '\0');
        if (lowerRun(m_run)) {
            Words inRun;
            size_t first = std::string_view::npos;
            for (size_t k = 0; k < m_asciiWords.size(); ++k) {
                if (!m_needed[k] || m_asciiWords[k].empty())
                    continue;
                const std::string& word = m_asciiWords[k];
                if (const char* at = findWord(m_lowered.data(), size, word)) {
                    inRun.set(k);
                    first = std::min(first, size_t(at - m_lowered.data()));
                }
            }
            if (inRun.any()) {
                const auto line = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), first) - 1;
                credit(inRun, lineAt(size_t(line - m_lineStarts.begin())));
            }
        } else {
            for (size_t i = 0; i < m_lineStarts.size() && m_needed.any(); ++i)
                searchLine(lineAt(i));
        }
        m_run.clear();
        m_lineStarts.clear();
    }

    // A line of the run, which lowerRun() has lowered into m_lowered at the
    // same place.
    void searchLine(std::string_view line)
    {
        Words inLine;
        if (std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            const char* const lowered = m_lowered.data() + (line.data() - m_run.data());
            for (size_t k = 0; k < m_asciiWords.size(); ++k) {
                const std::string& word = m_asciiWords[k];
                if (m_needed[k] && !word.empty() && findWord(lowered, line.size(), word))
                    inLine.set(k);
            }
        } else {
            TextCodec::decode(QByteArrayView(line.data(), qsizetype(line.size())), m_decoded);
            m_folded.assign(m_decoded);
            for (size_t k = 0; k < m_asciiWords.size(); ++k) {
                if (m_needed[k] && m_folded.folded().contains(m_words[qsizetype(k)]))
                    inLine.set(k);
            }
        }
        if (inLine.any())
            credit(inLine, line);
    }

    // Words found in the open entries' bodies, and the first line that
    // holds any of them.
    void credit(const Words& found, std::string_view line)
    {
        qsizetype kept = -1;
        m_needed.reset();
        for (Entry& entry : m_open) {
            if ((found & ~entry.found).any()) {
                if (entry.excerptAt < 0) {
                    if (kept < 0) {
                        kept = m_store.size();
                        m_store.append(line.data(), qsizetype(line.size()));
                    }
                    entry.excerptAt = kept;
                    entry.excerptSize = qsizetype(line.size());
                }
                entry.found |= found;
            }
            m_needed |= m_all & ~entry.found;
        }
    }

    // Lowers the bytes into m_lowered; false when they hold a byte beyond
    // ASCII. The bytes are taken in steps of a fixed length, which the
    // compiler does many at once: the run is padded with zeros to whole steps.
    static size_t padded(size_t size) { return (size + step - 1) / step * step; }

    bool lowerRun(const std::string& padded)
    {
        if (m_lowered.size() < padded.size())
            m_lowered.resize(padded.size());
        unsigned char seen = 0;
        for (size_t i = 0; i < padded.size(); i += step)
            seen |= lowerStep(padded.data() + i, m_lowered.data() + i);
        return seen < 0x80;
    }

    static unsigned char lowerStep(const char* __restrict in, char* __restrict out)
    {
        unsigned char seen = 0;
        for (size_t j = 0; j < step; ++j) {
            const auto c = static_cast<unsigned char>(in[j]);
            seen |= c;
            out[j] = char(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
        }
        return seen;
    }

    EntrySearch::Hit hit(const Entry& day)
    {
        EntrySearch::Hit hit;
        hit.day = QDate::fromJulianDay(day.julianDay);
        hit.excerpt = TextCodec::decode(QByteArrayView(m_store).sliced(day.excerptAt, day.excerptSize));
        m_folded.assign(hit.excerpt);
        const QStringView folded = m_folded.folded();
        for (const QString& word : m_words) {
            for (qsizetype at = folded.indexOf(word); at >= 0; at = folded.indexOf(word, at + 1))
                hit.marks.append(m_folded.original(at, word.size()));
        }
        std::sort(hit.marks.begin(), hit.marks.end(),
                  [](const TextRange& a, const TextRange& b) { return a.start < b.start; });
        // Marks that overlap or touch become one.
        qsizetype merged = 0;
        for (const TextRange& mark : std::as_const(hit.marks)) {
            TextRange* const last = merged > 0 ? &hit.marks[merged - 1] : nullptr;
            if (last && mark.start <= last->start + last->length)
                last->length = std::max(last->length, mark.start + mark.length - last->start);
            else
                hit.marks[merged++] = mark;
        }
        hit.marks.resize(merged);
        return hit;
    }

    HeaderDateReader m_headers;
    const QStringList m_words;
    std::vector<std::string> m_asciiWords; // each word's bytes, empty when not ASCII
    Words m_all;
    std::vector<Entry> m_open;        // the entries in whose body the pass stands
    Words m_needed;                   // the words they still need
    std::vector<Entry> m_found;       // the closed entries that hold a word
    std::string m_run;                // their body lines since the last search, each ended by LF
    std::vector<size_t> m_lineStarts; // where each line of the run starts
    std::vector<char> m_lowered;
    QByteArray m_store;               // the excerpts' lines, one after another
    QString m_decoded;
    FoldedText m_folded;
};

} // namespace

EntrySearch::EntrySearch(const QString& folder, const DateSettings& dates, qsizetype bufferSize)
    : m_folder(folder), m_dates(dates), m_bufferSize(bufferSize)
{
}

EntrySearch::Result EntrySearch::find(QStringView query, qsizetype limit, std::stop_token stop) const
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
    LineReader reader(file.get(), m_bufferSize);
    QByteArrayView line;
    while (!stop.stop_requested() && reader.next(line))
        pass.take(line);
    if (stop.stop_requested()) {
        result.status = Status::Cancelled;
        return result;
    }
    if (reader.error() != 0) {
        result.status = Status::Failed;
        result.error = PosixIo::error(path, reader.error());
        return result;
    }
    pass.finish(limit, result);
    return result;
}
