// Conversions, tests, mask and channel operations on whole images.
//
// The exported functions run the row-pointer paths of convert.cpp and mask_ops.cpp; the per-pixel
// versions in ox::image::plain follow the algorithms step by step and are the reference the tests hold the
// fast paths to, byte for byte.
#pragma once

#include <algorithm>
#include <cstdint>

#include "image/image_record.h"
#include "image/pixel.h"
#include "ox.h"

namespace ox::image {

// 1/255 as the nearest double: the share of white in a gray layer's fourth channel is a x kWhiteShare.
inline constexpr double kWhiteShare = 0.00392156862745098;

// A colour byte c of a non-white gray-layer pixel whose fourth channel is a, as a normal image stores it.
inline uint8_t gray_layer_byte(uint32_t a, uint32_t c) {
    const double f = static_cast<double>(a) * kWhiteShare;
    if (f == 1.0) return 255;
    if (f == 0.0) return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(static_cast<double>(c) * (1.0 - f) + f * 255.0));
}

inline bool is_mask(const OxImageLockRec &l) { return l.layer == OX_LAYER_MASK && l.header->bitCount == 1; }

// Whether oxImageRevertMask runs on these locked images: all three locked, the box given, the mask a 1-bit
// mask layer, and the depths equal or both 24/32 bits.
inline bool revert_mask_accepts(const ScopedImageLock &d, const ScopedImageLock &k, const ScopedImageLock &s,
                                const OxRect *rect) {
    if (!d.ok() || !k.ok() || !s.ok() || rect == nullptr || !is_mask(k.rec())) return false;
    const int32_t dbits = d.header().bitCount, sbits = s.header().bitCount;
    if (!is_supported_depth(dbits) || !is_supported_depth(sbits)) return false;
    return dbits == sbits || (dbits >= 24 && sbits >= 24);
}

// The prelude of the two gray-layer conversions: locks the image and, for 32 bits only, marks it as `layer`
// and calls f(rec) to convert its pixels in place. Other depths and handles are left alone.
template <class F>
void relabel_32bit(OxHandle image, int32_t layer, F f) {
    ScopedImageLock l(image);
    if (!l.ok() || l.header().bitCount != 32) return;
    l.rec().header->layer = layer;
    f(l.rec());
}

// Clamps the box of pixels left..right-1 x top..bottom-1 to the image; it is empty when left >= right or
// top >= bottom.
inline void clamp_box(const OxImageLockRec &r, int32_t &left, int32_t &top, int32_t &right, int32_t &bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, r.maxX + 1);
    bottom = std::min(bottom, r.maxY + 1);
}

}  // namespace ox::image

namespace ox::image::plain {

int32_t image_check_mask(OxHandle image);
int32_t image_check_white(OxHandle image);
OxHandle image_full_color_to_gray_scale(OxHandle image, uint32_t *err);
void image_convert_normal_to_gray(OxHandle image);
void image_convert_gray_to_normal(OxHandle image);
int32_t image_revert_mask(OxHandle dst, OxHandle mask, OxHandle src, const OxRect *rect);
OxHandle image_get_channel(OxHandle image, uint32_t channel, uint32_t *err);
int32_t image_reverse(OxHandle mask, int32_t left, int32_t top, int32_t right, int32_t bottom);

}  // namespace ox::image::plain
