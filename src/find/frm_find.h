#pragma once

#include "search/entry_search.h"

#include <QDate>
#include <QWidget>

#include <thread>

class DateSettings;
class ModuleRoutines;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// The find window: every day whose entry holds the words typed, newest
// first, searched again at every change of the query; Enter or a double
// click shows the day in the main window with the words selected in the
// pad. The search runs on a thread of its own, a newer query cancelling an
// older one, so typing never waits for it.
class frmFind final : public QWidget
{
    Q_OBJECT

public:
    // At most this many rows; the count says how many days there are.
    static constexpr int maxRows = 1000;

    frmFind(ModuleRoutines& routines, QWidget& mainWindow, const QString& folder, const DateSettings& dates);
    ~frmFind() override;

    QLineEdit* txtFind = nullptr;
    QLabel* lblFound = nullptr;
    QListWidget* lstFound = nullptr;

    void Form_Load();

    void txtFind_Change();
    // Enter in the query box: the selected row's day, or the first row's.
    void txtFind_Enter();
    void lstFound_Choose(QListWidgetItem* item);

    // The query box focused with its text selected, as Ctrl+F leaves it.
    void focusQuery();

    // Whether the search of the query shown has come back.
    bool isSearching() const { return m_searching; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Outside the main window's outer frame, left of it or else right of it,
    // bottoms level; else in the screen's lower-left corner.
    void place();
    void search();
    void showResult(quint64 generation, const EntrySearch::Result& result);

    ModuleRoutines& m_routines;
    QWidget& m_mainWindow;
    const DateSettings& m_dates;
    EntrySearch m_search;

    std::jthread m_worker;
    quint64 m_generation = 0;
    bool m_searching = false;
};
