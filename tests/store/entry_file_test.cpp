#include "store/entry_file.h"
#include "store/entry_lines.h"

#include "store_fixture.h"

namespace {

const QDate july14(2026, 7, 14);

class EntryFileFormat : public EntryFileTest
{
};

} // namespace

TEST_F(EntryFileFormat, EmptyFileReadsEmptyAndTakesOneEntry)
{
    put("");
    EXPECT_EQ(loaded(july12), QString());
    save(july12, "a");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\na\r\n!*!\r\n"));
    EXPECT_EQ(loaded(july12), "a");
}

TEST_F(EntryFileFormat, TextsAreStoredAsBodyLinesAndReadBack)
{
    const struct
    {
        QString text;
        QByteArray body;   // between header and end line
        QString readBack;
    } cases[] = {
        {"a\r\nb", "a\r\nb", "a\r\nb"},
        {"a\r\n", "a\r\n", "a\r\n"},        // an empty last body line
        {"\r\n", "\r\n", "\r\n"},           // two empty body lines
        {"x\ry", "x\ry", "x\r\ny"},          // a lone CR ends a line on reading
        {"x\ny\n", "x\ny\n", "x\ny\n"},      // a lone LF is text
        {"   ", "   ", "   "},               // spaces are text
        {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC"},
    };
    for (const auto& test : cases) {
        put("");
        save(july12, test.text);
        EXPECT_EQ(onDisk(), "*!*12/07/2026\r\n" + test.body + "\r\n!*!\r\n");
        EXPECT_EQ(loaded(july12), test.readBack);
    }
}

TEST_F(EntryFileFormat, ReadsEveryLineEnding)
{
    put("*!*12/07/2026\ra\nb\rc\r\n\r!*!\r*!*13/07/2026\r\nlast");
    EXPECT_EQ(loaded(july12), "a\nb\r\nc\r\n");
    // A body without its end line runs to the end of the file.
    EXPECT_EQ(loaded(july13), "last");
    put("x\r\n*!*12/07/2026");
    EXPECT_EQ(loaded(july12), QString());
}

TEST_F(EntryFileFormat, OnlyAnExactEndLineEndsABody)
{
    put("*!*12/07/2026\r\na\r\n!*! \r\n !*!\r\nb\r\n!*!\r\nafter\r\n!*!\r\n");
    EXPECT_EQ(loaded(july12), "a\r\n!*! \r\n !*!\r\nb");
    // What follows the first exact end line stands outside any entry: the
    // loader skips it and every save carries it over.
    save(july13, "c");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\na\r\n!*! \r\n !*!\r\nb\r\n!*!\r\nafter\r\n!*!\r\n"
                                   "*!*13/07/2026\r\nc\r\n!*!\r\n"));
    save(july12, "new");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\nnew\r\n!*!\r\nafter\r\n!*!\r\n"
                                   "*!*13/07/2026\r\nc\r\n!*!\r\n"));
}

TEST_F(EntryFileFormat, HeaderLookingLineInsideABody)
{
    const QByteArray file = "*!*12/07/2026\r\n*!*13/07/2026\r\ninner\r\n!*!\r\n";
    put(file);
    // Inside the day's own body it is text...
    EXPECT_EQ(loaded(july12), "*!*13/07/2026\r\ninner");
    // ...while a scan for another day, skipping lines, sees a header.
    EXPECT_EQ(loaded(july13), "inner");
    save(july13, "new");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\n*!*13/07/2026\r\nnew\r\n!*!\r\n"));
    put(file);
    save(july12, "z");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\nz\r\n!*!\r\n"));
}

