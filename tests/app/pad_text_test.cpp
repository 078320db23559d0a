#include "app/pad_edit.h"
#include "app/pad_text.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(PadText, KeepsLineBreaksAndLoneLineFeedsApart)
{
    const QString entries[] = {
        "", "a", "a\r\nb", "a\r\n", "\r\n", "x\ny", "x\n\r\ny\n", "\n", "  ", "tab\there",
    };
    PadEdit pad;
    for (const QString& entry : entries) {
        pad.setEntryText(entry);
        EXPECT_EQ(pad.entryText(), entry) << entry.toStdString();
    }
}

TEST(PadText, ALoneLineFeedStaysInsideItsLine)
{
    PadEdit pad;
    pad.setEntryText("x\ny\r\nz");
    EXPECT_EQ(pad.document()->blockCount(), 2);
}

TEST(PadText, ALoneCarriageReturnBecomesALineBreak)
{
    // The entry file reads a lone CR as the end of a line.
    PadEdit pad;
    pad.setEntryText("x\ry");
    EXPECT_EQ(pad.entryText(), "x\r\ny");
}

TEST(PadText, EnterAndShiftEnterTypeARealLineBreak)
{
    PadEdit pad;
    pad.show();
    QTest::keyClicks(&pad, "a");
    QTest::keyClick(&pad, Qt::Key_Return);
    QTest::keyClicks(&pad, "b");
    QTest::keyClick(&pad, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&pad, "c");
    EXPECT_EQ(pad.entryText(), "a\r\nb\r\nc");
}
