#include "search/private/ByteSearch.h"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VORLANE_SEARCH_AVX2 1
#endif

namespace vorlane::search::detail {

namespace {

inline bool Holds(const uint8_t* s, const ByteProbe& p) {
    return (s[p.offset] | p.orMask) == p.value;
}

const uint8_t* FindProbesPlain(const uint8_t* s, const uint8_t* last, const ByteProbe& a,
                               const ByteProbe* b) {
    if (b == nullptr && a.orMask == 0) {
        // memchr is the fastest search for one byte the C library offers.
        const void* hit = std::memchr(s + a.offset, a.value, static_cast<size_t>(last - s) + 1);
        return hit ? static_cast<const uint8_t*>(hit) - a.offset : nullptr;
    }
    for (; s <= last; ++s)
        if (Holds(s, a) && (b == nullptr || Holds(s, *b)))
            return s;
    return nullptr;
}

const uint8_t* FindEitherPlain(const uint8_t* s, const uint8_t* end, uint8_t x, uint8_t y) {
    for (; s != end; ++s)
        if (*s == x || *s == y)
            return s;
    return end;
}

int64_t CountLineEndsPlain(const uint8_t* p, const uint8_t* end, bool crEnding, uint8_t previous) {
    int64_t lines = 0;
    for (; p != end; ++p) {
        if (crEnding)
            lines += *p == '\r' || (*p == '\n' && previous != '\r');
        else
            lines += *p == '\n';
        previous = *p;
    }
    return lines;
}

#ifdef VORLANE_SEARCH_AVX2

bool HaveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

// The probe results for the 32 positions at s: 0xFF where both hold.
template <bool kTwo>
__attribute__((target("avx2"))) inline __m256i TestAvx2(const uint8_t* s, const ByteProbe& a,
                                                        const ByteProbe& b, __m256i va, __m256i ma,
                                                        __m256i vb, __m256i mb) {
    __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + a.offset));
    __m256i hit = _mm256_cmpeq_epi8(_mm256_or_si256(x, ma), va);
    if constexpr (kTwo) {
        __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + b.offset));
        hit = _mm256_and_si256(hit, _mm256_cmpeq_epi8(_mm256_or_si256(y, mb), vb));
    }
    return hit;
}

template <bool kTwo>
__attribute__((target("avx2"))) const uint8_t*
FindProbesAvx2(const uint8_t* s, const uint8_t* last, const ByteProbe& a, const ByteProbe& b) {
    const __m256i va = _mm256_set1_epi8(static_cast<char>(a.value));
    const __m256i ma = _mm256_set1_epi8(static_cast<char>(a.orMask));
    const __m256i vb = _mm256_set1_epi8(static_cast<char>(b.value));
    const __m256i mb = _mm256_set1_epi8(static_cast<char>(b.orMask));
    while (last - s >= 63) {
        __m256i h0 = TestAvx2<kTwo>(s, a, b, va, ma, vb, mb);
        __m256i h1 = TestAvx2<kTwo>(s + 32, a, b, va, ma, vb, mb);
        if (!_mm256_testz_si256(_mm256_or_si256(h0, h1), _mm256_or_si256(h0, h1))) {
            uint64_t m = static_cast<uint32_t>(_mm256_movemask_epi8(h0)) |
                         static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(h1)))
                             << 32;
            return s + __builtin_ctzll(m);
        }
        s += 64;
    }
    while (last - s >= 31) {
        uint32_t m =
            static_cast<uint32_t>(_mm256_movemask_epi8(TestAvx2<kTwo>(s, a, b, va, ma, vb, mb)));
        if (m != 0)
            return s + __builtin_ctz(m);
        s += 32;
    }
    for (; s <= last; ++s)
        if (Holds(s, a) && (!kTwo || Holds(s, b)))
            return s;
    return nullptr;
}

__attribute__((target("avx2"))) const uint8_t* FindEitherAvx2(const uint8_t* s, const uint8_t* end,
                                                              uint8_t x, uint8_t y) {
    const __m256i vx = _mm256_set1_epi8(static_cast<char>(x));
    const __m256i vy = _mm256_set1_epi8(static_cast<char>(y));
    while (end - s >= 32) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
        __m256i hit = _mm256_or_si256(_mm256_cmpeq_epi8(v, vx), _mm256_cmpeq_epi8(v, vy));
        uint32_t m = static_cast<uint32_t>(_mm256_movemask_epi8(hit));
        if (m != 0)
            return s + __builtin_ctz(m);
        s += 32;
    }
    return FindEitherPlain(s, end, x, y);
}

__attribute__((target("avx2,popcnt"))) int64_t
CountLineEndsAvx2(const uint8_t* p, const uint8_t* end, bool crEnding) {
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i cr = _mm256_set1_epi8('\r');
    int64_t lines = 0;
    uint8_t previous = 0; // begin starts a line
    if (crEnding && p != end) {
        lines += *p == '\r' || *p == '\n';
        previous = *p++;
    }
    while (end - p >= 32) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        if (crEnding) {
            // p[-1] is readable: the first byte was taken above.
            __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1));
            __m256i bareLf =
                _mm256_andnot_si256(_mm256_cmpeq_epi8(before, cr), _mm256_cmpeq_epi8(v, lf));
            lines += __builtin_popcount(
                         static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, cr)))) +
                     __builtin_popcount(static_cast<uint32_t>(_mm256_movemask_epi8(bareLf)));
        } else {
            lines += __builtin_popcount(
                static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, lf))));
        }
        p += 32;
        previous = p[-1];
    }
    return lines + CountLineEndsPlain(p, end, crEnding, previous);
}

#endif

} // namespace

int64_t CountLineEnds(const uint8_t* begin, const uint8_t* end, bool crEnding) {
#ifdef VORLANE_SEARCH_AVX2
    if (HaveAvx2())
        return CountLineEndsAvx2(begin, end, crEnding);
#endif
    return CountLineEndsPlain(begin, end, crEnding, 0);
}

const uint8_t* FindInTable(const uint8_t* p, const uint8_t* end, const uint8_t* table) {
    // Four bytes a step: most text has no byte of the table.
    while (end - p >= 4) {
        if (table[p[0]] | table[p[1]] | table[p[2]] | table[p[3]])
            break;
        p += 4;
    }
    while (p != end && !table[*p])
        ++p;
    return p;
}

const uint8_t* FindProbes(const uint8_t* begin, const uint8_t* last, const ByteProbe& a,
                          const ByteProbe* b) {
    if (last < begin)
        return nullptr;
#ifdef VORLANE_SEARCH_AVX2
    if (HaveAvx2() && (b != nullptr || a.orMask != 0))
        return b ? FindProbesAvx2<true>(begin, last, a, *b)
                 : FindProbesAvx2<false>(begin, last, a, a);
#endif
    return FindProbesPlain(begin, last, a, b);
}

const uint8_t* FindEitherByte(const uint8_t* begin, const uint8_t* end, uint8_t x, uint8_t y) {
#ifdef VORLANE_SEARCH_AVX2
    if (HaveAvx2())
        return FindEitherAvx2(begin, end, x, y);
#endif
    return FindEitherPlain(begin, end, x, y);
}

} // namespace vorlane::search::detail
