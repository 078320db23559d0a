// The Font menu: the pad's font, text colour and background colour, chosen
// in the shared dialog and kept in the settings file at once.
#include "app/frm_ojw.h"

#include "app/pad_edit.h"
#include "app/program.h"

std::unique_ptr<CommonDialog> frmOJW::makeCommonDialog()
{
    return std::make_unique<CommonDialog>(this, m_program.dialogs());
}

// A Cancel reported as an error (CancelError, which Export All leaves set)
// ends a command with the pad and the settings file as they were. A plain
// Cancel gives back the values the command has just set, so copying them
// back changes nothing either.

void frmOJW::mnuFontSelect_Click()
{
    dlgOJW->Flags = CommonDialog::cdlCFBoth;
    const QFont font = txtPad->font();
    dlgOJW->FontName = font.family();
    dlgOJW->FontBold = font.bold();
    dlgOJW->FontItalic = font.italic();
    dlgOJW->FontSize = float(font.pointSizeF());
    if (dlgOJW->ShowFont() == CommonDialog::Result::CancelError)
        return;
    setPadFont(dlgOJW->FontName, dlgOJW->FontBold, dlgOJW->FontItalic, dlgOJW->FontSize);
    SaveConfig();
}

void frmOJW::mnuFontColor_Click()
{
    dlgOJW->Flags = CommonDialog::cdlCCRGBInit;
    dlgOJW->Color = m_padForeColor;
    if (dlgOJW->ShowColor() == CommonDialog::Result::CancelError)
        return;
    setPadForeColor(dlgOJW->Color);
    SaveConfig();
}

void frmOJW::mnuFontBackColor_Click()
{
    dlgOJW->Flags = CommonDialog::cdlCCRGBInit;
    dlgOJW->Color = m_padBackColor;
    if (dlgOJW->ShowColor() == CommonDialog::Result::CancelError)
        return;
    setPadBackColor(dlgOJW->Color);
    SaveConfig();
}
