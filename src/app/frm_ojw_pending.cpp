// Commands of the main window whose work is written in other files as it
// lands: each moves out of here with its command, and the file goes when
// it is empty.
#include "app/frm_ojw.h"

#include <QAction>
#include <QPushButton>

// Runs GoTo > Earliest Entry.
void frmOJW::mnuGotoEarliest_Click() {}

// Runs GoTo > Latest Entry.
void frmOJW::mnuGotoLatest_Click() {}

// Runs GoTo > Next Entry.
void frmOJW::mnuGoToNextEntry_Click() {}

// Runs GoTo > Previous Entry.
void frmOJW::mnuGoToPrevEntry_Click() {}

// Runs GoTo > Select Date: opens the calendar window.
void frmOJW::mnuSelectDate_Click() {}

void frmOJW::disablePendingCommands()
{
    mnuGotoEarliest->setEnabled(false);
    mnuGotoLatest->setEnabled(false);
    mnuGoToNextEntry->setEnabled(false);
    mnuGoToPrevEntry->setEnabled(false);
    cmdEarliest->setEnabled(false);
    cmdLatest->setEnabled(false);
    cmdNextEntry->setEnabled(false);
    cmdPrevEntry->setEnabled(false);
    mnuSelectDate->setEnabled(false);
}
