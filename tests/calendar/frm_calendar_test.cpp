#include "calendar/frm_calendar.h"

#include "platform/core/date_settings.h"
#include "platform/widgets/twips.h"
#include "routines/module_routines.h"
#include "routines/pad_state.h"

#include <QAbstractItemModel>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

// The program as the calendar sees it: a log of the routines it runs.
class Routines final : public ModuleRoutines
{
public:
    PadState state;
    Calls calls;
    bool saveFails = false;

    PadState& padState() override { return state; }
    void LoadEntry() override { calls.push_back("LoadEntry " + state.shownDate.toString(Qt::ISODate).toStdString()); }
    void SaveEntry() override
    {
        calls.push_back("SaveEntry");
        state.dirty = saveFails;
    }
    bool ClearEntryFile() override { return true; }
    void SyncCalendar() override { calls.push_back("SyncCalendar"); }
    bool saveIfDirty() override
    {
        if (state.dirty)
            SaveEntry();
        return !state.dirty;
    }
    void focusPad() override { calls.push_back("focusPad"); }
    QString padText() const override { return QString(); }
    void selectInPad(qsizetype, qsizetype) override {}
};

class CalendarTest : public testing::Test
{
protected:
    QTemporaryDir dir;
    DateSettings dates{QLocale(QLocale::English, QLocale::UnitedStates)};
    Routines routines;
    QWidget mainWindow;
    QPointer<frmCalendar> calendar;
    const Twips twips = Twips::of(mainWindow.screen());

    void SetUp() override
    {
        routines.state.shownDate = QDate(2026, 12, 7);
        mainWindow.setFixedSize(twips.toPixelsX(3495), twips.toPixelsY(4400));
        mainWindow.move(500, 300);
        mainWindow.show();
    }

    void TearDown() override { delete calendar; }

