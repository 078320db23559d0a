#include "program_fixture.h"

#include "calendar/frm_calendar.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QPointer>
#include <QTableView>

namespace {

class CalendarWindowTest : public ProgramTest
{
protected:
    frmCalendar* calendar() const { return program->calendarWindow(); }
    QTableView* grid() const { return calendar()->calCalendar->findChild<QTableView*>(); }

    QDate gridStart() const
    {
        const QCalendarWidget* view = calendar()->calCalendar;
        return frmCalendar::gridStart(view->yearShown(), view->monthShown(), view->firstDayOfWeek());
    }

    // The cell of a day of the shown grid; row 0 holds the weekday names.
    QModelIndex cell(const QDate& day) const
    {
        const auto i = int(gridStart().daysTo(day));
        return grid()->model()->index(1 + i / 7, i % 7);
    }

    // The days of the shown grid that are drawn in bold.
    QList<QDate> boldDays() const
    {
        QList<QDate> days;
        for (int i = 0; i < 42; ++i) {
            const QDate day = gridStart().addDays(i);
            if (cell(day).data(Qt::FontRole).value<QFont>().bold())
                days.append(day);
        }
        return days;
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
    main().mnuSelectDate->trigger();
    settle();
    QPointer<frmCalendar> first = calendar();
    ASSERT_TRUE(first && first->isVisible());
    const QList<QDate> bold = {QDate(2026, 12, 7), QDate(2026, 12, 15), QDate(2027, 1, 2)};
    EXPECT_EQ(boldDays(), bold);

    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(cell(QDate(2026, 12, 15))).center());
    settle();
    EXPECT_EQ(main().lblDate->text(), "Tuesday, December 15, 2026");
    EXPECT_EQ(pad(), "mid month");
    EXPECT_FALSE(first); // the clicked window is gone, a new one stands
    ASSERT_TRUE(calendar() && calendar()->isVisible());
    EXPECT_EQ(calendar()->Value(), QDate(2026, 12, 15));
    EXPECT_EQ(boldDays(), bold);
    EXPECT_EQ(QApplication::focusWidget(), main().txtPad);
    EXPECT_EQ(program->activation().active(), &main());
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
    main().cmdEarliest_Click();
    EXPECT_EQ(calendar()->Value(), QDate(2026, 12, 7));
}

TEST_F(CalendarWindowTest, SelectDateRaisesTheOpenWindowClosingItSavesAndTheMainWindowClosesIt)
{
    start();
    main().mnuSelectDate_Click();
    settle();
    QPointer<frmCalendar> window = calendar();
    window->move(window->pos() + QPoint(-40, 30));
    const QPoint moved = window->pos();
    activate(&main());
    main().mnuSelectDate_Click();
    settle();
    EXPECT_EQ(calendar(), window.data());
    EXPECT_EQ(window->pos(), moved);
    EXPECT_EQ(program->activation().active(), window.data());

    activate(&main());
    type("written with the calendar open");
    window->close();
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "written with the calendar open\r\n!*!\r\n");
    EXPECT_FALSE(state().calendarOpen);
    main().cmdNext_Click(); // a closed calendar stays closed
    settle();
    EXPECT_FALSE(calendar());

    main().mnuSelectDate_Click();
    window = calendar();
    main().close();
    settle();
    EXPECT_FALSE(window);
    EXPECT_FALSE(state().calendarOpen);
}
