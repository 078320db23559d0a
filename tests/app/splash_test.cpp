#include "program_fixture.h"

#include "app/frm_splash.h"

#include <QPushButton>
#include <QTimer>

namespace {

class SplashTest : public ProgramTest
{
protected:
    frmSplash* splash() const { return program->splashWindow(); }

    // The splash window's timer, shortened so the test need not wait three
    // seconds.
    void hurryTimer()
    {
        ASSERT_EQ(splash()->Timer1->interval(), 3000);
        ASSERT_TRUE(splash()->Timer1->isActive());
        splash()->Timer1->setInterval(50);
    }
};

} // namespace

TEST_F(SplashTest, AboutSavesTheEditedPadAndClosingItReloadsTheEntry)
{
    writeEntries(QByteArray(todayHeader) + "before\r\n!*!\r\n");
    start();
    type(" and after");
    main().mnuHelpAbout->trigger();
    settle();
    ASSERT_TRUE(splash() && splash()->isVisible());
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "before and after\r\n!*!\r\n");
    EXPECT_FALSE(state().dirty);

    writeEntries(QByteArray(todayHeader) + "changed while About was up\r\n!*!\r\n");
    QTest::mouseClick(splash()->Command1, Qt::LeftButton);
    settle();
    EXPECT_FALSE(splash());
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(pad(), "changed while About was up");
    EXPECT_TRUE(main().txtPad->hasFocus());
}

TEST_F(SplashTest, TheTimerClosesTheWindowOnceAndShowsTheMainWindow)
{
    writeEntries(QByteArray(todayHeader) + "first\r\n!*!\r\n");
    start();
    const QDate shown(2026, 12, 1);
    state().shownDate = shown;
    main().mnuHelpAbout->trigger();
    hurryTimer();
    writeEntries("*!*12/1/2026\r\nreloaded\r\n!*!\r\n");
    QTRY_VERIFY(!splash());
    EXPECT_EQ(pad(), "reloaded");
    // Shown again, not loaded again: the shown date is the one it had.
    EXPECT_EQ(state().shownDate, shown);
}

