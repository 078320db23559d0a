#include "crash_plan.h"
#include "history/history.h"
#include "store/entry_file.h"
#include "store/line_merge.h"
#include "files/folder_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <random>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// A saver process saves entries in a loop on a diary of thousands of
// entries and is killed with SIGKILL at random moments, hundreds of times.
// After every kill, the save lock is free at once, and the recovery the
// next start runs must leave an entry file that is complete and holds
// exactly the diary before the interrupted save or after it: never a mix,
// never a missing file.
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kills = 200;

struct Saver
{
    pid_t pid = -1;
    int output = -1; // the read end of its standard output
};

Saver startSaver(const QString& folder, int64_t firstStep)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    const QByteArray folderArg = QFile::encodeName(folder);
    const QByteArray stepArg = QByteArray::number(qint64(firstStep));
    char* argv[] = {const_cast<char*>(CRASH_SAVER), const_cast<char*>(folderArg.constData()),
                    const_cast<char*>(stepArg.constData()), nullptr};
    Saver saver;
    if (::posix_spawn(&saver.pid, CRASH_SAVER, &actions, nullptr, argv, environ) != 0)
        saver.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    saver.output = pipeEnds[0];
    return saver;
}

// The last step the saver reported as finished, or before when none.
int64_t lastFinished(int fd, int64_t before)
{
    QByteArray all;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        all.append(buffer, n);
    ::close(fd);
    const QList<QByteArray> lines = all.trimmed().split('\n');
    if (all.trimmed().isEmpty())
        return before;
    return lines.last().toLongLong();
}

bool exists(const QString& path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The folder's files and their sizes, for a failure's message.
std::string filesIn(const QString& folder)
{
    std::string list;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        list += file.fileName().toStdString() + " (" + std::to_string(file.size()) + " bytes) ";
    return list;
}

// How long the saver takes here to start and to finish one save, measured
// on a copy of the diary: the kills are timed by it, so that they land from
// before the first save to several saves in on a slow machine as on a fast one.
struct Pace
{
    double startMs = 0; // to the end of its first save, less one save
    double saveMs = 0;
};

Pace measurePace(const QByteArray& diary)
{
    QTemporaryDir folder;
    QFile file(QDir(folder.path()).filePath(QStringLiteral("ojwdata.txt")));
    if (!file.open(QIODevice::WriteOnly) || file.write(diary) != diary.size())
        return {};
    file.close();
    constexpr int saves = 5;
    const auto begin = Clock::now();
    const Saver saver = startSaver(folder.path(), 1);
    double firstMs = 0, lastMs = 0;
    int reported = 0;
    char buffer[4096];
    ssize_t n;
    while (reported < saves && (n = ::read(saver.output, buffer, sizeof buffer)) > 0) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        const int before = reported;
        reported += int(std::count(buffer, buffer + n, '\n'));
        if (before == 0)
            firstMs = ms;
        lastMs = ms;
    }
    ::kill(saver.pid, SIGKILL);
    ::waitpid(saver.pid, nullptr, 0);
    ::close(saver.output);
    const double saveMs = (lastMs - firstMs) / (saves - 1);
    return {std::max(0.0, firstMs - saveMs), saveMs};
}

} // namespace

