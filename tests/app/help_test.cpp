#include "program_fixture.h"

#include "app/frm_splash.h"
#include "platform/widgets/help_window.h"

#include <QAction>
#include <QPixmap>
#include <QTextBrowser>
#include <QTimer>

namespace {

class HelpTest : public ProgramTest
{
protected:
    void installHelp()
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(OJW_BUILT_CHM), path("OJW.chm")));
    }
    HelpWindow* help() const { return program->helpWindow(); }

    // The help opens once a process of its own has read the file whole.
    HelpWindow* helpOnceChecked() const
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return help() != nullptr; }, 20000));
        return help();
    }

    // The message a failed F1 shows, once the check has had its say.
    QString messageAfter(qsizetype shownBefore)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return messages.shown().size() > shownBefore; }, 20000));
        return messages.shown().isEmpty() ? QString() : messages.shown().last().text;
    }
};

} // namespace

TEST_F(HelpTest, F1OpensTheDefaultTopicWhoseLinksAndImagesWork)
{
    installHelp();
    start();
    QTest::keyClick(main().txtPad, Qt::Key_F1);
    ASSERT_TRUE(helpOnceChecked());
    EXPECT_TRUE(help()->isVisible());
    EXPECT_EQ(help()->documentTitle(), "Ombrel JotWell");
    EXPECT_TRUE(help()->toPlainText().contains("Page Down in the pad"));
    EXPECT_EQ(pad(), ""); // the key went to the help, not into the pad

    const QVariant icon = help()->document()->resource(QTextDocument::ImageResource,
                                                       QUrl("chm:/images/ojw_icon.png"));
    // Once laid out, the page holds the decoded image.
    ASSERT_EQ(icon.typeId(), QMetaType::QPixmap);
    EXPECT_EQ(icon.value<QPixmap>().size(), QSize(32, 32));

    // A link, as a click on it follows it.
    help()->setSource(help()->source().resolved(QUrl("files.html")));
    EXPECT_EQ(help()->documentTitle(), "Files, and what happens when one is damaged");
    help()->backward();
    EXPECT_EQ(help()->documentTitle(), "Ombrel JotWell");

    // Help > Info and a second F1 bring the same window to the front.
    const HelpWindow* first = help();
    main().mnuHelpInfo->trigger();
    QTest::keyClick(main().txtPad, Qt::Key_F1);
    EXPECT_EQ(help(), first);
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](const QWidget* w) { return qobject_cast<const HelpWindow*>(w); }),
              1);
}

TEST_F(HelpTest, MovingToTheHelpAndBackNeitherSavesNorReloads)
{
    installHelp();
    writeEntries(QByteArray(todayHeader) + "on disk\r\n!*!\r\n");
    start();
    type(" typed");
    QTest::keyClick(main().txtPad, Qt::Key_F1);
    activate(helpOnceChecked());
    EXPECT_TRUE(state().dirty);
    EXPECT_EQ(entries(), QByteArray(todayHeader) + "on disk\r\n!*!\r\n");
    activate(&main());
    EXPECT_EQ(pad(), "on disk typed");
}

TEST_F(HelpTest, AMissingOrDamagedHelpFileIsNamedInAMessage)
{
    start();
    main().mnuHelpInfo->trigger();
    QString message = messageAfter(0);
    EXPECT_TRUE(message.contains(path("OJW.chm")));
    EXPECT_TRUE(message.contains("missing"));
    EXPECT_FALSE(help());

    writeFileBytes(path("OJW.chm"), QByteArray(4096, 'x'));
    QTest::keyClick(main().txtPad, Qt::Key_F1);
    EXPECT_TRUE(messageAfter(1).contains(path("OJW.chm")));
    EXPECT_FALSE(help());

    // Damaged where the help library itself would fail hard: still a message.
    ASSERT_TRUE(QFile::remove(path("OJW.chm")));
    ASSERT_TRUE(QFile::copy(OJW_DAMAGED_CHM, path("OJW.chm")));
    QTest::keyClick(main().txtPad, Qt::Key_F1);
    EXPECT_TRUE(messageAfter(2).contains("damaged"));
    EXPECT_FALSE(help());
}

TEST_F(HelpTest, ClosingTheMainWindowClosesTheHelpAndTheAboutWindowForGood)
{
    installHelp();
    start();
    QTest::keyClick(main().txtPad, Qt::Key_F1);
    ASSERT_TRUE(helpOnceChecked());
    main().mnuHelpAbout->trigger();
    ASSERT_TRUE(program->splashWindow());
    main().close();
    settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(help());
    // Gone with its timer, so nothing reopens the main window.
    EXPECT_FALSE(program->splashWindow());
}
