#include "app/program.h"

#include "app/click_label.h"
#include "app/frm_ojw.h"
#include "app/pad_edit.h"
#include "files/folder_lock.h"
#include "history/history_thinning.h"
#include "platform/core/clock.h"
#include "platform/widgets/message_box.h"
#include "platform/widgets/window_printer.h"
#include "recovery/rescue_file.h"
#include "sync/conflict_copies.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QScopedValueRollback>
#include <QShortcut>

#include <algorithm>

namespace {

// The design names Windows faces. Debian has Liberation Sans with Arial's
// metrics, so captions fit their controls (it stands in for a window's
// default face, MS Sans Serif, too), and URW's Z003 as a script face for the
// splash window's "French Script MT".
void installFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("French Script MT"), QStringLiteral("Z003"));
}

} // namespace

Program::Program(const QString& folder, const QLocale& locale, const PlatformServices& services)
    : m_folder(folder),
      m_dates(locale),
      m_ownClock(services.clock ? nullptr : std::make_unique<SystemClock>()),
      m_ownMessages(services.messages ? nullptr : std::make_unique<QtMessageBox>()),
      m_ownPrinter(services.printer ? nullptr : std::make_unique<DefaultPrinter>()),
      m_clock(services.clock ? services.clock : m_ownClock.get()),
      m_messages(services.messages ? services.messages : m_ownMessages.get()),
      m_printer(services.printer ? services.printer : m_ownPrinter.get()),
      m_dialogs(services.dialogs),
      m_spellingLanguages(services.spellingLanguages),
      m_helpCheck(services.helpChecker),
      m_history(folder, services.machine.isEmpty() ? History::thisMachine() : services.machine),
      m_entries(folder, m_dates)
{
    m_entries.setRecorder(&m_history);
    installFontSubstitutes();
}

Program::~Program()
{
    for (QWidget* window : ownWindows())
        delete window;
}

QList<QWidget*> Program::ownWindows() const
{
    return {m_calendar, m_find, m_versions, m_splash, m_help};
}

QString Program::title()
{
    return QStringLiteral("Ombrel JotWell");
}

void Program::start()
{
    int daysTakenIn = 0;
    if (const auto error = m_entries.recover(&daysTakenIn))
        report(QStringLiteral("The entries left by an interrupted save could not be restored."), *error);
    else if (daysTakenIn > 0)
        tell(QStringLiteral("A save was cut off last time before it reached the diary. The file it left "
                            "was read, and %1 taken into the diary from it.")
                 .arg(daysTakenIn == 1 ? QStringLiteral("1 day was") : QStringLiteral("%1 days were").arg(daysTakenIn)));
    takeInFromSyncService(false, true);
    // The first activation shows today's entry: a large diary is read while
    // the window is being built, with date settings of its own, since a
    // locale is not for two threads at once.
    m_firstLoad = std::async(std::launch::async,
                             [folder = m_folder, locale = m_dates.locale(), day = m_clock->today()] {
                                 const DateSettings dates(locale);
                                 Loaded loaded{day, QString(), std::nullopt};
                                 loaded.error = EntryFile(folder, dates).load(day, loaded.text);
                                 return loaded;
                             });
    showMainWindow();
    connect(&m_watch, &FolderWatch::changed, this, &Program::folderChanged);
    m_watch.start();
    // Once a run where the history holds records old enough, its older
    // versions are thinned on a thread of its own, with objects of its own.
    // A failure leaves the file as it was, and the next run tries again.
    if (const QDateTime now = QDateTime::currentDateTime(); HistoryThinning::isDue(m_history, now))
        m_thinning = std::async(std::launch::async, [history = m_history, now] { HistoryThinning::thin(history, now); });
}

