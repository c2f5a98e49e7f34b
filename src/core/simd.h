// What the scanning loops of the model share: whether SSE2 and AVX2 can be
// used, and the index of a mask's lowest set bit.
#pragma once

#include <cstdint>

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

// Mask must not be 0.
inline unsigned CountTrailingZeros64(std::uint64_t Mask)
{
#if defined(_MSC_VER) && defined(_M_X64)
    unsigned long Index;
    _BitScanForward64(&Index, Mask);
    return unsigned(Index);
#elif defined(_MSC_VER)
    unsigned long Index;
    if (!_BitScanForward(&Index, static_cast<unsigned long>(Mask))) {
        _BitScanForward(&Index, static_cast<unsigned long>(Mask >> 32));
        Index += 32;
    }
    return unsigned(Index);
#else
    return unsigned(__builtin_ctzll(Mask));
#endif
}

inline unsigned CountTrailingZeros(unsigned Mask) { return CountTrailingZeros64(Mask); }

inline unsigned PopCount64(std::uint64_t Mask)
{
#if defined(__GNUC__) || defined(__clang__)
    return unsigned(__builtin_popcountll(Mask));
#else
    unsigned Count = 0;
    for (; Mask; Mask &= Mask - 1)
        ++Count;
    return Count;
#endif
}

#ifdef QUIB_SSE2
// Bit I set where P[I] == C, for the 64 bytes from P.
inline std::uint64_t ByteMask64(const char* P, char C)
{
    const __m128i Wanted = _mm_set1_epi8(C);
    std::uint64_t Mask = 0;
    for (int Part = 0; Part < 4; ++Part) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + 16 * Part));
        Mask |= std::uint64_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(V, Wanted)))) << (16 * Part);
    }
    return Mask;
}
#endif

// First CR, LF or NUL in [P, End), or End: where a line's text ends.
inline const char* FindLineBreak(const char* P, const char* End)
{
#ifdef QUIB_SSE2
    const __m128i Cr = _mm_set1_epi8('\r');
    const __m128i Lf = _mm_set1_epi8('\n');
    const __m128i Zero = _mm_setzero_si128();
    for (; End - P >= 16; P += 16) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
        const __m128i Hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(V, Cr), _mm_cmpeq_epi8(V, Lf)), _mm_cmpeq_epi8(V, Zero));
        if (const unsigned Mask = unsigned(_mm_movemask_epi8(Hit)))
            return P + CountTrailingZeros(Mask);
    }
#endif
    while (P < End && *P != '\r' && *P != '\n' && *P != '\0')
        ++P;
    return P;
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
