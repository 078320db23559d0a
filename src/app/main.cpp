#include "app/program.h"
#include "platform/core/termination_signals.h"
#include "platform/widgets/help_check.h"

#include <QApplication>
#include <QSessionManager>

#include <cstring>

int main(int argc, char** argv)
{
    // A separate process that reads the help file whole, and dies instead
    // of the program where the file is damaged.
    if (argc == 3 && std::strcmp(argv[1], "--check-help") == 0)
        return HelpCheck::checkWhole(QString::fromLocal8Bit(argv[2])) ? 0 : 1;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ombrel JotWell"));

    Program program(QCoreApplication::applicationDirPath(), QLocale::system());

    // Closed by a signal: close as the title-bar close does, so the pad is
    // saved.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::requested, &program, &Program::closeUnattended);
    // The desktop session asks to save before it ends, and the user may still
    // cancel the logout: save the pad there, but keep the window open. The
    // window closes only when the session really ends and the program quits.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &program,
                     [&program](QSessionManager& manager) {
                         if (!program.padState().dirty)
                             return;
                         if (manager.allowsInteraction()) {
                             program.saveIfDirty(); // tells the user when it fails
                             manager.release();
                         } else {
                             // Nobody can be asked now: a failed save leaves
                             // the pad dirty, and the close at quit puts the
                             // text into a rescue file.
                             program.trySaveEntry();
                         }
                     });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &program, &Program::closeUnattended);

    program.start();
    // A termination signal during a question at start ends the program here.
    if (program.unattended())
        return 0;
    return app.exec();
}
