// Commands of the main window whose work is written in other files as it
// lands: each moves out of here with its command, and the file goes when
// it is empty.
#include "app/frm_ojw.h"

#include <QAction>
#include <QPushButton>

void frmOJW::disablePendingCommands()
{
}
