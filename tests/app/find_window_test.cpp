#include "program_fixture.h"

#include "find/found_days.h"
#include "find/frm_find.h"
#include "files/posix_io.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTextBoundaryFinder>

// The find window: every day whose entry holds the words typed, and the way
// from a result to its day.
class FindWindowTest : public ProgramTest
{
protected:
    // Four days with entries, stored out of date order.
    void SetUp() override
    {
        writeEntries("*!*12/1/2026\r\nRain all day.\r\nBought a new umbrella.\r\n!*!\r\n"
                     "*!*12/5/2026\r\nCaf\xC3\xA9 with Anna, rain again\r\n!*!\r\n"
                     "*!*11/20/2026\r\nSun.\r\n!*!\r\n"
                     "*!*11/2/2026\r\nA long walk by the river, past the mill, the old bridge and the "
                     "church, then home along the fields as the light went.\r\n!*!\r\n");
        start();
    }

    frmFind* find() const { return program->findWindow(); }

    void openFind()
    {
        QTest::keySequence(&main(), QKeySequence(Qt::CTRL | Qt::Key_F));
        ASSERT_TRUE(find());
        settle();
    }

    // Types a query and waits for its rows.
    void search(const QString& query)
    {
        find()->txtFind->selectAll();
        QTest::keyClicks(find()->txtFind, query);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !find()->isSearching(); }, 20000));
    }

    QStringList rows() const
    {
        QStringList texts;
        for (int i = 0; i < find()->lstFound->count(); ++i)
            texts << find()->lstFound->item(i)->text();
        return texts;
    }
};

TEST_F(FindWindowTest, CtrlFOpensTheWindowAndTypingShowsTheDaysNewestFirst)
{
    openFind();
    EXPECT_EQ(find()->windowTitle(), "OJW - Find Text");
    EXPECT_EQ(find()->lblFound->text(), "Type to search");
    search("rain");
    EXPECT_EQ(find()->lblFound->text(), "2 days");
    EXPECT_EQ(rows(), QStringList({"12/5/26   Caf\u00e9 with Anna, rain again", "12/1/26   Rain all day."}));
    search("cafe anna");
    EXPECT_EQ(rows(), QStringList({"12/5/26   Caf\u00e9 with Anna, rain again"}));
    search("snow");
    EXPECT_EQ(find()->lblFound->text(), "No days");
    // A line wider than the list is cut to fit, not scrolled sideways.
    search("walk");
    EXPECT_EQ(rows().size(), 1);
    EXPECT_FALSE(find()->lstFound->horizontalScrollBar()->isVisible());
    search(QString(300, u'x'));
    EXPECT_TRUE(find()->lblFound->text().contains("longer than 256 characters"));

    // A second Ctrl+F brings the same window back with its query selected.
    const frmFind* first = find();
    activate(&main());
    QTest::keySequence(&main(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(find(), first);
    EXPECT_TRUE(find()->txtFind->hasSelectedText());
}

TEST_F(FindWindowTest, DownAndEnterShowTheDayWithTheWordSelectedAfterSavingThePad)
{
    type("typed today");
    openFind();
    // Moving to the find window saved the pad.
    EXPECT_TRUE(entries().endsWith(QByteArray(todayHeader) + "typed today\r\n!*!\r\n"));
    search("umbrella rain");
    ASSERT_EQ(rows().size(), 1);
    QTest::keyClick(find()->txtFind, Qt::Key_Down);
    QTest::keyClick(find()->txtFind, Qt::Key_Return);
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 1));
    EXPECT_EQ(main().txtPad->textCursor().selectedText(), "umbrella");
    EXPECT_TRUE(QTest::qWaitFor([this] { return main().txtPad->hasFocus(); }, 5000));
    EXPECT_TRUE(find()->isVisible()) << "stays open for the next result";

    QTest::keyClick(find()->txtFind, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(find() && find()->isVisible());
}

TEST_F(FindWindowTest, ADayWhoseTextCannotBeSavedIsKept)
{
    openFind();
    search("rain");
    activate(&main());
    type("unsaved");
    PosixIo::injectFault({PosixIo::Call::Create, ENOSPC, 0, -1});
    find()->lstFound_Choose(find()->lstFound->item(0));
    PosixIo::clearFaults();
    EXPECT_EQ(state().shownDate, QDate(2026, 12, 7));
    EXPECT_EQ(pad(), "unsaved");
    EXPECT_TRUE(state().dirty);
}

TEST_F(FindWindowTest, ClosesWithTheMainWindow)
{
    openFind();
    main().close();
    settle();
    EXPECT_FALSE(find() && find()->isVisible());
}

TEST(FoundDaysRow, ARowCutToFitNeverCutsACharacterInTwo)
{
    // Emoji (two code units each) and letters with a combining accent around
    // the word found, in rooms of many widths.
    const QString line = QString::fromUtf8("\U0001F642\U0001F642 cafe\u0301 \U0001F642\U0001F642 rain "
                                           "\U0001F642 e\u0301e\u0301e\u0301 \U0001F642\U0001F642\U0001F642");
    const qsizetype at = line.indexOf(u"rain");
    for (int room = 10; room < 300; room += 3) {
        QString shown;
        for (const FoundDays::Piece& piece : FoundDays::fit(line, {QPoint(int(at), 4)}, room, QApplication::font())) {
            EXPECT_TRUE(!piece.bold || QStringView(u"rain").startsWith(piece.text)) << room;
            shown += piece.text;
        }
        if (shown.startsWith(u"..."))
            shown.remove(0, 3);
        if (shown.endsWith(u"..."))
            shown.chop(3);
        ASSERT_TRUE(shown.isValidUtf16()) << room;
        const qsizetype from = line.indexOf(shown);
        ASSERT_GE(from, 0) << room;
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, line);
        characters.setPosition(from);
        EXPECT_TRUE(characters.isAtBoundary()) << room;
        characters.setPosition(from + shown.size());
        EXPECT_TRUE(characters.isAtBoundary()) << room;
    }
}
