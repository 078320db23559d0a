#include "program_fixture.h"

#include "app/pad_spelling.h"

#include <QMenu>
#include <QTextBlock>
#include <QTextLayout>

// Spelling in the pad: the marks, the context menu's commands, and what is
// kept of them from one run to the next.
class SpellingTest : public ProgramTest
{
protected:
    std::optional<QStringList> languages; // the desktop's

    PadSpelling& spelling() const { return main().spelling(); }

    PlatformServices services()
    {
        PlatformServices services = ProgramTest::services();
        services.spellingLanguages = languages;
        return services;
    }

    void startChecked()
    {
        program = std::make_unique<Program>(dir.path(), QLocale(QLocale::English, QLocale::UnitedStates),
                                             services());
        program->start();
        ASSERT_TRUE(QTest::qWaitFor([this] { return main().isVisible() && spelling().isReady(); }));
        waitForMarks();
    }

    void restart()
    {
        program.reset();
        startChecked();
    }

    void waitForMarks() const
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return spelling().highlighter().isUpToDate(); }));
    }

    // The words under the wavy line, in the order they stand.
    QStringList marked() const
    {
        QStringList words;
        for (QTextBlock block = main().txtPad->document()->begin(); block.isValid(); block = block.next()) {
            for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
                if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
                    words.append(block.text().mid(range.start, range.length));
            }
        }
        return words;
    }

    int positionOf(const QString& word) const { return int(main().txtPad->toPlainText().indexOf(word)) + 1; }

    std::unique_ptr<QMenu> menuAt(const QString& word)
    {
        auto menu = std::unique_ptr<QMenu>(main().txtPad->createStandardContextMenu());
        spelling().addToMenu(*menu, positionOf(word));
        return menu;
    }

    static QAction* item(QMenu& menu, const QString& text)
    {
        for (QAction* action : menu.actions()) {
            if (action->text() == text)
                return action;
            if (action->menu())
                if (QAction* inner = item(*action->menu(), text))
                    return inner;
        }
        return nullptr;
    }
};

TEST_F(SpellingTest, MisspeltWordsAreMarkedWhereverTheTextComesFromAndNothingElseChanges)
{
    writeEntries(QByteArray(todayHeader) + "A leter it isn't, a well-known freind.\r\n!*!\r\n");
    startChecked();
    EXPECT_EQ(marked(), QStringList({"leter", "freind"}));
    EXPECT_FALSE(state().dirty);
    EXPECT_FALSE(main().txtPad->document()->isUndoAvailable());
    EXPECT_EQ(pad(), "A leter it isn't, a well-known freind.");

    // The word being typed is left alone until it is finished.
    type(QStringLiteral(" Anothr wrd"));
    EXPECT_EQ(marked(), QStringList({"leter", "freind", "Anothr"}));
    type(QStringLiteral("."));
    EXPECT_EQ(marked(), QStringList({"leter", "freind", "Anothr", "wrd"}));

    main().cmdNext_Click();
    type(QStringLiteral("Tomorow"));
    main().cmdPrev_Click();
    waitForMarks();
    EXPECT_EQ(marked(), QStringList({"leter", "freind", "Anothr", "wrd"}));

    ASSERT_TRUE(program->restoreText(QStringLiteral("Restord text")));
    waitForMarks();
    EXPECT_EQ(marked(), QStringList({"Restord"}));
}

TEST_F(SpellingTest, ASuggestionReplacesTheWordInOneStepOfUndo)
{
    writeEntries(QByteArray(todayHeader) + "A leter came.\r\n!*!\r\n");
    startChecked();
    const auto menu = menuAt("leter");
    ASSERT_TRUE(item(*menu, "letter"));
    EXPECT_LT(menu->actions().indexOf(item(*menu, "letter")), 5);
    EXPECT_LE(menu->actions().indexOf(item(*menu, "Ignore")), 6);
    item(*menu, "letter")->trigger();
    EXPECT_EQ(pad(), "A letter came.");
    EXPECT_TRUE(state().dirty);
    EXPECT_TRUE(marked().isEmpty());
    main().txtPad->undo();
    EXPECT_EQ(pad(), "A leter came.");
    EXPECT_EQ(marked(), QStringList({"leter"}));
}

TEST_F(SpellingTest, AddedWordsStayKnownNextRunAndIgnoredOnesOnlyThisRun)
{
    writeEntries(QByteArray(todayHeader) + "Ombrelia and Jotwellia\r\n!*!\r\n");
    startChecked();
    ASSERT_EQ(marked(), QStringList({"Ombrelia", "Jotwellia"}));
    item(*menuAt("Ombrelia"), "Add to Dictionary")->trigger();
    item(*menuAt("Jotwellia"), "Ignore")->trigger();
    waitForMarks();
    EXPECT_TRUE(marked().isEmpty());
    EXPECT_TRUE(item(*menuAt("Ombrelia"), "Check Spelling")); // no longer a word to correct
    EXPECT_FALSE(item(*menuAt("Ombrelia"), "Ignore"));

    restart();
    EXPECT_EQ(marked(), QStringList({"Jotwellia"}));
}

TEST_F(SpellingTest, TheLanguageAndTheSwitchAreKeptOutsideTheSettingsFile)
{
    writeEntries(QByteArray(todayHeader) + "Das Haus is a house\r\n!*!\r\n");
    startChecked();
    main().SaveConfig();
    const QByteArray config = fileBytes(path("ojwconfig.txt"));
    EXPECT_EQ(marked(), QStringList({"Das", "Haus"}));

    item(*menuAt("Haus"), "German (Germany)")->trigger();
    waitForMarks();
    EXPECT_EQ(marked(), QStringList({"is", "house"}));
    item(*menuAt("Haus"), "Check Spelling")->trigger();
    EXPECT_TRUE(marked().isEmpty());

    restart();
    EXPECT_TRUE(marked().isEmpty());
    const auto menu = menuAt("house");
    EXPECT_FALSE(item(*menu, "Check Spelling")->isChecked());
    EXPECT_TRUE(item(*menu, "German (Germany)")->isChecked());
    item(*menu, "Check Spelling")->trigger();
    waitForMarks();
    EXPECT_EQ(marked(), QStringList({"is", "house"}));
    EXPECT_EQ(fileBytes(path("ojwconfig.txt")), config);
}

TEST_F(SpellingTest, WithoutADictionaryThePadWorksAndTheMenuSaysWhy)
{
    languages = QStringList();
    writeEntries(QByteArray(todayHeader) + "A leter\r\n!*!\r\n");
    startChecked();
    EXPECT_TRUE(marked().isEmpty());
    const auto menu = menuAt("leter");
    EXPECT_EQ(menu->actions().first()->text(), "No spelling dictionary installed");
    EXPECT_FALSE(menu->actions().first()->isEnabled());
    EXPECT_FALSE(item(*menu, "Check Spelling")->isEnabled());
    type(QStringLiteral(" more"));
    EXPECT_EQ(pad(), "A leter more");
}

TEST_F(SpellingTest, ATextShownInPiecesIsNotChecked)
{
    QByteArray line;
    while (line.size() <= PadEdit::maxEditableLine)
        line += "xqzt ";
    writeEntries(QByteArray(todayHeader) + line + "\r\nwrogn\r\n!*!\r\n");
    startChecked();
    ASSERT_TRUE(main().txtPad->isTooLongToEdit());
    EXPECT_TRUE(marked().isEmpty());
}
