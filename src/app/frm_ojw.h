#pragma once

#include "platform/widgets/window_activation.h"

#include <QMainWindow>

class Program;
class PadEdit;
class QAction;
class QLabel;
class QMenu;

// The main window: the shown date at the top, the day's text in the pad
// below, and the menus that carry the program's commands.
class frmOJW final : public QMainWindow, public ActivationHandler
{
    Q_OBJECT

public:
    explicit frmOJW(Program& program);

    QLabel* lblDate = nullptr;
    PadEdit* txtPad = nullptr;

    QMenu* mnuPad = nullptr;
    QAction* mnuPadClear = nullptr;
    QAction* mnuPadClearAll = nullptr;
    QAction* mnuPadExit = nullptr;

    void Form_Load();
    void Form_Activate() override;
    void Form_Deactivate() override;
    void Form_Unload(bool& cancel);

    void txtPad_Change();
    void mnuPadClear_Click();
    void mnuPadClearAll_Click();
    void mnuPadExit_Click();

    void LoadConfig();
    void SaveConfig();

    // The date label's caption for the shown date in the date style.
    void showDateCaption();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Save-if-dirty before the window closes. When the save fails, asks
    // whether to close without the text (keeping the window is the
    // default), or rescues the text where nobody can be asked. False when
    // the window stays open.
    bool saveBeforeClosing();
    void buildControls();
    void buildMenus();

    Program& m_program;
};
