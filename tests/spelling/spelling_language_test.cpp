#include "spelling/spell_checker.h"

#include <gtest/gtest.h>

TEST(SpellingLanguageTest, TheLocalesOwnElseTheNearestOfItsLanguage)
{
    const QStringList installed{"de_AT", "de_DE", "en_AU", "en_GB", "en_US", "fr"};
    EXPECT_EQ(SpellChecker::languageFor(QLocale("en_US"), installed), "en_US");
    EXPECT_EQ(SpellChecker::languageFor(QLocale("en_IE"), installed), "en_GB");
    EXPECT_EQ(SpellChecker::languageFor(QLocale("de_CH"), installed), "de_DE");
    EXPECT_EQ(SpellChecker::languageFor(QLocale("fr_CA"), installed), "fr");
    EXPECT_EQ(SpellChecker::languageFor(QLocale("en_IE"), {"de_DE", "en_AU", "en_US"}), "en_AU");
    // No dictionary of the locale's language: English, else whatever there is.
    EXPECT_EQ(SpellChecker::languageFor(QLocale("it_IT"), installed), "en_GB");
    EXPECT_EQ(SpellChecker::languageFor(QLocale("it_IT"), {"nl_NL", "pl_PL"}), "nl_NL");
    EXPECT_EQ(SpellChecker::languageFor(QLocale("en_GB"), {}), "");
}
