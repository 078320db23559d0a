#include "syncthing_peer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

// Two machines share a diary through two real Syncthing instances. While
// the link is cut, each writes a day of its own and both write the same
// day; once the link is back, the service keeps one diary and renames the
// other, and the program's merge of that copy must leave both machines
// with every word that either wrote, each exactly once.
namespace {

constexpr int waitMs = 60000;

// What the diary's files in a folder hold: the entry file, the histories
// and the conflict copies, by name.
QMap<QString, QByteArray> diaryFiles(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        if (name.startsWith(u".syncthing.") || name.startsWith(u"ojwdata.lock"))
            continue;
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    }
    return files;
}

// The entry file's conflict copies (not the lock's, should it have any).
QStringList conflictCopies(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("ojwdata.sync-conflict-*.txt")}, QDir::Files | QDir::Hidden);
}

bool waitFor(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(waitMs);
    while (!deadline.hasExpired()) {
        if (done())
            return true;
        QThread::msleep(50);
    }
    return done();
}

struct Machine
{
    QString id;
    SyncthingPeer peer;
    QString folder() const { return peer.folder(); }
};

// Runs the program's copy on one machine; its output for a failure.
QString runDiary(const Machine& machine, const QStringList& args)
{
    QProcess diary;
    diary.setProcessChannelMode(QProcess::MergedChannels);
    diary.start(QStringLiteral(SYNCTHING_DIARY), QStringList{machine.folder(), machine.id} + args);
    if (!diary.waitForFinished(waitMs) || diary.exitStatus() != QProcess::NormalExit || diary.exitCode() != 0)
        return QStringLiteral("syncthing_diary %1 failed: %2").arg(args.join(u' '), QString::fromLocal8Bit(diary.readAll()));
    return {};
}

class TwoMachines : public testing::Test
{
protected:
    void SetUp() override
    {
        took.start();
        if (SyncthingPeer::binary().isEmpty())
            GTEST_SKIP() << "the syncthing binary is not installed (scripts/test installs it)";
        ASSERT_TRUE(temp.isValid());
        a.id = QStringLiteral("a");
        b.id = QStringLiteral("b");
        ASSERT_TRUE(a.peer.prepare(temp.filePath(QStringLiteral("home-a")), temp.filePath(QStringLiteral("A")), a.id))
            << qPrintable(a.peer.error());
        ASSERT_TRUE(b.peer.prepare(temp.filePath(QStringLiteral("home-b")), temp.filePath(QStringLiteral("B")), b.id))
            << qPrintable(b.peer.error());
        ASSERT_TRUE(a.peer.start(b.peer)) << qPrintable(a.peer.error());
        ASSERT_TRUE(b.peer.start(a.peer)) << qPrintable(b.peer.error());
        ASSERT_TRUE(waitFor([&] { return a.peer.connectedTo(b.peer) && b.peer.connectedTo(a.peer); }))
            << "the instances did not connect\n" << qPrintable(a.peer.logTail());
    }

    // Both folders hold the same diary files, and the entry file is there.
    bool inSync()
    {
        const auto inA = diaryFiles(a.folder());
        return inA.contains(QString::fromLatin1("ojwdata.txt")) && inA == diaryFiles(b.folder());
    }

    void expectInSync(const char* when)
    {
        QElapsedTimer waited;
        waited.start();
        EXPECT_TRUE(waitFor([&] { return inSync(); }))
            << when << ": the folders did not converge within a minute\nA: "
            << diaryFiles(a.folder()).keys().join(u' ').toStdString() << "\nB: "
            << diaryFiles(b.folder()).keys().join(u' ').toStdString();
        std::printf("%s: in sync after %.1f s\n", when, waited.elapsed() / 1000.0);
    }

    void setLink(bool up)
    {
        for (auto [from, to] : {std::pair{&a, &b}, std::pair{&b, &a}})
            ASSERT_TRUE(up ? from->peer.resume(to->peer) : from->peer.pause(to->peer)) << qPrintable(from->peer.error());
        if (!up) {
            ASSERT_TRUE(waitFor([&] { return !a.peer.connectedTo(b.peer) && !b.peer.connectedTo(a.peer); }))
                << "the link did not go down";
        }
    }

    QElapsedTimer took;
    QTemporaryDir temp;
    Machine a;
    Machine b;
};

TEST_F(TwoMachines, daysWrittenWhileTheLinkWasCutAreAllKeptOnceOnBoth)
{
    std::printf("the instances started and connected in %.1f s\n", took.elapsed() / 1000.0);
    // The diary both machines start from.
    ASSERT_EQ(runDiary(a, {"save", "2026-12-03", "Shared line."}), QString());
    ASSERT_EQ(runDiary(a, {"save", "2026-12-04", "golf hotel"}), QString());
    expectInSync("the first diary");
    ASSERT_FALSE(HasFailure());

    setLink(false);
    ASSERT_EQ(runDiary(a, {"save", "2026-12-01", "alpha apricot"}), QString());
    ASSERT_EQ(runDiary(b, {"save", "2026-12-02", "bravo banana"}), QString());
    ASSERT_EQ(runDiary(a, {"save", "2026-12-03", "Shared line.", "kilo lima"}), QString());
    ASSERT_EQ(runDiary(b, {"save", "2026-12-03", "Shared line.", "mike november"}), QString());
    // Each side has seen its own changes before the other's arrive.
    ASSERT_TRUE(a.peer.scan()) << qPrintable(a.peer.error());
    ASSERT_TRUE(b.peer.scan()) << qPrintable(b.peer.error());
    setLink(true);

    // The service settles: one diary on both, with or without a renamed
    // copy of the other.
    expectInSync("after the link came back");
    ASSERT_FALSE(HasFailure());
    std::printf("conflict copies: %s\n", qPrintable(conflictCopies(a.folder()).join(u' ')));

    // The program merges on one machine, then the other's copy sees the
    // folder change and runs the same merge.
    ASSERT_EQ(runDiary(a, {"merge"}), QString());
    expectInSync("after the first merge");
    ASSERT_EQ(runDiary(b, {"merge"}), QString());
    expectInSync("after the second merge");
    EXPECT_EQ(conflictCopies(a.folder()) + conflictCopies(b.folder()), QStringList()) << "a conflict copy was left";

    const QStringList words = {"Shared", "line.", "golf", "hotel", "alpha", "apricot", "bravo",
                               "banana", "kilo", "lima", "mike", "november"};
    for (const Machine* machine : {&a, &b}) {
        const QString diary = QString::fromUtf8(diaryFiles(machine->folder()).value(QStringLiteral("ojwdata.txt")));
        const QStringList tokens = diary.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        for (const QString& word : words)
            EXPECT_EQ(tokens.count(word), 1) << "machine " << qPrintable(machine->id) << ", word " << qPrintable(word)
                                             << "\n" << qPrintable(diary);
    }
    std::printf("the two-machine test took %.1f s\n", took.elapsed() / 1000.0);
}

} // namespace
