#include "program_fixture.h"

#include "files/posix_io.h"
#include "platform/widgets/color_value.h"
#include "platform/widgets/common_dialog.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QPushButton>

#include <cerrno>

namespace {

using Font = CommonDialogUi::Font;

const QByteArray chosenFile("Liberation Serif\r\nFalse\r\nTrue\r\n 11.25 \r\n 255 \r\n 16777215 \r\n 2 \r\n");

class FontCommandsTest : public ProgramTest
{
protected:
    void writeSettings(const QByteArray& bytes)
    {
        QFile file(path("ojwconfig.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray settings() const
    {
        QFile file(path("ojwconfig.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QList<QByteArray> settingsLines() const { return settings().split('\n'); }

    Font padFont() const
    {
        const QFont f = main().txtPad->font();
        return {f.family(), f.bold(), f.italic(), float(f.pointSizeF())};
    }

    QColor padColor(QPalette::ColorRole role) const { return main().txtPad->palette().color(role); }

    // What the rest of the window looks like, to see that it stays so.
    QList<QVariant> otherLooks() const
    {
        QList<QVariant> looks{main().lblDate->font(), main().lblDate->palette()};
        for (auto* button : main().findChildren<QPushButton*>())
            looks << button->font() << button->palette();
        return looks;
    }

    void closeMain()
    {
        main().close();
        settle();
    }
};

TEST_F(FontCommandsTest, FontSelectOpensOnThePadsFontAndKeepsTheChoice)
{
    writeSettings(chosenFile);
    start();
    EXPECT_TRUE(main().mnuFontSelect->isEnabled());
    QFont underlined = main().txtPad->font();
    underlined.setUnderline(true);
    main().txtPad->setFont(underlined);
    const auto before = otherLooks();

    dialogs.answerFont({"Liberation Mono", true, false, 9.75f});
    main().mnuFontSelect->trigger();

    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].font, Font({"Liberation Serif", false, true, 11.25f}));
    EXPECT_FALSE(dialogs.shown()[0].offerEffects);
    EXPECT_EQ(main().dlgOJW->Flags, 3);
    EXPECT_EQ(padFont(), Font({"Liberation Mono", true, false, 9.75f}));
    EXPECT_TRUE(main().txtPad->font().underline());
    EXPECT_EQ(otherLooks(), before);
    EXPECT_EQ(main().padForeColor(), 255);
    // The file has the new font at once; the rest as it was.
    EXPECT_EQ(settings(), "Liberation Mono\r\nTrue\r\nFalse\r\n 9.75 \r\n 255 \r\n 16777215 \r\n 2 \r\n");
}

TEST_F(FontCommandsTest, ColourCommandsOpenOnThePadsColourAndChangeOnlyIt)
{
    start();
    const auto before = otherLooks();
    const QFont font = main().txtPad->font();

    dialogs.answerColor(QColor(0x10, 0x20, 0x30));
    main().mnuFontColor->trigger();
    EXPECT_EQ(dialogs.shown()[0].color, QApplication::palette().color(QPalette::Text));
    EXPECT_EQ(main().dlgOJW->Flags, 1);
    EXPECT_EQ(padColor(QPalette::Text), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(padColor(QPalette::Base), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(settingsLines().mid(4, 2), QList<QByteArray>({" 3153936 \r", "-2147483643 \r"}));

    dialogs.answerColor(QColor(0xFF, 0xFF, 0xE0));
    main().mnuFontBackColor->trigger();
    EXPECT_EQ(dialogs.shown()[1].color, QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(padColor(QPalette::Base), QColor(0xFF, 0xFF, 0xE0));
    EXPECT_EQ(padColor(QPalette::Text), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(settingsLines().mid(4, 2), QList<QByteArray>({" 3153936 \r", " 14745599 \r"}));

    EXPECT_EQ(main().txtPad->font(), font);
    EXPECT_EQ(otherLooks(), before);
}

TEST_F(FontCommandsTest, CancelChangesNothingAlsoAfterCancelErrorIsSet)
{
    writeSettings(chosenFile);
    start();
    const Font font = padFont();
    const QPalette palette = main().txtPad->palette();
    for (bool cancelError : {false, true}) {
        main().dlgOJW->CancelError = cancelError;
        for (QAction* command : {main().mnuFontSelect, main().mnuFontColor, main().mnuFontBackColor}) {
            dialogs.answerCancel();
            command->trigger();
            EXPECT_EQ(padFont(), font) << cancelError;
            EXPECT_EQ(main().txtPad->palette(), palette) << cancelError;
            EXPECT_EQ(settings(), chosenFile) << cancelError;
        }
    }
    EXPECT_EQ(dialogs.shown().size(), 6);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(FontCommandsTest, ARestartShowsTheSameFontColoursAndDateStyle)
{
    start();
    dialogs.answerFont({"Liberation Sans", false, true, 13.5f});
    main().mnuFontSelect->trigger();
    dialogs.answerColor(QColor(Qt::darkBlue));
    main().mnuFontColor->trigger();
    dialogs.answerColor(QColor(Qt::yellow));
    main().mnuFontBackColor->trigger();
    main().lblDate_Click();
    const QString caption = main().lblDate->text();
    closeMain();
    program.reset();

    start();
    EXPECT_EQ(padFont(), Font({"Liberation Sans", false, true, 13.5f}));
    EXPECT_EQ(padColor(QPalette::Text), QColor(Qt::darkBlue));
    EXPECT_EQ(padColor(QPalette::Base), QColor(Qt::yellow));
    EXPECT_EQ(state().dateStyle, 2);
    EXPECT_EQ(main().lblDate->text(), caption);
}

TEST_F(FontCommandsTest, FirstRunAndDamagedFilesStartWithTheDefaults)
{
    start();
    // The desktop's general font, not its fixed-width one.
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    EXPECT_EQ(main().txtPad->font().family(), general.family());
    EXPECT_EQ(main().txtPad->font().pointSizeF(), general.pointSizeF());
    EXPECT_EQ(main().padForeColor(), ColorValue::windowText);
    EXPECT_EQ(padColor(QPalette::Base), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(state().dateStyle, 1);
    closeMain();
    // A complete file, saying the pad has the system's colours.
    EXPECT_EQ(settingsLines().size(), 8);
    EXPECT_EQ(settingsLines().mid(4, 3),
              QList<QByteArray>({"-2147483640 \r", "-2147483643 \r", " 1 \r"}));
    program.reset();

    // A font that is not installed keeps its name; bad lines their defaults.
    writeSettings("No Such Font\r\nmaybe\r\nTrue\r\n 12 \r\n 99999999 \r\n 65280 \r\n 7 \r\n");
    start();
    EXPECT_EQ(padFont(), Font({"No Such Font", false, true, 12}));
    EXPECT_EQ(main().padForeColor(), ColorValue::windowText);
    EXPECT_EQ(padColor(QPalette::Base), QColor(Qt::green));
    EXPECT_EQ(state().dateStyle, 1);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(FontCommandsTest, AnUnwritableSettingsFileIsReportedOnceAndTheCloseGoesOn)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("ojwconfig.txt")));
    start();
    const qsizetype atStart = messages.shown().size(); // the file could not be read either
    dialogs.answerColor(QColor(Qt::red));
    main().mnuFontColor->trigger();
    EXPECT_EQ(padColor(QPalette::Text), QColor(Qt::red));
    ASSERT_EQ(messages.shown().size(), atStart + 1);
    EXPECT_TRUE(messages.shown().last().text.contains(path("ojwconfig.txt")));
    dialogs.answerColor(QColor(Qt::blue));
    main().mnuFontBackColor->trigger();
    closeMain();
    EXPECT_EQ(messages.shown().size(), atStart + 1);
    EXPECT_FALSE(main().isVisible());
}

TEST_F(FontCommandsTest, SettingsTheDiskDidNotConfirmAreToldAsSaved)
{
    start();
    const qsizetype atStart = messages.shown().size();
    PosixIo::injectFault({PosixIo::Call::SyncFolder, EIO});
    dialogs.answerColor(QColor(Qt::red));
    main().mnuFontColor->trigger();
    PosixIo::clearFaults();
    ASSERT_EQ(messages.shown().size(), atStart + 1);
    EXPECT_TRUE(messages.shown().last().text.startsWith("The font, colours and date style were saved, but "
                                                        "the disk did not confirm it."));
}

} // namespace
