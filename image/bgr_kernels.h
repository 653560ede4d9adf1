// Row kernels between the image record's colour bytes (red, green, blue; 32-bit pixels with the fourth
// byte first) and the blue, green, red order of device-independent bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/byte_order.h"

namespace ox::image::bgr {

// Masks of the bytes at positions 0, 1 and 2 modulo 3 in each of the three words of 24 bytes.
struct Thirds {
    uint64_t m[3][3];  // m[residue][word]
};
constexpr Thirds make_thirds() {
    Thirds t{};
    for (int i = 0; i < 24; ++i) t.m[i % 3][i / 8] |= uint64_t{0xFF} << (8 * (i % 8));
    return t;
}
inline constexpr Thirds kThirds = make_thirds();

// n 3-byte pixels with their first and third bytes swapped (red, green, blue <-> blue, green, red). Eight
// pixels are three words: the first byte of each pixel comes from two bytes on (the words shifted right
// by 16 bits), the third from two bytes back. Reads and writes exactly 3n bytes.
inline void swap_24(const uint8_t *src, uint8_t *dst, int32_t n) {
    int32_t i = 0;
    const auto &m = kThirds.m;
    for (; i + 8 <= n; i += 8) {
        const uint8_t *s = src + 3 * static_cast<std::size_t>(i);
        uint8_t *d = dst + 3 * static_cast<std::size_t>(i);
        const uint64_t w0 = core::load_le64(s), w1 = core::load_le64(s + 8), w2 = core::load_le64(s + 16);
        const uint64_t r0 = (w0 >> 16) | (w1 << 48), r1 = (w1 >> 16) | (w2 << 48), r2 = w2 >> 16;
        const uint64_t l0 = w0 << 16, l1 = (w1 << 16) | (w0 >> 48), l2 = (w2 << 16) | (w1 >> 48);
        core::store_le64(d, (r0 & m[0][0]) | (w0 & m[1][0]) | (l0 & m[2][0]));
        core::store_le64(d + 8, (r1 & m[0][1]) | (w1 & m[1][1]) | (l1 & m[2][1]));
        core::store_le64(d + 16, (r2 & m[0][2]) | (w2 & m[1][2]) | (l2 & m[2][2]));
    }
    for (; i < n; ++i) {
        const uint8_t *s = src + 3 * static_cast<std::size_t>(i);
        uint8_t *d = dst + 3 * static_cast<std::size_t>(i);
        const uint8_t a = s[0], b = s[1], c = s[2];
        d[0] = c;
        d[1] = b;
        d[2] = a;
    }
}

// swap_24 eight pixels a step with AVX2 where the processor feature record allows it; the same bytes,
// exactly 3n of them written.
void swap_24_wide(const uint8_t *src, uint8_t *dst, int32_t n);

// n 32-bit image pixels (fourth, red, green, blue) as blue, green, red. Each 4-byte store runs one byte
// into the next pixel, which that pixel's store then covers; the last pixel is stored bytewise, so exactly
// 3n bytes are written.
inline void bgr_from_32(const uint8_t *src, uint8_t *dst, int32_t n) {
    int32_t i = 0;
    for (; i + 1 < n; ++i)
        core::store_le32(dst + 3 * static_cast<std::size_t>(i), core::load_be32(src + 4 * static_cast<std::size_t>(i)));
    if (i < n) {
        const uint8_t *s = src + 4 * static_cast<std::size_t>(i);
        uint8_t *d = dst + 3 * static_cast<std::size_t>(i);
        d[0] = s[3];
        d[1] = s[2];
        d[2] = s[1];
    }
}

// bgr_from_32 eight pixels a step with AVX2 where the processor feature record allows it; the same bytes,
// exactly 3n of them written.
void bgr_from_32_wide(const uint8_t *src, uint8_t *dst, int32_t n);

}  // namespace ox::image::bgr
