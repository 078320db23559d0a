#include "program_fixture.h"

#include "app/frm_splash.h"

#include <QAction>
#include <QFontInfo>
#include <QFrame>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

// The design in twips, as pixels at 96 dots per inch (15 twips a pixel).

namespace {

struct Control
{
    const char* name;
    QRect geometry;
    QString caption;
};

void expectFont(const QWidget* w, const QString& family, double points, bool bold)
{
    SCOPED_TRACE(w->objectName().toStdString());
    EXPECT_TRUE(QFontInfo(w->font()).family().startsWith(family)) << QFontInfo(w->font()).family().toStdString();
    EXPECT_DOUBLE_EQ(w->font().pointSizeF(), points);
    EXPECT_EQ(w->font().bold(), bold);
}

QStringList menuTree(const QMenuBar* bar)
{
    QStringList tree;
    for (const QAction* menu : bar->actions()) {
        tree << menu->text();
        for (const QAction* item : menu->menu()->actions()) {
            tree << (item->isSeparator() ? QStringLiteral("  -") : QStringLiteral("  ") + item->text());
            // Ctrl+F for Find Text is the program's one shortcut.
            EXPECT_EQ(item->shortcut(), item->text() == u"&Find Text..." ? QKeySequence(Qt::CTRL | Qt::Key_F)
                                                                         : QKeySequence())
                << item->text().toStdString();
        }
    }
    return tree;
}

class MainWindowDesignTest : public ProgramTest
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInchX(), 96);
        ASSERT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInchY(), 96);
    }
};

} // namespace

