#include "search/body_scan.h"

#include "search/ascii_word.h"
#include "search/byte_block.h"
#include "search/search_query.h"

#include <atomic>
#include <bit>
#include <cstring>

namespace {

// Whether the byte at place at ends a line: a CR where lines end at CR (an
// LF right after it is part of the line end), an LF where they end at LF.
bool endsLineAt(const unsigned char* bytes, qsizetype at, bool crLines)
{
    if (crLines)
        return bytes[at] == '\r' || (bytes[at] == '\n' && at > 0 && bytes[at - 1] == '\r');
    return bytes[at] == '\n';
}

// Where nothing but headers and end lines matter: both hold a '!' ("*!*",
// "!*!"), which memchr finds at the machine's full speed, and text seldom
// does. The stop is the line end before such a line.
qsizetype firstMarkLine(const unsigned char* bytes, qsizetype size, qsizetype from, bool crLines)
{
    for (qsizetype at = from; at < size;) {
        const void* found = std::memchr(bytes + at, '!', size_t(size - at));
        if (!found)
            return -1;
        const qsizetype bang = static_cast<const unsigned char*>(found) - bytes;
        for (const qsizetype lineStart : {bang - 1, bang}) {
            if (lineStart - 1 >= from && endsLineAt(bytes, lineStart - 1, crLines)
                && (bytes[lineStart] == '*' || bytes[lineStart] == '!'))
                return lineStart - 1;
        }
        at = bang + 1;
    }
    return -1;
}

// 32 copies of a byte, to compare blocks of bytes with: loaded whole, they
// cost no more than any load.
struct ByteCopies
{
    alignas(32) unsigned char bytes[32];
};

constexpr ByteCopies copiesOf(unsigned char byte)
{
    ByteCopies copies{};
    for (unsigned char& copy : copies.bytes)
        copy = byte;
    return copies;
}

constexpr ByteCopies copiesOfCr = copiesOf('\r');
constexpr ByteCopies copiesOfLf = copiesOf('\n');
constexpr ByteCopies copiesOfStar = copiesOf('*');
constexpr ByteCopies copiesOfBang = copiesOf('!');
constexpr ByteCopies copiesOfTopBit = copiesOf(0x80);
constexpr ByteCopies copiesOfZero = copiesOf(0);

// 32 bytes as one value, for machines with the instructions for it. The
// functions that take or give one are always inlined into the scan built
// for those machines, so the compiler's note that their calling convention
// differs on others (given at the end of the file) concerns no call.
typedef unsigned char WideBytes __attribute__((vector_size(32)));
#pragma GCC diagnostic ignored "-Wpsabi"

[[gnu::always_inline]] inline ByteBlock::Bytes loadBytes(const unsigned char* p, ByteBlock::Bytes)
{
    return ByteBlock::load(p);
}

[[gnu::always_inline]] inline WideBytes loadBytes(const unsigned char* p, WideBytes)
{
    WideBytes block;
    std::memcpy(&block, p, sizeof block);
    return block;
}

[[gnu::always_inline]] inline unsigned placeBits(ByteBlock::Bytes block)
{
    return ByteBlock::topBits(block);
}

[[gnu::always_inline]] inline unsigned placeBits(WideBytes block)
{
    ByteBlock::Bytes halves[2];
    std::memcpy(halves, &block, sizeof halves);
    return ByteBlock::topBits(halves[0]) | ByteBlock::topBits(halves[1]) << 16;
}

// Whether any byte has its top bit set.
[[gnu::always_inline]] inline bool anyTopBit(ByteBlock::Bytes block)
{
    return ByteBlock::topBits(block) != 0;
}

[[gnu::always_inline]] inline bool anyTopBit(WideBytes block)
{
    ByteBlock::Bytes halves[2];
    std::memcpy(halves, &block, sizeof halves);
    return ByteBlock::topBits(halves[0] | halves[1]) != 0;
}

// The scan proper, as many places at a time as Bytes holds.
template <typename Bytes>
[[gnu::always_inline]] inline qsizetype scanBlocks(std::span<const AsciiWord* const> words,
                                                    const BodyScan::Stops& stops, const unsigned char* bytes,
                                                    qsizetype size, qsizetype from)
{
    constexpr qsizetype width = sizeof(Bytes);
    const bool crLines = stops.lineEnd == '\r';
    const auto isMark = [](unsigned char c) { return c == '*' || c == '!'; };
    // Whether the scan stops at a place; the blocks only tell where it may.
    const auto stopsAt = [&](qsizetype at) {
        const unsigned char c = bytes[at];
        if (c >= 0x80)
            return stops.notAscii;
        if (c == '\r' || c == '\n') {
            if (!endsLineAt(bytes, at, crLines))
                return false; // an LF in a line's text
            return at + 1 < size && isMark(bytes[at + 1]);
        }
        for (const AsciiWord* word : words) {
            if (at + word->size() <= size && word->isAt(bytes + at))
                return true;
        }
        return false;
    };
    // The lambdas that take or give a block are always inlined too: made
    // apart, they would be made for machines without the wide instructions.
    const auto mask = [](auto comparison) __attribute__((always_inline)) { return reinterpret_cast<Bytes>(comparison); };

    // The blocks go as far as the bytes after each place, and each word's
    // last bytes, can be read; the places after that are looked at one by
    // one.
    qsizetype reach = 1;
    for (const AsciiWord* word : words)
        reach = std::max(reach, word->size() - 1);
    const qsizetype blocksEnd = size - reach - width;
    const Bytes cr = loadBytes(copiesOfCr.bytes, Bytes{});
    const Bytes lf = loadBytes(copiesOfLf.bytes, Bytes{});
    const Bytes star = loadBytes(copiesOfStar.bytes, Bytes{});
    const Bytes bang = loadBytes(copiesOfBang.bytes, Bytes{});
    // The top bit of a byte that is not ASCII, where those stop the scan.
    const Bytes highBits = loadBytes((stops.notAscii ? copiesOfTopBit : copiesOfZero).bytes, Bytes{});
    // Each word's first and last bytes and their case bits, and how far
    // after a place its last byte stands.
    struct Edges
    {
        const unsigned char* firstCase;
        const unsigned char* first;
        const unsigned char* lastCase;
        const unsigned char* last;
        qsizetype lastOffset;
    };
    Edges edges[SearchQuery::maxWords];
    qsizetype edgeCount = 0;
    Q_ASSERT(words.size() <= std::size(edges));
    for (const AsciiWord* word : words) {
        edges[edgeCount++] = Edges{word->copies(AsciiWord::FirstCaseBit), word->copies(AsciiWord::FirstByte),
                                   word->copies(AsciiWord::LastCaseBit), word->copies(AsciiWord::LastByte),
                                   word->size() - 1};
    }
    // The places of one block where the scan may stop, as the top bits of
    // its bytes.
    const auto placesAt = [&](qsizetype at) __attribute__((always_inline)) {
        const Bytes block = loadBytes(bytes + at, Bytes{});
        const Bytes next = loadBytes(bytes + at + 1, Bytes{});
        Bytes places = block & highBits;
        if (crLines) {
            // A line end before a line that starts with a mark is an LF
            // (of a CR LF), or a CR without its LF, which ends in one byte.
            places |= mask(block == lf) & (mask(next == star) | mask(next == bang));
            places |= mask(block == cr) & ~mask(next == lf) & (mask(next == star) | mask(next == bang));
        } else {
            // Every line end is an LF.
            places |= mask(block == lf) & (mask(next == star) | mask(next == bang));
        }
        for (qsizetype k = 0; k < edgeCount; ++k) {
            const Edges& word = edges[k];
            places |= mask((block | loadBytes(word.firstCase, Bytes{})) == loadBytes(word.first, Bytes{}))
                      & mask((loadBytes(bytes + at + word.lastOffset, Bytes{}) | loadBytes(word.lastCase, Bytes{}))
                             == loadBytes(word.last, Bytes{}));
        }
        return places;
    };
    const auto firstIn = [&](qsizetype at, Bytes places) __attribute__((always_inline)) {
        for (unsigned found = placeBits(places); found != 0; found &= found - 1) {
            if (stopsAt(at + std::countr_zero(found)))
                return at + std::countr_zero(found);
        }
        return qsizetype(-1);
    };
    qsizetype at = from;
    // Two blocks at a time, looked at together: most hold no place at all.
    for (; at + width <= blocksEnd; at += 2 * width) {
        const Bytes first = placesAt(at);
        const Bytes second = placesAt(at + width);
        if (!anyTopBit(first | second))
            continue;
        if (const qsizetype found = firstIn(at, first); found >= 0)
            return found;
        if (const qsizetype found = firstIn(at + width, second); found >= 0)
            return found;
    }
    for (; at <= blocksEnd; at += width) {
        if (const qsizetype found = firstIn(at, placesAt(at)); found >= 0)
            return found;
    }
    for (; at < size; ++at) {
        if (stopsAt(at))
            return at;
    }
    return -1;
}

qsizetype scanNarrow(std::span<const AsciiWord* const> words, const BodyScan::Stops& stops,
                     const unsigned char* bytes, qsizetype size, qsizetype from)
{
    return scanBlocks<ByteBlock::Bytes>(words, stops, bytes, size, from);
}

#if defined(__x86_64__)
[[gnu::target("avx2")]] qsizetype scanWide(std::span<const AsciiWord* const> words,
                                            const BodyScan::Stops& stops, const unsigned char* bytes,
                                            qsizetype size, qsizetype from)
{
    return scanBlocks<WideBytes>(words, stops, bytes, size, from);
}
#endif

} // namespace

namespace BodyScan {

namespace {
std::atomic<bool> wideAllowed{true};
} // namespace

void allowWideBlocks(bool allowed)
{
    wideAllowed = allowed;
}

qsizetype firstStop(std::span<const AsciiWord* const> words, const Stops& stops, QByteArrayView text,
                    qsizetype from)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    if (words.empty() && !stops.notAscii)
        return firstMarkLine(bytes, text.size(), from, stops.lineEnd == '\r');
#if defined(__x86_64__)
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide && wideAllowed.load(std::memory_order_relaxed))
        return scanWide(words, stops, bytes, text.size(), from);
#endif
    return scanNarrow(words, stops, bytes, text.size(), from);
}

} // namespace BodyScan
