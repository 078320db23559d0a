#include "app/qt_translations.h"

#include "app/frm_ojw.h"
#include "app/program.h"
#include "platform/core/clock.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The real program with Qt's own message box, in a German locale.
class QtTranslationsTest : public testing::Test
{
protected:
    QTemporaryDir dir;
    FixedClock clock{QDate(2026, 12, 7)};
    std::unique_ptr<Program> program;

    void SetUp() override
    {
        program = std::make_unique<Program>(dir.path(), QLocale(QLocale::German, QLocale::Germany),
                                             PlatformServices{.clock = &clock});
        program->start();
    }

    frmOJW& main() const { return *program->mainWindow(); }

    // Every caption, menu text and tooltip of the main window.
    QStringList captions() const
    {
        QStringList texts{main().windowTitle()};
        for (const QAction* action : main().findChildren<QAction*>())
            texts << action->text() << action->toolTip();
        for (const QAbstractButton* button : main().findChildren<QAbstractButton*>())
            texts << button->text() << button->toolTip();
        return texts;
    }

    struct Question
    {
        QString title, text, yes, no;
    };

    // Pad > Clear All, answered No; what its question showed.
    Question clearAllQuestion()
    {
        Question seen;
        QTimer::singleShot(0, &main(), [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = {box->windowTitle(), box->text(), box->button(QMessageBox::Yes)->text(),
                    box->button(QMessageBox::No)->text()};
            box->button(QMessageBox::No)->click();
        });
        main().mnuPadClearAll->trigger();
        return seen;
    }
};

TEST_F(QtTranslationsTest, GermanButtonsAroundTheProgramsOwnWords)
{
    const QStringList english = captions();
    const QtTranslations german(QLocale(QLocale::German, QLocale::Germany));
    ASSERT_TRUE(german.installed());
    QCoreApplication::processEvents();

    const Question question = clearAllQuestion();
    EXPECT_EQ(question.yes, "&Ja");
    EXPECT_EQ(question.no, "&Nein");
    EXPECT_EQ(question.title, "Ombrel JotWell - Clear All Entries!");
    EXPECT_EQ(question.text, "Warning - Clicking YES erases all entries! Are You Sure?");
    EXPECT_EQ(captions(), english);
}

TEST_F(QtTranslationsTest, ALanguageQtHasNoTranslationForStaysEnglish)
{
    const QtTranslations swahili(QLocale(QLocale::Swahili, QLocale::Kenya));
    EXPECT_FALSE(swahili.installed());
    const Question question = clearAllQuestion();
    EXPECT_EQ(question.yes, "&Yes");
    EXPECT_EQ(question.no, "&No");
}

} // namespace
