// Row kernels of the block copy: n pixels from pixel sx of a source row to pixel dx of a destination row,
// converted from depth S to depth D.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "core/byte_order.h"

#include "image/gray.h"
#include "image/pixel.h"

namespace ox::image {

// One pixel, converted: colour bytes between 24 and 32 bits (the fourth channel only between two 32-bit
// pixels), 0/255 from a bit, the threshold to a bit, the gray value (order B) from colour.
template <int S, int D>
inline void convert_pixel(const uint8_t *srow, int32_t sx, uint8_t *drow, int32_t dx) {
    const uint32_t v = PixelCodec<S>::get(srow, sx);
    if constexpr (S >= 24 && D >= 24) {
        uint32_t out = v & 0xFFFFFFu;
        if constexpr (D == 32) out |= (S == 32 ? v : PixelCodec<32>::get(drow, dx)) & 0xFF000000u;
        PixelCodec<D>::put(drow, dx, out);
    } else if constexpr (S == 1 && D == 1) {
        PixelCodec<1>::put(drow, dx, v);
    } else {
        uint32_t level;
        if constexpr (S == 1)
            level = v ? 255u : 0u;
        else if constexpr (S == 8)
            level = v;
        else
            level = gray_table_b(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
        if constexpr (D == 1)
            PixelCodec<1>::put(drow, dx, threshold_bit(level));
        else if constexpr (D == 8)
            PixelCodec<8>::put(drow, dx, level);
        else if constexpr (D == 24)
            PixelCodec<24>::put(drow, dx, level * 0x010101u);
        else
            PixelCodec<32>::put(drow, dx, (PixelCodec<32>::get(drow, dx) & 0xFF000000u) | level * 0x010101u);
    }
}

// The generic row: pixel by pixel, right to left when `backwards` (only a copy within one image asks so).
template <int S, int D>
inline void convert_row_pixels(const uint8_t *srow, int32_t sx, uint8_t *drow, int32_t dx, int32_t n,
                               bool backwards) {
    if (backwards) {
        for (int32_t i = n - 1; i >= 0; --i) convert_pixel<S, D>(srow, sx + i, drow, dx + i);
    } else {
        for (int32_t i = 0; i < n; ++i) convert_pixel<S, D>(srow, sx + i, drow, dx + i);
    }
}

// Expansions of one byte of a 1-bit row (pixel 0 in bit 7) into eight pixels of 0 or 255.
struct BitExpansion {
    uint64_t bytes[256];       // eight 8-bit pixels, little-endian
    uint8_t rgb[256][24];      // eight 24-bit pixels
    uint32_t colour[256][8];   // colour bytes of eight 32-bit pixels (little-endian words; byte 0 clear)
};

inline constexpr BitExpansion make_bit_expansion() {
    BitExpansion t{};
    for (uint32_t b = 0; b < 256; ++b)
        for (uint32_t k = 0; k < 8; ++k) {
            const bool set = (b >> (7 - k)) & 1u;
            if (set) t.bytes[b] |= uint64_t{0xFF} << (8 * k);
            t.rgb[b][3 * k] = t.rgb[b][3 * k + 1] = t.rgb[b][3 * k + 2] = set ? 0xFF : 0x00;
            t.colour[b][k] = set ? 0xFFFFFF00u : 0u;
        }
    return t;
}
inline constexpr BitExpansion kBitExpansion = make_bit_expansion();

// Eight pixels from pixel sx of a source row, as one byte of a 1-bit row.
template <int S>
inline uint8_t pack_byte(const uint8_t *srow, int32_t sx) {
    if constexpr (S == 8) {
        // Above 127 is the top bit. Gather the eight top bits, first pixel into bit 7: byte-swapped, pixel k's
        // top bit sits at 63 - 8k, and the multiplier moves each to 56 + (7 - k) without overlapping sums.
        const uint64_t v = core::load_be64(srow + sx) & 0x8080808080808080ull;
        return static_cast<uint8_t>((v * 0x0002040810204081ull) >> 56);
    } else {
        constexpr int B = S / 8, R = B - 3;  // colour bytes at R, R+1, R+2
        const uint8_t *p = srow + static_cast<intptr_t>(sx) * B;
        uint32_t out = 0;
        for (int k = 0; k < 8; ++k, p += B) out |= gray_b_bit(p[R], p[R + 1], p[R + 2]) << (7 - k);
        return static_cast<uint8_t>(out);
    }
}

// Any depth to 1 bit: single pixels up to a whole destination byte, then a byte per eight pixels.
template <int S>
inline void pack_row(const uint8_t *srow, int32_t sx, uint8_t *drow, int32_t dx, int32_t n) {
    int32_t i = 0;
    for (; i < n && ((dx + i) & 7); ++i) convert_pixel<S, 1>(srow, sx + i, drow, dx + i);
    uint8_t *d = drow + ((dx + i) >> 3);
    for (; n - i >= 8; i += 8) *d++ = pack_byte<S>(srow, sx + i);
    for (; i < n; ++i) convert_pixel<S, 1>(srow, sx + i, drow, dx + i);
}

// 1 bit to any other depth: single pixels up to a whole source byte, then eight pixels per byte.
template <int D>
inline void expand_row(const uint8_t *srow, int32_t sx, uint8_t *drow, int32_t dx, int32_t n) {
    int32_t i = 0;
    for (; i < n && ((sx + i) & 7); ++i) convert_pixel<1, D>(srow, sx + i, drow, dx + i);
    const uint8_t *s = srow + ((sx + i) >> 3);
    for (; n - i >= 8; i += 8, ++s) {
        const uint8_t b = *s;
        const intptr_t x = dx + i;
        if constexpr (D == 8) {
            core::store_le64(drow + x, kBitExpansion.bytes[b]);
        } else if constexpr (D == 24) {
            std::memcpy(drow + 3 * x, kBitExpansion.rgb[b], 24);
        } else {
            uint8_t *p = drow + 4 * x;
            for (int k = 0; k < 8; ++k)
                core::store_le32(p + 4 * k, (core::load_le32(p + 4 * k) & 0xFFu) | kBitExpansion.colour[b][k]);
        }
    }
    for (; i < n; ++i) convert_pixel<1, D>(srow, sx + i, drow, dx + i);
}

// 1 bit to 1 bit. Blocks at the same bit phase copy whole bytes between single-pixel ends; other phases
// (only clipped blocks have them) and right-to-left copies go pixel by pixel.
inline void copy_bits(const uint8_t *srow, int32_t sx, uint8_t *drow, int32_t dx, int32_t n, bool backwards) {
    if (backwards || ((sx ^ dx) & 7)) {
        convert_row_pixels<1, 1>(srow, sx, drow, dx, n, backwards);
        return;
    }
    int32_t i = 0;
    for (; i < n && ((dx + i) & 7); ++i) convert_pixel<1, 1>(srow, sx + i, drow, dx + i);
    const int32_t whole = (n - i) / 8;
    std::memmove(drow + ((dx + i) >> 3), srow + ((sx + i) >> 3), static_cast<size_t>(whole));
    for (i += 8 * whole; i < n; ++i) convert_pixel<1, 1>(srow, sx + i, drow, dx + i);
}

// 24-bit colour to the colour bytes of 32-bit pixels (byte 0 kept), four pixels from three words at a time.
inline void rgb_to_argb(const uint8_t *s, uint8_t *d, int32_t n) {
    int32_t i = 0;
    for (; n - i >= 4; i += 4, s += 12, d += 16) {
        const uint32_t w0 = core::load_le32(s), w1 = core::load_le32(s + 4), w2 = core::load_le32(s + 8);
        core::store_le32(d, (core::load_le32(d) & 0xFFu) | w0 << 8);
        core::store_le32(d + 4, (core::load_le32(d + 4) & 0xFFu) | (w0 >> 24 | w1 << 8) << 8);
        core::store_le32(d + 8, (core::load_le32(d + 8) & 0xFFu) | (w1 >> 16 | w2 << 16) << 8);
        core::store_le32(d + 12, (core::load_le32(d + 12) & 0xFFu) | (w2 & 0xFFFFFF00u));
    }
    for (; i < n; ++i, s += 3, d += 4) {
        d[1] = s[0];
        d[2] = s[1];
        d[3] = s[2];
    }
}

// The colour bytes of 32-bit pixels to 24-bit pixels, four pixels into three words at a time.
inline void argb_to_rgb(const uint8_t *s, uint8_t *d, int32_t n) {
    int32_t i = 0;
    for (; n - i >= 4; i += 4, s += 16, d += 12) {
        const uint32_t p0 = core::load_le32(s) >> 8, p1 = core::load_le32(s + 4) >> 8, p2 = core::load_le32(s + 8) >> 8,
                       p3 = core::load_le32(s + 12) >> 8;
        core::store_le32(d, p0 | p1 << 24);
        core::store_le32(d + 4, p1 >> 8 | p2 << 16);
        core::store_le32(d + 8, p2 >> 16 | p3 << 8);
    }
    for (; i < n; ++i, s += 4, d += 3) {
        d[0] = s[1];
        d[1] = s[2];
        d[2] = s[3];
    }
}

template <int S, int D>
inline void convert_row(const uint8_t *srow, int32_t sx, uint8_t *drow, int32_t dx, int32_t n, bool backwards) {
    static_assert(std::endian::native == std::endian::little, "the word kernels assume little-endian rows");
    const intptr_t x = dx;
    if constexpr (S == D && S != 1) {
        // Same depth of whole bytes: every byte of the block is copied; memmove keeps overlaps right.
        constexpr int B = S / 8;
        std::memmove(drow + x * B, srow + static_cast<intptr_t>(sx) * B, static_cast<size_t>(n) * B);
    } else if constexpr (S == 1 && D == 1) {
        copy_bits(srow, sx, drow, dx, n, backwards);
    } else if constexpr (D == 1) {
        pack_row<S>(srow, sx, drow, dx, n);
    } else if constexpr (S == 1) {
        expand_row<D>(srow, sx, drow, dx, n);
    } else if constexpr (S == 24 && D == 32) {
        rgb_to_argb(srow + 3 * static_cast<intptr_t>(sx), drow + 4 * x, n);
    } else if constexpr (S == 32 && D == 24) {
        argb_to_rgb(srow + 4 * static_cast<intptr_t>(sx), drow + 3 * x, n);
    } else if constexpr (S == 8) {
        const uint8_t *s = srow + sx;
        if constexpr (D == 24) {
            uint8_t *d = drow + 3 * x;
            for (int32_t i = 0; i < n; ++i, d += 3) d[0] = d[1] = d[2] = s[i];
        } else {
            uint8_t *d = drow + 4 * x;
            for (int32_t i = 0; i < n; ++i, d += 4)
                core::store_le32(d, (core::load_le32(d) & 0xFFu) | s[i] * 0x01010100u);
        }
    } else {  // colour to 8 bits: the order-B gray value
        constexpr int B = S / 8, R = B - 3;
        const uint8_t *s = srow + static_cast<intptr_t>(sx) * B;
        uint8_t *d = drow + x;
        for (int32_t i = 0; i < n; ++i, s += B) d[i] = static_cast<uint8_t>(gray_table_b(s[R], s[R + 1], s[R + 2]));
    }
}

}  // namespace ox::image
