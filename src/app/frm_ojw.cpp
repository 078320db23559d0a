#include "app/frm_ojw.h"

#include "app/pad_edit.h"
#include "app/program.h"
#include "platform/widgets/message_box.h"
#include "platform/widgets/twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
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
    // Fixed single border: a minimize button, no maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    buildControls();
    buildMenus();
}

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

    const auto place = [&twips](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(twips.toPixelsX(left), twips.toPixelsY(top), twips.toPixelsX(width),
                       twips.toPixelsY(height));
    };

    lblDate = new QLabel(client);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblDate->setAlignment(Qt::AlignCenter);
    lblDate->setFont(arial(9.75, true));
    lblDate->setAutoFillBackground(true);
    QPalette label = lblDate->palette();
    label.setColor(QPalette::Window, QColor(0xE0, 0xE0, 0xE0));
    label.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    lblDate->setPalette(label);
    place(lblDate, 120, 70, 3255, 255);

    txtPad = new PadEdit(client);
    txtPad->setObjectName(QStringLiteral("txtPad"));
    place(txtPad, 120, 360, 3255, 3015);
    connect(txtPad, &QPlainTextEdit::textChanged, this, &frmOJW::txtPad_Change);
}

void frmOJW::buildMenus()
{
    mnuPad = menuBar()->addMenu(QStringLiteral("&Pad"));
    mnuPadClear = mnuPad->addAction(QStringLiteral("&Clear"), this, &frmOJW::mnuPadClear_Click);
    mnuPadClearAll = mnuPad->addAction(QStringLiteral("Clear &All"), this, &frmOJW::mnuPadClearAll_Click);
    mnuPad->addSeparator();
    mnuPadExit = mnuPad->addAction(QStringLiteral("E&xit"), this, &frmOJW::mnuPadExit_Click);

    const QSize client = centralWidget()->size();
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height());
}

void frmOJW::Form_Load()
{
    // Lower right of the screen, in twips and single precision like the
    // design; no clamping, so a screen smaller than the window gives a
    // negative position.
    const QScreen* s = screen();
    const Twips twips = Twips::of(s);
    const QRect screenArea = s->geometry();
    winId(); // the platform knows the frame's size once the window exists
    const QSize outer = frameGeometry().size();
    const float left = twips.fromPixelsX(screenArea.width()) - twips.fromPixelsX(outer.width()) - 200.0f;
    const float top = twips.fromPixelsY(screenArea.height()) - twips.fromPixelsY(outer.height()) - 600.0f;
    move(screenArea.x() + twips.toPixelsX(left), screenArea.y() + twips.toPixelsY(top));

    m_program.InitialisePadState();
    LoadConfig();
}

void frmOJW::Form_Activate()
{
    PadState& state = m_program.padState();
    if (state.dirty && !m_program.saveIfDirty())
        return; // the pad holds text that is not on disk yet: keep it
    showDateCaption();
    m_program.LoadEntry();
}

void frmOJW::Form_Deactivate()
{
    m_program.saveIfDirty();
}

void frmOJW::Form_Unload(bool& cancel)
{
    if (!saveBeforeClosing()) {
        cancel = true;
        return;
    }
    SaveConfig();
}

bool frmOJW::saveBeforeClosing()
{
    PadState& state = m_program.padState();
    if (!state.dirty)
        return true;
    const auto error = m_program.trySaveEntry();
    if (!error)
        return true;
    if (m_program.unattended()) {
        m_program.rescuePad(*error);
    } else {
        const QString question = QStringLiteral("The entry could not be saved.\n\n%1\n\n"
                                                "Close anyway and lose the unsaved text?")
                                     .arg(error->message());
        if (m_program.messages().ask(this, Program::title(), question, MessageBox::Answer::No)
            == MessageBox::Answer::No)
            return false;
    }
    state.dirty = false; // given up on purpose: the close must not ask again
    return true;
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
}

void frmOJW::mnuPadClear_Click()
{
    PadState& state = m_program.padState();
    txtPad->setEntryText(QString());
    state.emptyPad = true;
    m_program.SaveEntry();
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
    m_program.SyncCalendar();
}

void frmOJW::mnuPadExit_Click()
{
    if (saveBeforeClosing())
        close();
}

void frmOJW::showDateCaption()
{
    const PadState& state = m_program.padState();
    lblDate->setText(m_program.dates().text(state.shownDate, state.dateStyle));
}

void frmOJW::LoadConfig()
{
    // The settings file is not read yet: the pad keeps its default font
    // and colours and the date style stays as the pad state has it.
}

void frmOJW::SaveConfig()
{
    // The settings file is not written yet.
}
