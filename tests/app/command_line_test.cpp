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

TEST(CommandLineTest, QtsOwnOptionsPassAndOursAreRecognised)
{
    EXPECT_EQ(parse({}).action(), Action::Run);
    EXPECT_EQ(parse({"-platform", "xcb", "-style=fusion", "--style", "Fusion", "-reverse", "-session", "1_2"})
                  .action(),
              Action::Run);
    EXPECT_EQ(parse({"-h"}).action(), Action::ShowHelp);
    EXPECT_EQ(parse({"-platform", "xcb", "-v"}).action(), Action::ShowVersion);

    const struct
    {
        QStringList arguments;
        const char* error;
    } misuses[] = {
        {{"-x", "--help"}, "Unknown option 'x'."},
        {{"--", "-h"}, "Unexpected argument '-h'."},
        {{"-platform"}, "Missing value after '-platform'."},
    };
    for (const auto& misuse : misuses) {
        const CommandLine line = parse(misuse.arguments);
        EXPECT_EQ(line.action(), Action::Misuse);
        EXPECT_EQ(line.error(), misuse.error);
    }
}

// The built program, started without any display: its answers need none,
// and no window is ever tried.
TEST(CommandLineTest, ProgramAnswersOnItsStreamsWithItsExitCode)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    const auto run = [&environment](const QStringList& arguments) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(OJW_PROGRAM), arguments);
        program.waitForFinished(30000);
        return std::tuple{program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                          QString::fromLocal8Bit(program.readAllStandardOutput()).toStdString(),
                          QString::fromLocal8Bit(program.readAllStandardError()).toStdString()};
    };

    EXPECT_EQ(run({"--version"}), std::tuple(0, "Ombrel JotWell 1.0\n", ""));

    auto [code, out, err] = run({"--help"});
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(out.starts_with("Usage: ojw [options]\n")) << out;
    EXPECT_NE(out.find("beside the program"), std::string::npos) << out;
    EXPECT_NE(out.find("  -h, --help     Show this help and exit.\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("platformtheme"), std::string::npos) << out;
    EXPECT_EQ(err, "");

    std::tie(code, out, err) = run({"-style", "fusion", "notes.txt"});
    EXPECT_EQ(code, 2);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(err.starts_with("ojw: Unexpected argument 'notes.txt'.\n\nUsage: ojw [options]\n")) << err;
}

} // namespace
