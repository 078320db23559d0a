#pragma once

#include "recovery/recovery_file.h"

#include <QObject>
#include <QTimer>

class Program;

// Keeps the pad's unsaved text in this copy's recovery file while the pad
// is dirty, and at start offers the text that a copy which died left in
// its own. The file is written on the user-interface thread, by a
// single-shot timer that a change of the pad starts when it is not running
// already: so the file is at most about two seconds behind the pad, and is
// written at most once in two seconds, however fast the user types.
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
    void padClean();

    // Once per run, when the main window is first shown: each text left by
    // a copy that is no longer running is shown to the user, who may put it
    // back into its day's entry (into the pad, dirty, so that the normal
    // save writes it) or keep it as a rescue file.
    void offerLeftovers();

private:
    // The timer's work: the pad's text into the file while the pad is
    // dirty, otherwise no file. False when the text could not be kept.
    bool update();
    // The pad's text for a day with a recovered text: never written over
    // text the pad holds unsaved, nor over an entry saved since the text
    // was typed. Sets changedSince when the entry was.
    QString withRecovered(const RecoveryFile::Left& left, bool& changedSince) const;
    void offer(const RecoveryFile::Left& left);

    Program& m_program;
    RecoveryFile m_file;
    QTimer m_timer;
    bool m_offered = false;
    bool m_failing = false;
};
