#include "search/ascii_word.h"

#include "search/byte_block.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

using ByteBlock::Bytes;

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

AsciiWord::AsciiWord(QStringView folded)
    : m_bytes(folded.toLatin1()), m_caseBits(m_bytes.size(), '\0')
{
    for (qsizetype i = 0; i < m_bytes.size(); ++i) {
        if (isLetter(m_bytes[i]))
            m_caseBits[i] = 0x20;
    }
    if (m_bytes.isEmpty())
        return;
    std::memset(m_copies[FirstCaseBit], firstCaseBit(), sizeof m_copies[0]);
    std::memset(m_copies[FirstByte], firstByte(), sizeof m_copies[0]);
    std::memset(m_copies[LastCaseBit], lastCaseBit(), sizeof m_copies[0]);
    std::memset(m_copies[LastByte], lastByte(), sizeof m_copies[0]);
}

bool AsciiWord::isAt(const unsigned char* place) const
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_bytes.constData());
    const auto* caseBits = reinterpret_cast<const unsigned char*>(m_caseBits.constData());
    for (qsizetype i = 0; i < m_bytes.size(); ++i) {
        if ((place[i] | caseBits[i]) != bytes[i])
            return false;
    }
    return true;
}

qsizetype AsciiWord::indexIn(QByteArrayView text, qsizetype from) const
{
    const qsizetype length = m_bytes.size();
    const qsizetype lastStart = text.size() - length;
    if (length == 0 || from > lastStart)
        return -1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    // Too few places for a block: looked at one by one.
    if (lastStart - from < ByteBlock::size - 1) {
        const unsigned char firstCase = firstCaseBit();
        const unsigned char first = firstByte();
        for (qsizetype at = from; at <= lastStart; ++at) {
            if ((bytes[at] | firstCase) == first && isAt(bytes + at))
                return at;
        }
        return -1;
    }
    // Places where the first and the last byte of the word both stand; only
    // those are compared in full. A letter matches in either case: ORed
    // with 0x20 it is its lowercase, and nothing else becomes that.
    const Bytes firstCase = ByteBlock::splat(firstCaseBit());
    const Bytes first = ByteBlock::splat(firstByte());
    const Bytes lastCase = ByteBlock::splat(lastCaseBit());
    const Bytes last = ByteBlock::splat(lastByte());
    const qsizetype lastBlock = lastStart - (ByteBlock::size - 1);
    for (qsizetype at = from;; at += ByteBlock::size) {
        // The last block is backed up to end at the last place: it looks at
        // some places twice (finding nothing there again), never past the end.
        at = std::min(at, lastBlock);
        const auto starts = ByteBlock::mask((ByteBlock::load(bytes + at) | firstCase) == first);
        const auto ends = ByteBlock::mask((ByteBlock::load(bytes + at + length - 1) | lastCase) == last);
        for (unsigned places = ByteBlock::topBits(starts & ends); places != 0; places &= places - 1) {
            if (isAt(bytes + at + std::countr_zero(places)))
                return at + std::countr_zero(places);
        }
        if (at == lastBlock)
            return -1;
    }
}

qsizetype AsciiWord::firstNonAscii(QByteArrayView text, qsizetype from)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    qsizetype at = from;
    for (; at + ByteBlock::size <= text.size(); at += ByteBlock::size) {
        if (const unsigned high = ByteBlock::topBits(ByteBlock::load(bytes + at)))
            return at + std::countr_zero(high);
    }
    for (; at < text.size(); ++at) {
        if (bytes[at] >= 0x80)
            return at;
    }
    return -1;
}
