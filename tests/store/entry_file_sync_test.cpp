#include "store_fixture.h"

// What a folder kept in sync between machines needs of a save: nothing
// written when nothing changes, and never a new diary while the real one
// is only renamed or on its way.
namespace {

using EntryFileSync = EntryFileTest;

ino_t inodeOf(const QString& path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

class KeepingRecorder final : public DayRecorder
{
public:
    std::optional<FileError> record(Change, const QList<Day>&) override { return std::nullopt; }
    bool recordedLately(const QDate&, const QString&, qint64) const override { return false; }
    bool holdsEntries() const override { return true; }
};

} // namespace

TEST_F(EntryFileSync, ASaveThatChangesNoDayLeavesTheFileAsItIs)
{
    for (const QByteArray& bytes : {QByteArray("top\r\n*!*12/07/2026\r\na\r\n!*!\r\n"),
                                    QByteArray("\xEF\xBB\xBF*!*12/07/2026\na\n!*!\n")}) {
        put(bytes);
        const ino_t before = inodeOf(dataPath());
        save(july12, "a");
        save(july13, "", true);
        EXPECT_EQ(inodeOf(dataPath()), before);
        EXPECT_EQ(onDisk(), bytes);
        EXPECT_FALSE(exists(tempPath()));
    }
    // Where the day's entries are not as a save writes them, they are.
    put("*!*12/07/2026\r\na\r\n!*!\r\n*!*12/07/2026\r\n!*!\r\n");
    save(july12, "a");
    EXPECT_EQ(onDisk(), QByteArray("*!*12/07/2026\r\na\r\n!*!\r\n"));
}

TEST_F(EntryFileSync, AMissingDiaryIsNotMadeAnewWhileItsCopiesOrItsHistoryHoldEntries)
{
    const QByteArray entry = "*!*12/07/2026\r\nfrom the other machine\r\n!*!\r\n";
    for (const char* name : {"ojwdata.sync-conflict-20261207-183012-7KQ2FXM.txt",
                             "ojwdata (conflicted copy 2026-12-07 183012).txt",
                             "ojwdata (Ana's conflicted copy 2026-12-07).txt"}) {
        const QString copy = QDir(folder.path()).filePath(QString::fromUtf8(name));
        writeFileBytes(copy, entry);
        const EntryFile::SaveResult result = entries.save(july13, u"typed here", false, u"");
        ASSERT_TRUE(result.error) << name;
        EXPECT_TRUE(result.error->reason.contains(u"missing")) << result.error->reason.toStdString();
        EXPECT_TRUE(result.error->reason.contains(QString::fromUtf8(name))) << result.error->reason.toStdString();
        EXPECT_FALSE(exists(dataPath()));
        QFile::remove(copy);
    }
    KeepingRecorder history;
    entries.setRecorder(&history);
    EXPECT_TRUE(entries.clear().error);
    EXPECT_FALSE(exists(dataPath()));
    // A new diary is one where nothing of an old one is kept.
    entries.setRecorder(nullptr);
    writeFileBytes(QDir(folder.path()).filePath("ojwdata.sync-conflict-empty.txt"), "");
    save(july13, "typed here");
    EXPECT_EQ(onDisk(), QByteArray("*!*13/07/2026\r\ntyped here\r\n!*!\r\n"));
}
