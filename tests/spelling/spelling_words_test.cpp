#include "spelling/spelling_words.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

QStringList wordsOf(const QString& text)
{
    QStringList words;
    for (const SpellingWords::Span& span : SpellingWords::inParagraph(text))
        words.append(text.sliced(span.start, span.length));
    return words;
}

} // namespace

TEST(SpellingWordsTest, WordsAreWhatADictionaryCanJudge)
{
    // Apostrophes and hyphens inside a word belong to it; at its ends they do not.
    EXPECT_EQ(wordsOf(QStringLiteral("It isn't a well-known 'quote', the dogs' bone—done.")),
              QStringList({"It", "isn't", "a", "well-known", "quote", "the", "dogs", "bone", "done"}));
    EXPECT_EQ(wordsOf(QString::fromUtf8("Caf\xC3\xA9 na\xC3\xAFve Stra\xC3\x9F" "e isn\xE2\x80\x99t")),
              QStringList({QString::fromUtf8("Caf\xC3\xA9"), QString::fromUtf8("na\xC3\xAFve"),
                           QString::fromUtf8("Stra\xC3\x9F" "e"), QString::fromUtf8("isn\xE2\x80\x99t")}));
    // Numbers, capitals only, and addresses are not checked; a single capital is a word.
    EXPECT_EQ(wordsOf(QStringLiteral("I saw NASA 3rd mp3 10am on www.exmaple.org, https://x.y/pth "
                                     "and bob@exmaple.org (mailto:al@b.c) ok")),
              QStringList({"I", "saw", "on", "and", "ok"}));
    // A letter outside the basic plane is one letter, not a break.
    EXPECT_EQ(wordsOf(QString::fromUtf8("ab\xF0\x9D\x90\x80" "cd ef")),
              QStringList({QString::fromUtf8("ab\xF0\x9D\x90\x80" "cd"), "ef"}));
}
