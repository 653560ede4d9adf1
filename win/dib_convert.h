// Conversions between DIB blocks and image records. The exported functions run row kernels
// (dib_convert.cpp); the versions in ox::win::plain go one pixel at a time through the pixel accessors and
// are the reference the tests hold the kernels to, byte for byte.
#pragma once

#include <cstdint>

#include "oxw.h"

namespace ox::win {

// Gray of a 24-bit DIB pixel, (0.11 b + 0.59 g) + 0.3 r truncated, and its one-bit threshold.
inline uint32_t pixel_gray(uint32_t r, uint32_t g, uint32_t b) {
    const double v = (static_cast<double>(b) * 0.11 + static_cast<double>(g) * 0.59) + static_cast<double>(r) * 0.3;
    return static_cast<uint32_t>(static_cast<int32_t>(v));
}

namespace plain {

OxHandle dib_to_image(OxwGlobal dib, uint32_t depth, uint32_t *err);
OxwGlobal image_to_dib(OxHandle image, uint32_t *err);
OxHandle create_clipboard_image(OxwGlobal dib, int32_t gray, uint32_t *err);

}  // namespace plain
}  // namespace ox::win
