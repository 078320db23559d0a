#include "program_fixture.h"

#include "store/entry_file.h"
#include "versions/frm_versions.h"

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

// The Earlier Versions window: the shown day's replaced texts, and the way
// back to them.
class VersionsWindowTest : public ProgramTest
{
protected:
    frmVersions* versions() const { return program->versionsWindow(); }

    void openVersions()
    {
        main().mnuPadVersions->trigger();
        ASSERT_TRUE(versions());
        settle();
    }

    QStringList rows() const
    {
        QStringList texts;
        for (int i = 0; i < versions()->lstVersions->count(); ++i)
            texts << versions()->lstVersions->item(i)->text();
        return texts;
    }

    // What a row says after its moment, which the clock decides.
    QStringList rowEnds() const
    {
        QStringList ends;
        for (const QString& row : rows())
            ends << row.mid(row.indexOf(u',') + 2);
        return ends;
    }

    QString onDisk(const QDate& day) const
    {
        QString text;
        EXPECT_FALSE(EntryFile(dir.path(), program->dates()).load(day, text));
        return text;
    }
};

TEST_F(VersionsWindowTest, ClearThenRestoreGivesTheEntryBackByteForByte)
{
    const QByteArray diary =
        QByteArray("*!*12/6/2026\r\nyesterday\r\n!*!\r\n") + todayHeader + "line one\r\n\xC3\xA9 two \r\n!*!\r\n";
    writeEntries(diary);
    start();
    main().mnuPadClear->trigger();
    ASSERT_EQ(entries(), "*!*12/6/2026\r\nyesterday\r\n!*!\r\n");

    openVersions();
    EXPECT_EQ(versions()->windowTitle(), "OJW - Earlier Versions");
    EXPECT_EQ(rowEnds(), QStringList({"cleared: line one"}));
    EXPECT_TRUE(rows().first().startsWith(program->dates().shortText(QDate::currentDate())));
    EXPECT_EQ(versions()->txtVersion->toPlainText(), QString::fromUtf8("line one\n\xC3\xA9 two "));
    EXPECT_FALSE(versions()->cmdRestoreAll->isEnabled());

    versions()->cmdRestore->click();
    settle();
    EXPECT_FALSE(versions());
    EXPECT_EQ(entries(), diary);
    EXPECT_FALSE(state().dirty);
    EXPECT_TRUE(main().txtPad->hasFocus());
}

TEST_F(VersionsWindowTest, RestoreAllDaysBringsBackEveryEntryAndKeepsWhatWasWrittenSince)
{
    writeEntries(QByteArray("*!*12/1/2026\r\none\r\n!*!\r\n*!*12/5/2026\r\nfive\r\n  lines\r\n!*!\r\n")
                 + todayHeader + "seven\r\n!*!\r\n");
    start();
    messages.script({MessageBox::Answer::Yes});
    main().mnuPadClearAll->trigger();
    type("written since");
    activate(&other);

    openVersions();
    EXPECT_EQ(rowEnds(), QStringList({"erased by Clear All: seven"}));
    ASSERT_TRUE(versions()->cmdRestoreAll->isEnabled());
    // Enter on the focused button presses it, not Restore.
    versions()->cmdRestoreAll->setFocus();
    QTest::keyClick(versions()->cmdRestoreAll, Qt::Key_Return);
    settle();

    EXPECT_EQ(onDisk(QDate(2026, 12, 1)), "one");
    EXPECT_EQ(onDisk(QDate(2026, 12, 5)), "five\r\n  lines");
    EXPECT_EQ(onDisk(QDate(2026, 12, 7)), "written since\r\n\r\nseven");
    EXPECT_EQ(pad(), "written since\r\n\r\nseven");
    ASSERT_FALSE(messages.shown().isEmpty());
    EXPECT_EQ(messages.shown().last().text, "3 days came back.");
}

TEST_F(VersionsWindowTest, ARestoreCanItselfBeUndone)
{
    writeEntries(QByteArray(todayHeader) + "first\r\n!*!\r\n");
    start();
    main().txtPad->selectAll();
    QTest::keyClicks(main().txtPad, "second");
    activate(&other);

    openVersions();
    EXPECT_EQ(rowEnds(), QStringList({"saved over: first"}));
    versions()->cmdRestore->click();
    settle();
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "first\r\n!*!\r\n");

    openVersions();
    EXPECT_EQ(rowEnds(), QStringList({"saved over: second", "saved over: first"}));
    versions()->cmdRestore->click();
    settle();
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "second\r\n!*!\r\n");
    EXPECT_EQ(pad(), "second");
}

TEST_F(VersionsWindowTest, FollowsTheShownDayAndWorksFromTheKeyboard)
{
    writeEntries(QByteArray(todayHeader) + "kept\r\n!*!\r\n");
    start();
    main().mnuPadClear->trigger();
    openVersions();
    for (QWidget* control : std::initializer_list<QWidget*>{versions()->lstVersions, versions()->txtVersion,
                                                            versions()->cmdRestore, versions()->cmdRestoreAll})
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();

    main().cmdPrev->click();
    EXPECT_EQ(rows(), QStringList({"No earlier versions"}));
    EXPECT_FALSE(versions()->lstVersions->item(0)->flags() & Qt::ItemIsEnabled);
    EXPECT_FALSE(versions()->cmdRestore->isEnabled());
    main().cmdNext->click();
    EXPECT_EQ(rowEnds(), QStringList({"cleared: kept"}));

    // Tab goes list, text, Restore; Restore All Days is disabled here.
    activate(versions());
    versions()->lstVersions->setFocus();
    std::vector<QWidget*> seen;
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(seen, (std::vector<QWidget*>{versions()->txtVersion, versions()->cmdRestore}));

    QTest::keyClick(versions()->lstVersions, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(versions());
    EXPECT_EQ(pad(), "");

    openVersions();
    QTest::keyClick(versions()->lstVersions, Qt::Key_Return);
    settle();
    EXPECT_FALSE(versions());
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "kept\r\n!*!\r\n");
}
