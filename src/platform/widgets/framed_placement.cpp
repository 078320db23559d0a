#include "platform/widgets/framed_placement.h"

#include "platform/widgets/twips.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace {

class FrameWatch final : public QObject
{
public:
    FrameWatch(QWidget& window, std::function<void()> place)
        : QObject(&window), m_window(window), m_place(std::move(place))
    {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        // A deferred delete ends with the window gone: nothing may follow it.
        if (event->type() != QEvent::DeferredDelete && m_window.isVisible()
            && m_window.frameGeometry().size() != m_window.size()) {
            m_window.removeEventFilter(this);
            deleteLater();
            m_place();
        }
        return false;
    }

private:
    QWidget& m_window;
    std::function<void()> m_place;
};

} // namespace

void placeAgainOnceFramed(QWidget& window, std::function<void()> place)
{
    new FrameWatch(window, std::move(place));
}

void placeBeside(QWidget& window, const QWidget& mainWindow)
{
    constexpr int gap = 200; // twips
    const QScreen* s = mainWindow.screen();
    const QRect screenArea = s->availableGeometry();
    const Twips twips = Twips::of(s);
    const QRect main = mainWindow.frameGeometry();
    const QSize outer = window.frameGeometry().size();
    const int space = twips.toPixelsX(gap);
    const int top = main.bottom() + 1 - outer.height();
    int left = main.left() - space - outer.width();
    if (left < screenArea.left())
        left = main.right() + 1 + space;
    if (left + outer.width() > screenArea.right() + 1 || top < screenArea.top())
        window.move(screenArea.left(), screenArea.bottom() + 1 - outer.height());
    else
        window.move(left, top);
}
