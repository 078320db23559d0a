#pragma once

#include "platform/core/date_settings.h"
#include "recovery/recovery_file.h"

#include <QObject>
#include <QTimer>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class Program;

// Keeps the pad's unsaved text in this copy's recovery file while the pad
// is dirty, and at start offers the text that a copy which died left in
// its own. A single-shot timer, started by a change of the pad when it is
// not running already, takes the pad's text on the user-interface thread:
// so the file is at most about two seconds behind the pad, however fast the
// user types. One worker thread writes it, so typing never waits for the
// disk: only the newest text waits to be written, and one write at a time.
// Removing the file (the text is saved) waits for a write in progress.
class PadRecovery final : public QObject
{
    Q_OBJECT

public:
    static constexpr int delayMs = 2000;

    explicit PadRecovery(Program& program);
    // A clean pad leaves no file behind; a dirty one (a close that could
    // neither save nor rescue) keeps it for the next start.
    ~PadRecovery() override;

    const RecoveryFile& file() const { return m_file; }

    // The pad's text changed.
    void padChanged();
    // The pad's text is on disk, or was given up on purpose: the file goes.
    // A failure to remove it is told once, and again only after a success.
    void padClean();

    // Once per run, when the main window is first shown: each text left by
    // a copy that is no longer running is shown to the user, who may put it
    // back into its day's entry (into the pad, dirty, so that the normal
    // save writes it) or keep it as a rescue file.
    void offerLeftovers();

private:
    // What the file is to hold: the pad's text for its day, or no text
    // (nothing unsaved), for which there is no file.
    struct Kept
    {
        QDate day;
        QString text;
        QString loadedText;
        QDateTime written;
    };

    // The pad as the file should keep it, taken on the user-interface thread.
    Kept padNow() const;
    // The timer's work: the pad's text to the worker.
    void update();
    // The pad's text into the file now, on this thread; false when it could
    // not be kept.
    bool keepNow();
    // Writes or removes the file; m_writing held. False when the text could
    // not be kept.
    bool keep(const Kept& kept);
    void work();
    // The pad's text for a day with a recovered text: never written over
    // text the pad holds unsaved, nor over an entry saved since the text
    // was typed. Sets changedSince when the entry was.
    QString withRecovered(const RecoveryFile::Left& left, bool& changedSince) const;
    void offer(const RecoveryFile::Left& left);
    static QString removeFailed(const FileError& error);

    Program& m_program;
    const DateSettings m_dates; // the worker's own copy
    RecoveryFile m_file;        // written and removed with m_writing held
    QTimer m_timer;
    bool m_offered = false;
    bool m_failing = false;       // with m_writing held
    bool m_removeFailing = false; // user-interface thread
    // Lock order: m_writing, then m_queue.
    std::mutex m_writing;
    std::mutex m_queue;
    std::condition_variable m_wake;
    std::optional<Kept> m_next; // with m_queue held
    bool m_stop = false;        // with m_queue held
    std::thread m_worker;       // last: started once the rest is there
};
