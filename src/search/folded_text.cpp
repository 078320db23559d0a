#include "search/folded_text.h"

#include <QChar>
#include <QList>

#include <atomic>
#include <memory>

namespace {

qsizetype codePointCount(QStringView text)
{
    qsizetype count = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (QChar::isHighSurrogate(text[i].unicode()) && QChar::isLowSurrogate(text[i + 1].unicode()))
            --count;
    }
    return count;
}

// Full case folding. Qt offers the simple folding; the full one differs
// exactly where a character's uppercase is more than one character (ß is
// SS, ﬁ is FI, ᾳ is ΑΙ), whose folding is then the full folding, and for
// two more: ẞ, which folds simply to ß, and İ, which folds to i with a
// combining dot above.
QString fullCaseFold(char32_t c)
{
    if (c == 0x130)
        return QStringLiteral(u"i\u0307");
    const QString one = QStringView(QChar::fromUcs4(c)).toString();
    const QString upper = one.toUpper();
    QString folded = (codePointCount(upper) > 1 ? upper : one).toCaseFolded();
    if (codePointCount(folded) == 1) {
        const QString again = folded.toUpper();
        if (codePointCount(again) > 1)
            folded = again.toCaseFolded();
    }
    return folded;
}

// Canonical decomposition all the way down, without the combining marks.
void appendDecomposed(char32_t c, QString& out)
{
    if (QChar::decompositionTag(c) == QChar::Canonical) {
        const QList<uint> parts = QChar::decomposition(c).toUcs4();
        for (const uint part : parts)
            appendDecomposed(part, out);
        return;
    }
    if (!QChar::isMark(c))
        out.append(QStringView(QChar::fromUcs4(c)));
}

// The whole folding of one character, the slow way.
void appendFolded(char32_t c, QString& out)
{
    const QList<uint> folded = fullCaseFold(c).toUcs4();
    for (const uint part : folded)
        appendDecomposed(part, out);
}

// What the 256 characters of one block of the Basic Multilingual Plane fold
// to: character low's units are pool[offsets[low]] up to pool[offsets[low + 1]].
struct FoldBlock
{
    quint16 offsets[257];
    std::vector<char16_t> pool;
};

// Built when a text first holds a character of the block; a block is never
// changed once published, so threads share it without a lock.
std::atomic<const FoldBlock*> foldBlocks[256];

const FoldBlock& foldBlock(int index)
{
    if (const FoldBlock* block = foldBlocks[index].load(std::memory_order_acquire))
        return *block;
    auto made = std::make_unique<FoldBlock>();
    QString out;
    for (int low = 0; low < 256; ++low) {
        made->offsets[low] = quint16(made->pool.size());
        const auto c = char16_t(index << 8 | low);
        out.clear();
        if (QChar::isSurrogate(c))
            out.append(QChar(c)); // half of a pair that is not there: kept as it is
        else
            appendFolded(c, out);
        made->pool.insert(made->pool.end(), out.utf16(), out.utf16() + out.size());
    }
    made->offsets[256] = quint16(made->pool.size());
    // Another thread may have built the same block meanwhile: the first one
    // published stays, and they are equal anyway.
    const FoldBlock* expected = nullptr;
    if (foldBlocks[index].compare_exchange_strong(expected, made.get(), std::memory_order_acq_rel))
        return *made.release();
    return *expected;
}

} // namespace

template <bool keepOrigins>
void FoldedText::foldText(QStringView text)
{
    const qsizetype n = text.size();
    const char16_t* const source = text.utf16();
    m_sourceSize = n;
    // Room for the rest of the text at a unit a character, and some: most
    // characters fold to one unit, so the room is looked at only where one
    // may fold to more.
    const auto makeRoom = [&](qsizetype filled, qsizetype needed) {
        const auto size = size_t(filled + needed + 8);
        if (m_units.size() < size)
            m_units.resize(2 * size);
        if (keepOrigins && m_origins.size() < m_units.size())
            m_origins.resize(m_units.size());
    };
    makeRoom(0, n);
    char16_t* units = m_units.data();
    qsizetype* origins = m_origins.data();
    qsizetype k = 0;
    const auto put = [&](char16_t unit, qsizetype origin) {
        units[k] = unit;
        if (keepOrigins)
            origins[k] = origin;
        ++k;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = source[i];
        if (c < 0x80) {
            put(c >= 'A' && c <= 'Z' ? char16_t(c + ('a' - 'A')) : c, i);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(source[i + 1])) {
            const char32_t code = QChar::surrogateToUcs4(c, source[i + 1]);
            const char32_t simple = QChar::toCaseFolded(code);
            // Beyond the first plane no character has a full folding of its
            // own; most (emoji) fold to themselves and decompose to nothing.
            if (!QChar::isMark(simple) && QChar::decompositionTag(simple) != QChar::Canonical) {
                put(QChar::highSurrogate(simple), i);
                put(QChar::lowSurrogate(simple), i);
            } else {
                QString out;
                appendFolded(code, out);
                makeRoom(k, out.size() + (n - i));
                units = m_units.data();
                origins = m_origins.data();
                for (const QChar unit : std::as_const(out))
                    put(unit.unicode(), i);
            }
            ++i;
            continue;
        }
        const FoldBlock& block = foldBlock(c >> 8);
        const int low = c & 0xFF;
        const int first = block.offsets[low];
        const int count = block.offsets[low + 1] - first;
        if (count > 1) {
            makeRoom(k, count + (n - i));
            units = m_units.data();
            origins = m_origins.data();
        }
        for (int j = 0; j < count; ++j)
            put(block.pool[size_t(first + j)], i);
    }
    m_size = k;
}

void FoldedText::assign(QStringView text)
{
    foldText<true>(text);
}

void FoldedText::foldOnly(QStringView text)
{
    foldText<false>(text);
}

TextRange FoldedText::original(qsizetype start, qsizetype length) const
{
    const qsizetype begin = m_origins[size_t(start)];
    const qsizetype last = m_origins[size_t(start + length - 1)];
    qsizetype next = start + length;
    while (next < m_size && m_origins[size_t(next)] == last)
        ++next;
    const qsizetype end = next < m_size ? m_origins[size_t(next)] : m_sourceSize;
    return TextRange{begin, end - begin};
}

QString FoldedText::fold(QStringView text)
{
    return FoldedText(text).folded().toString();
}
