#include "app/command_line.h"

#include "app/program.h"
#include "platform/widgets/help_check.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QList>
#include <QPair>

#include <algorithm>
#include <cstdio>

namespace {

using Action = CommandLine::Action;

struct OwnOption
{
    QCommandLineOption option;
    Action action;
};

QCommandLineOption hidden(QCommandLineOption option)
{
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The program's own options, in the order they win when several are given.
// An option that takes a value names it as the third argument; hidden()
// keeps one out of the usage.
const QList<OwnOption>& ownOptions()
{
    static const QList<OwnOption> options = {
        {QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help and exit.")),
         Action::ShowHelp},
        {QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                            QStringLiteral("Show the program's name and version and exit.")),
         Action::ShowVersion},
        // The program runs itself with it to read a help file whole.
        {hidden(QCommandLineOption(QStringLiteral("check-help"), QString(), QStringLiteral("file"))),
         Action::CheckHelp},
    };
    return options;
}

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

QString optionNames(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += QStringLiteral(" <%1>").arg(option.valueName());
    return text;
}

} // namespace

CommandLine::CommandLine(const QStringList& arguments)
    : m_program(arguments.isEmpty() ? QStringLiteral("ojw") : QFileInfo(arguments.first()).fileName())
{
    QCommandLineParser parser;
    // Qt's options have one dash and long names: -platform, -style.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OwnOption& own : ownOptions())
        parser.addOption(own.option);
    for (const char* name : qtOptionsWithValue)
        parser.addOption(hidden(QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value"))));
    for (const char* name : qtSwitches)
        parser.addOption(hidden(QCommandLineOption(QString::fromLatin1(name))));

    if (!parser.parse(arguments.isEmpty() ? QStringList{m_program} : arguments)) {
        m_action = Action::Misuse;
        m_error = parser.errorText();
        return;
    }
    if (!parser.positionalArguments().isEmpty()) {
        m_action = Action::Misuse;
        m_error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
        return;
    }
    for (const OwnOption& own : ownOptions()) {
        if (parser.isSet(own.option)) {
            m_action = own.action;
            if (!own.option.valueName().isEmpty())
                m_value = parser.value(own.option);
            return;
        }
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
    QString text = QStringLiteral(
        "Usage: %1 [options]\n"
        "\n"
        "Ombrel JotWell, a diary: one free-text entry per calendar day, one day\n"
        "shown at a time. The diary lives beside the program, in the folder that\n"
        "holds it: ojwdata.txt (the entries) and ojwconfig.txt (the pad's look).\n"
        "\n"
        "Options:\n").arg(m_program);
    QList<QPair<QString, QString>> rows;
    qsizetype width = 0;
    for (const OwnOption& own : ownOptions()) {
        if (own.option.flags() & QCommandLineOption::HiddenFromHelp)
            continue;
        rows.append({optionNames(own.option), own.option.description()});
        width = std::max(width, rows.last().first.size());
    }
    for (const auto& [names, description] : rows)
        text += QStringLiteral("  %1  %2\n").arg(names, -int(width)).arg(description);
    text += QStringLiteral(
        "\n"
        "Qt's own options, such as -platform <name> and -style <name>, work as in\n"
        "any Qt program.\n");
    return text;
}

QString CommandLine::version()
{
    return Program::title() + QStringLiteral(" " OJW_VERSION);
}
