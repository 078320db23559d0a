#include "app/frm_ojw.h"

#include "app/click_label.h"
#include "app/program.h"
#include "app/program_icon.h"
#include "app/pad_edit.h"
#include "app/pad_spelling.h"
#include "platform/core/clock.h"
#include "platform/widgets/framed_placement.h"
#include "platform/widgets/message_box.h"
#include "platform/widgets/twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

namespace {

// The design's geometry, in twips.
constexpr int clientWidth = 3495;
constexpr int clientHeight = 3855;

QFont arial(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

frmOJW::frmOJW(Program& program) : m_program(program)
{
    setWindowTitle(QStringLiteral("Ombrel Jotwell v1.0"));
    setWindowIcon(programIcon());
    // Fixed single border: a minimize button, no maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    buildControls();
    buildMenus();
    describeControls();
}

frmOJW::~frmOJW() = default;

void frmOJW::buildControls()
{
    const Twips twips = Twips::of(screen());
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette grey = client->palette();
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    client->setPalette(grey);
    client->setFixedSize(twips.toPixelsX(clientWidth), twips.toPixelsY(clientHeight));
    setCentralWidget(client);

    lblDate = new ClickLabel(client);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblDate->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblDate->setFont(arial(9.75, true));
    lblDate->setAutoFillBackground(true);
    QPalette label = lblDate->palette();
    label.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    label.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    lblDate->setPalette(label);
    lblDate->setGeometry(twips.toPixels(120, 70, 3255, 255));
    connect(lblDate, &ClickLabel::clicked, this, &frmOJW::lblDate_Click);

    txtPad = new PadEdit(client);
    txtPad->setObjectName(QStringLiteral("txtPad"));
    txtPad->setGeometry(twips.toPixels(120, 360, 3255, 3015));
    connect(txtPad, &QPlainTextEdit::textChanged, this, &frmOJW::txtPad_Change);
    connect(txtPad, &PadEdit::keyDown, this, &frmOJW::txtPad_KeyDown);
    m_spelling = std::make_unique<PadSpelling>(
        *txtPad, PadSpelling::Context{m_program.folder(), m_program.dates().locale(), m_program.spellingLanguages(),
                                      [this](const QString& text) { m_program.tell(text); }});

    const auto button = [&](const char* name, const char* caption, int left,
                            void (frmOJW::*handler)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), client);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(arial(9.75, true));
        b->setAutoDefault(false);
        b->setGeometry(twips.toPixels(left, 3480, 495, 330));
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    cmdEarliest = button("cmdEarliest", "|<", 120, &frmOJW::cmdEarliest_Click);
    cmdPrevEntry = button("cmdPrevEntry", "<<", 680, &frmOJW::cmdPrevEntry_Click);
    cmdPrev = button("cmdPrev", "<", 1240, &frmOJW::cmdPrev_Click);
    cmdNext = button("cmdNext", ">", 1800, &frmOJW::cmdNext_Click);
    cmdNextEntry = button("cmdNextEntry", ">>", 2350, &frmOJW::cmdNextEntry_Click);
    cmdLatest = button("cmdLatest", ">|", 2900, &frmOJW::cmdLatest_Click);

    // The label takes no focus; the rest in the design's tab order.
    lblDate->setFocusPolicy(Qt::NoFocus);
    const QWidget* order[] = {cmdNext, cmdPrev, txtPad, cmdPrevEntry, cmdEarliest, cmdLatest, cmdNextEntry};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
}

void frmOJW::buildMenus()
{
    menuBar()->setNativeMenuBar(false);

    mnuPad = menuBar()->addMenu(QStringLiteral("&Pad"));
    mnuPadClear = mnuPad->addAction(QStringLiteral("&Clear"), this, &frmOJW::mnuPadClear_Click);
    mnuPadClearAll = mnuPad->addAction(QStringLiteral("Clear &All"), this, &frmOJW::mnuPadClearAll_Click);
    mnuPadVersions = mnuPad->addAction(QStringLiteral("Earlier &Versions..."), this, &frmOJW::mnuPadVersions_Click);
    d1 = mnuPad->addSeparator();
    mnuPadPrint = mnuPad->addAction(QStringLiteral("&Print"), this, &frmOJW::mnuPadPrint_Click);
    mnuPadExportAll = mnuPad->addAction(QStringLiteral("&Export All"), this, &frmOJW::mnuPadExportAll_Click);
    d3 = mnuPad->addSeparator();
    mnuPadExit = mnuPad->addAction(QStringLiteral("E&xit"), this, &frmOJW::mnuPadExit_Click);

    mnuGoTo = menuBar()->addMenu(QStringLiteral("&GoTo"));
    mnuGoToToday = mnuGoTo->addAction(QStringLiteral("&Today"), this, &frmOJW::mnuGoToToday_Click);
    d2 = mnuGoTo->addSeparator();
    mnuSelectDate = mnuGoTo->addAction(QStringLiteral("&Select Date"), this, &frmOJW::mnuSelectDate_Click);
    d4 = mnuGoTo->addSeparator();
    mnuGoToNextEntry = mnuGoTo->addAction(QStringLiteral("&Next Entry"), this, &frmOJW::mnuGoToNextEntry_Click);
    mnuGoToPrevEntry = mnuGoTo->addAction(QStringLiteral("&Previous Entry"), this, &frmOJW::mnuGoToPrevEntry_Click);
    d5 = mnuGoTo->addSeparator();
    mnuGotoEarliest = mnuGoTo->addAction(QStringLiteral("&Earliest Entry"), this, &frmOJW::mnuGotoEarliest_Click);
    mnuGotoLatest = mnuGoTo->addAction(QStringLiteral("&Latest Entry"), this, &frmOJW::mnuGotoLatest_Click);
    d6 = mnuGoTo->addSeparator();
    mnuGoToFind = mnuGoTo->addAction(QStringLiteral("&Find Text..."), this, &frmOJW::mnuGoToFind_Click);
    mnuGoToFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));

    mnuFont = menuBar()->addMenu(QStringLiteral("&Font"));
    mnuFontSelect = mnuFont->addAction(QStringLiteral("&Select"), this, &frmOJW::mnuFontSelect_Click);
    mnuFontColor = mnuFont->addAction(QStringLiteral("&Color"), this, &frmOJW::mnuFontColor_Click);
    mnuFontBackColor = mnuFont->addAction(QStringLiteral("&Background Color"), this, &frmOJW::mnuFontBackColor_Click);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelpInfo = mnuHelp->addAction(QStringLiteral("&Info"), this, &frmOJW::mnuHelpInfo_Click);
    mnuHelpAbout = mnuHelp->addAction(QStringLiteral("&About"), this, &frmOJW::mnuHelpAbout_Click);

    const QSize client = centralWidget()->size();
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height());
}

