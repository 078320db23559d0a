#include "calendar/frm_calendar.h"

#include "platform/core/date_settings.h"
#include "platform/widgets/framed_placement.h"
#include "platform/widgets/twips.h"
#include "routines/module_routines.h"
#include "routines/pad_state.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QScreen>
#include <QTextCharFormat>

#include <algorithm>
#include <array>

namespace {

// The design's geometry, in twips.
constexpr int clientWidth = 2790;
constexpr int clientHeight = 2460;
constexpr int calendarWidth = 2700;
constexpr int calendarHeight = 2370;

} // namespace

const QDate frmCalendar::firstDate(1753, 1, 1);
const QDate frmCalendar::lastDate(9999, 12, 31);

frmCalendar::frmCalendar(ModuleRoutines& routines, QWidget& mainWindow, const QString& folder,
                         const DateSettings& dates)
    : m_routines(routines), m_mainWindow(mainWindow), m_scan(folder, dates)
{
    setWindowTitle(QStringLiteral("OJW - Select Date"));
    // A fixed tool window: a narrow caption with a close button only, not
    // in the task bar, without an owner, so the main window can cover it.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    // Closed, it is gone: the program makes a new one to open it again. The
    // deletion waits for the event loop, so the window may be closed from
    // inside its own click.
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);

    const Twips twips = Twips::of(screen());
    setFixedSize(twips.toPixelsX(clientWidth), twips.toPixelsY(clientHeight));

    calCalendar = new QCalendarWidget(this);
    calCalendar->setObjectName(QStringLiteral("calCalendar"));
    calCalendar->setGeometry(0, 0, twips.toPixelsX(calendarWidth), twips.toPixelsY(calendarHeight));
    calCalendar->setLocale(dates.locale());
    calCalendar->setDateRange(firstDate, lastDate);
    // One month in the design's small size: no week numbers, one letter
    // per weekday, the face of the program's other small captions.
    calCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calCalendar->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8);
    calCalendar->setFont(font);
    connect(calCalendar, &QCalendarWidget::currentPageChanged, this, &frmCalendar::showBoldDays);
    connect(calCalendar, &QCalendarWidget::clicked, this, &frmCalendar::calCalendar_DateClick);
}

void frmCalendar::Form_Load()
{
    place();
    placeAgainOnceFramed(*this, [this] { place(); });
    PadState& state = m_routines.padState();
    // Text that could not be saved stays in the pad: loading the entry
    // over it would lose it.
    m_routines.changeShownDate(state.shownDate, ModuleRoutines::CalendarFollows::Not);
    state.calendarOpen = true;
    setValue(state.shownDate);
}

void frmCalendar::Form_Unload()
{
    m_routines.saveIfDirty();
    m_routines.padState().calendarOpen = false;
}

void frmCalendar::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmCalendar::calCalendar_DateClick()
{
    if (!m_routines.changeShownDate(Value(), ModuleRoutines::CalendarFollows::AfterLoad)) {
        // The previous day's text is not on disk: it stays in the pad under
        // its own date, and the month view goes back to that date.
        setValue(m_routines.padState().shownDate);
        return;
    }
    m_routines.focusPad();
}

void frmCalendar::calCalendar_GetDayBold(const QDate& StartDate, std::span<bool> State)
{
    // Every opening of the window loads the shown entry first, reading the
    // same file to its end, so a file that cannot be read has been reported
    // by then; the month view just shows no more bold days than were read.
    if (const auto failure = m_scan.markDays(StartDate, State))
        qWarning("The days with entries could not be read: %s", qPrintable(failure->message()));
}

QDate frmCalendar::Value() const
{
    return calCalendar->selectedDate();
}

void frmCalendar::setValue(const QDate& date)
{
    // A hand-typed header can bring the diary to a day before the month
    // view's range; it shows its first day then.
    const QDate shown = date.isValid() ? std::clamp(date, firstDate, lastDate) : firstDate;
    calCalendar->setSelectedDate(shown);
    // A new page asks for its bold days itself; the first page asks here.
    showBoldDays(calCalendar->yearShown(), calCalendar->monthShown());
}

QDate frmCalendar::gridStart(int year, int month, Qt::DayOfWeek firstDayOfWeek)
{
    const QDate first(year, month, 1);
    const int before = (first.dayOfWeek() - int(firstDayOfWeek) + 7) % 7;
    return first.addDays(before == 0 ? -7 : -before);
}

void frmCalendar::showBoldDays(int year, int month)
{
    if (year == m_boldYear && month == m_boldMonth)
        return;
    m_boldYear = year;
    m_boldMonth = month;

    const QDate start = gridStart(year, month, calCalendar->firstDayOfWeek());
    std::array<bool, EntryScan::gridDays> flags{};
    calCalendar_GetDayBold(start, flags);

    calCalendar->setDateTextFormat(QDate(), QTextCharFormat()); // the last page's
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (int i = 0; i < EntryScan::gridDays; ++i) {
        if (flags[size_t(i)])
            calCalendar->setDateTextFormat(start.addDays(i), bold);
    }
}

void frmCalendar::place()
{
    // Horizontally, the calendar's right edge 200 twips left of the main
    // window's; vertically, its bottom 100 twips above the main window's
    // top, if the main window's top is below the calendar's height. Outer
    // sizes, in twips and single precision, unclamped.
    const QScreen* s = m_mainWindow.screen();
    const Twips twips = Twips::of(s);
    const QRect screenArea = s->geometry();
    const QRect main = m_mainWindow.frameGeometry();
    const QSize outer = frameGeometry().size();
    const float mainLeft = twips.fromPixelsX(main.x() - screenArea.x());
    const float mainTop = twips.fromPixelsY(main.y() - screenArea.y());
    const float width = twips.fromPixelsX(outer.width());
    const float height = twips.fromPixelsY(outer.height());
    const float left = mainLeft - (width - twips.fromPixelsX(main.width())) - 200.0f;
    int y;
    if (mainTop > height) {
        const float top = mainTop - height - 100.0f;
        y = screenArea.y() + twips.toPixelsY(top);
    } else {
        // Where the system puts a new window on a free desktop: the top of
        // the work area.
        y = s->availableGeometry().y();
    }
    move(screenArea.x() + twips.toPixelsX(left), y);
}
