// Fills, lines and erase: box clipping shared by the box functions, and the plain per-pixel versions of
// every function, kept as the reference that the tests hold the exported fast paths to.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::image {

// A clipped, non-empty box: 0 <= x, 0 < w, x + w <= width, and likewise in y.
struct Box {
    int32_t x, y, w, h;
};

// Clips a caller's box to a width x height image: all four values 0 mean the whole image; otherwise a
// negative x or y moves the edge to 0 and shortens the box by as much, and a box that runs past the right
// or bottom edge ends there. The arithmetic is exact (no 32-bit wrap-around). False when nothing is left.
bool clip_box(int32_t width, int32_t height, int32_t x, int32_t y, int32_t w, int32_t h, Box *box);

// The value a box fill stores with the per-pixel accessors: 1-bit images take any non-zero colour as 1; a
// 32-bit gray layer takes 0xFFFFFF as white with the fourth channel (0xFFFFFFFF).
uint32_t box_fill_value(int32_t bit_count, int32_t layer, uint32_t color);

// Inversion of a pixel value: its three colour bytes become 255 minus themselves, bits 24-31 become 0.
inline uint32_t invert_value(uint32_t v) { return ~v & 0xFFFFFFu; }

// The line functions' end points, signs and error-term constants.
struct LineShape {
    int64_t x1, y1;
    int64_t sx, sy;    // -1, 0 or +1
    bool steep;        // y is the major axis
    int64_t major;     // at least 1: a zero-length line is walked as major 1
    int64_t minor;
};
LineShape make_line_shape(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

namespace plain {

// Same arguments, results and bytes as the exported functions, one pixel at a time through the pixel
// accessors. Slow; for tests and benchmarks.
void erase(OxHandle image);
int32_t box_fill(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t color);
int32_t xor_box_fill(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h);
int32_t box_fill_ex(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h, uint8_t value, uint32_t channel);
int32_t line(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pen, uint32_t color);
int32_t line_ex(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pen, uint32_t color,
                uint32_t key, uint32_t mode);
int32_t xor_line(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pen);

}  // namespace plain
}  // namespace ox::image