void frmOJW::Form_Load()
{
    place();
    placeAgainOnceFramed(*this, [this] { place(); });
    m_program.InitialisePadState();
    LoadConfig();
    m_spelling->start();
}

void frmOJW::place()
{
    // The outer window's lower-right corner sits 200 twips left of the
    // screen's right edge and 600 above its bottom, in single precision and
    // unclamped, so a screen smaller than the window gives a negative
    // position.
    const QScreen* s = screen();
    const Twips twips = Twips::of(s);
    const QRect screenArea = s->geometry();
    const QSize outer = frameGeometry().size();
    const float left = twips.fromPixelsX(screenArea.width()) - twips.fromPixelsX(outer.width()) - 200.0f;
    const float top = twips.fromPixelsY(screenArea.height()) - twips.fromPixelsY(outer.height()) - 600.0f;
    move(screenArea.x() + twips.toPixelsX(left), screenArea.y() + twips.toPixelsY(top));
}

void frmOJW::Form_Activate()
{
    // Text that could not be saved stays in the pad: no reload over it.
    m_program.changeShownDate(m_program.padState().shownDate, ModuleRoutines::CalendarFollows::Not);
}

void frmOJW::Form_Deactivate()
{
    m_program.saveIfDirty();
}

void frmOJW::Form_Unload(bool& cancel)
{
    if (!m_program.saveBeforeClosing()) {
        cancel = true;
        return;
    }
    SaveConfig();
    m_program.mainWindowClosing();
}