TEST_F(MainWindowDesignTest, ControlsStandWhereTheDesignPutsThem)
{
    start();
    EXPECT_EQ(main().windowTitle(), "Ombrel Jotwell v1.0");
    EXPECT_FALSE(main().windowIcon().isNull());
    EXPECT_EQ(main().centralWidget()->size(), QSize(233, 257));
    EXPECT_EQ(main().centralWidget()->palette().color(QPalette::Window), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(main().minimumSize(), main().maximumSize()); // fixed single border
    EXPECT_FALSE(main().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(main().windowFlags() & Qt::WindowMinimizeButtonHint);

    const Control controls[] = {
        {"lblDate", QRect(8, 5, 217, 17), "Monday, December 7, 2026"},
        {"txtPad", QRect(8, 24, 217, 201), ""},
        {"cmdEarliest", QRect(8, 232, 33, 22), "|<"},
        {"cmdPrevEntry", QRect(45, 232, 33, 22), "<<"},
        {"cmdPrev", QRect(83, 232, 33, 22), "<"},
        {"cmdNext", QRect(120, 232, 33, 22), ">"},
        {"cmdNextEntry", QRect(157, 232, 33, 22), ">>"},
        {"cmdLatest", QRect(193, 232, 33, 22), ">|"},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        const QWidget* w = main().centralWidget()->findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_TRUE(w);
        EXPECT_EQ(w->geometry(), c.geometry);
        if (const auto* b = qobject_cast<const QPushButton*>(w)) {
            EXPECT_EQ(b->text(), c.caption);
            expectFont(b, "Liberation Sans", 9.75, true);
            // The caption fits inside the button with room to spare.
            EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + 8, b->width());
        }
    }
    EXPECT_EQ(main().lblDate->text(), "Monday, December 7, 2026");
    expectFont(main().lblDate, "Liberation Sans", 9.75, true);
    EXPECT_EQ(main().lblDate->palette().color(QPalette::Window), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_TRUE(main().lblDate->alignment() & Qt::AlignHCenter);
    // The longest long date of the year still fits on the label.
    EXPECT_LE(main().lblDate->fontMetrics().horizontalAdvance("Wednesday, September 30, 2026"),
              main().lblDate->width());
    EXPECT_EQ(main().txtPad->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(main().txtPad->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(MainWindowDesignTest, TabGoesThroughTheControlsInTheDesignsOrder)
{
    start();
    const QList<QWidget*> order = {main().cmdNext, main().cmdPrev, main().txtPad, main().cmdPrevEntry,
                                   main().cmdEarliest, main().cmdLatest, main().cmdNextEntry};
    QWidget* w = main().cmdNext;
    for (int i = 1; i < order.size(); ++i) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !main().centralWidget()->isAncestorOf(w));
        EXPECT_EQ(w, order[i]) << i;
    }
    EXPECT_EQ(main().lblDate->focusPolicy(), Qt::NoFocus);
}

TEST_F(MainWindowDesignTest, TheMenusHoldEveryItemInOrder)
{
    start();
    EXPECT_EQ(menuTree(main().menuBar()),
              QStringList({"&Pad", "  &Clear", "  Clear &All", "  Earlier &Versions...", "  -", "  &Print",
                           "  &Export All", "  -", "  E&xit",
                           "&GoTo", "  &Today", "  -", "  &Select Date", "  -", "  &Next Entry",
                           "  &Previous Entry", "  -", "  &Earliest Entry", "  &Latest Entry",
                           "  -", "  &Find Text...",
                           "&Font", "  &Select", "  &Color", "  &Background Color",
                           "&Help", "  &Info", "  &About"}));
}

TEST_F(MainWindowDesignTest, TheAboutWindowStandsAsDesigned)
{
    start();
    main().mnuHelpAbout->trigger();
    const frmSplash* s = program->splashWindow();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->size(), QSize(314, 234));
    EXPECT_TRUE(s->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(s->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    const QRect screen = s->screen()->geometry();
    EXPECT_EQ(s->geometry().center(), screen.center());

    EXPECT_EQ(s->Frame1->geometry(), QRect(16, 16, 281, 193));
    EXPECT_EQ(s->Label1->geometry(), QRect(16, 24, 89, 25));
    EXPECT_EQ(s->Label2->geometry(), QRect(48, 56, 193, 57));
    EXPECT_EQ(s->Label4->geometry(), QRect(112, 120, 57, 17));
    EXPECT_EQ(s->Label3->geometry(), QRect(56, 144, 169, 17));
    EXPECT_EQ(s->Command1->geometry(), QRect(240, 160, 33, 25));
    EXPECT_EQ(s->Label1->text(), "Ombrel");
    EXPECT_EQ(s->Label2->text(), "JotWell");
    EXPECT_EQ(s->Label4->text(), "Version 1.0");
    EXPECT_EQ(s->Command1->text(), "OK");
    expectFont(s->Label1, "Liberation Sans", 18, true);
    expectFont(s->Label2, "Z003", 48, true);
    expectFont(s->Label3, "Liberation Sans", 8.25, false);
    expectFont(s->Label4, "Liberation Sans", 8, false);
    expectFont(s->Command1, "Liberation Sans", 8, false);
    EXPECT_EQ(s->Label1->palette().color(QPalette::WindowText), QColor(0x80, 0x00, 0x80));
    EXPECT_EQ(s->Label2->palette().color(QPalette::WindowText), QColor(0x00, 0x00, 0xC0));
    for (const QLabel* l : {s->Label1, s->Label2, s->Label3, s->Label4}) {
        SCOPED_TRACE(l->objectName().toStdString());
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width());
    }
    EXPECT_FALSE(s->windowIcon().isNull());

    // The script word shows whole: no ink on the label's top or bottom row.
    const QImage word = s->Label2->grab().toImage();
    const auto inked = [&word](int y) {
        for (int x = 0; x < word.width(); ++x)
            if (word.pixelColor(x, y).blue() > 0x80 && word.pixelColor(x, y).red() < 0x80)
                return true;
        return false;
    };
    EXPECT_FALSE(inked(0));
    EXPECT_FALSE(inked(word.height() - 1));
    bool any = false;
    for (int y = 0; y < word.height(); ++y)
        any = any || inked(y);
    EXPECT_TRUE(any);
}
