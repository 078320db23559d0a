#include "search/search_query.h"

#include <QChar>

SearchQuery::SearchQuery(QStringView text)
{
    qsizetype characters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++characters;
    }
    if (characters > maxLength) {
        m_state = State::TooLong;
        return;
    }

    QString word;
    const auto flush = [&] {
        if (word.isEmpty())
            return;
        // A word of marks alone folds to nothing, and nothing is no word.
        const QString folded = FoldedText::fold(word);
        if (!folded.isEmpty() && !m_words.contains(folded))
            m_words.append(folded);
        word.clear();
    };
    bool quoted = false;
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
        if (c == u'"') {
            flush();
            quoted = !quoted;
        } else if (c == u' ' && !quoted) {
            flush();
        } else {
            word.append(c);
        }
    }
    flush();
    m_state = m_words.isEmpty() ? State::Empty : State::Ready;
}

std::optional<TextRange> SearchQuery::firstMatch(QStringView text) const
{
    if (m_words.isEmpty())
        return std::nullopt;
    const FoldedText folded(text);
    const qsizetype at = folded.folded().indexOf(m_words.front());
    if (at < 0)
        return std::nullopt;
    return folded.original(at, m_words.front().size());
}