bool Program::takeInFromSyncService(bool running, bool diaryChanged)
{
    const QString entryName = QString::fromLatin1(EntryFile::fileName);
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    const bool copies = std::any_of(names.begin(), names.end(), [&](const QString& name) {
        return ConflictCopies::isConflictCopyOf(name, entryName);
    });
    // The pad's text goes in before the copies', so that it is merged with
    // them rather than over them.
    if (copies && running && !saveIfDirty())
        return false;
    ConflictCopies::Report taken = ConflictCopies::mergeAll(m_folder, m_dates, m_entries, m_history);
    // Only another machine's diary can have thrown a save of this one away.
    if (!running || diaryChanged)
        ConflictCopies::bringBackThrownAway(m_folder, m_dates, m_entries, m_history, taken);
    m_watch.ownWrite();
    for (const FileError& problem : taken.problems) {
        const QString key = problem.file + u'\n' + problem.reason;
        if (m_toldSyncProblems.contains(key))
            continue;
        m_toldSyncProblems.insert(key);
        report(QStringLiteral("What the program that keeps this folder in sync left could not all be "
                              "taken into the diary. Nothing of the diary was lost."),
               problem);
    }
    QStringList lines;
    for (const auto& [name, days] : taken.daysFrom) {
        const QString count = days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days);
        // A history file named here: text this machine saved that the diary
        // which arrived lacked.
        lines.append(name.startsWith(QLatin1String(History::namePrefix))
                         ? QStringLiteral("%1 saved here came back from the earlier versions (%2).").arg(count, name)
                         : QStringLiteral("%1 came from %2.").arg(count, name));
    }
    if (!lines.isEmpty())
        tell(QStringLiteral("The program that keeps this folder in sync brought changes from another "
                            "machine. They were merged into the diary:\n\n%1")
                 .arg(lines.join(u'\n')));
    return !lines.isEmpty();
}

void Program::folderChanged(bool diaryChanged)
{
    if (!m_main || m_unattended)
        return;
    if (std::exchange(m_followingFolder, true)) {
        m_folderAgain = true;
        m_folderAgainDiary = m_folderAgainDiary || diaryChanged;
        return;
    }
    for (bool again = true; again; again = std::exchange(m_folderAgain, false)) {
        diaryChanged = diaryChanged || std::exchange(m_folderAgainDiary, false);
        const bool merged = takeInFromSyncService(true, diaryChanged);
        QString onDisk;
        // A clean pad shows the day as the diary now holds it; a dirty one
        // is merged with it when it is saved.
        if (!m_state.dirty
            && (merged || (diaryChanged && !m_entries.load(m_state.shownDate, onDisk) && onDisk != m_loadedText)))
            LoadEntry();
        if (merged || diaryChanged) {
            SyncCalendar();
            if (m_find && m_find->isVisible())
                m_find->txtFind_Change();
        }
        diaryChanged = false;
    }
    m_followingFolder = false;
}

void Program::showMainWindow()
{
    if (!m_main) {
        m_main = std::make_unique<frmOJW>(*this);
        m_activation.add(m_main.get(), m_main.get());
        m_main->Form_Load();
        // F1 in any window of the program opens the help; not while a
        // modal dialog or message box is up, which would block it.
        new QShortcut(QKeySequence(Qt::Key_F1), m_main.get(), this, &Program::openHelp, Qt::ApplicationShortcut);
    }
    if (m_main->isVisible())
        m_main->raise();
    m_main->show();
    m_activation.shown(m_main.get());
    m_recovery.offerLeftovers();
}

void Program::showAbout()
{
    delete m_splash; // loads afresh each time
    m_splash = new frmSplash(*this);
    // A window of the program, with nothing to save or reload.
    m_activation.add(m_splash, nullptr);
    m_splash->Form_Load();
    m_splash->show();
    m_activation.shown(m_splash);
}

void Program::InitialisePadState()
{
    m_state.dateStyle = 1;
    m_helpFile = QDir(m_folder).filePath(QStringLiteral("OJW.chm"));
    m_state.shownDate = m_clock->today();
    m_state.dirty = false;
}

void Program::LoadEntry()
{
    PadEdit* pad = m_main->txtPad;
    pad->setEntryText(QString());
    m_main->showDateCaption();
    QPalette palette = m_main->lblDate->palette();
    palette.setColor(QPalette::WindowText,
                     m_state.shownDate == m_clock->today() ? QColor(0xFF, 0, 0) : QColor(0, 0, 0));
    m_main->lblDate->setPalette(palette);

    QString text;
    const auto error = loadShownDay(text);
    pad->setEntryText(text);
    m_loadedText = text;
    // Text typed over an entry that could not be read would replace it at
    // the next save: the pad stays locked until the entry reads, which any
    // later load tries again. So does one the editor can only show.
    pad->setReadOnly(error.has_value() || pad->isTooLongToEdit());
    m_state.dirty = false;
    pad->setFocus();
    if (m_state.calendarOpen && m_calendar)
        m_calendar->setValue(m_state.shownDate);
    followInVersions();
    if (error)
        report(QStringLiteral("The entry could not be read. The pad stays locked until it can be: "
                              "choose GoTo > Today or another day to try again."),
               *error);
    else if (pad->isTooLongToEdit())
        tell(QStringLiteral("This day's entry holds a line of more than %L1 characters, too long to be "
                            "edited here. It is shown for reading, and stays in the diary as it is.")
                 .arg(PadEdit::maxEditableLine));
}

