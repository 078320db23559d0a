#include "store/entry_file.h"
#include "files/posix_io.h"

#include "store_fixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Files no editor would write, and two copies of the program saving at
// once: nothing crashes, what can be read is read, and nothing that was not
// rewritten is lost.
namespace {

const QDate july10(2026, 7, 10);

// A folder for files of hundreds of megabytes: a file system in memory
// where the tests may mount one (they run as root in CI), so that the time
// goes into the program's work rather than the disk's; the temporary folder
// otherwise.
class BigFolder
{
public:
    explicit BigFolder(const QString& parent) : m_path(parent + "/big")
    {
        QDir().mkdir(m_path);
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", 0, "size=1g") == 0;
    }
    ~BigFolder()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    const QString& path() const { return m_path; }

private:
    QString m_path;
    bool m_mounted = false;
};

class HostileEntryFile : public EntryFileTest
{
protected:
    // The file's bytes through a hash, without holding them in memory.
    static QByteArray hashOf(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QCryptographicHash hash(QCryptographicHash::Sha1);
        EXPECT_TRUE(hash.addData(&file));
        return hash.result();
    }
};

} // namespace

TEST_F(HostileEntryFile, TwoHundredMegabytes)
{
    // Entries of 20 kB each, a block of them written again and again.
    QByteArray block;
    for (int day = 1; day <= 10; ++day)
        block += "*!*" + QByteArray::number(day).rightJustified(2, '0') + "/06/2026\r\n"
                 + QByteArray(100, 'x').append("\r\n").repeated(198) + "!*!\r\n";
    const int blocks = int(200 * 1024 * 1024 / block.size()) + 1;
    const BigFolder disk(folder.path());
    const EntryFile big(disk.path(), dates);
    {
        QFile file(big.path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < blocks; ++i)
            ASSERT_EQ(file.write(block), block.size());
        ASSERT_EQ(file.write("*!*12/07/2026\r\nold\r\n!*!\r\n"), 25);
    }
    ASSERT_GT(QFileInfo(big.path()).size(), 200 * 1024 * 1024);

    QString text;
    EXPECT_FALSE(big.load(july12, text));
    EXPECT_EQ(text, "old");
    EXPECT_FALSE(saveShown(big, july12, u"new").error);
    QCryptographicHash expected(QCryptographicHash::Sha1);
    for (int i = 0; i < blocks; ++i)
        expected.addData(block);
    expected.addData(QByteArrayView("*!*12/07/2026\r\nnew\r\n!*!\r\n"));
    EXPECT_EQ(hashOf(big.path()), expected.result());
}

