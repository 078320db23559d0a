#pragma once

#include "platform/widgets/chm_file.h"

#include <QTextBrowser>

#include <optional>

// The window that shows the program's compiled help file: its default
// topic first, then wherever its links lead, images included. It stands in
// for the platform's help viewer, so it is no window of the program's own.
class HelpWindow final : public QTextBrowser
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Opens the file at its default topic. No value when it opened;
    // otherwise why not, in words for the user.
    std::optional<QString> open(const QString& fileName);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    void showTitle();

    ChmFile m_chm;
};