std::optional<FileError> Program::loadShownDay(QString& text)
{
    if (m_firstLoad.valid()) {
        Loaded first = m_firstLoad.get();
        if (first.day == m_state.shownDate) {
            text = std::move(first.text);
            return first.error;
        }
    }
    return m_entries.load(m_state.shownDate, text);
}

std::optional<FileError> Program::writePad()
{
    const QString text = m_main->txtPad->entryText();
    // Set by Pad > Clear; otherwise an empty pad empties the day.
    const DayRecorder::Change change = m_state.emptyPad ? DayRecorder::Change::Cleared
                                       : text.isEmpty() ? DayRecorder::Change::Emptied
                                                        : DayRecorder::Change::Saved;
    if (text.isEmpty())
        m_state.emptyPad = true;
    const bool remove = m_state.emptyPad;
    // The flag only ever means "this save removes the entry": a failed save
    // must not let it remove the text typed after it.
    m_state.emptyPad = false;
    const EntryFile::SaveResult result = m_entries.save(m_state.shownDate, text, remove, m_loadedText, change);
    if (result.error && !result.written)
        return result.error;
    reportUnrecorded(result.unrecorded);
    m_loadedText = result.text;
    m_watch.ownWrite();
    followInVersions();
    // Another copy of the program saved the day meanwhile: the pad shows
    // the merge of both, as the file now holds it.
    if (result.merged)
        m_main->txtPad->setEntryText(result.text);
    m_state.dirty = false;
    m_recovery.padClean();
    if (result.conflict) {
        tell(remove ? QStringLiteral("This day's entry was changed by another program after it was shown "
                                     "here, so it was not removed. The pad now shows it.")
                    : QStringLiteral("This day's entry was changed by another program after it was shown "
                                     "here, in the same words as in this pad. Both versions of those "
                                     "words are kept: the other program's first, then this pad's. The "
                                     "pad now shows the entry as saved."));
    }
    if (result.setAside)
        report(QStringLiteral("A file left by an interrupted save was moved aside before the entry was "
                              "saved."),
               *result.setAside);
    // Only the folder sync after the rename failed: the file holds the text,
    // so there is nothing to save again and nothing to ask.
    if (result.error)
        report(QStringLiteral("The entry was saved, but the disk did not confirm it. If the "
                              "computer loses power soon, the last change may be missing."),
               *result.error);
    return std::nullopt;
}

void Program::SaveEntry()
{
    if (const auto error = writePad())
        report(QStringLiteral("The entry could not be saved. Its text stays in the pad and "
                              "is saved again at the next opportunity."),
               *error);
}

bool Program::saveIfDirty()
{
    if (m_state.dirty)
        SaveEntry();
    return !m_state.dirty;
}

void Program::keepClearedText(const QString& text)
{
    if (text.isEmpty())
        return;
    // The history is only appended to under the lock, which a thinning of
    // it waits for.
    FolderLock lock;
    std::optional<FileError> failure = lock.acquire(m_folder);
    if (!failure)
        failure = m_history.record(DayRecorder::Change::Cleared, {{m_state.shownDate, text, QString()}});
    reportUnrecorded(failure);
    followInVersions();
}

void Program::saveUnattended()
{
    const QScopedValueRollback nobodyAsked(m_unattended, true);
    saveIfDirty();
}

bool Program::ClearEntryFile()
{
    // Text typed since the last save is erased as the user saw it.
    QList<DayRecorder::Day> shown;
    if (m_state.dirty && !m_main->txtPad->entryText().isEmpty())
        shown.append({m_state.shownDate, m_main->txtPad->entryText(), QString()});
    const EntryFile::SaveResult result = m_entries.clear(shown);
    if (result.error && !result.written) {
        report(QStringLiteral("The entries could not be erased."), *result.error);
        return false;
    }
    m_watch.ownWrite();
    reportUnrecorded(result.unrecorded);
    if (result.setAside)
        report(QStringLiteral("A file left by an interrupted save was moved aside before the entries "
                              "were erased."),
               *result.setAside);
    // Only the folder sync after the rename failed: the entries are gone.
    if (result.error)
        report(QStringLiteral("The entries were erased, but the disk did not confirm it. If the "
                              "computer loses power soon, they may come back."),
               *result.error);
    // An emptied file reads: a pad locked by an unreadable entry is free.
    m_main->txtPad->setReadOnly(false);
    m_loadedText.clear();
    followInVersions();
    return true;
}

