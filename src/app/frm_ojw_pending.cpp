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

// Runs Font > Select: the pad's font.
void frmOJW::mnuFontSelect_Click() {}

// Runs Font > Color: the pad's text colour.
void frmOJW::mnuFontColor_Click() {}

// Runs Font > Background Color: the pad's background colour.
void frmOJW::mnuFontBackColor_Click() {}

// Runs Pad > Export All.
void frmOJW::mnuPadExportAll_Click() {}

// Reads the settings file: the pad's font and colours, the date style.
void frmOJW::LoadConfig() {}

// Writes the settings file.
void frmOJW::SaveConfig() {}

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
    mnuFontSelect->setEnabled(false);
    mnuFontColor->setEnabled(false);
    mnuFontBackColor->setEnabled(false);
    mnuPadExportAll->setEnabled(false);
}
