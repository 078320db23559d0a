#include "settings/settings_file.h"
#include "files/posix_io.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <ostream>
#include <sys/stat.h>

inline void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << '"' << bytes.toPercentEncoding(" ").toStdString() << '"';
}

inline void PrintTo(const Settings& s, std::ostream* out)
{
    *out << '{' << s.fontName.toStdString() << ", " << s.fontBold << ", " << s.fontItalic << ", "
         << s.fontSize << ", " << s.foreColor << ", " << s.backColor << ", " << s.dateStyle << '}';
}

namespace {

mode_t permissionsOf(const QString& path)
{
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : mode_t(-1);
}

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);

// What the pad has before any settings file is read.
const Settings defaults{"Monospace", false, false, 10, -2147483640, -2147483643, 1};

class SettingsFileTest : public testing::Test
{
protected:
    QTemporaryDir folder;
    SettingsFile file{folder.path(), english};

    QString path(const char* name) const { return QDir(folder.path()).filePath(QString::fromLatin1(name)); }

    QByteArray onDisk() const
    {
        QFile in(file.path());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    void writeOnDisk(const QByteArray& bytes)
    {
        QFile out(file.path());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }

    Settings loaded(const SettingsFile& from) const
    {
        Settings values = defaults;
        const auto failure = from.load(values);
        EXPECT_FALSE(failure) << failure->message().toStdString();
        return values;
    }
    Settings loaded() const { return loaded(file); }
};

TEST_F(SettingsFileTest, SavedValuesLoadBackExactly)
{
    const Settings chosen{"Courier New", true, true, 9.75f, -2147483640, 0x00FFC0C0, 2};
    for (const QLocale& locale : {english, german}) {
        SettingsFile localFile(folder.path(), locale);
        ASSERT_FALSE(localFile.save(chosen));
        EXPECT_EQ(loaded(localFile), chosen);
    }
    // No temporary file is left behind.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("ojwconfig.txt")});
}

TEST_F(SettingsFileTest, WritesTheSevenLinesInTheirForms)
{
    ASSERT_FALSE(file.save({"MS Sans Serif", false, true, 12, -2147483640, -2147483643, 1}));
    EXPECT_EQ(onDisk(), QByteArray("MS Sans Serif\r\nFalse\r\nTrue\r\n 12 \r\n"
                                   "-2147483640 \r\n-2147483643 \r\n 1 \r\n"));
    EXPECT_EQ(permissionsOf(file.path()), 0600u);

    const auto sizeLine = [](const SettingsFile& f, float size) {
        return f.format({"A", true, false, size, 255, 16777215, 2}).split('\n').at(3);
    };
    EXPECT_EQ(sizeLine(file, 8.25f), " 8.25 \r");
    EXPECT_EQ(sizeLine(file, 10.1f), " 10.1 \r");
    EXPECT_EQ(sizeLine(file, 9.1234567f), " 9.123457 \r");
    EXPECT_EQ(sizeLine(SettingsFile(folder.path(), german), 8.25f), " 8,25 \r");
    EXPECT_EQ(file.format({"A", true, false, 8, 255, 16777215, 2}).mid(3),
              QByteArray("True\r\nFalse\r\n 8 \r\n 255 \r\n 16777215 \r\n 2 \r\n"));
}

TEST_F(SettingsFileTest, AFileReadAndWrittenBackKeepsItsBytes)
{
    // A font that is not installed here, among others.
    const QByteArray bytes("  Some Font Not Here \r\nTrue\r\nFalse\r\n 9,75 \r\n 12632256 \r\n"
                           "-2147483643 \r\n 2 \r\n");
    writeOnDisk(bytes);
    SettingsFile germanFile(folder.path(), german);
    ASSERT_FALSE(germanFile.save(loaded(germanFile)));
    EXPECT_EQ(onDisk(), bytes);
    // The same file reads under a locale with the other separator.
    EXPECT_EQ(loaded().fontSize, 9.75f);
}

TEST_F(SettingsFileTest, MissingShortLongAndBadFilesLoadWhatTheyCan)
{
    writeOnDisk("Arial\r\nTrue\r\nTrue\r\n 14 \r\n 255 \r\n 0 \r\n 2 \r\nmore\r\n 1 \r\n");
    EXPECT_EQ(loaded(), Settings({"Arial", true, true, 14, 255, 0, 2}));
    ASSERT_TRUE(QFile::remove(file.path()));

    // First run: nothing to read, and that is no failure.
    EXPECT_EQ(loaded(), defaults);

    writeOnDisk("Arial\r\nTrue\r\n");
    EXPECT_EQ(loaded(), Settings({"Arial", true, false, 10, -2147483640, -2147483643, 1}));
    // The next write is complete again.
    ASSERT_FALSE(file.save(loaded()));
    EXPECT_EQ(onDisk().count("\r\n"), 7);

    // Each bad line keeps its value; the lines after it are still read.
    writeOnDisk("\r\nyes\r\nTRUE\r\n huge \r\n 16777216 \r\n-2147483618 \r\n 3 \r\n");
    EXPECT_EQ(loaded(), Settings({"Monospace", false, true, 10, -2147483640, -2147483618, 1}));
    writeOnDisk("A\r\nFalse\r\nFalse\r\n 0 \r\n-2147483617 \r\n 12.5.1 \r\n 70000 \r\n");
    EXPECT_EQ(loaded(), Settings({"A", false, false, 10, -2147483640, -2147483643, 1}));
    writeOnDisk("A\r\nFalse\r\nFalse\r\n 5000 \r\n 1 \r\n 2 \r\n-2 \r\n");
    EXPECT_EQ(loaded(), Settings({"A", false, false, 10, 1, 2, 1}));
}

TEST_F(SettingsFileTest, AFontNameBeyondAnySaneLengthReadsAsDamaged)
{
    for (const qsizetype length : {qsizetype(300), qsizetype(20 * 1024 * 1024)}) {
        writeOnDisk(QByteArray(length, 'F') + "\r\nTrue\r\nTrue\r\n 14 \r\n 255 \r\n 0 \r\n 2 \r\n");
        EXPECT_EQ(loaded(), Settings({"Monospace", true, true, 14, 255, 0, 2})) << length;
    }
}

TEST_F(SettingsFileTest, ReadsWindows1252AndWritesUtf8)
{
    writeOnDisk("Caf\xe9 Sans\r\nFalse\r\nFalse\r\n 10 \r\n 0 \r\n 0 \r\n 1 \r\n");
    ASSERT_FALSE(file.save(loaded()));
    EXPECT_TRUE(onDisk().startsWith("Caf\xc3\xa9 Sans\r\n"));
}

TEST_F(SettingsFileTest, FailuresNameTheFileAndChangeNothing)
{
    // A folder where the file should be: neither read nor written.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("ojwconfig.txt")));
    Settings values = defaults;
    auto failure = file.load(values);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, file.path());
    EXPECT_EQ(values, defaults);
    failure = file.save(defaults);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, file.path());
    ASSERT_TRUE(QDir(folder.path()).rmdir(QStringLiteral("ojwconfig.txt")));

    // A write that cannot finish (a full disk) leaves the old file as it
    // was, and nothing beside it.
    const QByteArray before("Arial\r\nTrue\r\nTrue\r\n 14 \r\n 255 \r\n 0 \r\n 2 \r\n");
    writeOnDisk(before);
    PosixIo::injectFault({PosixIo::Call::Write, ENOSPC});
    failure = file.save(defaults);
    PosixIo::clearFaults();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->reason, QString::fromLocal8Bit(std::strerror(ENOSPC)));
    EXPECT_EQ(onDisk(), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ojwconfig.txt"});
}

} // namespace
