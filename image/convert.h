// Conversions, tests, mask and channel operations on whole images.
//
// The exported functions run the row-pointer paths of convert.cpp and mask_ops.cpp; the per-pixel
// versions in ox::image::plain follow the algorithms step by step and are the reference the tests hold the
// fast paths to, byte for byte.
#pragma once

#include <cstdint>

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
