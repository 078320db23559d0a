// The find window's search over the whole diary, for the queries people
// type: a fragment half the days hold, a word hardly any day holds, two
// words as rare as a diary's words are (a few days in a hundred each), a
// phrase, and a word with an accent. Its floor is reading the file and
// walking its lines; the search reads every body line too.

#include "bench_case.h"

#include "search/entry_search.h"

namespace {

constexpr double searchTarget = 3.0;
// As many rows as the find window shows.
constexpr qsizetype shownRows = 1000;

const BenchCase search("search", [](const BenchContext& c) {
    const EntrySearch entries(c.folder, c.dates);
    const struct
    {
        const char* name;
        QString query;
        bool common; // whether many days of the synthetic diary hold it
    } queries[] = {
        {"search: a common word", QStringLiteral("ab"), true},
        {"search: a rare word", QStringLiteral("zqxj"), false},
        {"search: two words", QStringLiteral("rain cab"), false},
        {"search: a phrase", QStringLiteral("\"b c\""), true},
        {"search: a word with an accent", QStringLiteral("\u00c1b\u00e9"), false},
    };
    for (const auto& query : queries) {
        EntrySearch::Result result;
        c.compare(query.name, Floor::Read, c.size >= targetSize ? searchTarget : 0,
                  [&] { result = entries.find(query.query, shownRows); });
        const bool common = result.dayCount > c.size / 20;
        if (result.status != EntrySearch::Status::Searched || common != query.common) {
            std::fprintf(stderr, "failed: %s found %lld days\n", query.name, static_cast<long long>(result.dayCount));
            std::exit(1);
        }
    }
});

} // namespace
