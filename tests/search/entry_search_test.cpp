#include "search/entry_search.h"
#include "files/posix_io.h"
#include "search/search_query.h"

#include "store/store_fixture.h"

#include <QDir>

#include <cerrno>
#include <stop_token>

namespace {

using Status = EntrySearch::Status;

QByteArray dayEntry(const char* date, const QByteArray& body)
{
    return "*!*" + QByteArray(date) + "\r\n" + body + "\r\n!*!\r\n";
}

class EntrySearchTest : public EntryFileTest
{
protected:
    void TearDown() override { PosixIo::clearFaults(); }

    EntrySearch::Result find(const QString& query, qsizetype limit = 1000) const
    {
        return EntrySearch(folder.path(), dates).find(query, limit);
    }

    // The days found, as the header dates the tests write; the same when
    // the file is read a few bytes at a time.
    QStringList days(const QString& query) const
    {
        QList<QStringList> found;
        for (const qsizetype bufferSize : {LineReader::defaultBufferSize, qsizetype(5)}) {
            const EntrySearch::Result result = EntrySearch(folder.path(), dates, bufferSize).find(query, 1000);
            EXPECT_EQ(result.status, Status::Searched);
            EXPECT_EQ(result.dayCount, result.hits.size());
            found.append(QStringList());
            for (const EntrySearch::Hit& hit : result.hits)
                found.back().append(hit.day.toString(u"dd/MM/yyyy"));
            EXPECT_EQ(found.back(), found.front()) << query.toStdString();
        }
        return found.front();
    }
};

TEST_F(EntrySearchTest, CaseAndAccentsDoNotCount)
{
    put(dayEntry("01/07/2026", "Caf\xC3\xA9 au lait")          // UTF-8
        + dayEntry("02/07/2026", "AU CAF\xC9")                // Windows-1252
        + dayEntry("03/07/2026", "cafe\xCC\x81 noir")          // e and a combining acute
        + dayEntry("04/07/2026", "Stra\xC3\x9F" "e")           // ß
        + dayEntry("05/07/2026", "\xE2\x80\x8B!*!")            // a typed end line, escaped
        + dayEntry("06/07/2026", "\xE2\x80\x8B*!*07/07/2026")   // a typed header, escaped
        + dayEntry("07/07/2026", "\xE1\xBD\x88\xCE\xB4\xCF\x85\xCF\x83\xCF\x83\xCE\xB5\xCF\x8D\xCF\x82") // Ὀδυσσεύς
        + dayEntry("08/07/2026", "mon c\x9Cur"));                     // cœur in Windows-1252
    const QStringList cafes = {"03/07/2026", "02/07/2026", "01/07/2026"};
    EXPECT_EQ(days("cafe"), cafes);
    EXPECT_EQ(days("CAF\u00C9"), cafes);
    EXPECT_EQ(days("caf\u00E9"), cafes);
    for (const char* street : {"strasse", "STRASSE", "stra\xC3\x9F" "e", "STRA\xE1\xBA\x9E" "E"})
        EXPECT_EQ(days(QString::fromUtf8(street)), QStringList{"04/07/2026"}) << street;
    EXPECT_EQ(days("!*!"), QStringList{"05/07/2026"});
    EXPECT_EQ(days("*!*07"), QStringList{"06/07/2026"});
    // Words that stay beyond ASCII once folded: Greek with its final sigma,
    // and a Windows-1252 letter.
    EXPECT_EQ(days(QString::fromUtf8("\xCE\x9F\xCE\x94\xCE\xA5\xCE\xA3\xCE\xA3\xCE\x95\xCE\xA5\xCE\xA3")), // ΟΔΥΣΣΕΥΣ
              QStringList{"07/07/2026"});
    EXPECT_EQ(days(QString::fromUtf8("C\xC5\x92UR")), QStringList{"08/07/2026"}); // CŒUR

    // The excerpt is the line as the pad shows it, the word marked where it
    // stands there, a combining mark after it included.
    const EntrySearch::Result result = find("CAFE");
    ASSERT_EQ(result.hits.size(), 3);
    EXPECT_EQ(result.hits[0].excerpt, QString::fromUtf8("cafe\xCC\x81 noir"));
    EXPECT_EQ(result.hits[0].marks, (QList<TextRange>{TextRange{0, 5}}));
    EXPECT_EQ(result.hits[1].excerpt, QString::fromUtf8("AU CAF\xC3\x89"));
    EXPECT_EQ(result.hits[1].marks, (QList<TextRange>{TextRange{3, 4}}));
    EXPECT_EQ(find("!*!").hits[0].excerpt, "!*!");
}

TEST_F(EntrySearchTest, TheWindowFindsTheFirstWordInThePadAsTheSearchDoes)
{
    const struct
    {
        const char* query;
        const char* text;
        TextRange expected;
    } cases[] = {
        {"strasse ecke", "Die Stra\xC3\x9F" "e, Ecke", TextRange{4, 6}},
        {"cafe", "\xF0\x9F\x98\x80 Cafe\xCC\x81!", TextRange{3, 5}}, // after an emoji, a mark in the match
        {"\"a b\"", "x a  b a b", TextRange{7, 3}},
        {"istanbul", "\xC4\xB0stanbul", TextRange{0, 8}},
    };
    for (const auto& test : cases) {
        const SearchQuery query(QString::fromUtf8(test.query));
        EXPECT_EQ(query.firstMatch(QString::fromUtf8(test.text)), test.expected) << test.query;
    }
    EXPECT_EQ(SearchQuery(u"rain").firstMatch(u"snow"), std::nullopt);
}

TEST_F(EntrySearchTest, EveryWordAnywhereAndPhrasesAsTyped)
{
    put(dayEntry("01/07/2026", "Umbrella forgotten.\r\nThen the rain came.")
        + dayEntry("02/07/2026", "rain, rain, rain")
        + dayEntry("03/07/2026", "We bought a new umbrella")
        + dayEntry("04/07/2026", "We bought a\r\nnew one"));
    EXPECT_EQ(days("rain umbrella"), QStringList{"01/07/2026"});
    EXPECT_EQ(days("  umbrella   RAIN "), QStringList{"01/07/2026"});
    EXPECT_EQ(days("\"bought a new\""), QStringList{"03/07/2026"});
    EXPECT_EQ(days("\"new umbrella\" we"), QStringList{"03/07/2026"});
    EXPECT_EQ(days("\"a new"), QStringList{"03/07/2026"}); // still typing the phrase
    EXPECT_EQ(days("rain snow"), QStringList());

    // The excerpt is the line of the first match; every word in it is marked.
    const EntrySearch::Result result = find("rain then");
    ASSERT_EQ(result.hits.size(), 1);
    EXPECT_EQ(result.hits[0].excerpt, "Then the rain came.");
    EXPECT_EQ(result.hits[0].marks, (QList<TextRange>{TextRange{0, 4}, TextRange{9, 4}}));
    const EntrySearch::Hit repeated = find("rain").hits[0];
    EXPECT_EQ(repeated.marks, (QList<TextRange>{TextRange{0, 4}, TextRange{6, 4}, TextRange{12, 4}}));
}

TEST_F(EntrySearchTest, TwoEntriesOfADayAreOneDayAsLoaded)
{
    put(dayEntry("12/07/2026", "Morning: sun")
        + dayEntry("13/07/2026", "Nothing")
        + dayEntry("12/07/2026", "Evening\r\nrain at last"));
    const EntrySearch::Result result = find("rain sun");
    EXPECT_EQ(result.dayCount, 1);
    ASSERT_EQ(result.hits.size(), 1);
    EXPECT_EQ(result.hits[0].day, july12);
    EXPECT_EQ(result.hits[0].excerpt, "Morning: sun");
}

TEST_F(EntrySearchTest, NewestDayFirstWhateverTheFileOrder)
{
    put(dayEntry("13/07/2026", "walk") + dayEntry("11/07/2024", "walk")
        + dayEntry("14/07/2026", "walk") + dayEntry("12/07/2026", "walk"));
    EXPECT_EQ(days("walk"), (QStringList{"14/07/2026", "13/07/2026", "12/07/2026", "11/07/2024"}));
    const EntrySearch::Result limited = find("walk", 2);
    EXPECT_EQ(limited.dayCount, 4);
    ASSERT_EQ(limited.hits.size(), 2);
    EXPECT_EQ(limited.hits[1].day, july13);
}

TEST_F(EntrySearchTest, OnlyEntryTextsAreSearchedAsLoadingReadsThem)
{
    put("stray rain before\r\n"
        "*!*12/07/2026\r\nsun\r\n!*!\r\n"
        "rain after the end line\r\n!*!\r\n"
        "*!*rain is no date\r\nrain under no header\r\n!*!\r\n"
        "*!*13/07/2026 10:30\r\nrain at a time of day\r\n!*!\r\n"
        // A header inside a body is text of that body, and its own day's
        // entry runs to the same end line.
        "*!*14/07/2026\r\nhail\r\n*!*15/07/2026\r\nsnow\r\n!*!\r\n"
        // An entry without its end line runs to the end of the file.
        "*!*16/07/2026\r\nfog");
    for (const char* query : {"rain", "!*!", "12/07", "13/07"})
        EXPECT_EQ(days(query), QStringList()) << query;
    EXPECT_EQ(days("15/07"), QStringList{"14/07/2026"});
    EXPECT_EQ(days("snow"), (QStringList{"15/07/2026", "14/07/2026"}));
    EXPECT_EQ(days("hail snow"), QStringList{"14/07/2026"});
    EXPECT_EQ(days("fog"), QStringList{"16/07/2026"});
}

TEST_F(EntrySearchTest, EveryLineEndAsLoadingReadsIt)
{
    put("\xEF\xBB\xBF*!*12/07/2026\rlone CR\r!*!\r*!*13/07/2026\r\nan LF\ninside\r\n!*!\r\n");
    EXPECT_EQ(days("CR"), QStringList{"12/07/2026"});
    EXPECT_EQ(days("\"LF inside\""), QStringList());
    EXPECT_EQ(days("inside"), QStringList{"13/07/2026"});
    EXPECT_EQ(find("inside").hits[0].excerpt, "an LF\ninside");
    // A file without any CR ends its lines at LF.
    put("*!*12/07/2026\nfirst\nsecond\n!*!\n*!*13/07/2026\nthird\n!*!\n");
    EXPECT_EQ(days("second"), QStringList{"12/07/2026"});
    EXPECT_EQ(find("second").hits[0].excerpt, "second");
}

TEST_F(EntrySearchTest, EmptyAndTooLongQueriesFindNothing)
{
    put(dayEntry("12/07/2026", "a \" quote"));
    for (const char* query : {"", "   ", "\"\"", "\r\n"})
        EXPECT_EQ(find(query).status, Status::EmptyQuery) << query;
    EXPECT_EQ(find(QString(256, u'a')).status, Status::Searched);
    const EntrySearch::Result tooLong = find(QString(257, u'a'));
    EXPECT_EQ(tooLong.status, Status::QueryTooLong);
    EXPECT_TRUE(tooLong.hits.isEmpty());
}

TEST_F(EntrySearchTest, MissingUnreadableAndCancelled)
{
    EXPECT_EQ(days("rain"), QStringList());

    ASSERT_TRUE(QDir(folder.path()).mkdir("ojwdata.txt"));
    const EntrySearch::Result folderResult = find("rain");
    EXPECT_EQ(folderResult.status, Status::Failed);
    ASSERT_TRUE(folderResult.error);
    EXPECT_EQ(folderResult.error->file, dataPath());
    EXPECT_EQ(folderResult.error->reason, systemReason(EISDIR));
    ASSERT_TRUE(QDir(folder.path()).rmdir("ojwdata.txt"));

    put(dayEntry("12/07/2026", "rain"));
    PosixIo::injectFault({PosixIo::Call::Read, EIO});
    const EntrySearch::Result readResult = find("rain");
    EXPECT_EQ(readResult.status, Status::Failed);
    ASSERT_TRUE(readResult.error);
    EXPECT_EQ(readResult.error->reason, systemReason(EIO));
    EXPECT_TRUE(readResult.hits.isEmpty());

    std::stop_source stop;
    stop.request_stop();
    const EntrySearch::Result cancelled = EntrySearch(folder.path(), dates).find(u"rain", 10, stop.get_token());
    EXPECT_EQ(cancelled.status, Status::Cancelled);
    EXPECT_TRUE(cancelled.hits.isEmpty());
    EXPECT_EQ(onDisk(), dayEntry("12/07/2026", "rain"));
}

} // namespace