TEST_F(HostileEntryFile, LongLinesNulBytesAndLongHeaders)
{
    // Written and compared in pieces: every copy of 50 MB costs time.
    const QByteArray hugeLine(50 * 1024 * 1024, 'w');
    const QByteArray nul("\0", 1);
    const QByteArray rest = "\r\n!*!\r\n*!*" + QByteArray(10000, '7') + "\r\n*!*12/07/2026 "
                            + QByteArray(9986, 'x') + "\r\nnot 12 July\r\n!*!\r\n" + nul + nul + "stray"
                            + nul + "\r\n*!*12/07/2026\r\na" + nul + "b\r\n!*!\r\n";
    const BigFolder disk(folder.path());
    const EntryFile big(disk.path(), dates);
    const auto load = [&big](const QDate& day) {
        QString text;
        EXPECT_FALSE(big.load(day, text));
        return text;
    };
    {
        QFile file(big.path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("*!*10/07/2026\r\n");
        file.write(hugeLine);
        file.write(rest);
    }
    EXPECT_EQ(load(july12), QString::fromUtf8("a\0b", 3));
    EXPECT_EQ(load(july10).size(), hugeLine.size());

    EXPECT_FALSE(saveShown(big, july13, QString::fromUtf8("c\0d", 3)).error);
    QCryptographicHash expected(QCryptographicHash::Sha1);
    expected.addData(QByteArrayView("*!*10/07/2026\r\n"));
    expected.addData(hugeLine);
    expected.addData(rest);
    expected.addData("*!*13/07/2026\r\nc" + nul + "d\r\n!*!\r\n");
    EXPECT_EQ(hashOf(big.path()), expected.result());
    EXPECT_EQ(load(july13), QString::fromUtf8("c\0d", 3));
}

TEST_F(HostileEntryFile, FilesThatAreNoFilesAreNeitherReadNorReplaced)
{
    // A FIFO, and a link that leads nowhere (the synced folder it points
    // into is not mounted, say).
    const QByteArray native = QFile::encodeName(dataPath());
    for (const bool fifo : {true, false}) {
        SCOPED_TRACE(fifo ? "FIFO" : "dangling link");
        ::unlink(native.constData());
        if (fifo)
            ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
        else
            ASSERT_EQ(::symlink("missing/ojwdata.txt", native.constData()), 0);
        QString text = "before";
        const auto loadFailure = entries.load(july12, text);
        ASSERT_TRUE(loadFailure);
        EXPECT_EQ(loadFailure->file, dataPath());
        EXPECT_EQ(loadFailure->reason,
                  fifo ? PosixIo::notRegularReason() : PosixIo::danglingLinkReason());
        for (const auto& failure : {saveShown(entries, july12, u"a").error, entries.clear().error}) {
            ASSERT_TRUE(failure);
            EXPECT_EQ(failure->file, dataPath());
        }
        struct stat status;
        ASSERT_EQ(::lstat(native.constData(), &status), 0);
        EXPECT_TRUE(fifo ? S_ISFIFO(status.st_mode) : S_ISLNK(status.st_mode));
        EXPECT_FALSE(exists(tempPath()));
    }
}

TEST_F(HostileEntryFile, TwoCopiesSavingOneDayAtOnce)
{
    const QByteArray before = "stray\r\n*!*10/07/2026\r\nten\r\n!*!\r\n";
    const QByteArray after = "*!*13/07/2026\r\nthirteen\r\n!*!\r\ntail\r\n";
    put(before + "*!*12/07/2026\r\nstart\r\n!*!\r\n" + after);

    std::atomic<bool> running{true};
    std::atomic<int> broken{0};
    std::atomic<int> merges{0};
    QString lastText[2];
    const auto copy = [&](int id) {
        // A copy of the program of its own: own settings, own entry file.
        DateSettings ownDates(QLocale(QLocale::English, QLocale::UnitedKingdom));
        EntryFile own(folder.path(), ownDates);
        for (int i = 0; i < 60; ++i) {
            QString shown;
            if (own.load(july12, shown)) {
                ++broken;
                continue;
            }
            // The user types for a moment, while the other copy may save.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const QString typed = QStringLiteral("copy%1line%2").arg(id).arg(i);
            const EntryFile::SaveResult result = own.save(july12, typed, false, shown);
            if (result.error) {
                ++broken;
                continue;
            }
            // Either the day held what this copy had shown, or the other
            // copy's changes are merged in and this copy's word is kept.
            if (result.merged) {
                ++merges;
                if (!result.text.split(u' ').contains(typed))
                    ++broken;
            } else if (result.text != typed) {
                ++broken;
            }
            lastText[id] = result.text;
        }
    };
    std::thread watcher([&] {
        while (running) {
            const QByteArray bytes = onDisk();
            const QByteArray middle = bytes.sliced(before.size()).chopped(after.size());
            if (!bytes.startsWith(before) || !bytes.endsWith(after)
                || !middle.startsWith("*!*12/07/2026\r\n") || !middle.endsWith("\r\n!*!\r\n")
                || middle.count("!*!\r\n") != 1)
                ++broken;
        }
    });
    std::thread first(copy, 0);
    std::thread second(copy, 1);
    first.join();
    second.join();
    running = false;
    watcher.join();

    EXPECT_EQ(broken, 0);
    const QString final = loaded(july12);
    EXPECT_TRUE(final == lastText[0] || final == lastText[1]) << final.toStdString();
    EXPECT_EQ(loaded(july10), "ten");
    EXPECT_EQ(loaded(july13), "thirteen");
    EXPECT_FALSE(exists(tempPath()));
    RecordProperty("merges", merges.load());
}
