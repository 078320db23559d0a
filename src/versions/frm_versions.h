#pragma once

#include "history/history_record.h"

#include <QList>
#include <QWidget>

class DateSettings;
class History;
class ModuleRoutines;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class VersionRoutines;

// The Earlier Versions window: the shown day's texts that saves and clears
// replaced, newest first, the selected one in full below, and the way to
// bring it back into the pad, or to bring back every day a Clear All
// erased. While open it follows the shown day: the program calls follow
// whenever that day, or its history, changes.
class frmVersions final : public QWidget
{
    Q_OBJECT

public:
    // The history and the date settings are the program's, and outlive the
    // window; the main window is only looked at, for the placement.
    frmVersions(ModuleRoutines& routines, VersionRoutines& versions, QWidget& mainWindow,
                const History& history, const DateSettings& dates);

    QListWidget* lstVersions = nullptr;
    QPlainTextEdit* txtVersion = nullptr;
    QPushButton* cmdRestore = nullptr;
    QPushButton* cmdRestoreAll = nullptr;

    void Form_Load();

    // Reads the shown day's earlier versions afresh, the newest selected.
    void follow();

    void lstVersions_Change();
    void cmdRestore_Click();
    void cmdRestoreAll_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void describeControls();
    const HistoryRecord* selected() const;
    // Problems reading the history are told once in a window's life.
    void tellProblems(const QList<FileError>& problems);

    ModuleRoutines& m_routines;
    VersionRoutines& m_versions;
    QWidget& m_mainWindow;
    const History& m_history;
    const DateSettings& m_dates;
    QList<HistoryRecord> m_shown; // newest first, a row each
    bool m_toldProblems = false;
};
