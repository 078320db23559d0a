#pragma once

#include "search/folded_text.h"

#include <QStringList>
#include <QStringView>

#include <optional>

// What the user typed into the find window, read as words to look for. Words
// are separated by spaces; a part in double quotes is one word, spaces and
// all (an opening quote without its closing one runs to the end). A line
// break in the query counts as a space: no word could stand across two lines
// of a day. Words are kept folded (see FoldedText), each once, in the order
// typed. A text holds the query when it holds every word, each anywhere, as
// a part of its folded text.
class SearchQuery
{
public:
    // Longer queries are refused; a query is typed, not pasted documents.
    static constexpr qsizetype maxLength = 256;
    // Each word takes at least one character and one separator.
    static constexpr int maxWords = int(maxLength + 1) / 2;

    enum class State {
        Empty,   // nothing but spaces (or empty quotes): nothing to look for
        TooLong, // more than maxLength characters
        Ready,
    };

    explicit SearchQuery(QStringView text);

    State state() const { return m_state; }
    const QStringList& words() const { return m_words; }

    // Where the first word first stands in the text, in the text's own
    // units: the window selects it in the pad. No value when the text does
    // not hold it, or the query has no words.
    std::optional<TextRange> firstMatch(QStringView text) const;

private:
    State m_state = State::Empty;
    QStringList m_words;
};
