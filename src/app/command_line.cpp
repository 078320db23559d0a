#include "app/command_line.h"

#include "app/program.h"
#include "platform/widgets/help_check.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace {

// Qt's own options, as QGuiApplication, QApplication and the X11 platform
// take them out of the command line: accepted here and left to them.
const char* const qtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "geometry", "icon", "title", "display", "name", "visual", "session", "style",
    "stylesheet", "qmljsdebugger",
};
const char* const qtSwitches[] = {
    "reverse", "testability", "widgetcount", "nograb", "dograb", "qdevel", "qdebug",
};

} // namespace

CommandLine::CommandLine(const QStringList& arguments)
    : m_program(arguments.isEmpty() ? QStringLiteral("ojw") : QFileInfo(arguments.first()).fileName())
{
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    // The program runs itself with it to read a help file whole.
    const QCommandLineOption checkHelp(QStringLiteral("check-help"), QString(), QStringLiteral("file"));
    QCommandLineParser parser;
    // Qt's options have one dash and long names: -platform, -style.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({help, version, checkHelp});
    for (const char* name : qtOptionsWithValue)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    for (const char* name : qtSwitches)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    if (!parser.parse(arguments.isEmpty() ? QStringList{m_program} : arguments)) {
        m_action = Action::Misuse;
        m_error = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        m_action = Action::Misuse;
        m_error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
    } else if (parser.isSet(help)) {
        m_action = Action::ShowHelp;
    } else if (parser.isSet(version)) {
        m_action = Action::ShowVersion;
    } else if (parser.isSet(checkHelp)) {
        m_action = Action::CheckHelp;
        m_value = parser.value(checkHelp);
    }
}

CommandLine::CommandLine(int argc, const char* const* argv)
    : CommandLine([argc, argv] {
          QStringList arguments;
          for (int i = 0; i < argc; ++i)
              arguments << QString::fromLocal8Bit(argv[i]);
          return arguments;
      }())
{
}

int CommandLine::respond() const
{
    switch (m_action) {
    case Action::ShowHelp:
        std::fputs(qPrintable(usage()), stdout);
        return 0;
    case Action::ShowVersion:
        std::fputs(qPrintable(version() + QLatin1Char('\n')), stdout);
        return 0;
    case Action::CheckHelp:
        return HelpCheck::checkWhole(m_value) ? 0 : 1;
    case Action::Misuse:
    case Action::Run:
        break;
    }
    std::fputs(qPrintable(QStringLiteral("%1: %2\n\n%3").arg(m_program, m_error, usage())), stderr);
    return 2;
}

QString CommandLine::usage() const
{
    return QStringLiteral(
               "Usage: %1 [options]\n"
               "\n"
               "Ombrel JotWell, a diary: one free-text entry per calendar day, one day\n"
               "shown at a time. The diary lives beside the program, in the folder that\n"
               "holds it: ojwdata.txt (the entries) and ojwconfig.txt (the pad's look).\n"
               "\n"
               "Options:\n"
               "  -h, --help     Show this help and exit.\n"
               "  -v, --version  Show the program's name and version and exit.\n"
               "\n"
               "Qt's own options, such as -platform <name> and -style <name>, work as in\n"
               "any Qt program.\n")
        .arg(m_program);
}

QString CommandLine::version()
{
    return Program::title() + QStringLiteral(" " OJW_VERSION);
}
