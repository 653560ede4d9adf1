// The locater box of a zoomed view: the square around the image's centre pixel, and the view size rounded
// to whole zoomed pixels.
#include <cstdint>

#include "oxw.h"

namespace {

// Two's-complement wrap of a 64-bit value to 32 bits, as the view arithmetic wraps for extreme inputs.
int32_t wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

// n rounded up to the next multiple of z (z >= 1), wrapped to 32 bits.
int32_t round_up(int32_t n, int32_t z) {
    const int64_t r = ((int64_t{n} % z) + z) % z;
    return wrap32(r ? int64_t{n} + (z - r) : n);
}

}  // namespace

extern "C" {

OX_API void oxwGetLocaterBoxRect(OxRect *rect, const OxRect *picture, OxPoint origin, int32_t zoom) {
    if (!rect || !picture) return;
    const int64_t cx = int64_t{picture->right / 2} * zoom + origin.x;
    const int64_t cy = int64_t{picture->bottom / 2} * zoom + origin.y;
    *rect = {wrap32(cx - 1), wrap32(cy - 1), wrap32(cx + zoom + 1), wrap32(cy + zoom + 1)};
}

OX_API void oxwGetLocaterOffSize(int32_t *width, int32_t *height, OxRect *rect, int32_t zoom) {
    if (!width || !height || !rect) return;
    const int32_t z = zoom < 1 ? 1 : zoom;
    *width = round_up(*width, z);
    *height = round_up(*height, z);
    *rect = {0, 0, *width / z, *height / z};
}

}  // extern "C"
