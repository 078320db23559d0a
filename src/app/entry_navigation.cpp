// The GoTo commands that find a day in the entry file (the earliest, latest,
// next and previous entry) and the one that opens the calendar window.
#include "app/frm_ojw.h"
#include "app/pad_edit.h"
#include "app/program.h"
#include "calendar/frm_calendar.h"

void frmOJW::mnuGotoEarliest_Click()
{
    m_program.goToEntry(EntryScan::Target::Earliest);
}

void frmOJW::mnuGotoLatest_Click()
{
    m_program.goToEntry(EntryScan::Target::Latest);
}

void frmOJW::mnuGoToNextEntry_Click()
{
    m_program.goToEntry(EntryScan::Target::Next);
}

void frmOJW::mnuGoToPrevEntry_Click()
{
    m_program.goToEntry(EntryScan::Target::Previous);
}

void frmOJW::mnuSelectDate_Click()
{
    m_program.showCalendar();
}

void Program::goToEntry(EntryScan::Target target)
{
    // Earliest, Latest and Next search the file with the pad's text in it,
    // so a day just written counts and a day just emptied does not.
    // Previous searches the file as it stands and saves only when it moves.
    if (target != EntryScan::Target::Previous && !saveIfDirty())
        return;
    std::optional<QDate> day;
    if (const auto error = EntryScan(m_folder, m_dates).find(target, m_state.shownDate, day)) {
        report(QStringLiteral("The entries could not be read to find that day. The shown day stays."),
               *error);
        return;
    }
    if (day)
        changeShownDate(*day); // saves first: Previous's save comes here
}

void Program::showCalendar()
{
    if (m_calendar && m_state.calendarOpen) {
        m_calendar->raise();
        m_activation.shown(m_calendar);
        return;
    }
    openCalendar(true);
}

void Program::openCalendar(bool activate)
{
    auto* calendar = new frmCalendar(*this, *m_main, *this, m_folder, m_dates);
    m_calendar = calendar;
    // A window of the program: moving to it deactivates the main window,
    // which saves the pad; it has no activation handlers of its own.
    m_activation.add(calendar, nullptr);
    calendar->Form_Load();
    // A re-created window must not take the keyboard focus from the pad.
    // Window managers that activate every new window anyway get the main
    // window's activation asked for after it.
    calendar->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    calendar->show();
    if (activate)
        m_activation.shown(calendar);
    else
        m_main->activateWindow();
}

void Program::focusPad()
{
    m_main->txtPad->setFocus();
    m_activation.shown(m_main.get());
}
