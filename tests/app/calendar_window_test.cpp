#include "program_fixture.h"

#include "calendar/frm_calendar.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableView>

namespace {

class CalendarWindowTest : public ProgramTest
{
protected:
    frmCalendar* calendar() const { return program->calendarWindow(); }

    QTableView* grid() const { return calendar()->calCalendar->findChild<QTableView*>(); }

    // The cell of a day of the shown page: row 0 holds the weekday names.
    QModelIndex cell(const QDate& day) const
    {
        const QCalendarWidget* view = calendar()->calCalendar;
        const QDate start = frmCalendar::gridStart(view->yearShown(), view->monthShown(), view->firstDayOfWeek());
        const auto i = int(start.daysTo(day));
        return grid()->model()->index(1 + i / 7, i % 7);
    }

    // The days of the shown grid that are drawn in bold.
    QList<QDate> boldDays() const
    {
        const QCalendarWidget* view = calendar()->calCalendar;
        const QDate start = frmCalendar::gridStart(view->yearShown(), view->monthShown(), view->firstDayOfWeek());
        QList<QDate> days;
        for (int i = 0; i < 42; ++i) {
            const QDate day = start.addDays(i);
            if (cell(day).data(Qt::FontRole).value<QFont>().bold())
                days.append(day);
        }
        return days;
    }

    void clickDay(const QDate& day)
    {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(cell(day)).center());
    }
};

QByteArray entry(const char* dateText, const char* text)
{
    return QByteArray("*!*") + dateText + "\r\n" + text + "\r\n!*!\r\n";
}

} // namespace

TEST_F(CalendarWindowTest, AClickOnADayShowsItsEntryInARecreatedWindowAndFocusesThePad)
{
    writeEntries(entry("12/7/2026", "today") + entry("12/15/2026", "mid month") + entry("1/2/2027", "next year"));
    start();
    EXPECT_TRUE(main().mnuSelectDate->isEnabled());
    main().mnuSelectDate->trigger();
    settle();
    QPointer<frmCalendar> first = calendar();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(state().calendarOpen);
    EXPECT_EQ(first->Value(), QDate(2026, 12, 7));
    EXPECT_EQ(boldDays(), (QList<QDate>{QDate(2026, 12, 7), QDate(2026, 12, 15), QDate(2027, 1, 2)}));

    clickDay(QDate(2026, 12, 15));
    settle();
    EXPECT_EQ(main().lblDate->text(), "Tuesday, December 15, 2026");
    EXPECT_EQ(pad(), "mid month");
    EXPECT_FALSE(first); // the clicked window is gone, a new one stands
    ASSERT_TRUE(calendar());
    EXPECT_TRUE(calendar()->isVisible());
    EXPECT_EQ(calendar()->Value(), QDate(2026, 12, 15));
    EXPECT_EQ(boldDays(), (QList<QDate>{QDate(2026, 12, 7), QDate(2026, 12, 15), QDate(2027, 1, 2)}));
    EXPECT_EQ(QApplication::focusWidget(), main().txtPad);
    EXPECT_EQ(QApplication::activeWindow(), &main());
    EXPECT_EQ(program->activation().active(), &main());
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(CalendarWindowTest, BoldDaysFollowTheDayStepsAndAClear)
{
    writeEntries(entry("12/7/2026", "today"));
    start();
    main().mnuSelectDate_Click();
    settle();
    activate(&main()); // back to the pad, as a click there would

    // A step to a day without an entry, text typed, a step on: the day that
    // just got its first entry is bold in the window re-created by the step.
    main().cmdNext_Click();
    EXPECT_EQ(calendar()->Value(), QDate(2026, 12, 8));
    type("new");
    main().cmdNext_Click();
    settle();
    EXPECT_EQ(calendar()->Value(), QDate(2026, 12, 9));
    EXPECT_EQ(boldDays(), (QList<QDate>{QDate(2026, 12, 7), QDate(2026, 12, 8)}));

    main().cmdPrev_Click();
    main().mnuPadClear_Click();
    settle();
    EXPECT_EQ(boldDays(), (QList<QDate>{QDate(2026, 12, 7)}));
    EXPECT_EQ(QApplication::focusWidget(), main().txtPad);

    // The navigation commands bring it along too.
    main().cmdEarliest_Click();
    EXPECT_EQ(calendar()->Value(), QDate(2026, 12, 7));
}

TEST_F(CalendarWindowTest, SelectDateBringsTheOpenWindowToTheFrontWhereItStands)
{
    start();
    main().mnuSelectDate_Click();
    settle();
    QPointer<frmCalendar> window = calendar();
    window->move(window->pos() + QPoint(-40, 30));
    const QPoint moved = window->pos();
    program->activation().shown(&main());
    main().mnuSelectDate_Click();
    settle();
    EXPECT_EQ(calendar(), window.data());
    EXPECT_EQ(window->pos(), moved);
    EXPECT_EQ(program->activation().active(), window.data());
}

TEST_F(CalendarWindowTest, ClosingTheCalendarSavesADirtyPadAndTheMainWindowClosesIt)
{
    start();
    main().mnuSelectDate_Click();
    settle();
    activate(&main()); // back to the pad, as a click there would
    type("written with the calendar open");
    calendar()->close();
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "written with the calendar open\r\n!*!\r\n");
    EXPECT_FALSE(state().calendarOpen);

    // Closed, it stays closed when the day changes.
    main().cmdNext_Click();
    settle();
    EXPECT_FALSE(calendar());

    main().mnuSelectDate_Click();
    settle();
    QPointer<frmCalendar> window = calendar();
    main().close();
    settle();
    EXPECT_FALSE(window);
    EXPECT_FALSE(state().calendarOpen);
}
