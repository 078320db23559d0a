#include "search/folded_text.h"

#include <QChar>
#include <QList>

#include <atomic>
#include <memory>

namespace {

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
    QString folded = (upper.toUcs4().size() > 1 ? upper : one).toCaseFolded();
    if (folded.toUcs4().size() == 1) {
        const QString again = folded.toUpper();
        if (again.toUcs4().size() > 1)
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

void FoldedText::assign(QStringView text)
{
    m_units.clear();
    m_origins.clear();
    m_sourceSize = text.size();
    const char16_t* const source = text.utf16();
    const auto put = [&](char16_t unit, qsizetype origin) {
        m_units.push_back(unit);
        m_origins.push_back(origin);
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = source[i];
        if (c < 0x80) {
            put(c >= 'A' && c <= 'Z' ? char16_t(c + ('a' - 'A')) : c, i);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(source[i + 1])) {
            // Beyond the first plane, characters are rare enough to fold the
            // slow way.
            QString out;
            appendFolded(QChar::surrogateToUcs4(c, source[i + 1]), out);
            for (const QChar unit : std::as_const(out))
                put(unit.unicode(), i);
            ++i;
        } else {
            const FoldBlock& block = foldBlock(c >> 8);
            for (int j = block.offsets[c & 0xFF]; j < block.offsets[(c & 0xFF) + 1]; ++j)
                put(block.pool[size_t(j)], i);
        }
    }
}

TextRange FoldedText::original(qsizetype start, qsizetype length) const
{
    const qsizetype begin = m_origins[size_t(start)];
    const qsizetype last = m_origins[size_t(start + length - 1)];
    qsizetype next = start + length;
    const auto size = qsizetype(m_units.size());
    while (next < size && m_origins[size_t(next)] == last)
        ++next;
    const qsizetype end = next < size ? m_origins[size_t(next)] : m_sourceSize;
    return TextRange{begin, end - begin};
}

QString FoldedText::fold(QStringView text)
{
    return FoldedText(text).folded().toString();
}
