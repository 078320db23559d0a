#include "settings/spelling_settings_file.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class SpellingSettingsFileTest : public testing::Test
{
protected:
    QTemporaryDir folder;
    SpellingSettingsFile file{folder.path()};

    SpellingSettings loaded(const QByteArray& bytes)
    {
        QFile out(file.path());
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        out.close();
        SpellingSettings values;
        EXPECT_FALSE(file.load(values));
        return values;
    }
};

} // namespace

TEST_F(SpellingSettingsFileTest, SavedChoicesLoadBackFromAPrivateFile)
{
    SpellingSettings values;
    ASSERT_FALSE(file.load(values)); // missing: the defaults
    EXPECT_EQ(values, SpellingSettings({"", true}));

    ASSERT_FALSE(file.save({"de_DE_frami", false}));
    EXPECT_FALSE(file.load(values));
    EXPECT_EQ(values, SpellingSettings({"de_DE_frami", false}));
    struct stat status;
    ASSERT_EQ(::stat(QFile::encodeName(file.path()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(SpellingSettingsFileTest, WhatDoesNotReadKeepsItsDefault)
{
    EXPECT_EQ(loaded("en_GB\r\nFalse\r\n"), SpellingSettings({"en_GB", false}));
    EXPECT_EQ(loaded("\nfalse"), SpellingSettings({"", false}));
    EXPECT_EQ(loaded("../../etc/passwd\r\nmaybe\r\n"), SpellingSettings({"", true}));
    EXPECT_EQ(loaded(QByteArray(5000, 'e') + "\r\nFalse\r\n"), SpellingSettings({"", false}));
    EXPECT_EQ(loaded(QByteArray("en\0GB\r\nTrue", 11)), SpellingSettings({"", true}));
}
