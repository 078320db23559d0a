#pragma once

#include "platform/core/date_settings.h"
#include "platform/widgets/window_activation.h"
#include "store/entry_file.h"
#include "store/module_routines.h"
#include "store/pad_state.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class Clock;
class MessageBox;
class frmOJW;

// The one program object: it owns the pad state and the main window, knows
// the application folder, and runs the routines that move the pad's text
// between the window and the entry file.
class Program final : public QObject, public ModuleRoutines
{
    Q_OBJECT

public:
    Program(const QString& folder, const QLocale& locale, const Clock& clock, MessageBox& messages);
    ~Program() override;

    // Recovers an entry file left behind by a cut-off save, then loads,
    // shows and activates the main window.
    void start();

    void InitialisePadState();

    PadState& padState() override { return m_state; }
    void LoadEntry() override;
    void SaveEntry() override;
    bool ClearEntryFile() override;
    void SyncCalendar() override;

    // Save-if-dirty. False when the pad still holds unsaved text because
    // the save failed (the user has been told).
    bool saveIfDirty();

    // SaveEntry without telling the user about a failure; the caller does.
    std::optional<FileError> trySaveEntry();

    // Closes the main window where nobody can be asked (a termination
    // signal, the end of the desktop session): unsaved text that cannot be
    // saved goes to a rescue file.
    void closeUnattended();
    bool unattended() const { return m_unattended; }
    // Puts the pad's text where it cannot be lost and says where on stderr.
    void rescuePad(const FileError& error);

    frmOJW* mainWindow() const { return m_main.get(); }
    WindowActivation& activation() { return m_activation; }
    const DateSettings& dates() const { return m_dates; }
    MessageBox& messages() { return m_messages; }
    const QString& helpFile() const { return m_helpFile; }

    static QString title();

private:
    void report(const QString& what, const FileError& error);

    QString m_folder;
    DateSettings m_dates;
    const Clock& m_clock;
    MessageBox& m_messages;
    EntryFile m_entries;
    PadState m_state;
    QString m_helpFile;
    WindowActivation m_activation;
    std::unique_ptr<frmOJW> m_main;
    bool m_unattended = false;
};
