#pragma once

#include "platform/core/date_settings.h"
#include "store/entry_file.h"
#include "support/file_bytes.h"

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <sys/stat.h>

// Days the store tests save and load.
inline const QDate july12(2026, 7, 12);
inline const QDate july13(2026, 7, 13);

inline bool exists(const QString& path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

// The system's words for an error, in whatever language it speaks.
inline QString systemReason(int errnum)
{
    return QString::fromLocal8Bit(std::strerror(errnum));
}

inline mode_t permissionsOf(const QString& path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return mode_t(-1);
    return status.st_mode & 07777;
}

// A fresh application folder and an entry file in it, read and written with
// British dates (dd/MM/yyyy) unless a test asks for another locale.
class EntryFileTest : public ::testing::Test
{
protected:
    explicit EntryFileTest(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedKingdom))
        : dates(locale), entries(folder.path(), dates)
    {
    }

    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QString dataPath() const { return entries.path(); }
    QString tempPath() const { return entries.tempPath(); }

    QByteArray onDisk() const { return fileBytes(dataPath()); }
    void put(const QByteArray& bytes) { writeFileBytes(dataPath(), bytes); }

    // The day's text; a failed load fails the test.
    QString loaded(const QDate& day) const
    {
        QString text;
        const auto failure = entries.load(day, text);
        EXPECT_FALSE(failure) << failure->message().toStdString();
        return text;
    }

    // Saves as the program does: with the day's text as it was loaded when
    // the day was shown, here just before.
    static EntryFile::SaveResult saveShown(const EntryFile& file, const QDate& day, QStringView text,
                                           bool remove = false)
    {
        QString shown;
        file.load(day, shown); // a failed load leaves what it read
        return file.save(day, text, remove, shown);
    }

    void save(const QDate& day, const QString& text, bool remove = false) const
    {
        const auto result = saveShown(entries, day, text, remove);
        ASSERT_FALSE(result.error) << result.error->message().toStdString();
        EXPECT_FALSE(result.merged);
    }

    QTemporaryDir folder;
    DateSettings dates;
    EntryFile entries;
};
