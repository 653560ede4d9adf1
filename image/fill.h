// Fills, lines and erase: the plain per-pixel versions of every function, kept as the reference that the
// tests hold the exported fast paths to.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::image {

// Inversion of a pixel value: its three colour bytes become 255 minus themselves, bits 24-31 become 0.
inline uint32_t invert_value(uint32_t v) { return ~v & 0xFFFFFFu; }

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
