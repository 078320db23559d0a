#include "platform/widgets/own_window.h"

#include "platform/widgets/twips.h"

#include <QVBoxLayout>
#include <QWidget>

namespace {

// In twips.
constexpr int margin = 120;
constexpr int spacing = 60;

} // namespace

QVBoxLayout* makeOwnWindow(QWidget& window, const QString& title, const Twips& twips)
{
    window.setWindowTitle(title);
    window.setWindowFlags(Qt::Window);
    window.setAttribute(Qt::WA_DeleteOnClose);
    window.setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(&window);
    const int m = twips.toPixelsX(margin);
    layout->setContentsMargins(m, m, m, m);
    layout->setSpacing(twips.toPixelsY(spacing));
    return layout;
}
