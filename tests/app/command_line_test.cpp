#include "app/command_line.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

using Action = CommandLine::Action;

CommandLine parse(const QStringList& arguments)
{
    return CommandLine(QStringList{QStringLiteral("/opt/diary/ojw")} + arguments);
}

TEST(CommandLineTest, QtsOwnOptionsStartTheDiaryAndOursAnswer)
{
    EXPECT_EQ(parse({}).action(), Action::Run);
    EXPECT_EQ(parse({"-platform", "offscreen", "-style=fusion", "--style", "Fusion", "-reverse",
                     "-session", "1234_5", "-stylesheet", "pad.qss"})
                  .action(),
              Action::Run);

    EXPECT_EQ(parse({"--help"}).action(), Action::ShowHelp);
    EXPECT_EQ(parse({"-h"}).action(), Action::ShowHelp);
    EXPECT_EQ(parse({"-platform", "xcb", "--version"}).action(), Action::ShowVersion);
    EXPECT_EQ(parse({"-v"}).action(), Action::ShowVersion);
    EXPECT_EQ(CommandLine::version(), "Ombrel JotWell 1.0");

    const QString usage = parse({"--help"}).usage();
    EXPECT_TRUE(usage.startsWith("Usage: ojw [options]\n")) << usage.toStdString();
    EXPECT_TRUE(usage.contains("beside the program")) << usage.toStdString();
    EXPECT_TRUE(usage.contains("  -h, --help     Show this help and exit.\n")) << usage.toStdString();
    EXPECT_TRUE(usage.contains("  -v, --version  ")) << usage.toStdString();
    EXPECT_FALSE(usage.contains("platformtheme")) << usage.toStdString();
}

TEST(CommandLineTest, UnknownOptionsAndStrayArgumentsAreMisuse)
{
    const struct
    {
        QStringList arguments;
        const char* error;
    } cases[] = {
        {{"--bogus"}, "Unknown option 'bogus'."},
        {{"-x", "--help"}, "Unknown option 'x'."},
        {{"diary.txt"}, "Unexpected argument 'diary.txt'."},
        {{"--", "-h"}, "Unexpected argument '-h'."},
        {{"-platform"}, "Missing value after '-platform'."},
        {{"--version=2"}, "Unexpected value after '--version'."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.action(), Action::Misuse);
        EXPECT_EQ(line.error(), c.error);
    }
}

// The built program, started without any display: the answers need none,
// and no window is ever tried.
struct Answer
{
    int exitCode = -1;
    QString out;
    QString err;
};

Answer runProgram(const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(OJW_PROGRAM), arguments);
    program.waitForFinished(30000);
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromLocal8Bit(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
}

TEST(CommandLineTest, ProgramAnswersOnItsStreamsWithItsExitCode)
{
    Answer answer = runProgram({"--version"});
    EXPECT_EQ(answer.exitCode, 0);
    EXPECT_EQ(answer.out, "Ombrel JotWell 1.0\n");
    EXPECT_EQ(answer.err, "");

    answer = runProgram({"--help"});
    EXPECT_EQ(answer.exitCode, 0);
    EXPECT_TRUE(answer.out.startsWith("Usage: ojw [options]")) << answer.out.toStdString();
    EXPECT_EQ(answer.err, "");

    answer = runProgram({"--frobnicate"});
    EXPECT_EQ(answer.exitCode, 2);
    EXPECT_EQ(answer.out, "");
    EXPECT_TRUE(answer.err.startsWith("ojw: Unknown option 'frobnicate'.\n\nUsage: ojw [options]"))
        << answer.err.toStdString();

    answer = runProgram({"-style", "fusion", "notes.txt"});
    EXPECT_EQ(answer.exitCode, 2);
    EXPECT_TRUE(answer.err.startsWith("ojw: Unexpected argument 'notes.txt'.")) << answer.err.toStdString();
}

} // namespace
