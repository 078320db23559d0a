#include "platform/widgets/framed_placement.h"

#include <QEvent>
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
