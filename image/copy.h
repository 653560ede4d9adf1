// Block copies between images: duplicate/overwrite, copy with depth conversion, exchange.
//
// The exported functions (oxImageCopy, oxImageCopyEx, oxSwapImage) run the row-pointer paths of copy.cpp.
// The per-pixel versions in ox::image::plain follow the algorithms step by step; they are the reference the
// tests hold the fast paths to, byte for byte.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::image {

// x of the first pixel of a block that starts at x: a 1-bit row is addressed by bytes, so the block starts
// at the byte holding pixel x (truncating division, as oxImageGetAdr computes it).
inline int64_t block_origin_x(int32_t bit_count, int32_t x) {
    return bit_count == 1 ? static_cast<int64_t>(x / 8) * 8 : x;
}

// True when a block copy within one image must run backwards (bottom-up, right to left) so that no source
// pixel is overwritten before it is read.
inline bool copy_backwards(int64_t dst_x, int64_t dst_y, int64_t src_x, int64_t src_y) {
    return dst_y > src_y || (dst_y == src_y && dst_x > src_x);
}

// A new image of the same size and kind as `like` (normal of the same depth, gray layer, or mask for any
// other layer), or 0 with the constructor's code.
inline OxHandle create_like(const OxImageHeader &like, uint32_t *err) {
    switch (like.layer) {
    case OX_LAYER_NORMAL: return oxImageCreate(like.width, like.height, like.bitCount, err);
    case OX_LAYER_GRAY: return oxImageCreateGray(like.width, like.height, err);
    default: return oxImageCreateMask(like.width, like.height, err);
    }
}

// Copies the w x h block whose first pixels are (dx, dy) in d and (sx, sy) in s, clipped to both images.
using BlockCopier = void (*)(const OxImageLockRec &d, int64_t dx, int64_t dy, const OxImageLockRec &s, int64_t sx,
                             int64_t sy, int32_t w, int32_t h);

// oxImageCopy and oxImageCopyEx with the block copier given; the fast and the per-pixel paths differ only
// in it.
int32_t image_copy_with(BlockCopier copy_block, OxHandle *dst, OxHandle src, uint32_t *err);
int32_t image_copy_ex_with(BlockCopier copy_block, OxHandle dst, int32_t dx, int32_t dy, int32_t w, int32_t h,
                           OxHandle src, int32_t sx, int32_t sy);

}  // namespace ox::image

namespace ox::image::plain {

int32_t image_copy(OxHandle *dst, OxHandle src, uint32_t *err);
int32_t image_copy_ex(OxHandle dst, int32_t dx, int32_t dy, int32_t w, int32_t h, OxHandle src, int32_t sx,
                      int32_t sy);
int32_t swap_image(OxHandle a, OxHandle b);

}  // namespace ox::image::plain
