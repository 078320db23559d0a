#pragma once

#include "export/export_all.h"
#include "platform/core/date_settings.h"
#include "support/file_bytes.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// A fresh application folder with British dates (dd/MM/yyyy), and a second
// folder for the export files, as a user would keep them apart.
class ExportTest : public ::testing::Test
{
protected:
    // inMemory: folders on a memory file system where there is one, for
    // tests that export hundreds of times (syncing to a disk is slow).
    explicit ExportTest(const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedKingdom),
                        bool inMemory = false)
        : folder(scratch(inMemory)), elsewhere(scratch(inMemory)), dates(locale)
    {
    }

    void SetUp() override { ASSERT_TRUE(folder.isValid() && elsewhere.isValid()); }

    QString inFolder(const QString& name) const { return QDir(folder.path()).filePath(name); }
    QString target(const QString& name = QStringLiteral("OJWExport.txt")) const
    {
        return QDir(elsewhere.path()).filePath(name);
    }

    void putDiary(const QByteArray& bytes) { writeFileBytes(inFolder("ojwdata.txt"), bytes); }

    QByteArray header(const QDate& day) const { return "*!*" + dates.headerText(day).toUtf8() + "\r\n"; }

    // Exports with the date style and returns the export file's bytes; a
    // failed export fails the test.
    QByteArray exported(int dateStyle = 2)
    {
        const auto failure = exportAll(folder.path(), dates, dateStyle, target());
        EXPECT_FALSE(failure) << failure->message().toStdString();
        return fileBytes(target());
    }

    // Hidden names included, to see what an export left behind.
    static QStringList namesIn(const QString& path)
    {
        return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    static QString scratch(bool inMemory)
    {
        const QString base = inMemory && QFileInfo(QStringLiteral("/dev/shm")).isWritable()
            ? QStringLiteral("/dev/shm")
            : QDir::tempPath();
        return base + QStringLiteral("/ojw-export-XXXXXX");
    }

    QTemporaryDir folder;
    QTemporaryDir elsewhere;
    DateSettings dates;
};
