// Pad > Export All: every day's entry, oldest day first, into a file the
// user chooses in the shared dialog's Save As dialog.
#include "app/frm_ojw.h"

#include "app/program.h"
#include "export/export_all.h"
#include "platform/widgets/message_box.h"

void frmOJW::mnuPadExportAll_Click()
{
    // The shown day's latest text belongs in the export. When it cannot be
    // saved the user has just been told why, and an export without it would
    // look complete while it is not, so there is none.
    if (!m_program.saveIfDirty())
        return;

    // Only these three properties: Flags stay as the font and colour
    // commands left them, and CancelError stays set after the command, as
    // those commands expect.
    dlgOJW->Filter = QStringLiteral("Text Files(*.txt)|*.txt|All Files(*.*)|*.*");
    dlgOJW->FileName = QStringLiteral("OJWExport.txt");
    dlgOJW->CancelError = true;
    // Replacing a file always asks first, whatever command ran before.
    if (dlgOJW->ShowSave(CommonDialog::Replace::AlwaysAsk) != CommonDialog::Result::Ok)
        return;

    bool written = false;
    if (const auto failure = exportAll(m_program.folder(), m_program.dates(),
                                       m_program.padState().dateStyle, dlgOJW->FileName, &written)) {
        m_program.messages().warn(this, Program::title(),
                                  (written ? QStringLiteral("The entries were exported, but the disk did not "
                                                            "confirm it. If the computer loses power soon, "
                                                            "the export may be missing.\n\n")
                                           : QStringLiteral("The entries could not be exported.\n\n"))
                                      + failure->message());
    }
}