void Program::SyncCalendar()
{
    // Only an open calendar window follows the shown date. A new window
    // asks afresh for its bold days. The old one may be handling its own
    // click right now: closed, it is deleted only once that has returned.
    if (!m_state.calendarOpen)
        return;
    if (m_calendar)
        m_calendar->close();
    openCalendar(false);
    m_calendar->setValue(m_state.shownDate);
}

bool Program::saveBeforeClosing()
{
    if (!m_state.dirty)
        return true;
    const auto error = writePad();
    if (!error)
        return true;
    const QString rescued =
        writeRescueFile(rescueFolders(m_folder), m_dates, m_state.shownDate, m_main->txtPad->entryText(), *error);
    if (!m_unattended) {
        const QString question =
            rescued.isEmpty()
                ? QStringLiteral("The entry could not be saved.\n\n%1\n\nClose anyway and lose the unsaved text?")
                      .arg(error->message())
                : QStringLiteral("The entry could not be saved.\n\n%1\n\nClose anyway? The unsaved text is "
                                 "kept in %2.")
                      .arg(error->message(), rescued);
        if (m_messages->ask(m_main.get(), title(), question, MessageBox::Answer::No)
            == MessageBox::Answer::No) {
            // The pad still holds the text: the next close rescues it anew.
            if (!rescued.isEmpty())
                QFile::remove(rescued);
            return false;
        }
    }
    m_state.dirty = false; // closing on purpose: the close must not ask again
    m_recovery.padClean();
    return true;
}

void Program::mainWindowClosing()
{
    for (QWidget* window : ownWindows()) {
        if (window)
            window->close();
    }
}

void Program::openHelp()
{
    if (m_help) {
        m_help->raise(); // one help window: a second F1 brings it to the front
        m_help->show();
        m_help->activateWindow();
        return;
    }
    m_helpCheck.check(m_helpFile, [this](const QString& problem) {
        if (m_help)
            return; // a second F1 while the first was being checked
        auto help = std::make_unique<HelpWindow>();
        const std::optional<QString> error = problem.isEmpty() ? help->open(m_helpFile) : problem;
        if (error) {
            if (!m_unattended)
                m_messages->warn(QApplication::activeWindow(), title(),
                                 QStringLiteral("The help cannot be shown.\n\n%1").arg(*error));
            return;
        }
        help->setWindowIcon(m_main ? m_main->windowIcon() : QIcon());
        m_help = help.release();
        m_help->show();
        m_help->activateWindow();
    });
}

void Program::printMainWindow()
{
    const QImage image = m_main->centralWidget()->grab().toImage();
    if (const auto error = m_printer->print(image, QStringLiteral("Ombrel Jotwell v1.0")))
        m_messages->warn(m_main.get(), title(), *error);
}

void Program::closeUnattended()
{
    m_unattended = true;
    if (m_main && m_main->isVisible())
        m_main->close();
    // A question still open ends too (one asked at start, before the main
    // window is there to close); what it was about stays for the next start.
    QCoreApplication::exit(0);
}

void Program::report(const QString& what, const FileError& error)
{
    tell(what + QStringLiteral("\n\n") + error.message());
}

void Program::reportUnrecorded(const std::optional<FileError>& error)
{
    if (!error || std::exchange(m_toldUnrecorded, true))
        return;
    report(QStringLiteral("The entry was saved, but its earlier text could not be kept among the earlier "
                          "versions. Until this is mended, texts saved over are not kept, and entries "
                          "are not cleared."),
           *error);
}

void Program::tell(const QString& text)
{
    if (m_unattended)
        qWarning("%s", qPrintable(text));
    else
        m_messages->warn(m_main.get(), title(), text);
}

void Program::goToEntry(EntryScan::Target target)
{
    // Earliest, Latest and Next search the file with the pad's text in it,
    // so a day just written counts and a day just emptied does not.
    // Previous searches the file as it stands and saves only when it moves.
    if (target != EntryScan::Target::Previous && !saveIfDirty())
        return;
    std::optional<QDate> day;
    if (const auto error = EntryScan(m_folder, m_dates).find(target, m_state.shownDate, day)) {
        report(QStringLiteral("The entries could not be read to find that day. The shown day stays."),
               *error);
        return;
    }
    if (day)
        changeShownDate(*day); // saves first: Previous's save comes here
}

