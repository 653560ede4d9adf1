// Row kernels of the block copy: n pixels from pixel sx of a source row to pixel dx of a destination row,
// converted from depth S to depth D.
#pragma once

#include <cstdint>
#include <cstring>

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
            level = gray_fast_b(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
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

template <int S, int D>
inline void convert_row(const uint8_t *srow, int32_t sx, uint8_t *drow, int32_t dx, int32_t n, bool backwards) {
    if constexpr (S == D && S != 1) {
        // Same depth of whole bytes: every byte of the block is copied; memmove keeps overlaps right.
        constexpr int B = S / 8;
        std::memmove(drow + static_cast<intptr_t>(dx) * B, srow + static_cast<intptr_t>(sx) * B,
                     static_cast<size_t>(n) * B);
    } else {
        convert_row_pixels<S, D>(srow, sx, drow, dx, n, backwards);
    }
}

}  // namespace ox::image
