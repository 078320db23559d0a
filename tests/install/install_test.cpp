#include "platform/widgets/chm_file.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QString run(const QString& program, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

class Installed : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        folder = QDir(home.path()).filePath(QStringLiteral("Jot \"Well\" 100% $HOME `id`"));
        // As scripts/run installs it.
        int code = 0;
        const QString output = run(QStringLiteral("cmake"),
                                   {QStringLiteral("--install"), QStringLiteral(OJW_BUILD_DIR),
                                    QStringLiteral("--prefix"), folder, QStringLiteral("--strip")},
                                   &code);
        ASSERT_EQ(code, 0) << output.toStdString();
    }

    QTemporaryDir home;
    // With the characters a desktop entry must quote or escape: a space,
    // quotes, a percent sign, a dollar sign and backquotes. (A backslash
    // too, but cmake cannot install into such a folder.)
    QString folder;
};

TEST_F(Installed, FolderHoldsTheProgramItsHelpAndItsIcon)
{
    const QDir dir(folder);
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("ojw"))).isExecutable());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("ombrel-jotwell.png"))));

    ChmFile help;
    const auto error = help.open(dir.filePath(QStringLiteral("OJW.chm")));
    ASSERT_FALSE(error.has_value()) << error->toStdString();
    EXPECT_TRUE(help.read(help.defaultTopic()).has_value());
}

TEST_F(Installed, ProgramCarriesNoDebugInformationWhereTheBuildDoes)
{
    const QString installed = run(QStringLiteral("readelf"),
                                  {QStringLiteral("-S"), QDir(folder).filePath(QStringLiteral("ojw"))});
    EXPECT_TRUE(installed.contains(QStringLiteral(".text"))) << installed.toStdString();
    EXPECT_FALSE(installed.contains(QStringLiteral(".debug_info"))) << installed.toStdString();
    const QString built = run(QStringLiteral("readelf"), {QStringLiteral("-S"), QStringLiteral(OJW_PROGRAM)});
    EXPECT_TRUE(built.contains(QStringLiteral(".debug_info"))) << built.toStdString();
}

TEST_F(Installed, ProgramStartsFromItsFolderAndSavesOnTermination)
{
    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.setWorkingDirectory(home.path()); // anywhere but its own folder
    // No display, no platform in the environment: Qt's own options choose
    // one, past the program's command line.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(environment);
    program.start(QDir(folder).filePath(QStringLiteral("ojw")),
                  {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-style=fusion")});
    ASSERT_TRUE(program.waitForStarted(10000));
    // Still running after a moment: it found what it needs and waits for the user.
    EXPECT_FALSE(program.waitForFinished(1500)) << program.readAll().toStdString();
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAll().toStdString();
    // Its files are beside it, not in the folder it was started from.
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath(QStringLiteral("ojwconfig.txt"))));
    EXPECT_FALSE(QFile::exists(QDir(home.path()).filePath(QStringLiteral("ojwconfig.txt"))));
}

TEST_F(Installed, DesktopEntryValidatesAndNamesTheFolder)
{
    const QString entry = QDir(home.path()).filePath(QStringLiteral("ombrel-jotwell.desktop"));
    int code = 0;
    QString output = run(QStringLiteral("bash"),
                         {QStringLiteral("-c"),
                          QStringLiteral("source \"$0\" && write_desktop_entry \"$1\" \"$2\""),
                          QStringLiteral(OJW_SOURCE_DIR "/scripts/lib/desktop_entry.sh"), folder, entry},
                         &code);
    ASSERT_EQ(code, 0) << output.toStdString();
    output = run(QStringLiteral("desktop-file-validate"), {entry}, &code);
    EXPECT_EQ(code, 0) << output.toStdString();
    EXPECT_EQ(output.toStdString(), ""); // not even a hint

    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    // Exec: one argument in double quotes, where ", `, $ and \ take a
    // backslash, itself doubled as in any string value, and % is doubled.
    EXPECT_TRUE(text.contains(
        QStringLiteral("\nExec=\"%1/Jot \\\\\"Well\\\\\" 100%% \\\\$HOME \\\\`id\\\\`/ojw\"\n").arg(home.path())))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nPath=%1\n").arg(folder))) << text.toStdString();
    // One main category: the menu lists the diary once.
    EXPECT_TRUE(text.contains(QStringLiteral("\nCategories=Office;\n"))) << text.toStdString();
}

} // namespace
