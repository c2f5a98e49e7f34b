// What the scanning loops of the model share: whether SSE2 and AVX2 can be
// used, and the index of a mask's lowest set bit.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define QUIB_SSE2 1
#include <emmintrin.h>
#ifdef _MSC_VER
#include <intrin.h>
#endif
#endif

#if defined(QUIB_SSE2) && (defined(__GNUC__) || defined(__clang__))
#define QUIB_AVX2 1
#include <immintrin.h>
#endif

namespace simd {

inline unsigned CountTrailingZeros(unsigned Mask)
{
#ifdef _MSC_VER
    unsigned long Index;
    _BitScanForward(&Index, Mask);
    return unsigned(Index);
#else
    return unsigned(__builtin_ctz(Mask));
#endif
}

#ifdef QUIB_AVX2
// Asked once: the answer cannot change while the program runs.
inline bool HasAvx2()
{
    static const bool Has = __builtin_cpu_supports("avx2");
    return Has;
}
#endif

}  // namespace simd
