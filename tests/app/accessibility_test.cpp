#include "program_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>

namespace {

using AccessibilityTest = ProgramTest;

QString accessibleText(QWidget* widget, QAccessible::Text what)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(what) : QStringLiteral("<no interface>");
}

TEST_F(AccessibilityTest, SymbolButtonsSayWhatTheyDo)
{
    start();
    const std::pair<QPushButton*, const char*> buttons[] = {
        {main().cmdEarliest, "Earliest entry"}, {main().cmdPrevEntry, "Previous entry"},
        {main().cmdPrev, "Previous day"},       {main().cmdNext, "Next day"},
        {main().cmdNextEntry, "Next entry"},    {main().cmdLatest, "Latest entry"},
    };
    for (const auto& [button, name] : buttons) {
        EXPECT_EQ(accessibleText(button, QAccessible::Name), QString::fromLatin1(name));
        EXPECT_TRUE(button->toolTip().startsWith(QString::fromLatin1(name)));
    }
    EXPECT_EQ(accessibleText(main().lblDate, QAccessible::Name), QStringLiteral("Monday, December 7, 2026"));
    EXPECT_FALSE(accessibleText(main().lblDate, QAccessible::Description).isEmpty());
    EXPECT_EQ(accessibleText(main().txtPad, QAccessible::Name), QStringLiteral("Entry of the shown day"));
}

TEST_F(AccessibilityTest, KeyboardReachesEveryButtonFromThePad)
{
    start();
    activate(&main());
    main().txtPad->setFocus();
    // Ctrl+Tab types a tab into the pad; Tab leaves it and goes on through
    // the buttons in the design's order and back round.
    QTest::keyClick(main().txtPad, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pad(), QStringLiteral("\t"));
    std::vector<QWidget*> seen;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        settle();
        seen.push_back(QApplication::focusWidget());
    }
    const std::vector<QWidget*> expected{main().cmdPrevEntry, main().cmdEarliest, main().cmdLatest,
                                         main().cmdNextEntry, main().cmdNext,     main().cmdPrev,
                                         main().txtPad};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(pad(), QStringLiteral("\t"));
}

} // namespace
