// The GoTo commands that find a day in the entry file (the earliest, latest,
// next and previous entry, the text) and the one that opens the calendar.
#include "app/frm_ojw.h"
#include "app/program.h"

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

void frmOJW::mnuGoToFind_Click()
{
    m_program.showFind();
}

void frmOJW::mnuSelectDate_Click()
{
    m_program.showCalendar();
}
