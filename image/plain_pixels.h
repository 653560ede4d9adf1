// Helpers of the per-pixel reference paths: the colour bytes of a pixel through oxGetChannel, and whether a
// point lies in an image.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::image::plain {

// Byte offsets of red, green and blue within a pixel.
struct ChannelMap {
    uint32_t r, g, b;
};

inline uint32_t bytes_per_pixel(const OxImageLockRec &l) { return static_cast<uint32_t>(l.header->bitCount) / 8; }

inline ChannelMap channel_map(const OxImageLockRec &l) {
    ChannelMap m{};
    oxGetChannel(bytes_per_pixel(l), &m.r, &m.g, &m.b);
    return m;
}

inline bool inside(const OxImageLockRec &l, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x <= l.maxX && y <= l.maxY;
}

}  // namespace ox::image::plain
