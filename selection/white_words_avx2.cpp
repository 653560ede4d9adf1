// White pixels 64 at a time in 32-byte vectors: the bytes that are 255 as bit masks, and from them the
// pixels, gathered with one bit extraction per 64-bit mask word.
#include "selection/white_words.h"

#include "core/cpu.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define OX_WHITE_WORDS_X86 1
#endif

namespace ox::selection {

#if OX_WHITE_WORDS_X86

bool has_wide_white_words() { return core::has_avx2() && core::has_bmi2(); }

namespace {

// Bit i moved to bit 63 - i: the vector masks hold the first pixel in bit 0, the words in bit 63.
__attribute__((target("avx2,bmi2"))) inline uint64_t reversed(uint64_t v) {
    v = __builtin_bswap64(v);
    v = (v >> 4 & 0x0F0F0F0F0F0F0F0Full) | (v & 0x0F0F0F0F0F0F0F0Full) << 4;
    v = (v >> 2 & 0x3333333333333333ull) | (v & 0x3333333333333333ull) << 2;
    return (v >> 1 & 0x5555555555555555ull) | (v & 0x5555555555555555ull) << 1;
}

// Bit j set where byte j of the 64 from p is 255.
__attribute__((target("avx2,bmi2"))) inline uint64_t bytes_255(const uint8_t *p) {
    const __m256i all = _mm256_set1_epi8(-1);
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 32));
    return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(lo, all))) |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hi, all)))) << 32;
}

// 192 bytes. Bit j of t is set where bytes j, j + 1 and j + 2 are 255; pixel i starts at byte 3i, which is
// bit 0, 3, ... 63 of the first mask word (pixels 0-21), bit 2, 5, ... 62 of the second (22-42) and bit 1,
// 4, ... 61 of the third (43-63).
__attribute__((target("avx2,bmi2"))) uint64_t wide_24(const uint8_t *p) {
    const uint64_t m0 = bytes_255(p), m1 = bytes_255(p + 64), m2 = bytes_255(p + 128);
    const uint64_t t0 = m0 & (m0 >> 1 | m1 << 63) & (m0 >> 2 | m1 << 62);
    const uint64_t t1 = m1 & (m1 >> 1 | m2 << 63) & (m1 >> 2 | m2 << 62);
    const uint64_t t2 = m2 & m2 >> 1 & m2 >> 2;
    constexpr uint64_t every_third = 0x9249249249249249ull;  // bits 0, 3, ... 63
    const uint64_t first_pixel_low = _pext_u64(t0, every_third) | _pext_u64(t1, every_third << 2) << 22 |
                                     _pext_u64(t2, every_third << 1) << 43;
    return reversed(first_pixel_low);
}

// 256 bytes, eight pixels a vector: a pixel is white when its word ORed with its byte 0 is all ones.
__attribute__((target("avx2,bmi2"))) uint64_t wide_32(const uint8_t *p) {
    const __m256i byte0 = _mm256_set1_epi32(0xFF), ones = _mm256_set1_epi32(-1);
    uint64_t first_pixel_low = 0;
    for (int g = 0; g < 8; ++g) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 32 * g));
        const __m256i white = _mm256_cmpeq_epi32(_mm256_or_si256(v, byte0), ones);
        first_pixel_low |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(white))))
                           << (8 * g);
    }
    return reversed(first_pixel_low);
}

}  // namespace

template <>
uint64_t white_word_wide<3>(const uint8_t *p) {
    return wide_24(p);
}
template <>
uint64_t white_word_wide<4>(const uint8_t *p) {
    return wide_32(p);
}

#else

bool has_wide_white_words() { return false; }

template <>
uint64_t white_word_wide<3>(const uint8_t *p) {
    return white_word<3>(p, 64);
}
template <>
uint64_t white_word_wide<4>(const uint8_t *p) {
    return white_word<4>(p, 64);
}

#endif

}  // namespace ox::selection
