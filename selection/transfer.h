// Selection transfer and the selected box fill: oxSelectImageToImage, oxSelectImageToImageEx and
// oxSelectImageBoxFill.
//
// The exported functions run the row paths of transfer.cpp. The per-pixel versions in ox::selection::plain
// follow the algorithms step by step through the pixel accessors; they are the reference the tests hold the
// fast paths to, and the fast paths hand them the calls they do not specialise (a destination that is also
// the mask or the condition image, an unsupported depth).
#pragma once

#include <cstddef>
#include <cstdint>

#include "ox.h"

namespace ox::selection::plain {

int32_t select_image_to_image(OxHandle dst, int32_t dst_x, int32_t dst_y, OxHandle cond, int32_t cond_x,
                              int32_t cond_y, OxHandle mask, int32_t mask_x, int32_t mask_y, OxHandle src,
                              int32_t src_x, int32_t src_y, int32_t width, int32_t height);
int32_t select_image_to_image_ex(OxHandle dst, int32_t dst_x, int32_t dst_y, OxHandle cond, int32_t cond_x,
                                 int32_t cond_y, OxHandle mask, int32_t mask_x, int32_t mask_y, OxHandle src,
                                 int32_t src_x, int32_t src_y, int32_t width, int32_t height, int32_t darker_wins);
int32_t select_image_box_fill(OxHandle dst, OxHandle cond, OxHandle mask, int32_t x, int32_t y, int32_t width,
                              int32_t height, uint32_t value);

}  // namespace ox::selection::plain

namespace ox::selection {

// oxSelectImageBoxFill stores long runs of a box of at least this many bytes around the cache (a size taken
// from the cache size). Tests set a smaller size to run that path on small images; 0 restores the usual size.
std::size_t streaming_fill_bytes();
void set_streaming_fill_bytes(std::size_t bytes);

}  // namespace ox::selection
