#include "app/qt_translations.h"

#include "program_fixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

// Every caption, menu text and tooltip of the main window.
QStringList captions(const QWidget& window)
{
    QStringList texts{window.windowTitle()};
    for (const QAction* action : window.findChildren<QAction*>())
        texts << action->text() << action->toolTip();
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        texts << button->text() << button->toolTip();
    return texts;
}

class QtTranslationsTest : public ProgramTest
{
};

TEST_F(QtTranslationsTest, UnderGermanTheQuestionsButtonsAreQtsGermanAroundTheProgramsOwnWords)
{
    // The real message box, in a German locale.
    program = std::make_unique<Program>(dir.path(), QLocale(QLocale::German, QLocale::Germany),
                                         PlatformServices{.clock = &clock});
    program->start();
    const QStringList english = captions(main());
    const QtTranslations german(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_TRUE(german.installed());
    QCoreApplication::processEvents();
    EXPECT_EQ(captions(main()), english);

    QStringList seen; // title, text, Yes, No
    QTimer::singleShot(0, &main(), [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->windowTitle(), box->text(), box->button(QMessageBox::Yes)->text(),
                box->button(QMessageBox::No)->text()};
        box->button(QMessageBox::No)->click();
    });
    main().mnuPadClearAll->trigger();
    EXPECT_EQ(seen, QStringList({"Ombrel JotWell - Clear All Entries!",
                                 "Warning - Clicking YES erases all entries! Are You Sure?", "&Ja", "&Nein"}));
}

} // namespace
