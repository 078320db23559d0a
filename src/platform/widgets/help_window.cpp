#include "platform/widgets/help_window.h"

#include <QUrl>

namespace {
// Pages inside the help file are addressed as chm:/path, so that relative
// links resolve against the page that holds them.
const QString scheme = QStringLiteral("chm");
}

HelpWindow::HelpWindow(QWidget* parent) : QTextBrowser(parent)
{
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    // The help never keeps the program running on its own.
    setAttribute(Qt::WA_QuitOnClose, false);
    setOpenLinks(true);
    setOpenExternalLinks(false);
    resize(640, 520);
    connect(this, &QTextBrowser::sourceChanged, this, &HelpWindow::showTitle);
}

std::optional<QString> HelpWindow::open(const QString& fileName)
{
    if (auto error = m_chm.open(fileName))
        return error;
    QUrl start;
    start.setScheme(scheme);
    start.setPath(m_chm.defaultTopic());
    setSource(start);
    return std::nullopt;
}

QVariant HelpWindow::loadResource(int type, const QUrl& name)
{
    if (name.scheme() != scheme)
        return {}; // nothing outside the help file is fetched
    const auto bytes = m_chm.read(name.path());
    if (!bytes)
        return {};
    if (type == QTextDocument::HtmlResource)
        return QString::fromUtf8(*bytes);
    return *bytes;
}

void HelpWindow::showTitle()
{
    const QString page = documentTitle();
    const QString help = m_chm.title();
    if (page.isEmpty() || page == help)
        setWindowTitle(help);
    else
        setWindowTitle(help.isEmpty() ? page : help + QStringLiteral(" - ") + page);
}
