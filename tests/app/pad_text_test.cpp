#include "app/pad_edit.h"
#include "app/pad_text.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(PadText, KeepsLineBreaksAndLoneLineFeedsApart)
{
    const QString entries[] = {
        "", "a", "a\r\nb", "a\r\n", "\r\n", "x\ny", "x\n\r\ny\n", "\n", "  ", "tab\there",
        QStringLiteral(u"a\u2028b"), QStringLiteral(u"a\u2029b"), QStringLiteral(u"\u2029\r\n\u2028\n"),
        QStringLiteral(u"\uFDD0\uFDD1"), QStringLiteral(u"\n\u2028"),
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

TEST(PadText, SeparatorsSurviveAnEditOfAnotherLine)
{
    PadEdit pad;
    pad.show();
    pad.setEntryText(QStringLiteral(u"one\ntwo\u2028three\u2029four\r\nfive"));
    pad.moveCursor(QTextCursor::End);
    QTest::keyClicks(&pad, "!");
    QTest::keyClick(&pad, Qt::Key_Return);
    QTest::keyClicks(&pad, "six");
    EXPECT_EQ(pad.entryText(), QStringLiteral(u"one\ntwo\u2028three\u2029four\r\nfive!\r\nsix"));
    pad.undo();
    pad.undo();
    pad.undo();
    EXPECT_EQ(pad.entryText(), QStringLiteral(u"one\ntwo\u2028three\u2029four\r\nfive"));
}