void frmOJW::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void frmOJW::txtPad_Change()
{
    m_program.padState().dirty = true;
    m_program.recovery().padChanged();
}

void frmOJW::txtPad_KeyDown(int keyCode, int shift)
{
    Q_UNUSED(shift); // Ctrl+Page Down steps a day as well
    if (keyCode == 34)
        cmdNext_Click();
    if (keyCode == 33)
        cmdPrev_Click();
}

void frmOJW::lblDate_Click()
{
    PadState& state = m_program.padState();
    state.dateStyle = state.dateStyle == 1 ? 2 : 1;
    showDateCaption();
}

void frmOJW::cmdNext_Click()
{
    m_program.changeShownDate(m_program.padState().shownDate.addDays(1));
}

void frmOJW::cmdPrev_Click()
{
    m_program.changeShownDate(m_program.padState().shownDate.addDays(-1));
}

void frmOJW::cmdEarliest_Click()
{
    mnuGotoEarliest_Click();
}

void frmOJW::cmdPrevEntry_Click()
{
    mnuGoToPrevEntry_Click();
}

void frmOJW::cmdNextEntry_Click()
{
    mnuGoToNextEntry_Click();
}

void frmOJW::cmdLatest_Click()
{
    mnuGotoLatest_Click();
}

void frmOJW::mnuGoToToday_Click()
{
    m_program.changeShownDate(m_program.clock().today());
}

void frmOJW::mnuPadClear_Click()
{
    PadState& state = m_program.padState();
    const QString shown = state.dirty && txtPad->entryText() != m_program.loadedText() ? txtPad->entryText()
                                                                                      : QString();
    txtPad->setEntryText(QString());
    // The erased text must not come back from the unsaved-text file.
    m_program.recovery().padClean();
    state.emptyPad = true;
    m_program.SaveEntry();
    // Text typed since the last save was never in the diary: it is kept
    // among the earlier versions too, as what the user saw cleared.
    if (!state.dirty)
        m_program.keepClearedText(shown);
    m_program.SyncCalendar();
    txtPad->setFocus();
}

void frmOJW::mnuPadClearAll_Click()
{
    const auto answer = m_program.messages().ask(
        this, QStringLiteral("Ombrel JotWell - Clear All Entries!"),
        QStringLiteral("Warning - Clicking YES erases all entries! Are You Sure?"),
        MessageBox::Answer::Yes);
    if (answer != MessageBox::Answer::Yes)
        return;
    // Unsaved text goes with the entries, but only once they are gone.
    if (!m_program.ClearEntryFile())
        return;
    txtPad->setEntryText(QString());
    m_program.padState().dirty = false;
    m_program.recovery().padClean();
    m_program.SyncCalendar();
}

void frmOJW::mnuPadVersions_Click()
{
    m_program.showVersions();
}

void frmOJW::mnuPadPrint_Click()
{
    m_program.printMainWindow();
}

void frmOJW::mnuPadExit_Click()
{
    if (m_program.saveBeforeClosing())
        close();
}

void frmOJW::mnuHelpInfo_Click()
{
    m_program.openHelp(); // as F1 does
}

void frmOJW::mnuHelpAbout_Click()
{
    m_program.showAbout();
}

void frmOJW::showDateCaption()
{
    const PadState& state = m_program.padState();
    lblDate->setText(m_program.dates().text(state.shownDate, state.dateStyle));
}
