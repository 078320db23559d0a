#include "platform/widgets/window_activation.h"

#include <QDialog>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class Window final : public QWidget, public ActivationHandler
{
public:
    QStringList* log = nullptr;
    QString name;
    void Form_Activate() override { *log << name + "+"; }
    void Form_Deactivate() override { *log << name + "-"; }
};

class WindowActivationTest : public testing::Test
{
protected:
    QStringList log;
    WindowActivation activation;
    Window main, calendar;

    void SetUp() override
    {
        main.log = calendar.log = &log;
        main.name = "main";
        calendar.name = "calendar";
        activation.add(&main, &main);
        activation.add(&calendar, &calendar);
        main.show();
        activation.shown(&main);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    }

    // The focus changes the platform has queued, delivered in a count of
    // rounds, not in a time that a slow machine may not keep.
    static void handleFocusChanges()
    {
        for (int round = 0; round < 10; ++round)
            QCoreApplication::processEvents();
    }

    static void focus(QWidget* w)
    {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
};

} // namespace

TEST_F(WindowActivationTest, MovesBetweenTheProgramsWindowsOnly)
{
    focus(&calendar);
    focus(&main);
    EXPECT_EQ(log, QStringList({"main+", "main-", "calendar+", "calendar-", "main+"}));
}

TEST_F(WindowActivationTest, AnotherWindowAndComingBackCountForNothing)
{
    QWidget stranger; // a message box, a dialog, another program's window
    focus(&stranger);
    focus(&main);
    EXPECT_EQ(log, QStringList({"main+"}));
}

TEST_F(WindowActivationTest, AModalDialogCountsForNothing)
{
    QDialog dialog(&main);
    QTimer::singleShot(50, &dialog, &QDialog::accept);
    dialog.exec();
    handleFocusChanges();
    EXPECT_EQ(log, QStringList({"main+"}));
}

TEST_F(WindowActivationTest, AMenuCountsForNothing)
{
    QMenu menu(&main);
    menu.addAction("item");
    menu.popup(main.geometry().center());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    menu.close();
    handleFocusChanges();
    EXPECT_EQ(log, QStringList({"main+"}));
}

TEST_F(WindowActivationTest, AClosedWindowIsNotDeactivated)
{
    focus(&calendar);
    calendar.close();
    focus(&main);
    EXPECT_EQ(log, QStringList({"main+", "main-", "calendar+", "main+"}));
}

TEST_F(WindowActivationTest, ShowingAWindowToWorkInActivatesIt)
{
    activation.shown(&main); // already the active one: nothing happens
    calendar.show();
    activation.shown(&calendar);
    EXPECT_EQ(log, QStringList({"main+", "main-", "calendar+"}));
    EXPECT_EQ(activation.active(), &calendar);
}

TEST_F(WindowActivationTest, WindowsThatAreGoneAreForgotten)
{
    // A calendar re-created at every change of day, a thousand times.
    for (int i = 0; i < 1000; ++i) {
        auto* again = new Window;
        activation.add(again, again);
        delete again;
    }
    EXPECT_LE(activation.windowCount(), 3);
}
