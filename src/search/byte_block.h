#pragma once

#include <QtGlobal>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Sixteen bytes as one value, for the scans that look at many bytes at once:
// the compiler does each operation on all sixteen with whatever vector
// instructions the machine has. A comparison gives 0xFF in each byte where
// it holds.
namespace ByteBlock {

typedef unsigned char Bytes __attribute__((vector_size(16)));
inline constexpr qsizetype size = sizeof(Bytes);

inline Bytes load(const unsigned char* p)
{
    Bytes block;
    std::memcpy(&block, p, sizeof block);
    return block;
}

inline Bytes splat(unsigned char byte)
{
    return Bytes{} + byte;
}

// A comparison's result as bytes again.
template <typename Comparison>
inline Bytes mask(Comparison comparison)
{
    return reinterpret_cast<Bytes>(comparison);
}

// The top bit of each byte, the first byte's as bit 0.
inline unsigned topBits(Bytes block)
{
#if defined(__SSE2__)
    return unsigned(_mm_movemask_epi8(reinterpret_cast<__m128i>(block)));
#else
    unsigned bits = 0;
    for (int i = 0; i < int(size); ++i)
        bits |= unsigned(block[i] >> 7) << i;
    return bits;
#endif
}

} // namespace ByteBlock
