#include "find/frm_find.h"

#include "find/found_days.h"
#include "platform/core/date_settings.h"
#include "platform/widgets/framed_placement.h"
#include "platform/widgets/own_window.h"
#include "platform/widgets/twips.h"
#include "routines/module_routines.h"
#include "routines/pad_state.h"
#include "search/search_query.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

// The design's measures, in twips.
constexpr int clientWidth = 4500;
constexpr int clientHeight = 3855;

QString countText(qsizetype days)
{
    if (days == 0)
        return QStringLiteral("No days");
    return days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days);
}

} // namespace

frmFind::frmFind(ModuleRoutines& routines, QWidget& mainWindow, const QString& folder, const DateSettings& dates)
    : m_routines(routines), m_mainWindow(mainWindow), m_dates(dates), m_search(folder, dates)
{
    const Twips twips = Twips::of(screen());
    QVBoxLayout* layout = makeOwnWindow(*this, QStringLiteral("OJW - Find Text"), twips);

    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setAccessibleName(QStringLiteral("Text to find"));
    txtFind->setToolTip(QStringLiteral("Words to find in every entry; \"a phrase\" in double quotes"));
    txtFind->setMaxLength(int(SearchQuery::maxLength) + 1);
    txtFind->installEventFilter(this);
    connect(txtFind, &QLineEdit::textChanged, this, &frmFind::txtFind_Change);
    layout->addWidget(txtFind);

    lblFound = new QLabel(QStringLiteral("Type to search"), this);
    lblFound->setObjectName(QStringLiteral("lblFound"));
    lblFound->setAccessibleName(QStringLiteral("Days found"));
    lblFound->setWordWrap(true);
    layout->addWidget(lblFound);

    lstFound = new QListWidget(this);
    lstFound->setObjectName(QStringLiteral("lstFound"));
    lstFound->setAccessibleName(QStringLiteral("Days that hold the text"));
    lstFound->setItemDelegate(new FoundDays(lstFound));
    lstFound->setUniformItemSizes(true);
    // Each row is cut to the list's width around its match.
    lstFound->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(lstFound, &QListWidget::itemActivated, this, &frmFind::lstFound_Choose);
    layout->addWidget(lstFound, 1);
    setTabOrder(txtFind, lstFound);

    resize(twips.toPixelsX(clientWidth), twips.toPixelsY(clientHeight));
}

frmFind::~frmFind()
{
    // The worker hands its result to this window: it ends first.
    m_worker.request_stop();
    if (m_worker.joinable())
        m_worker.join();
}

void frmFind::Form_Load()
{
    place();
    placeAgainOnceFramed(*this, [this] { place(); });
}

void frmFind::focusQuery()
{
    txtFind->setFocus();
    txtFind->selectAll();
}

void frmFind::txtFind_Change()
{
    search();
}

void frmFind::search()
{
    ++m_generation;
    m_worker.request_stop();
    if (m_worker.joinable())
        m_worker.join();
    const QString query = txtFind->text();
    const SearchQuery words(query);
    if (words.state() != SearchQuery::State::Ready) {
        m_searching = false;
        lstFound->clear();
        lblFound->setText(words.state() == SearchQuery::State::Empty
                              ? QStringLiteral("Type to search")
                              : QStringLiteral("The text to find is longer than %1 characters.")
                                    .arg(SearchQuery::maxLength));
        return;
    }
    m_searching = true;
    // The worker never outlives the window: the destructor and the next
    // search wait for it, so the result can be handed to this window. It
    // searches with its own copy of the date settings and their locale,
    // which are not to be shared between threads.
    m_worker = std::jthread([this, search = m_search, query, generation = m_generation](std::stop_token stop) {
        EntrySearch::Result result = search.find(query, maxRows, stop);
        if (stop.stop_requested())
            return;
        QMetaObject::invokeMethod(
            this, [this, generation, result = std::move(result)] { showResult(generation, result); },
            Qt::QueuedConnection);
    });
}

void frmFind::showResult(quint64 generation, const EntrySearch::Result& result)
{
    if (generation != m_generation)
        return; // an older query's
    m_searching = false;
    lstFound->clear();
    if (result.status == EntrySearch::Status::Failed) {
        lblFound->setText(QStringLiteral("The diary cannot be read: %1").arg(result.error ? result.error->reason : QString()));
        return;
    }
    lblFound->setText(countText(result.dayCount));
    for (const EntrySearch::Hit& hit : result.hits) {
        const QString date = m_dates.shortText(hit.day);
        auto* item = new QListWidgetItem(date + QStringLiteral("   ") + hit.excerpt, lstFound);
        QList<QPoint> marks;
        for (const TextRange& mark : hit.marks)
            marks.append(QPoint(int(mark.start), int(mark.length)));
        item->setData(FoundDays::DayRole, hit.day);
        item->setData(FoundDays::DateTextRole, date);
        item->setData(FoundDays::ExcerptRole, hit.excerpt);
        item->setData(FoundDays::MarksRole, QVariant::fromValue(marks));
    }
}

void frmFind::txtFind_Enter()
{
    QListWidgetItem* item = lstFound->currentItem() ? lstFound->currentItem() : lstFound->item(0);
    if (item)
        lstFound_Choose(item);
}

void frmFind::lstFound_Choose(QListWidgetItem* item)
{
    // As a click on a day in the calendar: a text that cannot be saved
    // keeps its day.
    if (!item
        || !m_routines.changeShownDate(item->data(FoundDays::DayRole).toDate(),
                                       ModuleRoutines::CalendarFollows::AfterLoad))
        return;
    // The main window first: its activation reloads the pad.
    m_routines.focusPad();
    if (const auto match = SearchQuery(txtFind->text()).firstMatch(m_routines.padText()))
        m_routines.selectInPad(match->start, match->length);
}

bool frmFind::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtFind && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // The list's own keys, while typing goes on in the query box.
            if (!lstFound->currentItem() && lstFound->count() > 0)
                lstFound->setCurrentRow(0);
            else
                QCoreApplication::sendEvent(lstFound, key);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            txtFind_Enter();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool frmFind::event(QEvent* event)
{
    // A deferred delete ends with this window gone: nothing may follow it.
    if (event->type() == QEvent::DeferredDelete)
        return QWidget::event(event);
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    // The pad may have been saved meanwhile.
    if (event->type() == QEvent::WindowActivate && !txtFind->text().isEmpty())
        search();
    return QWidget::event(event);
}

void frmFind::place()
{
    placeBeside(*this, m_mainWindow);
}
