#include "calendar/frm_calendar.h"
#include "calendar/pad_focus.h"

#include "platform/core/date_settings.h"
#include "platform/widgets/twips.h"
#include "store/module_routines.h"
#include "store/pad_state.h"

#include <QAbstractItemModel>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

// The program as the calendar sees it: a log of the routines it runs.
class Routines final : public ModuleRoutines, public PadFocus
{
public:
    PadState state;
    std::vector<std::string> calls;
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
    void focusPad() override { calls.push_back("focusPad"); }
};

class CalendarTest : public testing::Test
{
protected:
    QTemporaryDir dir;
    DateSettings dates{QLocale(QLocale::English, QLocale::UnitedStates)};
    Routines routines;
    QWidget mainWindow;
    QPointer<frmCalendar> calendar;

    void SetUp() override
    {
        routines.state.shownDate = QDate(2026, 12, 7);
        const Twips twips = Twips::of(mainWindow.screen());
        mainWindow.setFixedSize(twips.toPixelsX(3495), twips.toPixelsY(4400));
        mainWindow.move(500, 300);
        mainWindow.show();
    }

    void TearDown() override { delete calendar; }

    void writeEntries(const QByteArray& bytes)
    {
        QFile file(QDir(dir.path()).filePath("ojwdata.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    frmCalendar& open()
    {
        calendar = new frmCalendar(routines, mainWindow, routines, dir.path(), dates);
        calendar->Form_Load();
        calendar->show();
        return *calendar;
    }

    // The month view's grid as it is drawn: the day shown in each of its
    // 42 cells and whether it is bold.
    struct Cell
    {
        int day;
        bool bold;
    };
    std::vector<Cell> grid() const
    {
        const auto* view = calendar->calCalendar->findChild<QTableView*>();
        const QAbstractItemModel* model = view->model();
        std::vector<Cell> cells;
        // Row 0 holds the weekday names; there is no week number column.
        for (int row = 1; row < model->rowCount(); ++row) {
            for (int column = 0; column < model->columnCount(); ++column) {
                const QModelIndex index = model->index(row, column);
                cells.push_back({index.data(Qt::DisplayRole).toInt(),
                                 index.data(Qt::FontRole).value<QFont>().bold()});
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
    EXPECT_TRUE(window.windowFlags() & Qt::Tool);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(routines.calls, (std::vector<std::string>{"SaveEntry", "LoadEntry 2026-12-07"}));
    EXPECT_TRUE(routines.state.calendarOpen);
    EXPECT_EQ(window.Value(), QDate(2026, 12, 7));
    EXPECT_EQ(window.calCalendar->minimumDate(), QDate(1753, 1, 1));
    EXPECT_EQ(window.calCalendar->maximumDate(), QDate(9999, 12, 31));

    // Outer sizes: right edge 200 twips left of the main window's, bottom
    // 100 twips above its top.
    const Twips twips = Twips::of(mainWindow.screen());
    const QRect main = mainWindow.frameGeometry();
    const QRect frame = window.frameGeometry();
    EXPECT_NEAR(main.right() - frame.right(), twips.toPixelsX(200), 1);
    EXPECT_NEAR(main.top() - (frame.bottom() + 1), twips.toPixelsY(100), 1);

    routines.calls.clear();
    routines.state.dirty = true;
    window.close();
    EXPECT_EQ(routines.calls, (std::vector<std::string>{"SaveEntry"}));
    EXPECT_FALSE(routines.state.calendarOpen);
}

TEST_F(CalendarTest, AMainWindowNearTheTopLeavesTheCalendarsTopToTheSystem)
{
    const Twips twips = Twips::of(mainWindow.screen());
    // The main window's top between the calendar's height and that plus
    // 100 twips still counts as near the top.
    const int calendarHeight = twips.toPixelsY(2460);
    mainWindow.move(500, mainWindow.screen()->geometry().top() + calendarHeight);
    frmCalendar& window = open();
    EXPECT_EQ(window.frameGeometry().top(), mainWindow.screen()->availableGeometry().top());
    EXPECT_NEAR(mainWindow.frameGeometry().right() - window.frameGeometry().right(), twips.toPixelsX(200), 1);
}

TEST_F(CalendarTest, TheGridAsksForItsFortyTwoDaysAndBoldsExactlyThose)
{
    // December 2026 under a Sunday-first week starts its grid on Sunday
    // 29 November; 9 January 2027 is its 42nd day.
    writeEntries(entry("11/28/2026") + entry("11/29/2026") + entry("12/25/2026") + entry("not a date")
                 + entry("1/9/2027") + entry("1/10/2027"));
    open();
    ASSERT_EQ(calendar->calCalendar->firstDayOfWeek(), Qt::Sunday);
    std::vector<Cell> cells = grid();
    ASSERT_EQ(cells.size(), 42u);
    EXPECT_EQ(cells[0].day, 29);
    EXPECT_EQ(cells[41].day, 9);
    for (size_t i = 0; i < cells.size(); ++i)
        EXPECT_EQ(cells[i].bold, i == 0 || i == 26 || i == 41) << "cell " << i;

    // A new page asks again, and the old page's days are no longer bold.
    calendar->calCalendar->setCurrentPage(2027, 1);
    cells = grid();
    EXPECT_EQ(cells[0].day, 27); // 27 December 2026
    for (size_t i = 0; i < cells.size(); ++i)
        EXPECT_EQ(cells[i].bold, i == 13 || i == 14) << "cell " << i;
}

TEST_F(CalendarTest, GridStartMatchesTheMonthViewForEveryWeekStart)
{
    open();
    QCalendarWidget* view = calendar->calCalendar;
    for (const Qt::DayOfWeek first : {Qt::Sunday, Qt::Monday, Qt::Saturday}) {
        view->setFirstDayOfWeek(first);
        // February 2026 starts on a Sunday, June 2026 on a Monday, August
        // 2026 on a Saturday: each is some week start's first column.
        for (const int month : {2, 6, 8, 12}) {
            view->setCurrentPage(2026, month);
            const QDate start = frmCalendar::gridStart(2026, month, first);
            const std::vector<Cell> cells = grid();
            for (size_t i = 0; i < cells.size(); ++i)
                ASSERT_EQ(cells[i].day, start.addDays(qint64(i)).day())
                    << "week from " << first << ", month " << month << ", cell " << i;
        }
    }
}

TEST_F(CalendarTest, ADateBeforeTheRangeShowsItsFirstDay)
{
    routines.state.shownDate = QDate(1600, 5, 5);
    frmCalendar& window = open();
    EXPECT_EQ(window.Value(), QDate(1753, 1, 1));
    EXPECT_EQ(routines.state.shownDate, QDate(1600, 5, 5));
}

TEST_F(CalendarTest, AClickSavesShowsTheDayThenSyncsAndFocusesThePad)
{
    frmCalendar& window = open();
    routines.calls.clear();
    routines.state.dirty = true;
    window.setValue(QDate(2026, 12, 20));
    window.calCalendar_DateClick();
    EXPECT_EQ(routines.state.shownDate, QDate(2026, 12, 20));
    EXPECT_EQ(routines.calls, (std::vector<std::string>{"SaveEntry", "LoadEntry 2026-12-20", "SyncCalendar",
                                                        "focusPad"}));

    // Text that cannot be saved keeps its day: the month view goes back.
    routines.calls.clear();
    routines.state.dirty = true;
    routines.saveFails = true;
    window.setValue(QDate(2026, 12, 24));
    window.calCalendar_DateClick();
    EXPECT_EQ(routines.state.shownDate, QDate(2026, 12, 20));
    EXPECT_EQ(window.Value(), QDate(2026, 12, 20));
    EXPECT_EQ(routines.calls, (std::vector<std::string>{"SaveEntry"}));
}
