#include "app/frm_ojw.h"
#include "app/program.h"
#include "platform/core/clock.h"
#include "platform/widgets/message_box.h"
#include "platform/core/termination_signals.h"

#include <QApplication>
#include <QSessionManager>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ombrel JotWell"));

    SystemClock clock;
    QtMessageBox messages;
    Program program(QCoreApplication::applicationDirPath(), QLocale::system(), clock, messages);

    // Closed by the desktop session or by a signal: close as the title-bar
    // close does, so the pad is saved.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::requested, &program, &Program::closeUnattended);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &program,
                     [&program](QSessionManager&) { program.closeUnattended(); });

    program.start();
    return app.exec();
}