TEST(KillDuringSave, EveryKillLeavesTheDiaryBeforeOrAfterTheInterruptedSave)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const DateSettings dates(CrashPlan::locale());
    EntryFile entries(folder.path(), dates);
    History history(folder.path(), CrashPlan::machine);
    entries.setRecorder(&history);

    CrashPlan::Diary diary(dates);
    diary.fill();
    QByteArray expected = diary.bytes();
    {
        QFile file(entries.path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(expected), expected.size());
    }

    // Kills land anywhere from the end of the saver's start-up to several
    // saves in: about two finished saves a kill, whatever the machine's speed.
    const Pace pace = measurePace(expected);
    ASSERT_GT(pace.saveMs, 0) << "the saver reports its saves";
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> delayMs(pace.startMs - 2 * pace.saveMs, pace.startMs + 5 * pace.saveMs);
    int64_t nextStep = 1;
    std::map<std::string, int> leftOnDisk;
    int before = 0, after = 0, keptBoth = 0;
    // A lock its killed holder kept would make the next copy wait.
    FolderLock::setMaxWait(std::chrono::milliseconds(0));
    const auto start = Clock::now();
    for (int kill = 1; kill <= kills; ++kill) {
        const Saver saver = startSaver(folder.path(), nextStep);
        ASSERT_GT(saver.pid, 0) << "the saver starts";
        ::usleep(useconds_t(std::max(0.0, delayMs(random)) * 1000));
        int status = 0;
        if (::waitpid(saver.pid, &status, WNOHANG) == 0) {
            ::kill(saver.pid, SIGKILL);
            ::waitpid(saver.pid, &status, 0);
        }
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the saver ran until it was killed (status " << status << ")";
        {
            FolderLock lock;
            const auto busy = lock.acquire(folder.path());
            ASSERT_FALSE(busy) << "kill " << kill << ": " << busy->message().toStdString();
        }
        const int64_t finished = lastFinished(saver.output, nextStep - 1);

        const bool dataThere = exists(entries.path());
        const bool tempThere = exists(entries.tempPath());
        ++leftOnDisk[std::string(dataThere ? "entry file" : "no entry file")
                     + (tempThere ? " and ojwtmp.txt" : "")];
        ASSERT_TRUE(dataThere || tempThere) << "kill " << kill << ": no diary left at all";

        const auto failure = entries.recover();
        ASSERT_FALSE(failure) << "kill " << kill << ": " << failure->message().toStdString()
                              << "\nin the folder: " << filesIn(folder.path());
        const QByteArray onDisk = bytesOf(entries.path());

        // Every text a reported save wrote is in the history, whole: no
        // kill costs a record made before it.
        for (int64_t step = nextStep; step <= finished; ++step) {
            if (CrashPlan::removes(step))
                continue; // on a day without an entry, a removal changes nothing
            const History::Read read = history.day(CrashPlan::dayOf(step));
            const QString text = CrashPlan::textOf(step);
            EXPECT_TRUE(std::any_of(read.records.begin(), read.records.end(),
                                    [&](const HistoryRecord& record) { return record.after == text; }))
                << "kill " << kill << ": the text of step " << step << " is not in the history";
        }

        // Every step the saver reported is in the file; the one it was in
        // the middle of may be, wholly or not at all.
        for (int64_t step = nextStep; step <= finished; ++step)
            diary.step(step);
        expected = diary.bytes();
        if (onDisk == expected) {
            ++before;
            nextStep = finished + 1;
            continue;
        }
        const int64_t cut = finished + 1;
        CrashPlan::Diary both = diary;
        diary.step(cut);
        expected = diary.bytes();
        nextStep = finished + 2;
        if (onDisk == expected) {
            ++after;
            continue;
        }
        // Killed after its file was written and before its record: the next
        // start found the file and no record, and kept both texts.
        const QDate day = CrashPlan::dayOf(cut);
        both.save(day, LineMerge::merge(QString(), both.textOn(day), CrashPlan::textOf(cut)).text, false);
        ASSERT_TRUE(onDisk == both.bytes())
            << "kill " << kill << " after step " << finished << ": the entry file is neither the diary before step "
            << cut << " nor after it, nor with both texts of its day (" << onDisk.size() << " bytes on disk)";
        const QList<HistoryRecord> records = history.day(day).records;
        EXPECT_FALSE(std::any_of(records.begin(), records.end(),
                                 [&](const HistoryRecord& record) { return record.after == CrashPlan::textOf(cut); }))
            << "kill " << kill << ": a save the history holds was not finished";
        diary = both;
        ++keptBoth;
    }

    std::printf("a save took %.1f ms after a start-up of %.1f ms\n", pace.saveMs, pace.startMs);
    std::printf("%d kills in %.1f s, %lld saves finished; after recovery the diary was as before the "
                "interrupted save %d times, as after it %d times, with both texts of its day %d times\n",
                kills, std::chrono::duration<double>(Clock::now() - start).count(),
                static_cast<long long>(nextStep - 1), before, after, keptBoth);
    for (const auto& [what, count] : leftOnDisk)
        std::printf("  left on disk at the kill: %s: %d\n", what.c_str(), count);
    FolderLock::setMaxWait(FolderLock::defaultWait);
    EXPECT_GT(nextStep, 100) << "the saver hardly ever finished a save";
}

// Clear All, killed at random moments: the diary is whole or empty, and
// once it is empty, the history holds every entry it erased.
TEST(KillDuringSave, EveryKillOfAClearAllLeavesTheDiaryOrItsEveryEntryInTheHistory)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const DateSettings dates(CrashPlan::locale());
    EntryFile entries(folder.path(), dates);
    History history(folder.path(), CrashPlan::machine);
    entries.setRecorder(&history);
    CrashPlan::Diary diary(dates);
    diary.fill();
    const QByteArray whole = diary.bytes();
    const auto putDiary = [&] {
        QFile::remove(history.path());
        QFile file(entries.path());
        return file.open(QIODevice::WriteOnly) && file.write(whole) == whole.size();
    };
    // Kills land from the saver's start to a little after a whole Clear All.
    ASSERT_TRUE(putDiary());
    const auto begin = Clock::now();
    const Saver timed = startSaver(folder.path(), 0);
    ::waitpid(timed.pid, nullptr, 0);
    ::close(timed.output);
    const double clearMs = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> delayMs(0, 1.2 * clearMs);
    FolderLock::setMaxWait(std::chrono::milliseconds(0));
    int kept = 0, erased = 0;
    for (int kill = 1; kill <= 40; ++kill) {
        ASSERT_TRUE(putDiary());
        const Saver saver = startSaver(folder.path(), 0);
        ::usleep(useconds_t(std::max(0.0, delayMs(random)) * 1000));
        ::kill(saver.pid, SIGKILL);
        ::waitpid(saver.pid, nullptr, 0);
        ::close(saver.output);
        ASSERT_FALSE(entries.recover());
        const QByteArray onDisk = bytesOf(entries.path());
        if (onDisk == whole) {
            ++kept;
            continue;
        }
        ASSERT_TRUE(onDisk.isEmpty()) << "kill " << kill << ": the diary is neither whole nor erased";
        const QList<HistoryRecord> records = history.ownFrom(0).records;
        ASSERT_EQ(records.size(), CrashPlan::diaryEntries) << "kill " << kill;
        for (const HistoryRecord& record : records) {
            ASSERT_EQ(record.change, DayRecorder::Change::Erased);
            ASSERT_TRUE(record.before.startsWith(QStringLiteral("Entry of %1").arg(record.day.toString(Qt::ISODate))));
        }
        ++erased;
    }
    FolderLock::setMaxWait(FolderLock::defaultWait);
    std::printf("a Clear All took %.1f ms; 40 kills: the diary was whole %d times, erased with its history %d "
                "times\n", clearMs, kept, erased);
    EXPECT_GT(kept, 0);
    EXPECT_GT(erased, 0);
}
