#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of the program. It is read before the
// application object exists, so `ojw --help` answers in a terminal without
// a display. Qt's own options (-platform, -style, -session, ...) are
// accepted and left where they are, for the application object to take.
class CommandLine
{
public:
    enum class Action {
        Run, // start the diary
        ShowHelp, // the usage on standard output, exit 0
        ShowVersion, // name and version on standard output, exit 0
        Misuse, // what is wrong and the usage on standard error, exit 2
        CheckHelp, // read the help file value() whole (HelpCheck), exit 0 if it reads
    };

    // arguments: the whole command line, the program's name first.
    explicit CommandLine(const QStringList& arguments);
    CommandLine(int argc, const char* const* argv);

    Action action() const { return m_action; }
    // The value given to the option that chose the action, if it takes one.
    const QString& value() const { return m_value; }
    // For Misuse: what is wrong, in one line.
    const QString& error() const { return m_error; }

    // For the actions that only answer: writes the answer where it belongs
    // and returns the process's exit code.
    int respond() const;

    QString usage() const;
    static QString version();

private:
    QString m_program; // the name it was started by, for the usage
    Action m_action = Action::Run;
    QString m_value;
    QString m_error;
};