    frmCalendar& open(const QByteArray& entries = QByteArray())
    {
        QFile file(QDir(dir.path()).filePath("ojwdata.txt"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(entries);
        file.close();
        calendar = new frmCalendar(routines, mainWindow, dir.path(), dates);
        calendar->Form_Load();
        calendar->show();
        return *calendar;
    }

    // The day shown in each of the grid's 42 cells as drawn, with a star
    // when it is bold. Row 0 holds the weekday names.
    std::vector<std::string> grid() const
    {
        const QAbstractItemModel* model = calendar->calCalendar->findChild<QTableView*>()->model();
        std::vector<std::string> cells;
        for (int row = 1; row < model->rowCount(); ++row) {
            for (int column = 0; column < model->columnCount(); ++column) {
                const QModelIndex index = model->index(row, column);
                cells.push_back(index.data(Qt::DisplayRole).toString().toStdString()
                                + (index.data(Qt::FontRole).value<QFont>().bold() ? "*" : ""));
            }
        }
        return cells;
    }
};

QByteArray entry(const char* dateText)
{
    return QByteArray("*!*") + dateText + "\r\ntext\r\n!*!\r\n";
}

} // namespace

TEST_F(CalendarTest, LoadsBesideTheMainWindowAndUnloads)
{
    routines.state.dirty = true;
    frmCalendar& window = open();
    EXPECT_EQ(window.windowTitle(), "OJW - Select Date");
    EXPECT_EQ(routines.calls, (Calls{"SaveEntry", "LoadEntry 2026-12-07"}));
    EXPECT_TRUE(routines.state.calendarOpen);
    EXPECT_EQ(window.Value(), QDate(2026, 12, 7));
    // Outer sizes: right edge 200 twips left of the main window's, bottom
    // 100 twips above its top.
    const QRect main = mainWindow.frameGeometry();
    EXPECT_NEAR(main.right() - window.frameGeometry().right(), twips.toPixelsX(200), 1);
    EXPECT_NEAR(main.top() - (window.frameGeometry().bottom() + 1), twips.toPixelsY(100), 1);

    routines.calls.clear();
    routines.state.dirty = true;
    window.close();
    EXPECT_EQ(routines.calls, (Calls{"SaveEntry"}));
    EXPECT_FALSE(routines.state.calendarOpen);
}

TEST_F(CalendarTest, AMainWindowNearTheTopLeavesTheCalendarsTopToTheSystem)
{
    // A top equal to the calendar's height is not greater than it.
    mainWindow.move(500, mainWindow.screen()->geometry().top() + twips.toPixelsY(2460));
    frmCalendar& window = open();
    EXPECT_EQ(window.frameGeometry().top(), mainWindow.screen()->availableGeometry().top());
    EXPECT_NEAR(mainWindow.frameGeometry().right() - window.frameGeometry().right(), twips.toPixelsX(200), 1);
}

TEST_F(CalendarTest, EachPageBoldsExactlyTheDaysWithEntriesOfItsFortyTwo)
{
    // Under a Sunday-first week December 2026 runs from 29 November to
    // 9 January; a header that is no date marks nothing.
    open(entry("11/28/2026") + entry("11/29/2026") + entry("12/25/2026") + entry("not a date")
         + entry("1/9/2027") + entry("1/10/2027"));
    std::vector<std::string> expected = {"29*", "30"};
    for (int day = 1; day <= 31; ++day)
        expected.push_back(std::to_string(day) + (day == 25 ? "*" : ""));
    for (int day = 1; day <= 9; ++day)
        expected.push_back(std::to_string(day) + (day == 9 ? "*" : ""));
    EXPECT_EQ(grid(), expected);

    // A new page reads the file again: 9 January lost its entry meanwhile.
    QFile file(QDir(dir.path()).filePath("ojwdata.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(entry("12/25/2026") + entry("1/10/2027"));
    file.close();
    calendar->calCalendar->setCurrentPage(2027, 1);
    const std::vector<std::string> january = grid();
    EXPECT_EQ(january[0], "27");
    EXPECT_EQ(std::count_if(january.begin(), january.end(), [](const std::string& c) { return c.ends_with('*'); }), 1);
    EXPECT_EQ(january[14], "10*");
}

TEST_F(CalendarTest, GridStartMatchesTheMonthViewForEveryWeekStart)
{
    open();
    QCalendarWidget* view = calendar->calCalendar;
    for (const Qt::DayOfWeek first : {Qt::Sunday, Qt::Monday, Qt::Saturday}) {
        view->setFirstDayOfWeek(first);
        // February 2026 starts on a Sunday, June on a Monday, August on a
        // Saturday: each is the first column for one of the week starts.
        for (const int month : {2, 6, 8, 12}) {
            view->setCurrentPage(2026, month);
            const QDate start = frmCalendar::gridStart(2026, month, first);
            const std::vector<std::string> cells = grid();
            for (size_t i = 0; i < cells.size(); ++i)
                ASSERT_EQ(cells[i], std::to_string(start.addDays(qint64(i)).day()))
                    << "week from " << first << ", month " << month << ", cell " << i;
        }
    }
}

TEST_F(CalendarTest, ADateBeforeTheRangeShowsItsFirstDay)
{
    routines.state.shownDate = QDate(1600, 5, 5);
    EXPECT_EQ(open().Value(), QDate(1753, 1, 1));
    EXPECT_EQ(routines.state.shownDate, QDate(1600, 5, 5));
}

TEST_F(CalendarTest, AClickWhoseSaveFailsKeepsTheDayAndItsText)
{
    frmCalendar& window = open();
    routines.calls.clear();
    routines.state.dirty = true;
    routines.saveFails = true;
    window.setValue(QDate(2026, 12, 24));
    window.calCalendar_DateClick();
    EXPECT_EQ(routines.calls, (Calls{"SaveEntry"}));
    EXPECT_EQ(routines.state.shownDate, QDate(2026, 12, 7));
    EXPECT_EQ(window.Value(), QDate(2026, 12, 7));
}