TEST_F(EntryFileFormat, LinesOutsideEntriesSurviveSavesOfOtherDays)
{
    put("intro\n\r\n\r *!*12/07/2026\r\n*!*12/07/2026\r\na\r\n!*!\r\nstray\r\r\n"
        "*!*13/07/2026\r\nb\r\n!*!\r\ntail");
    EXPECT_EQ(loaded(july12), "a");
    save(july13, "B");
    // Every line keeps its bytes, its own line end included.
    EXPECT_EQ(onDisk(), QByteArray("intro\n\r\n\r *!*12/07/2026\r\n*!*12/07/2026\r\na\r\n!*!\r\nstray\r\r\n"
                                   "*!*13/07/2026\r\nB\r\n!*!\r\ntail"));
    // A file of LF-only lines gets CR LF throughout, as new entries have.
    put("intro\n*!*13/07/2026\nb\n!*!\n");
    save(july12, "a");
    EXPECT_EQ(onDisk(), QByteArray("intro\r\n*!*13/07/2026\r\nb\r\n!*!\r\n*!*12/07/2026\r\na\r\n!*!\r\n"));
    put("no line end at all");
    save(july12, "a");
    EXPECT_EQ(onDisk(), QByteArray("no line end at all\r\n*!*12/07/2026\r\na\r\n!*!\r\n"));
    // A last line with a lone LF in it stays one line when the day's entry,
    // which held the file's only CRs, goes.
    put("*!*12/07/2026\r\na\r\n!*!\r\nlone\nLF");
    save(july12, "", true);
    EXPECT_EQ(onDisk(), QByteArray("lone\nLF\r\n"));
    // A line that comes first after the save and starts with a byte-order
    // mark's bytes reads as it did.
    put("*!*12/07/2026\r\na\r\n!*!\r\n\xEF\xBB\xBFtext\r\n");
    save(july12, "", true);
    EXPECT_EQ(onDisk(), QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFtext\r\n"));
}

TEST_F(EntryFileFormat, PositionIsKeptAndNewDaysGoAtTheEnd)
{
    put("*!*13/07/2026\r\nb\r\n!*!\r\n*!*14/07/2026\r\nc\r\n!*!\r\n");
    save(july13, "B1\r\nB2");
    EXPECT_EQ(onDisk(), QByteArray("*!*13/07/2026\r\nB1\r\nB2\r\n!*!\r\n*!*14/07/2026\r\nc\r\n!*!\r\n"));
    // Entries are in the order days first got one, not in date order.
    save(july12, "a");
    EXPECT_EQ(onDisk(), QByteArray("*!*13/07/2026\r\nB1\r\nB2\r\n!*!\r\n*!*14/07/2026\r\nc\r\n!*!\r\n"
                                   "*!*12/07/2026\r\na\r\n!*!\r\n"));
}

TEST_F(EntryFileFormat, RemoveTakesOutExactlyTheDaysEntry)
{
    put("top\r\n*!*12/07/2026\r\na\r\n!*!\r\nmid\r\n*!*13/07/2026\r\nb\r\n!*!\r\nend\r\n");
    save(july12, "ignored", true);
    EXPECT_EQ(onDisk(), QByteArray("top\r\nmid\r\n*!*13/07/2026\r\nb\r\n!*!\r\nend\r\n"));
    // An empty text removes as well.
    save(july13, "", false);
    EXPECT_EQ(onDisk(), QByteArray("top\r\nmid\r\nend\r\n"));
    // Nothing to remove: the lines stay as they were.
    put("x\ry\r\n*!*13/07/2026\r\nb\r\n!*!");
    save(july12, QString(), true);
    EXPECT_EQ(onDisk(), QByteArray("x\ry\r\n*!*13/07/2026\r\nb\r\n!*!"));
}

TEST_F(EntryFileFormat, TwoEntriesOfOneDayBecomeOne)
{
    put("*!*12/07/2026\r\na\r\nb\r\n!*!\r\n*!*13/07/2026\r\nx\r\n!*!\r\n*!*12/07/2026\r\nc\r\nd\r\n!*!\r\n");
    // A line break between them keeps the last word of the first from
    // running into the first word of the second.
    EXPECT_EQ(loaded(july12), "a\r\nb\r\nc\r\nd");
    save(july12, "new");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\nnew\r\n!*!\r\n*!*13/07/2026\r\nx\r\n!*!\r\n"));
    put("*!*12/07/2026\r\na\r\n!*!\r\n*!*12/07/2026\r\nc\r\n!*!\r\n");
    save(july12, "", true);
    EXPECT_EQ(onDisk(), QByteArray(""));
}

TEST_F(EntryFileFormat, HeadersThatNameNoDayAreLinesOutsideEntries)
{
    put("*!*hello\r\nh\r\n!*!\r\n*!*\r\ne\r\n!*!\r\n*!*12/07/2026 10:30\r\nt\r\n!*!\r\n");
    EXPECT_EQ(loaded(july12), QString());
    save(july12, "a");
    EXPECT_EQ(onDisk(), QByteArray("*!*hello\r\nh\r\n!*!\r\n*!*\r\ne\r\n!*!\r\n*!*12/07/2026 10:30\r\nt\r\n!*!\r\n"
                                   "*!*12/07/2026\r\na\r\n!*!\r\n"));
}

TEST_F(EntryFileFormat, HeaderReadsLenientlyAndIsRewrittenInTheCurrentFormat)
{
    put("*!*2026-07-12\r\niso\r\n!*!\r\n");
    EXPECT_EQ(loaded(july12), "iso");
    save(july12, "now");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\nnow\r\n!*!\r\n"));
}

TEST_F(EntryFileFormat, Windows1252LinesReadAndKeepTheirBytes)
{
    const QByteArray other = "*!*13/07/2026\r\ncaf\xE9 \x80\r\n!*!\r\n";
    put("*!*12/07/2026\r\ncaf\xE9\r\n\x80 5\r\n!*!\r\n" + other);
    EXPECT_EQ(loaded(july12), QString::fromUtf8("café\r\n€ 5"));
    EXPECT_EQ(loaded(july13), QString::fromUtf8("café €"));
    save(july12, QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_EQ(onDisk(), "*!*12/07/2026\r\ncaf\xC3\xA9 \xE2\x82\xAC\r\n!*!\r\n" + other);
}

namespace {

// American dates: the short format M/d/yy, written widened to M/d/yyyy.
class AmericanEntryFile : public EntryFileTest
{
protected:
    AmericanEntryFile() : EntryFileTest(QLocale(QLocale::English, QLocale::UnitedStates)) {}
};

} // namespace

TEST_F(AmericanEntryFile, OldTwoDigitYearHeaderIsWidenedOnSave)
{
    put("*!*7/13/26\r\nb\r\n!*!\r\n*!*7/12/26\r\nold\r\n!*!\r\n");
    EXPECT_EQ(loaded(july12), "old");
    save(july12, "new");
    EXPECT_EQ(onDisk(), QByteArray("*!*7/13/26\r\nb\r\n!*!\r\n*!*7/12/2026\r\nnew\r\n!*!\r\n"));
    save(QDate(1925, 3, 4), "old times");
    EXPECT_TRUE(onDisk().endsWith("*!*3/4/1925\r\nold times\r\n!*!\r\n"));
    EXPECT_EQ(loaded(QDate(1925, 3, 4)), "old times");
}

TEST_F(EntryFileFormat, LinesThatLookLikeMarksRoundTripAndNeverEndOrStartAnEntry)
{
    const QByteArray zwsp = "\xE2\x80\x8B";
    const QString z = QString::fromUtf8(zwsp);
    const QByteArray other = "*!*13/07/2026\r\nb\r\n!*!\r\n";
    const struct
    {
        QString text;
        QByteArray body; // between header and end line
    } cases[] = {
        {"!*!", zwsp + "!*!"},
        {"a\r\n!*!\r\nb", "a\r\n" + zwsp + "!*!\r\nb"},
        {"*!*13/07/2026\r\nx", zwsp + "*!*13/07/2026\r\nx"},
        {z + "!*!", zwsp + zwsp + "!*!"},            // the user's own U+200B stays
        {z + z + "*!*x", zwsp + zwsp + zwsp + "*!*x"},
        {z + "plain", zwsp + "plain"},               // no mark behind it: as typed
        {"!*! \r\n !*!\r\nx\n*!*", "!*! \r\n !*!\r\nx\n*!*"},
    };
    for (const auto& test : cases) {
        put(other);
        save(july12, test.text);
        EXPECT_EQ(onDisk(), other + "*!*12/07/2026\r\n" + test.body + "\r\n!*!\r\n");
        EXPECT_EQ(loaded(july12), test.text);
        // The neighbour day is neither hidden nor replaced by the text.
        EXPECT_EQ(loaded(july13), "b");
        save(july13, "B");
        EXPECT_EQ(loaded(july12), test.text);
        EXPECT_EQ(loaded(july13), "B");
    }
    // The entry's byte form is the one shared with the rescue file.
    EXPECT_EQ(EntryLines::entryBytes(dates, july12, u"!*!"), "*!*12/07/2026\r\n" + zwsp + "!*!\r\n!*!\r\n");
}

TEST_F(EntryFileFormat, ByteOrderMarkIsSkippedByReadersAndKeptBySaves)
{
    const QByteArray bom = "\xEF\xBB\xBF";
    put(bom + "*!*12/07/2026\r\na\r\n!*!\r\n");
    EXPECT_EQ(loaded(july12), "a");
    save(july12, "b");
    EXPECT_EQ(onDisk(), bom + "*!*12/07/2026\r\nb\r\n!*!\r\n");
    save(july12, "", true);
    EXPECT_EQ(onDisk(), bom);
    save(july13, "c");
    EXPECT_EQ(onDisk(), bom + "*!*13/07/2026\r\nc\r\n!*!\r\n");
}

TEST_F(EntryFileFormat, FileWithoutAnyCrReadsWithLfLineEndsAndIsWrittenBackWithCrLf)
{
    put("top\n*!*12/07/2026\na\nb\n!*!\n*!*13/07/2026\nc\n!*!\n");
    EXPECT_EQ(loaded(july12), "a\r\nb");
    EXPECT_EQ(loaded(july13), "c");
    save(july13, "C");
    EXPECT_EQ(onDisk(), QByteArray("top\r\n*!*12/07/2026\r\na\r\nb\r\n!*!\r\n*!*13/07/2026\r\nC\r\n!*!\r\n"));
    // One CR anywhere and the file reads as always: LF is text.
    put("*!*12/07/2026\na\n!*!\n\r");
    EXPECT_EQ(loaded(july12), QString());
}

TEST_F(EntryFileFormat, MixedUtf8AndWindows1252LineReadsEachPartAsWhatItIs)
{
    put("*!*12/07/2026\r\ncaf\xC3\xA9 and caf\xE9\r\n!*!\r\n");
    EXPECT_EQ(loaded(july12), QString::fromUtf8("café and café"));
}

TEST_F(EntryFileFormat, EntryLeftOpenAtTheEndIsClosedBeforeANewOneIsAppended)
{
    put("*!*12/07/2026\r\na\r\nb");
    save(july13, "c");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\na\r\nb\r\n!*!\r\n*!*13/07/2026\r\nc\r\n!*!\r\n"));
    EXPECT_EQ(loaded(july12), "a\r\nb");
    EXPECT_EQ(loaded(july13), "c");
    // Removing the new day leaves the old one whole.
    save(july13, "", true);
    EXPECT_EQ(loaded(july12), "a\r\nb");
    // A header-looking line that names no day opens no entry.
    put("*!*hello\r\nx");
    save(july13, "c");
    EXPECT_EQ(onDisk(), QByteArray("*!*hello\r\nx\r\n*!*13/07/2026\r\nc\r\n!*!\r\n"));
}

TEST_F(EntryFileFormat, EveryUnicodeLineSeparatorInABodyKeepsItsBytes)
{
    const QString text = QString::fromUtf8("a\xE2\x80\xA8" "b\xE2\x80\xA9" "c\x0B" "d\x0C" "e\xC2\x85" "f\nz");
    put("*!*12/07/2026\r\n" + text.toUtf8() + "\r\n!*!\r\n");
    EXPECT_EQ(loaded(july12), text);
    save(july13, "x");
    EXPECT_EQ(loaded(july12), text);
    save(july12, text + "\r\nmore");
    EXPECT_EQ(loaded(july12), text + "\r\nmore");
    EXPECT_TRUE(onDisk().startsWith("*!*12/07/2026\r\n" + text.toUtf8() + "\r\nmore\r\n!*!\r\n"));
}

TEST_F(EntryFileFormat, DayChangedOnDiskSinceItWasLoadedIsMergedByLines)
{
    put("*!*12/07/2026\r\nshown\r\n!*!\r\n*!*13/07/2026\r\nb\r\n!*!\r\n");
    // Unchanged on disk: the pad's text replaces it.
    auto result = entries.save(july12, u"mine", false, u"shown");
    ASSERT_FALSE(result.error);
    EXPECT_FALSE(result.merged);
    EXPECT_EQ(result.text, "mine");

    // Another copy added a line while this pad changed another: both stay.
    save(july12, "one\r\ntwo\r\ntheirs");
    result = entries.save(july12, u"one, edited\r\ntwo", false, u"one\r\ntwo");
    EXPECT_TRUE(result.merged);
    EXPECT_FALSE(result.conflict);
    EXPECT_EQ(loaded(july12), "one, edited\r\ntwo\r\ntheirs");

    // Both changed the same word: both versions, the other copy's first.
    save(july12, "theirs");
    result = entries.save(july12, u"ours", false, u"mine");
    EXPECT_TRUE(result.conflict);
    EXPECT_EQ(result.text, "theirs ours");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\ntheirs ours\r\n!*!\r\n"
                                   "*!*13/07/2026\r\nb\r\n!*!\r\n"));

    // An empty pad does not remove text it never showed; a day the other
    // copy emptied takes the pad's text without a word.
    save(july12, "theirs");
    result = entries.save(july12, u"", true, u"mine");
    EXPECT_TRUE(result.conflict);
    EXPECT_EQ(loaded(july12), "theirs");
    save(july12, "", true);
    result = entries.save(july12, u"back", false, u"theirs");
    EXPECT_FALSE(result.conflict);
    EXPECT_EQ(loaded(july12), "back");
    EXPECT_EQ(loaded(july13), "b");
}

