#include "startup_probe.h"

#include "interleaved_runs.h"

#include "app/frm_ojw.h"
#include "app/program.h"
#include "platform/core/clock.h"
#include "platform/widgets/message_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <cstdlib>

namespace {

double residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble();
    return 0;
}

// Stops the process once the watched window has painted.
class FirstPaint final : public QObject
{
public:
    explicit FirstPaint(const QElapsedTimer& clock) : m_clock(clock) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // After the paint has been handled, not before it.
            QMetaObject::invokeMethod(this, [this] { finish(); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void finish()
    {
        std::printf("%.3f %.0f %lld\n", m_clock.nsecsElapsed() / 1e6, residentKilobytes(),
                    static_cast<long long>(runQueueWaitNs()));
        std::fflush(stdout);
        // The folder is left as it is: no close handler may write to it.
        std::_Exit(0);
    }

    const QElapsedTimer& m_clock;
    bool m_seen = false;
};

} // namespace

void StartupProbe::run(int argc, char** argv, const QString& folder)
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    SystemClock systemClock;
    QtMessageBox messages;
    // The locale the synthetic diary was written in: a start in another
    // reads every header leniently, which no user of the diary sees.
    Program program(folder, QLocale(QLocale::English, QLocale::UnitedStates),
                    {.clock = &systemClock, .messages = &messages});
    FirstPaint firstPaint(clock);
    app.installEventFilter(&firstPaint);
    program.start();
    app.exec();
    std::fprintf(stderr, "the main window was never painted\n");
    std::_Exit(1);
}

double StartupProbe::probe(const QString& program, const QString& folder)
{
    QProcess child;
    child.start(program, {QStringLiteral("--startup-probe"), folder});
    if (!child.waitForFinished(60000) || child.exitCode() != 0) {
        std::fprintf(stderr, "start-up probe failed: %s\n", child.readAllStandardError().constData());
        std::exit(1);
    }
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    // The child's own wait for a processor is the machine's, not start-up's.
    excludeFromTiming(fields.value(2).toLongLong());
    return fields.value(1).toDouble() / 1024.0;
}
