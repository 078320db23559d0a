#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the ways the program is ended from outside into Qt signals on the
// user-interface thread, so the program can close as the user would, and
// save first: SIGTERM, SIGHUP, SIGINT and SIGQUIT (Ctrl+\ in a terminal),
// and the loss of the display. SIGPIPE is ignored while it exists: a write
// to a closed pipe (the standard error of a program started with its output
// piped) fails instead of ending the program. One instance per process.
class TerminationSignals final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void requested(int signalNumber);
    // The connection to the display broke (the X server or the compositor
    // died). Qt's platform plugin ends the program as soon as the handlers
    // of this signal return, so they are called directly, before it does.
    void displayLost();

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
