#include "app/command_line.h"
#include "app/platform_plugin.h"
#include "app/program.h"
#include "app/qt_translations.h"
#include "platform/core/termination_signals.h"

#include <QApplication>
#include <QSessionManager>

int main(int argc, char** argv)
{
    // Also the separate process that reads the help file whole, and dies
    // instead of the program where the file is damaged.
    const CommandLine commandLine(argc, argv);
    if (commandLine.action() != CommandLine::Action::Run)
        return commandLine.respond();

    choosePlatformPlugin();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ombrel JotWell"));
    const QtTranslations translations(QLocale::system());

    Program program(QCoreApplication::applicationDirPath(), QLocale::system());

    // Closed by a signal, or losing the display: close as the title-bar
    // close does, so the pad is saved (or rescued) before the program ends.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::requested, &program, &Program::closeUnattended);
    QObject::connect(&terminationSignals, &TerminationSignals::displayLost, &program, &Program::closeUnattended,
                     Qt::DirectConnection);
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
                             program.saveUnattended();
                         }
                     });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &program, &Program::closeUnattended);

    program.start();
    // A termination signal during a question at start ends the program here.
    if (program.unattended())
        return 0;
    return app.exec();
}
