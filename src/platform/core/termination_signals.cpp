#include "platform/core/termination_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};
constexpr int handled[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

TerminationSignals* instance = nullptr;
QtMessageHandler previousHandler = nullptr;

// Only async-signal-safe work here: hand the number to the event loop. The
// handler interrupts arbitrary code, so it leaves errno as it found it; the
// write end does not block, so a full socket (signals arriving faster than
// the event loop reads them) drops a number instead of hanging the program,
// and one number already waiting is enough to close it.
extern "C" void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] ssize_t n = ::write(pipeEnds[0], &byte, 1);
    errno = savedErrno;
}

// Qt's platform plugins end the program with exit status 1 when the
// display's connection breaks, right after they warn "The X11 connection
// broke" or "The Wayland connection broke". The warning is the last moment
// at which everything of the program is still whole: no exit handler or
// static destructor has run yet, and it comes on the user-interface thread,
// from the event loop. An exit handler would come later, amid the teardown
// of Qt's own globals, and not at all where the plugin ends with _exit.
void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    previousHandler(type, context, message);
    static bool closing = false; // the close's own messages come here too
    const QCoreApplication* app = QCoreApplication::instance();
    if (instance && !closing && app && QThread::currentThread() == app->thread()
        && message.startsWith(u"The ") && message.contains(u" connection broke")) {
        closing = true;
        emit instance->displayLost();
    }
}

void setAction(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : handled)
        ::sigaction(s, &action, nullptr);
    ::signal(SIGPIPE, handler == SIG_DFL ? SIG_DFL : SIG_IGN);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        qFatal("Cannot create the socket pair for termination signals");
    ::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    setAction(onSignal);
    instance = this;
    previousHandler = qInstallMessageHandler(onMessage);
}

TerminationSignals::~TerminationSignals()
{
    qInstallMessageHandler(previousHandler);
    instance = nullptr;
    setAction(SIG_DFL);
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void TerminationSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(pipeEnds[1], &byte, 1) == 1)
        emit requested(byte);
}
