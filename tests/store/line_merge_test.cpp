#include "store/line_merge.h"

#include <QStringList>

#include <gtest/gtest.h>

TEST(LineMerge, ChangesToNeighbouringLinesMergeWithoutAConflict)
{
    // One copy adds a line after the last one while the other edits it.
    const auto added = LineMerge::merge(u"Bought a new umbrella.", u"Bought a new umbrella.\r\nFrom the laptop.",
                                        u"Bought a new umbrella.!");
    EXPECT_FALSE(added.conflict);
    EXPECT_EQ(added.text, "Bought a new umbrella.!\r\nFrom the laptop.");

    // Different words of one line, and a line one side removed next to it.
    const auto words = LineMerge::merge(u"rain at noon\r\nold\r\nend", u"rain at dusk\r\nend",
                                        u"cold rain at noon\r\nold\r\nend");
    EXPECT_FALSE(words.conflict);
    EXPECT_EQ(words.text, "cold rain at dusk\r\nend");
}

TEST(LineMerge, SameWordsChangedDifferentlyKeepBothOnceAndTell)
{
    const auto merged = LineMerge::merge(u"Walked home at six.\r\nTea.", u"Ran home at six.\r\nTea.",
                                         u"Drove home at six!\r\nTea.");
    EXPECT_TRUE(merged.conflict);
    EXPECT_EQ(merged.text, "Ran Drove home at six!\r\nTea.");
}

TEST(LineMerge, ChangesFarApartInALongDayMergeWithoutAConflict)
{
    // Too long to compare every line with every other.
    QStringList base;
    for (int i = 0; i < 30000; ++i)
        base.append(QString::number(i % 7));
    QStringList saved = base, pad = base, both = base;
    saved[100] = saved[29000] = both[100] = both[29000] = u"saved"_qs;
    pad[15000] = pad[25000] = both[15000] = both[25000] = u"pad"_qs;
    const auto merged = LineMerge::merge(base.join(u"\r\n"), saved.join(u"\r\n"), pad.join(u"\r\n"));
    EXPECT_FALSE(merged.conflict);
    EXPECT_EQ(merged.text, both.join(u"\r\n"));
}