TEST_F(EntryFileFormat, TwoCopiesTakingTurnsOnOneDayKeepEveryWordOnce)
{
    // Each copy types a word at the end, on a line of its own or of the same
    // line, steps away (the save) and back (the load), while the other did
    // the same in between.
    for (const QString separator : {u"\r\n"_qs, u" "_qs}) {
        put("*!*12/07/2026\r\nstart\r\n!*!\r\n");
        struct Copy
        {
            QString pad = u"start"_qs;
            QString loaded = u"start"_qs;
        } copies[2];
        QStringList words{u"start"_qs};
        for (int round = 0; round < 50; ++round) {
            for (int id = 0; id < 2; ++id) {
                Copy& copy = copies[id];
                const QString word = QStringLiteral("w%1c%2").arg(round).arg(id);
                words.append(word);
                copy.pad += separator + word;
                const EntryFile::SaveResult result = entries.save(july12, copy.pad, false, copy.loaded);
                ASSERT_FALSE(result.error);
                EXPECT_FALSE(result.conflict) << word.toStdString();
                copy.pad = copy.loaded = loaded(july12);
                // Text written twice shows at once; it would double each round.
                ASSERT_EQ(copy.pad.count(separator) + 1, words.size());
            }
        }
        const QStringList kept = loaded(july12).split(separator);
        EXPECT_EQ(kept.size(), words.size());
        for (const QString& word : words)
            EXPECT_EQ(kept.count(word), 1) << word.toStdString();
    }
}
