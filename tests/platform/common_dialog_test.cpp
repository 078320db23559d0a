#include "platform/widgets/color_value.h"
#include "platform/widgets/common_dialog.h"
#include "platform/widgets/scripted_common_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const CommonDialogUi::Font& f, std::ostream* out)
{
    *out << '{' << f.name.toStdString() << ", " << f.bold << ", " << f.italic << ", " << f.size << '}';
}

namespace {

using Font = CommonDialogUi::Font;

class CommonDialogTest : public testing::Test
{
protected:
    ScriptedCommonDialog user;
    CommonDialog dlg{nullptr, &user};
};

TEST_F(CommonDialogTest, FontDialogOpensOnThePropertiesAndOkSetsThem)
{
    dlg.Flags = CommonDialog::cdlCFBoth;
    dlg.FontName = "Courier New";
    dlg.FontBold = true;
    dlg.FontSize = 9.75f;
    dlg.Color = 255;
    user.answerFont({"Liberation Serif", false, true, 14});
    EXPECT_EQ(dlg.ShowFont(), CommonDialog::Result::Ok);
    ASSERT_EQ(user.shown().size(), 1);
    EXPECT_EQ(user.shown()[0].font, Font({"Courier New", true, false, 9.75f}));
    EXPECT_FALSE(user.shown()[0].offerEffects);
    EXPECT_EQ(dlg.FontName, "Liberation Serif");
    EXPECT_FALSE(dlg.FontBold);
    EXPECT_TRUE(dlg.FontItalic);
    EXPECT_EQ(dlg.FontSize, 14.0f);
    // What the font dialog does not return keeps its value.
    EXPECT_EQ(dlg.Color, 255);
    EXPECT_EQ(dlg.Flags, CommonDialog::cdlCFBoth);
}

TEST_F(CommonDialogTest, ColourDialogOpensOnColourAndReturnsAPlainColour)
{
    dlg.Flags = CommonDialog::cdlCCRGBInit;
    dlg.Color = ColorValue::windowText;
    user.answerColor(QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(dlg.ShowColor(), CommonDialog::Result::Ok);
    EXPECT_EQ(user.shown()[0].color, QApplication::palette().color(QPalette::Text));
    EXPECT_EQ(dlg.Color, 0x563412);

    user.answerCancel();
    EXPECT_EQ(dlg.ShowColor(), CommonDialog::Result::Cancelled);
    EXPECT_EQ(user.shown()[1].color, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(dlg.Color, 0x563412);

    // Without cdlCCRGBInit the dialog starts on its own colour.
    dlg.Flags = 0;
    dlg.ShowColor();
    EXPECT_FALSE(user.shown()[2].color.isValid());
}

TEST_F(CommonDialogTest, CancelKeepsThePropertiesAndIsAnErrorOnlyWhenAskedFor)
{
    dlg.FontName = "Arial";
    dlg.FontSize = 12;
    user.answerCancel();
    EXPECT_EQ(dlg.ShowFont(), CommonDialog::Result::Cancelled);
    EXPECT_EQ(dlg.FontName, "Arial");
    EXPECT_EQ(dlg.FontSize, 12.0f);

    dlg.CancelError = true;
    dlg.FileName = "OJWExport.txt";
    user.answerCancel();
    EXPECT_EQ(dlg.ShowSave(), CommonDialog::Result::CancelError);
    EXPECT_EQ(dlg.FileName, "OJWExport.txt");
    // CancelError stays until someone sets it back.
    EXPECT_EQ(dlg.ShowFont(), CommonDialog::Result::CancelError);
    EXPECT_EQ(dlg.FontName, "Arial");
}

TEST_F(CommonDialogTest, SaveAsListsTheFilterAndAsksBeforeReplacingAsTold)
{
    dlg.Filter = "Text Files(*.txt)|*.txt|All Files(*.*)|*.*";
    dlg.FileName = "OJWExport.txt";
    dlg.Flags = CommonDialog::cdlCFBoth; // left by a font command: includes the prompt
    user.answerSave("/home/u/diary.txt");
    EXPECT_EQ(dlg.ShowSave(), CommonDialog::Result::Ok);
    EXPECT_EQ(dlg.FileName, "/home/u/diary.txt");
    const auto& shown = user.shown()[0];
    EXPECT_EQ(shown.fileName, "OJWExport.txt");
    EXPECT_EQ(shown.nameFilters,
              QStringList({"Text Files(*.txt) (*.txt)", "All Files(*.*) (*)"}));
    EXPECT_TRUE(shown.askBeforeReplacing);

    dlg.Flags = CommonDialog::cdlCCRGBInit; // left by a colour command
    dlg.ShowSave();
    EXPECT_FALSE(user.shown()[1].askBeforeReplacing);
    dlg.ShowSave(CommonDialog::Replace::AlwaysAsk);
    EXPECT_TRUE(user.shown()[2].askBeforeReplacing);

    EXPECT_EQ(CommonDialog::nameFilters("Pictures|*.png;*.jpg"),
              QStringList({"Pictures (*.png *.jpg)"}));
}

TEST(ColorValueTest, PlainAndSystemColours)
{
    EXPECT_EQ(ColorValue::toColor(0x0000FF, QPalette()), QColor(Qt::red));
    EXPECT_EQ(ColorValue::fromColor(QColor(Qt::blue)), 0xFF0000);
    QPalette system;
    system.setColor(QPalette::Base, Qt::darkCyan);
    system.setColor(QPalette::Disabled, QPalette::Text, Qt::gray);
    EXPECT_EQ(ColorValue::toColor(ColorValue::windowBackground, system), QColor(Qt::darkCyan));
    EXPECT_FALSE(ColorValue::toColor(0x01000000, system).isValid());

    // A system colour follows every group of the system's palette.
    QPalette pad;
    ColorValue::apply(ColorValue::windowText, pad, QPalette::Text, system);
    EXPECT_EQ(pad.color(QPalette::Disabled, QPalette::Text), QColor(Qt::gray));
    ColorValue::apply(0x00FF00, pad, QPalette::Text, system);
    EXPECT_EQ(pad.color(QPalette::Disabled, QPalette::Text), QColor(Qt::green));
}

// Qt's own font dialog, accepted as it opens.
TEST(QtCommonDialogUiTest, FontDialogKeepsAnUninstalledNameAndHidesEffects)
{
    QtCommonDialogUi ui;
    bool effectsVisible = true;
    int sampleHeight = 0;
    QTimer::singleShot(0, [&effectsVisible, &sampleHeight] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        effectsVisible = false;
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
            effectsVisible = effectsVisible || box->isVisibleTo(dialog);
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
            if (edit->text() == u"AaBbYyZz")
                sampleHeight = edit->height();
        dialog->accept();
    });
    const auto chosen = ui.chooseFont(nullptr, {"No Such Font Here", true, false, 11}, false);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, Font({"No Such Font Here", true, false, 11}));
    EXPECT_FALSE(effectsVisible);
    EXPECT_GT(sampleHeight, 20); // the sample still shows

    // A font the user picks comes back as picked.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QFont picked("Liberation Serif");
        picked.setPointSizeF(14);
        picked.setItalic(true);
        dialog->setCurrentFont(picked);
        dialog->accept();
    });
    EXPECT_EQ(ui.chooseFont(nullptr, {"No Such Font Here", true, false, 11}, false),
              Font({"Liberation Serif", false, true, 14}));
}

} // namespace
