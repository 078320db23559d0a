#include "versions/frm_versions.h"

#include "history/history.h"
#include "platform/core/date_settings.h"
#include "platform/widgets/framed_placement.h"
#include "platform/widgets/own_window.h"
#include "platform/widgets/twips.h"
#include "routines/module_routines.h"
#include "routines/pad_state.h"
#include "versions/earlier_versions.h"
#include "versions/version_routines.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The window's measures, in twips.
constexpr int clientWidth = 6000;
constexpr int clientHeight = 4155;
constexpr int buttonPadding = 240;

void describe(QWidget* control, const QString& name, const QString& description)
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
    control->setToolTip(description);
}

} // namespace

frmVersions::frmVersions(ModuleRoutines& routines, VersionRoutines& versions, QWidget& mainWindow,
                         const History& history, const DateSettings& dates)
    : m_routines(routines), m_versions(versions), m_mainWindow(mainWindow), m_history(history), m_dates(dates)
{
    // Closed, it is gone: each opening reads the history afresh.
    const Twips twips = Twips::of(screen());
    QVBoxLayout* layout = makeOwnWindow(*this, QStringLiteral("OJW - Earlier Versions"), twips);

    lstVersions = new QListWidget(this);
    lstVersions->setObjectName(QStringLiteral("lstVersions"));
    lstVersions->setUniformItemSizes(true);
    // A row is cut to the list's width, never scrolled sideways.
    lstVersions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstVersions->setTextElideMode(Qt::ElideRight);
    connect(lstVersions, &QListWidget::currentRowChanged, this, &frmVersions::lstVersions_Change);
    layout->addWidget(lstVersions, 2);

    txtVersion = new QPlainTextEdit(this);
    txtVersion->setObjectName(QStringLiteral("txtVersion"));
    txtVersion->setReadOnly(true);
    // Read-only, it still takes the keyboard, to scroll and select.
    txtVersion->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtVersion->setFocusPolicy(Qt::StrongFocus);
    txtVersion->setTabChangesFocus(true);
    layout->addWidget(txtVersion, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdRestore = new QPushButton(QStringLiteral("&Restore"), this);
    cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    connect(cmdRestore, &QPushButton::clicked, this, &frmVersions::cmdRestore_Click);
    buttons->addWidget(cmdRestore);
    cmdRestoreAll = new QPushButton(QStringLiteral("Restore &All Days"), this);
    cmdRestoreAll->setObjectName(QStringLiteral("cmdRestoreAll"));
    connect(cmdRestoreAll, &QPushButton::clicked, this, &frmVersions::cmdRestoreAll_Click);
    buttons->addWidget(cmdRestoreAll);
    // Enter on a button that has the focus presses that button; anywhere
    // else it restores.
    cmdRestore->setAutoDefault(true);
    cmdRestoreAll->setAutoDefault(true);
    // One width for both, with room round the longer caption.
    const int buttonWidth = std::max(cmdRestore->sizeHint().width(), cmdRestoreAll->sizeHint().width())
                            + twips.toPixelsX(buttonPadding);
    cmdRestore->setMinimumWidth(buttonWidth);
    cmdRestoreAll->setMinimumWidth(buttonWidth);
    layout->addLayout(buttons);

    setTabOrder(lstVersions, txtVersion);
    setTabOrder(txtVersion, cmdRestore);
    setTabOrder(cmdRestore, cmdRestoreAll);
    describeControls();

    resize(twips.toPixelsX(clientWidth), twips.toPixelsY(clientHeight));
}

void frmVersions::describeControls()
{
    describe(lstVersions, QStringLiteral("Earlier versions of the shown day"),
             QStringLiteral("The texts this day held before, newest first: when each stopped being the "
                            "day's text, what replaced it, and its first words"));
    describe(txtVersion, QStringLiteral("Text of the selected version"),
             QStringLiteral("The selected earlier text in full, for reading"));
    describe(cmdRestore, QStringLiteral("Restore"),
             QStringLiteral("Restore: put the selected text into the pad in place of its text (Enter)"));
    describe(cmdRestoreAll, QStringLiteral("Restore all days"),
             QStringLiteral("Restore all days: bring back every entry that the selected Clear All erased, "
                            "keeping what was written since"));
}

void frmVersions::Form_Load()
{
    placeBeside(*this, m_mainWindow);
    placeAgainOnceFramed(*this, [this] { placeBeside(*this, m_mainWindow); });
    follow();
    lstVersions->setFocus();
}

void frmVersions::follow()
{
    txtVersion->setFont(m_versions.padFont());
    const History::Read read = m_history.day(m_routines.padState().shownDate);
    m_shown = EarlierVersions::of(read.records);
    {
        const QSignalBlocker quiet(lstVersions);
        lstVersions->clear();
        for (const HistoryRecord& version : std::as_const(m_shown))
            lstVersions->addItem(EarlierVersions::row(version, m_dates));
        if (m_shown.isEmpty()) {
            auto* none = new QListWidgetItem(QStringLiteral("No earlier versions"), lstVersions);
            none->setFlags(Qt::NoItemFlags);
        }
    }
    lstVersions->setCurrentRow(m_shown.isEmpty() ? -1 : 0);
    lstVersions_Change();
    tellProblems(read.problems);
}

void frmVersions::lstVersions_Change()
{
    const HistoryRecord* version = selected();
    QString text = version ? version->before : QString();
    txtVersion->setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    cmdRestore->setEnabled(version != nullptr);
    cmdRestoreAll->setEnabled(version && version->change == DayRecorder::Change::Erased);
}

const HistoryRecord* frmVersions::selected() const
{
    const int row = lstVersions->currentRow();
    return row >= 0 && row < m_shown.size() ? &m_shown[row] : nullptr;
}

void frmVersions::cmdRestore_Click()
{
    const HistoryRecord* version = selected();
    if (!version || !m_versions.restoreText(version->before))
        return;
    close();
    // The main window's activation saves the pad: the restored text is in
    // the diary, and the text it replaced among the earlier versions.
    m_routines.focusPad();
}

void frmVersions::cmdRestoreAll_Click()
{
    const HistoryRecord* version = selected();
    if (!version || version->change != DayRecorder::Change::Erased)
        return;
    const History::Read erased = m_history.madeAt(version->at, DayRecorder::Change::Erased);
    tellProblems(erased.problems);
    QList<DayRecorder::Day> days;
    for (const HistoryRecord& record : erased.records) {
        if (!record.before.isEmpty())
            days.append({record.day, QString(), record.before});
    }
    if (!m_versions.restoreDays(days))
        return;
    close();
    m_routines.focusPad();
}

void frmVersions::tellProblems(const QList<FileError>& problems)
{
    if (problems.isEmpty() || std::exchange(m_toldProblems, true))
        return;
    QStringList messages;
    for (const FileError& problem : problems)
        messages.append(problem.message());
    m_versions.tell(QStringLiteral("Some of the earlier versions could not be read, and are not shown.\n\n%1")
                        .arg(messages.join(QStringLiteral("\n\n"))));
}

void frmVersions::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (cmdRestore->isEnabled())
            cmdRestore_Click();
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
