#include "store/ascii_line.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// Sixteen bytes as one value: the compiler does each operation on all of
// them at once, with whatever vector instructions the machine has.
typedef unsigned char AsciiBlock __attribute__((vector_size(16)));
constexpr qsizetype asciiBlockSize = sizeof(AsciiBlock);

AsciiBlock loadAsciiBlock(const unsigned char* p)
{
    AsciiBlock block;
    std::memcpy(&block, p, sizeof block);
    return block;
}

AsciiBlock loweredBlock(AsciiBlock block)
{
    // Comparisons give 0xFF where true; A to Z are the bytes 26 or less
    // above 'A', counting without sign.
    const auto upper = reinterpret_cast<AsciiBlock>(AsciiBlock(block - 'A') < 26);
    return block | (upper & 0x20);
}

// A comparison's result as two words, 0xFF in each byte where it held.
void splitBlock(AsciiBlock block, std::uint64_t (&halves)[2])
{
    std::memcpy(halves, &block, sizeof halves);
}

} // namespace

bool AsciiLine::assign(QByteArrayView line)
{
    m_size = line.size();
    // The search reads up to two blocks past any place in the line.
    const size_t needed = size_t(m_size) + 2 * asciiBlockSize;
    if (m_bytes.size() < needed)
        m_bytes.resize(needed);
    const auto* in = reinterpret_cast<const unsigned char*>(line.data());
    unsigned char* const out = m_bytes.data();
    AsciiBlock seen = {};
    qsizetype i = 0;
    for (; i + asciiBlockSize <= m_size; i += asciiBlockSize) {
        const AsciiBlock block = loadAsciiBlock(in + i);
        seen |= block;
        const AsciiBlock lowered = loweredBlock(block);
        std::memcpy(out + i, &lowered, sizeof lowered);
    }
    if (i < m_size) {
        unsigned char tail[asciiBlockSize] = {};
        std::memcpy(tail, in + i, size_t(m_size - i));
        const AsciiBlock block = loadAsciiBlock(tail);
        seen |= block;
        const AsciiBlock lowered = loweredBlock(block);
        std::memcpy(out + i, &lowered, sizeof lowered);
    }
    std::uint64_t halves[2];
    splitBlock(seen, halves);
    return ((halves[0] | halves[1]) & 0x8080808080808080u) == 0;
}

qsizetype AsciiLine::indexOf(QByteArrayView word) const
{
    const qsizetype length = word.size();
    if (length == 0 || length > m_size)
        return -1;
    const auto* const bytes = reinterpret_cast<const unsigned char*>(word.data());
    const unsigned char* const line = m_bytes.data();
    // Places where the word's first and last bytes both stand, sixteen
    // places at a time; only those are compared in full.
    AsciiBlock first;
    AsciiBlock last;
    for (qsizetype k = 0; k < asciiBlockSize; ++k) {
        first[k] = bytes[0];
        last[k] = bytes[length - 1];
    }
    const qsizetype lastStart = m_size - length;
    for (qsizetype i = 0; i <= lastStart; i += asciiBlockSize) {
        const auto both = reinterpret_cast<AsciiBlock>(loadAsciiBlock(line + i) == first)
                          & reinterpret_cast<AsciiBlock>(loadAsciiBlock(line + i + length - 1) == last);
        std::uint64_t halves[2];
        splitBlock(both, halves);
        for (int half = 0; half < 2; ++half) {
            for (std::uint64_t found = halves[half]; found != 0;) {
                // The block's first byte is the word's lowest byte on most
                // machines, its highest on the others.
                constexpr bool little = std::endian::native == std::endian::little;
                const int bit = little ? std::countr_zero(found) : 63 - std::countl_zero(found);
                const qsizetype at = i + half * 8 + (little ? bit / 8 : 7 - bit / 8);
                if (at > lastStart)
                    return -1;
                if (length <= 2 || std::memcmp(line + at + 1, bytes + 1, size_t(length - 2)) == 0)
                    return at;
                found &= ~(std::uint64_t(0xFF) << (bit & ~7));
            }
        }
    }
    return -1;
}
