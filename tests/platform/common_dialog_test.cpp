#include "platform/widgets/common_dialog.h"
#include "support/scripted_common_dialog.h"

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
