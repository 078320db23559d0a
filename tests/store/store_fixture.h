#pragma once

#include "platform/core/date_settings.h"
#include "store/entry_file.h"

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

// Readable failure messages: texts as UTF-8, bytes with CR, LF and non-ASCII
// bytes escaped.
// Days the store tests save and load.
inline const QDate july12(2026, 7, 12);
inline const QDate july13(2026, 7, 13);

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << '"' << bytes.toPercentEncoding(" *!/:").toStdString() << '"';
}

// Bytes of a file, or a null array when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

inline void writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

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

    void save(const QDate& day, const QString& text, bool remove = false) const
    {
        const auto failure = entries.save(day, text, remove);
        ASSERT_FALSE(failure) << failure->message().toStdString();
    }

    QTemporaryDir folder;
    DateSettings dates;
    EntryFile entries;
};
