#include "app/frm_splash.h"

#include "app/program.h"
#include "app/program_icon.h"
#include "platform/widgets/twips.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

// The design's geometry, in twips.
constexpr int splashWidth = 4710;
constexpr int splashHeight = 3510;
const QColor grey(0xC0, 0xC0, 0xC0);

QFont face(const char* family, double points, bool bold)
{
    QFont font(QString::fromLatin1(family));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A script face keeps much room above its letters, more than the label's
// height leaves: the word is drawn with its ink centred in the label, so
// all of it shows.
class ScriptLabel final : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        const QRect ink = fontMetrics().tightBoundingRect(text());
        painter.drawText(-ink.x(), (height() - ink.height()) / 2 - ink.y(), text());
    }
};

} // namespace

frmSplash::frmSplash(Program& program) : m_program(program)
{
    // No border, no title bar, no taskbar button.
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing it shows the main window; it never ends the program itself.
    setAttribute(Qt::WA_QuitOnClose, false);
    // A window's default face; the labels without a font of their own and
    // the button use it.
    setFont(face("MS Sans Serif", 8, false));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, grey);
    setPalette(palette);

    const Twips twips = Twips::of(screen());
    setFixedSize(twips.toPixelsX(splashWidth), twips.toPixelsY(splashHeight));
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setGeometry(twips.toPixels(240, 240, 4215, 2895));

    const auto label = [&](const char* name, const QString& text, const QFont& font, const QColor& colour,
                           QLabel* l = nullptr) {
        if (!l)
            l = new QLabel(Frame1);
        l->setText(text);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(font);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, colour);
        l->setPalette(p);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Ombrel"), face("Arial", 18, true), QColor(0x80, 0x00, 0x80));
    Label1->setGeometry(twips.toPixels(240, 360, 1335, 375));
    Label2 = label("Label2", QStringLiteral("JotWell"), face("French Script MT", 48, true), QColor(0x00, 0x00, 0xC0),
                   new ScriptLabel(Frame1));
    Label2->setGeometry(twips.toPixels(720, 840, 2895, 855));
    Label4 = label("Label4", QStringLiteral("Version 1.0"), font(), Qt::black);
    Label4->setGeometry(twips.toPixels(1680, 1800, 855, 255));
    Label3 = label("Label3", QStringLiteral("Copyright \u00A9 2026 Ombrel"), face("Arial", 8.25, false), Qt::black);
    Label3->setGeometry(twips.toPixels(840, 2160, 2535, 255));

    Command1 = new QPushButton(QStringLiteral("OK"), Frame1);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips.toPixels(3600, 2400, 495, 375));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmSplash::Command1_Click);

    Timer1 = new QTimer(this);
    Timer1->setInterval(3000);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    Timer1->start();
}

void frmSplash::Form_Load()
{
    // Centred on the screen, top first, in twips and single precision.
    const QScreen* s = screen();
    const Twips twips = Twips::of(s);
    const QRect screenArea = s->geometry();
    const float top = (twips.fromPixelsY(screenArea.height()) - twips.fromPixelsY(height())) / 2.0f;
    const float left = (twips.fromPixelsX(screenArea.width()) - twips.fromPixelsX(width())) / 2.0f;
    move(screenArea.x() + twips.toPixelsX(left), screenArea.y() + twips.toPixelsY(top));
}

void frmSplash::Timer1_Timer()
{
    close();
    m_program.showMainWindow();
}

void frmSplash::Command1_Click()
{
    Timer1_Timer();
}

void frmSplash::closeEvent(QCloseEvent* event)
{
    // Closed first, so the timer fires at most once per showing.
    Timer1->stop();
    event->accept();
}

void frmSplash::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // Line1..Line4: a rectangle around the frame.
    const Twips twips = Twips::of(screen());
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(QRect(QPoint(twips.toPixelsX(120), twips.toPixelsY(120)),
                           QPoint(twips.toPixelsX(4560), twips.toPixelsY(3360))));
}