void Program::showCalendar()
{
    if (m_calendar && m_state.calendarOpen) {
        m_calendar->raise();
        m_activation.shown(m_calendar);
        return;
    }
    openCalendar(true);
}

void Program::openCalendar(bool activate)
{
    auto* calendar = new frmCalendar(*this, *m_main, m_folder, m_dates);
    m_calendar = calendar;
    // A window of the program: moving to it deactivates the main window,
    // which saves the pad; it has no activation handlers of its own.
    m_activation.add(calendar, nullptr);
    calendar->Form_Load();
    // A re-created window must not take the keyboard focus from the pad.
    // Window managers that activate every new window anyway get the main
    // window's activation asked for after it.
    calendar->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    calendar->show();
    if (activate)
        m_activation.shown(calendar);
    else
        m_main->activateWindow();
}

QString Program::padText() const
{
    return m_main->txtPad->entryText();
}

void Program::selectInPad(qsizetype start, qsizetype length)
{
    m_main->txtPad->selectEntryRange(start, length);
}

void Program::showFind()
{
    if (!m_find) {
        m_find = new frmFind(*this, *m_main, m_folder, m_dates);
        // A window of the program: moving to it saves the pad.
        m_activation.add(m_find, nullptr);
        m_find->Form_Load();
    }
    m_find->raise();
    m_find->show();
    m_activation.shown(m_find);
    m_find->focusQuery();
}

void Program::focusPad()
{
    m_main->txtPad->setFocus();
    m_activation.shown(m_main.get());
}

void Program::showVersions()
{
    if (!m_versions) {
        m_versions = new frmVersions(*this, *this, *m_main, m_history, m_dates);
        // A window of the program: moving to it saves the pad.
        m_activation.add(m_versions, nullptr);
        m_versions->Form_Load();
    }
    m_versions->raise();
    m_versions->show();
    m_activation.shown(m_versions);
}

void Program::followInVersions()
{
    if (m_versions && m_versions->isVisible())
        m_versions->follow();
}

QFont Program::padFont() const
{
    return m_main->txtPad->font();
}

bool Program::restoreText(const QString& text)
{
    // The pad's own unsaved text would be lost, not kept as a version.
    if (!saveIfDirty())
        return false;
    PadEdit* pad = m_main->txtPad;
    if (pad->isReadOnly() && !pad->isTooLongToEdit()) {
        tell(QStringLiteral("The shown day's entry could not be read, so no earlier text is put in its "
                            "place. Choose GoTo > Today or another day to try again."));
        return false;
    }
    // As if typed: the pad is dirty, the unsaved-text file keeps it until
    // the save.
    pad->setEntryText(text);
    m_state.dirty = true;
    m_recovery.padChanged();
    return true;
}

bool Program::restoreDays(const QList<DayRecorder::Day>& days)
{
    if (!saveIfDirty())
        return false;
    // What was written on a day since it was erased stays first.
    const auto combine = [](const QDate&, const QString& onDisk, const QString& restored) {
        if (onDisk.isEmpty() || onDisk == restored)
            return restored;
        return onDisk + QStringLiteral("\r\n\r\n") + restored;
    };
    const EntryFile::SaveResult result = m_entries.saveDays(days, DayRecorder::Change::Restored, combine);
    if (result.error && !result.written) {
        report(QStringLiteral("The days could not be restored. The diary is as it was."), *result.error);
        return false;
    }
    m_watch.ownWrite();
    reportUnrecorded(result.unrecorded);
    if (result.setAside)
        report(QStringLiteral("A file left by an interrupted save was moved aside before the days "
                              "were restored."),
               *result.setAside);
    LoadEntry();
    const auto count = std::count_if(result.days.cbegin(), result.days.cend(),
                                     [](const DayRecorder::Day& day) { return day.before != day.after; });
    tell(count == 1 ? QStringLiteral("1 day came back.") : QStringLiteral("%1 days came back.").arg(count));
    // Only the folder sync after the rename failed: the days are back.
    if (result.error)
        report(QStringLiteral("The days were restored, but the disk did not confirm it. If the "
                              "computer loses power soon, they may be missing again."),
               *result.error);
    SyncCalendar();
    return true;
}
