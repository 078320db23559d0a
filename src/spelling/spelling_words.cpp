#include "spelling/spelling_words.h"

#include <QChar>

namespace {

// The code point at index, and how many UTF-16 units it takes.
char32_t codePointAt(QStringView text, qsizetype index, qsizetype* units)
{
    const QChar first = text[index];
    if (first.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(first, text[index + 1]);
    }
    *units = 1;
    return first.unicode();
}

bool isLetter(char32_t c)
{
    return QChar::isLetter(c) || QChar::isMark(c);
}

bool isJoiner(char32_t c)
{
    return c == u'\'' || c == u'\u2019' || c == u'-';
}

bool isAddress(QStringView chunk)
{
    return chunk.contains(u"://") || chunk.contains(u'@') || chunk.startsWith(u"www.", Qt::CaseInsensitive)
           || chunk.startsWith(u"mailto:", Qt::CaseInsensitive);
}

bool inCapitalsOnly(QStringView word)
{
    int letters = 0;
    for (qsizetype i = 0, units = 1; i < word.size(); i += units) {
        const char32_t c = codePointAt(word, i, &units);
        if (QChar::isLower(c) || QChar::isTitleCase(c))
            return false;
        letters += QChar::isLetter(c) ? 1 : 0;
    }
    return letters > 1;
}

bool isDigitAt(QStringView text, qsizetype index)
{
    if (index < 0 || index >= text.size())
        return false;
    qsizetype units = 1;
    if (index > 0 && text[index].isLowSurrogate())
        --index;
    return QChar::isDigit(codePointAt(text, index, &units));
}

// The words of one stretch between spaces.
void wordsIn(QStringView text, qsizetype from, qsizetype to, QList<SpellingWords::Span>& words)
{
    qsizetype at = from;
    while (at < to) {
        qsizetype units = 1;
        if (!isLetter(codePointAt(text, at, &units))) {
            at += units;
            continue;
        }
        const qsizetype start = at;
        while (at < to) {
            const char32_t c = codePointAt(text, at, &units);
            if (isLetter(c)) {
                at += units;
                continue;
            }
            qsizetype next = 1;
            if (isJoiner(c) && at + 1 < to && isLetter(codePointAt(text, at + 1, &next))) {
                at += 1;
                continue;
            }
            break;
        }
        const QStringView word = text.sliced(start, at - start);
        if (!isDigitAt(text, start - 1) && !isDigitAt(text, at) && !inCapitalsOnly(word))
            words.append({start, at - start});
    }
}

} // namespace

QList<SpellingWords::Span> SpellingWords::inParagraph(QStringView text)
{
    QList<Span> words;
    qsizetype at = 0;
    while (at < text.size()) {
        while (at < text.size() && text[at].isSpace())
            ++at;
        const qsizetype start = at;
        while (at < text.size() && !text[at].isSpace())
            ++at;
        if (at > start && !isAddress(text.sliced(start, at - start)))
            wordsIn(text, start, at, words);
    }
    return words;
}
