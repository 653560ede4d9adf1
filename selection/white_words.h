// The white pixels of rows of 24- and 32-bit pixels as words of bits, for the white-out: a pixel is white
// when its three colour bytes are 255 (the fourth byte of a 32-bit pixel is not looked at). Words hold 64
// pixels, the first in the most significant bit. white_word is the portable version for any count;
// white_word_wide takes 64 pixels in 32-byte vectors and may run only where has_wide_white_words() says so;
// white_bits chooses.
#pragma once

#include <array>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ox::selection {

// True for a 24- or 32-bit pixel whose three colour bytes are 255 (the fourth byte is not looked at).
template <int Bytes>
inline bool is_white(const uint8_t *p) {
    if constexpr (Bytes == 3) return (p[0] & p[1] & p[2]) == 0xFF;
    else return (p[1] & p[2] & p[3]) == 0xFF;
}

// The white pixels among the n (at most 64) pixels from p, the first in the most significant bit.
template <int Bytes>
inline uint64_t white_word(const uint8_t *p, int64_t n) {
    uint64_t bits = 0;
    for (int64_t k = 0; k < n; ++k, p += Bytes) bits |= static_cast<uint64_t>(is_white<Bytes>(p)) << (63 - k);
    return bits;
}

#if defined(__SSE2__)
// Bit j of a byte moved to bit 7 - j.
constexpr std::array<uint8_t, 256> kBitReversed = [] {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v)
        for (int j = 0; j < 8; ++j)
            if (v >> j & 1) t[v] |= static_cast<uint8_t>(0x80 >> j);
    return t;
}();

// 32-bit pixels, four at a time: a pixel is white when its word ORed with its byte 0 is all ones.
template <>
inline uint64_t white_word<4>(const uint8_t *p, int64_t n) {
    const __m128i byte0 = _mm_set1_epi32(0xFF), ones = _mm_set1_epi32(-1);
    auto four = [&](const uint8_t *q) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q));
        return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(_mm_or_si128(v, byte0), ones)));
    };
    uint64_t bits = 0;
    int64_t k = 0;
    for (; k + 8 <= n; k += 8, p += 32)
        bits |= static_cast<uint64_t>(kBitReversed[static_cast<size_t>(four(p) | four(p + 16) << 4)]) << (56 - k);
    for (; k < n; ++k, p += 4) bits |= static_cast<uint64_t>(is_white<4>(p)) << (63 - k);
    return bits;
}

// Four 24-bit pixels from the twelve bits that say which of their bytes are 255 (the first byte in bit 0):
// a white pixel's three bits are set. The first pixel goes to bit 3.
constexpr std::array<uint8_t, 4096> kWhiteOfFourFirstHigh = [] {
    std::array<uint8_t, 4096> t{};
    for (int v = 0; v < 4096; ++v)
        for (int i = 0; i < 4; ++i)
            if ((v >> (3 * i) & 7) == 7) t[v] |= static_cast<uint8_t>(8 >> i);
    return t;
}();

// 24-bit pixels, sixteen at a time: the bytes that are 255 as 48 bits, read back four pixels at a time.
template <>
inline uint64_t white_word<3>(const uint8_t *p, int64_t n) {
    const __m128i all = _mm_set1_epi8(-1);
    uint64_t bits = 0;
    int64_t k = 0;
    for (; k + 16 <= n; k += 16, p += 48) {
        uint64_t m = 0;
        for (int j = 0; j < 3; ++j) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * j));
            m |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, all)))) << (16 * j);
        }
        const uint64_t white16 = static_cast<uint64_t>(kWhiteOfFourFirstHigh[m & 0xFFF]) << 12 |
                                 static_cast<uint64_t>(kWhiteOfFourFirstHigh[m >> 12 & 0xFFF]) << 8 |
                                 static_cast<uint64_t>(kWhiteOfFourFirstHigh[m >> 24 & 0xFFF]) << 4 |
                                 kWhiteOfFourFirstHigh[m >> 36 & 0xFFF];
        bits |= white16 << (48 - k);
    }
    for (; k < n; ++k, p += 3) bits |= static_cast<uint64_t>(is_white<3>(p)) << (63 - k);
    return bits;
}
#endif

// True where the processor feature record allows what white_word_wide needs (AVX2 and BMI2).
bool has_wide_white_words();

template <int Bytes>
uint64_t white_word_wide(const uint8_t *p);
template <>
uint64_t white_word_wide<3>(const uint8_t *p);
template <>
uint64_t white_word_wide<4>(const uint8_t *p);

// The white pixels among the n (at most 64) pixels from p: a whole word through white_word_wide when `wide`
// (has_wide_white_words(), asked once by the caller), else white_word.
template <int Bytes>
inline uint64_t white_bits(const uint8_t *p, int64_t n, bool wide) {
    return n == 64 && wide ? white_word_wide<Bytes>(p) : white_word<Bytes>(p, n);
}

}  // namespace ox::selection
