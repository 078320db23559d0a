#pragma once

#include "app/folder_watch.h"
#include "app/frm_splash.h"
#include "app/pad_recovery.h"
#include "app/platform_services.h"
#include "calendar/frm_calendar.h"
#include "find/frm_find.h"
#include "history/history.h"
#include "platform/core/date_settings.h"
#include "platform/widgets/help_check.h"
#include "platform/widgets/help_window.h"
#include "platform/widgets/window_activation.h"
#include "store/entry_file.h"
#include "store/entry_scan.h"
#include "routines/module_routines.h"
#include "routines/pad_state.h"
#include "versions/frm_versions.h"
#include "versions/version_routines.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <future>
#include <memory>
#include <optional>

class Clock;
class CommonDialogUi;
class MessageBox;
class WindowPrinter;
class frmOJW;

// The one program object: it owns the pad state and the windows, knows the
// application folder, runs the routines that move the pad's text between
// the window and the entry file, and decides what the windows do when a
// file fails them.
class Program final : public QObject, public ModuleRoutines, public VersionRoutines
{
    Q_OBJECT

public:
    Program(const QString& folder, const QLocale& locale, const PlatformServices& services = {});
    ~Program() override;

    // Recovers an entry file left behind by a cut-off save, then shows the
    // main window.
    void start();

    void InitialisePadState();

    PadState& padState() override { return m_state; }
    void LoadEntry() override;
    void SaveEntry() override;
    bool ClearEntryFile() override;
    void SyncCalendar() override;

    bool saveIfDirty() override;
    // Records text that Pad > Clear took from the pad before it was saved,
    // as the shown day's text cleared; the diary does not change.
    void keepClearedText(const QString& text);
    // Save-if-dirty where nobody can be asked: a failure is said on
    // standard error, and the text stays in the pad for the close to rescue.
    void saveUnattended();

    // The shown date becomes the day of the earliest, latest, next or
    // previous entry; no such day changes nothing.
    void goToEntry(EntryScan::Target target);
    // Opens the window, or brings the open one to the front.
    void showCalendar();
    void showFind();
    void showVersions();
    void focusPad() override;
    QString padText() const override;
    void selectInPad(qsizetype start, qsizetype length) override;

    bool restoreText(const QString& text) override;
    bool restoreDays(const QList<DayRecorder::Day>& days) override;
    QFont padFont() const override;

    // Save-if-dirty before the main window closes. When the save fails, the
    // text goes to a rescue file and the user is asked whether to close
    // with it kept there (keeping the window is the default); where nobody
    // can be asked, it closes. False when the window stays open.
    bool saveBeforeClosing();
    // The other windows go with the main one, so that nothing reopens or
    // keeps the program running.
    void mainWindowClosing();

    // Loads the main window the first time, and makes it the active window.
    void showMainWindow();
    // The splash window, loaded afresh.
    void showAbout();
    // The help file at its default topic, in the one help window.
    void openHelp();
    // The main window's client area on the printer.
    void printMainWindow();

    // Closes the main window where nobody can be asked (a termination
    // signal, the end of the desktop session): unsaved text that cannot be
    // saved goes to a rescue file.
    void closeUnattended();
    bool unattended() const { return m_unattended; }

    frmOJW* mainWindow() const { return m_main.get(); }
    frmSplash* splashWindow() const { return m_splash; }
    HelpWindow* helpWindow() const { return m_help; }
    frmCalendar* calendarWindow() const { return m_calendar; }
    frmFind* findWindow() const { return m_find; }
    frmVersions* versionsWindow() const { return m_versions; }
    WindowActivation& activation() { return m_activation; }
    const DateSettings& dates() const { return m_dates; }
    const Clock& clock() const { return *m_clock; }
    MessageBox& messages() { return *m_messages; }
    PadRecovery& recovery() { return m_recovery; }
    History& history() { return m_history; }
    // Null for Qt's own dialogs.
    CommonDialogUi* dialogs() const { return m_dialogs; }
    const QString& folder() const { return m_folder; }
    const std::optional<QStringList>& spellingLanguages() const { return m_spellingLanguages; }

    static QString title();
    // Tells the user: in a message box, or on standard error where nobody
    // can be asked.
    void tell(const QString& text) override;

    const QString& loadedText() const { return m_loadedText; }

private:
    // The one save of the pad's text under the shown date. The error when
    // the text is not on disk; every other outcome is told here.
    std::optional<FileError> writePad();
    // From the file, or from the read that start began.
    std::optional<FileError> loadShownDay(QString& text);
    void report(const QString& what, const FileError& error);
    // Said once a run: a change went on without its record in the history.
    void reportUnrecorded(const std::optional<FileError>& error);
    // A new calendar window, loaded and shown; activated when the user asked
    // for it, left inactive when it is re-created behind the user's back.
    void openCalendar(bool activate);
    // An open Earlier Versions window reads the shown day's history again.
    void followInVersions();
    // Merges what a sync service left in the folder (conflict copies of the
    // diary, a save it threw away) and tells the user once. running: the
    // main window is up, its pad saved first. diaryChanged: the entry file
    // is not the one this program last wrote, so a save of this machine may
    // have been thrown away. Whether days came in.
    bool takeInFromSyncService(bool running, bool diaryChanged);
    // The folder changed while the program runs: what came in is merged,
    // and a clean pad, the calendar and the find window show the diary as
    // it now is.
    void folderChanged(bool diaryChanged);
    // The windows besides the main one, null where one is not open.
    QList<QWidget*> ownWindows() const;

    QString m_folder;
    DateSettings m_dates;
    std::unique_ptr<Clock> m_ownClock;
    std::unique_ptr<MessageBox> m_ownMessages;
    std::unique_ptr<WindowPrinter> m_ownPrinter;
    const Clock* m_clock;
    MessageBox* m_messages;
    WindowPrinter* m_printer;
    CommonDialogUi* m_dialogs;
    std::optional<QStringList> m_spellingLanguages;
    HelpCheck m_helpCheck;
    History m_history;
    EntryFile m_entries;
    bool m_toldUnrecorded = false;
    // The shown day's text as the entry file held it when the pad was
    // filled or last saved: a save that finds the day changed on disk since
    // keeps the other text instead of overwriting it.
    QString m_loadedText;
    PadState m_state;
    struct Loaded
    {
        QDate day;
        QString text;
        std::optional<FileError> error;
    };
    std::future<Loaded> m_firstLoad;
    // The history's thinning: its end is waited for when the program goes.
    std::future<void> m_thinning;
    QString m_helpFile;
    WindowActivation m_activation;
    std::unique_ptr<frmOJW> m_main;
    QPointer<frmSplash> m_splash;
    QPointer<HelpWindow> m_help;
    QPointer<frmCalendar> m_calendar;
    QPointer<frmFind> m_find;
    QPointer<frmVersions> m_versions;
    bool m_unattended = false;
    FolderWatch m_watch{m_folder, m_entries.path()};
    // A folder change met while one is being handled (a message is up):
    // handled again after it.
    bool m_followingFolder = false;
    bool m_folderAgain = false;
    bool m_folderAgainDiary = false;
    // Problems with what a sync service left, told once a run each.
    QSet<QString> m_toldSyncProblems;
    // Last, so that it goes first, while the pad state it reads is there.
    PadRecovery m_recovery{*this};
};
