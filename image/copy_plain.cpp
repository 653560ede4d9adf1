// Per-pixel reference versions of the block copies: one pixel at a time through the lock record, the pixel
// accessors and the channel maps, in the order the algorithms give.
#include <utility>

#include "image/copy.h"
#include "image/gray.h"
#include "image/image_record.h"
#include "image/pixel.h"
#include "image/plain_pixels.h"

namespace ox::image::plain {
namespace {

// One pixel from (sx, sy) of s to (dx, dy) of d, converted to the destination's depth.
void copy_pixel(const OxImageLockRec &d, int32_t dx, int32_t dy, const OxImageLockRec &s, int32_t sx, int32_t sy) {
    const int32_t dbits = d.header->bitCount, sbits = s.header->bitCount;
    if (dbits >= 24 && sbits >= 24) {
        uint8_t *dp = oxImageGetAdr(&d, dx, dy);
        const uint8_t *sp = oxImageGetAdr(&s, sx, sy);
        const ChannelMap dm = channel_map(d), sm = channel_map(s);
        dp[dm.r] = sp[sm.r];
        dp[dm.g] = sp[sm.g];
        dp[dm.b] = sp[sm.b];
        if (dbits == 32 && sbits == 32) dp[0] = sp[0];
        return;
    }
    uint32_t v;
    if (sbits == 1) {
        const uint32_t bit = oxImageGetPixel(&s, sx, sy);
        if (dbits == 1) {  // bit to bit: copied as it is
            oxImagePutPixel(&d, dx, dy, bit);
            return;
        }
        v = bit ? 255 : 0;
    } else if (sbits == 8) {
        v = *oxImageGetAdr(&s, sx, sy);
    } else {
        const uint8_t *sp = oxImageGetAdr(&s, sx, sy);
        const ChannelMap sm = channel_map(s);
        v = gray_order_b(sp[sm.r], sp[sm.g], sp[sm.b]);
    }
    switch (dbits) {
    case 1: oxImagePutPixel(&d, dx, dy, threshold_bit(v)); break;
    case 8: *oxImageGetAdr(&d, dx, dy) = static_cast<uint8_t>(v); break;
    default: {
        uint8_t *dp = oxImageGetAdr(&d, dx, dy);
        const ChannelMap dm = channel_map(d);
        dp[dm.r] = dp[dm.g] = dp[dm.b] = static_cast<uint8_t>(v);
    }
    }
}

// The w x h block whose first pixels are (dx, dy) in d and (sx, sy) in s. Pixels that fall outside either
// image are skipped one by one.
void copy_block(const OxImageLockRec &d, int64_t dx, int64_t dy, const OxImageLockRec &s, int64_t sx, int64_t sy,
                int32_t w, int32_t h) {
    const bool back = d.handle == s.handle && copy_backwards(dx, dy, sx, sy);
    for (int32_t jj = 0; jj < h; ++jj) {
        const int32_t j = back ? h - 1 - jj : jj;
        for (int32_t ii = 0; ii < w; ++ii) {
            const int32_t i = back ? w - 1 - ii : ii;
            const int64_t xd = dx + i, yd = dy + j, xs = sx + i, ys = sy + j;
            if (!inside(d, xd, yd) || !inside(s, xs, ys)) continue;
            copy_pixel(d, static_cast<int32_t>(xd), static_cast<int32_t>(yd), s, static_cast<int32_t>(xs),
                       static_cast<int32_t>(ys));
        }
    }
}

}  // namespace

int32_t image_copy(OxHandle *dst, OxHandle src, uint32_t *err) { return image_copy_with(copy_block, dst, src, err); }

int32_t image_copy_ex(OxHandle dst, int32_t dx, int32_t dy, int32_t w, int32_t h, OxHandle src, int32_t sx,
                      int32_t sy) {
    return image_copy_ex_with(copy_block, dst, dx, dy, w, h, src, sx, sy);
}

int32_t swap_image(OxHandle a, OxHandle b) {
    if (a == 0 || b == 0) return 0;
    if (oxImageGetWidthDirect(a) != oxImageGetWidthDirect(b) ||
        oxImageGetHeightDirect(a) != oxImageGetHeightDirect(b))
        return 0;
    ScopedImageLock la(a), lb(b);
    if (!la.ok() || !lb.ok()) return 0;
    const OxImageLockRec &ra = la.rec(), &rb = lb.rec();
    const int32_t abits = ra.header->bitCount, bbits = rb.header->bitCount;
    if (!is_supported_depth(abits) || !is_supported_depth(bbits)) return 0;
    if (abits < 24 || bbits < 24) {
        // One- and eight-bit images exchange values only with an image of their own depth.
        if (abits != bbits) return 0;
        for (int32_t y = 0; y <= ra.maxY; ++y)
            for (int32_t x = 0; x <= ra.maxX; ++x) {
                const uint32_t va = oxImageGetPixel(&ra, x, y);
                oxImagePutPixel(&ra, x, y, oxImageGetPixel(&rb, x, y));
                oxImagePutPixel(&rb, x, y, va);
            }
        return 1;
    }
    const ChannelMap ma = channel_map(ra), mb = channel_map(rb);
    for (int32_t y = 0; y <= ra.maxY; ++y)
        for (int32_t x = 0; x <= ra.maxX; ++x) {
            uint8_t *pa = oxImageGetAdr(&ra, x, y), *pb = oxImageGetAdr(&rb, x, y);
            std::swap(pa[ma.r], pb[mb.r]);
            std::swap(pa[ma.g], pb[mb.g]);
            std::swap(pa[ma.b], pb[mb.b]);
            if (abits == 32 && bbits == 32) std::swap(pa[0], pb[0]);
        }
    return 1;
}

}  // namespace ox::image::plain
