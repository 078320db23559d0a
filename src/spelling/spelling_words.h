#pragma once

#include <QList>
#include <QStringView>

// The stretches of a paragraph that a dictionary is asked about: runs of
// letters, an apostrophe or a hyphen between two letters included
// ("isn't", "well-known"). Passed over: anything touching a digit
// ("3rd", "mp3"), words in capitals only ("NASA"), and whatever stands
// between spaces with a web or e-mail address in it.
namespace SpellingWords {

struct Span
{
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Span&) const = default;
};

QList<Span> inParagraph(QStringView text);

} // namespace SpellingWords
