#pragma once

#include "platform/widgets/color_value.h"
#include "platform/widgets/common_dialog.h"
#include "platform/widgets/window_activation.h"

#include <QMainWindow>

#include <memory>

class Program;
class PadEdit;
class PadSpelling;
class ClickLabel;
class QAction;
class QMenu;
class QPushButton;

// The main window: the shown date at the top, the day's text in the pad
// below, six buttons that move to another day, and the menus that carry
// the program's commands. It holds controls, handlers and geometry; what
// the program does with the pad state is the program object's.
class frmOJW final : public QMainWindow, public ActivationHandler
{
    Q_OBJECT

public:
    explicit frmOJW(Program& program);
    ~frmOJW() override;

    ClickLabel* lblDate = nullptr;
    PadEdit* txtPad = nullptr;
    QPushButton* cmdEarliest = nullptr;
    QPushButton* cmdPrevEntry = nullptr;
    QPushButton* cmdPrev = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdNextEntry = nullptr;
    QPushButton* cmdLatest = nullptr;

    QMenu* mnuPad = nullptr;
    QAction* mnuPadClear = nullptr;
    QAction* mnuPadClearAll = nullptr;
    QAction* mnuPadVersions = nullptr;
    QAction* d1 = nullptr;
    QAction* mnuPadPrint = nullptr;
    QAction* mnuPadExportAll = nullptr;
    QAction* d3 = nullptr;
    QAction* mnuPadExit = nullptr;

    QMenu* mnuGoTo = nullptr;
    QAction* mnuGoToToday = nullptr;
    QAction* d2 = nullptr;
    QAction* mnuSelectDate = nullptr;
    QAction* d4 = nullptr;
    QAction* mnuGoToNextEntry = nullptr;
    QAction* mnuGoToPrevEntry = nullptr;
    QAction* d5 = nullptr;
    QAction* mnuGotoEarliest = nullptr;
    QAction* mnuGotoLatest = nullptr;
    QAction* d6 = nullptr;
    QAction* mnuGoToFind = nullptr;

    QMenu* mnuFont = nullptr;
    QAction* mnuFontSelect = nullptr;
    QAction* mnuFontColor = nullptr;
    QAction* mnuFontBackColor = nullptr;

    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpInfo = nullptr;
    QAction* mnuHelpAbout = nullptr;

    void Form_Load();
    void Form_Activate() override;
    void Form_Deactivate() override;
    void Form_Unload(bool& cancel);

    void txtPad_Change();
    // keyCode is the platform's virtual-key code (33 Page Up, 34 Page
    // Down); shift holds 1 for Shift, 2 for Ctrl and 4 for Alt.
    void txtPad_KeyDown(int keyCode, int shift);
    void lblDate_Click();

    void cmdNext_Click();
    void cmdPrev_Click();
    void cmdEarliest_Click();
    void cmdPrevEntry_Click();
    void cmdNextEntry_Click();
    void cmdLatest_Click();

    void mnuPadClear_Click();
    void mnuPadClearAll_Click();
    void mnuPadVersions_Click();
    void mnuPadPrint_Click();
    void mnuPadExportAll_Click();
    void mnuPadExit_Click();

    void mnuGoToToday_Click();
    void mnuSelectDate_Click();
    void mnuGoToNextEntry_Click();
    void mnuGoToPrevEntry_Click();
    void mnuGotoEarliest_Click();
    void mnuGotoLatest_Click();
    void mnuGoToFind_Click();

    void mnuFontSelect_Click();
    void mnuFontColor_Click();
    void mnuFontBackColor_Click();

    void mnuHelpInfo_Click();
    void mnuHelpAbout_Click();

    void LoadConfig();
    void SaveConfig();

    // The date label's caption for the shown date in the date style.
    void showDateCaption();

    PadSpelling& spelling() const { return *m_spelling; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    // Names, descriptions and tooltips that say what the symbol captions
    // mean, for screen readers and for users who cannot guess them.
    void describeControls();
    // Lower right of the screen, with the frame the window has now.
    void place();

    Program& m_program;
    std::unique_ptr<PadSpelling> m_spelling;

public:
    // The pad's colours as colour values (ColorValue): a system colour
    // stays a reference, so the pad follows the desktop and the settings
    // file says so. An invalid value changes nothing.
    qint32 padForeColor() const { return m_padForeColor; }
    void setPadForeColor(qint32 value);
    void setPadBackColor(qint32 value);
    // The pad's font name (kept as given, installed or not), bold, italic
    // and size; its underline and strikeout stay as they are.
    void setPadFont(const QString& name, bool bold, bool italic, float points);

    // The shared dialog of the font, colour and Save As commands; its
    // properties keep their values from one command to the next. Declared
    // after m_program, which makes it.
    const std::unique_ptr<CommonDialog> dlgOJW{makeCommonDialog()};

private:
    std::unique_ptr<CommonDialog> makeCommonDialog();
    void setPadColor(qint32 value, qint32& kept, QPalette::ColorRole role);

    qint32 m_padForeColor = ColorValue::windowText;
    qint32 m_padBackColor = ColorValue::windowBackground;
    // An unwritable settings file is reported once per run.
    bool m_settingsWriteReported = false;
};
