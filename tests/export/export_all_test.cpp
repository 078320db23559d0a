#include "export_fixture.h"

#include "store/entry_lines.h"

#include <QDate>

namespace {

const QDate dec1(2003, 12, 1);
const QDate dec3(2003, 12, 3);
const QDate dec5(2003, 12, 5);

using ExportAllTest = ExportTest;

TEST_F(ExportAllTest, WritesTheExampleByteForByte)
{
    putDiary("*!*05/12/2003\r\nRain all day.\r\nBought a new umbrella.\r\n!*!\r\n"
             "*!*01/12/2003\r\nFirst day of the month.\r\n!*!\r\n");
    EXPECT_EQ(exported(2), QByteArray("01/12/2003\r\n"
                                      "----------\r\n"
                                      "First day of the month.\r\n"
                                      "\r\n"
                                      "\r\n"
                                      "05/12/2003\r\n"
                                      "----------\r\n"
                                      "Rain all day.\r\n"
                                      "Bought a new umbrella.\r\n"
                                      "\r\n"
                                      "\r\n"));
}

TEST_F(ExportAllTest, DateStyleOneWritesTheLongDateTheLabelShows)
{
    putDiary(header(dec5) + "Rain.\r\n!*!\r\n");
    const QString longDate = dates.longText(dec5);
    ASSERT_NE(longDate, dates.shortText(dec5));
    EXPECT_EQ(exported(1), longDate.toUtf8() + "\r\n----------\r\nRain.\r\n\r\n\r\n");
}

TEST_F(ExportAllTest, DaysComeInAscendingOrderEachOnceWithTheFirstEntryOfTheDay)
{
    putDiary(header(dec5) + "Fifth.\r\n!*!\r\n"
             + header(dec1) + "First, one.\r\n\r\nFirst, after an empty line.\r\n\r\n!*!\r\n"
             + header(dec5) + "Fifth, second entry.\r\n!*!\r\n"
             + header(dec3) + "Third.\r\n!*!\r\n");
    EXPECT_EQ(exported(),
              "01/12/2003\r\n----------\r\nFirst, one.\r\n\r\nFirst, after an empty line.\r\n\r\n\r\n\r\n"
              "03/12/2003\r\n----------\r\nThird.\r\n\r\n\r\n"
              "05/12/2003\r\n----------\r\nFifth.\r\n\r\n\r\n");
}

TEST_F(ExportAllTest, EmptyOrMissingEntryFileGivesAnEmptyExport)
{
    writeFileBytes(target(), "an older export\r\n");
    EXPECT_EQ(exported(), QByteArray("")) << "missing entry file";
    EXPECT_TRUE(QFile::exists(target()));

    putDiary("");
    writeFileBytes(target(), "an older export\r\n");
    EXPECT_EQ(exported(), QByteArray("")) << "empty entry file";

    putDiary("stray line\r\n!*!\r\n");
    EXPECT_EQ(exported(), QByteArray("")) << "no header line";
}

TEST_F(ExportAllTest, BodyLinesKeepTheirBytes)
{
    // Windows-1252 "café", a lone LF inside a line, a lone CR as a line end,
    // and a last line without its line end.
    putDiary(header(dec1) + "caf\xe9 cr\xe8me\r\na\nb\rc\r\n!*!\r\n" + header(dec3) + "no line end");
    EXPECT_EQ(exported(), "01/12/2003\r\n----------\r\ncaf\xe9 cr\xe8me\r\na\nb\r\nc\r\n\r\n\r\n"
                          "03/12/2003\r\n----------\r\nno line end\r\n\r\n\r\n");
}

TEST_F(ExportAllTest, TextThatLooksLikeAMarkComesOutAsTyped)
{
    putDiary(EntryLines::entryBytes(dates, dec5, u"*!*03/12/2003\r\n!*!\r\n\u200B!*!"));
    EXPECT_EQ(exported(), "05/12/2003\r\n----------\r\n*!*03/12/2003\r\n!*!\r\n\xE2\x80\x8B!*!\r\n\r\n\r\n");
}

TEST_F(ExportAllTest, HeaderThatIsNoDateStandsOutsideAnyEntry)
{
    putDiary(header(dec5) + "Fifth.\r\n!*!\r\n"
             + "*!*not a date\r\nlost words\r\n!*!\r\n"
             + "*!*\r\n!*!\r\n"
             + header(dec1) + "First.\r\n!*!\r\n");
    EXPECT_EQ(exported(), "01/12/2003\r\n----------\r\nFirst.\r\n\r\n\r\n"
                          "05/12/2003\r\n----------\r\nFifth.\r\n\r\n\r\n");
}

TEST_F(ExportAllTest, BodyWithoutEndLineEndsWithTheFile)
{
    putDiary(header(dec3) + "Third.\r\n!*!\r\n" + header(dec5) + "Fifth.\r\n" + header(dec1) + "First.\r\n");
    // The fifth's body runs to the end of the file and takes the first's
    // lines with it; the first is a day of its own too, and nothing is lost.
    EXPECT_EQ(exported(), "01/12/2003\r\n----------\r\nFirst.\r\n\r\n\r\n"
                          "03/12/2003\r\n----------\r\nThird.\r\n\r\n\r\n"
                          "05/12/2003\r\n----------\r\nFifth.\r\n*!*01/12/2003\r\nFirst.\r\n\r\n\r\n");

    putDiary(header(dec3) + "Third.\r\n!*!\r\n" + header(dec1));
    EXPECT_EQ(exported(), "01/12/2003\r\n----------\r\n\r\n\r\n"
                          "03/12/2003\r\n----------\r\nThird.\r\n\r\n\r\n")
        << "a header as the last line";
}

TEST_F(ExportAllTest, BodyLineThatLooksLikeAHeaderNamesADayToo)
{
    // As text in the fifth's body, and as the start of the third's block,
    // read by day whatever its time of day; the later real entry of the
    // third is its second and is not exported.
    putDiary(header(dec5) + "Fifth.\r\n*!*03/12/2003 10:30\r\nafter the mark\r\n!*!\r\n"
             + header(dec3) + "Third, real.\r\n!*!\r\n"
             + header(dec1) + "*!*not a date either\r\n!*!\r\n");
    EXPECT_EQ(exported(), "01/12/2003\r\n----------\r\n*!*not a date either\r\n\r\n\r\n"
                          "03/12/2003\r\n----------\r\nafter the mark\r\n\r\n\r\n"
                          "05/12/2003\r\n----------\r\nFifth.\r\n*!*03/12/2003 10:30\r\nafter the mark\r\n\r\n\r\n");
}

} // namespace
