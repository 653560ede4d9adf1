// Per-pixel reference versions of the conversions, tests, mask and channel operations: one pixel at a time
// through the lock record, the pixel accessors and the channel maps.
#include "image/convert.h"
#include "image/gray.h"
#include "image/image_record.h"
#include "image/pixel.h"
#include "image/plain_pixels.h"

namespace ox::image::plain {
namespace {

bool is_white(const uint8_t *p, const ChannelMap &m) { return p[m.r] == 255 && p[m.g] == 255 && p[m.b] == 255; }

}  // namespace

int32_t image_check_mask(OxHandle image) {
    ScopedImageLock l(image);
    if (!l.ok() || !is_mask(l.rec())) return 0;
    const OxImageLockRec &r = l.rec();
    for (int32_t y = 0; y <= r.maxY; ++y)
        for (int32_t x = 0; x <= r.maxX; ++x)
            if (oxImageGetPixel(&r, x, y) == 0) return 1;
    return 0;
}

int32_t image_check_white(OxHandle image) {
    ScopedImageLock l(image);
    if (!l.ok()) return 0;
    const OxImageLockRec &r = l.rec();
    if ((r.layer != OX_LAYER_NORMAL && r.layer != OX_LAYER_GRAY) || !is_supported_depth(r.header->bitCount)) return 0;
    for (int32_t y = 0; y <= r.maxY; ++y)
        for (int32_t x = 0; x <= r.maxX; ++x)
            if (oxImageGetPixelEx(&r, x, y, 0xFFFFFF) != 0xFFFFFF) return 1;
    return 0;
}

OxHandle image_full_color_to_gray_scale(OxHandle image, uint32_t *err) {
    ScopedImageLock s(image);
    if (!s.ok()) return 0;
    const OxImageLockRec &sr = s.rec();
    const uint32_t bpp = bytes_per_pixel(sr);
    if (!is_supported_depth(sr.header->bitCount) || (bpp != 3 && bpp != 4)) return 0;
    const OxHandle gray = oxImageCreate(sr.maxX + 1, sr.maxY + 1, 8, err);
    if (gray == 0) return 0;
    ScopedImageLock d(gray);
    const ChannelMap m = channel_map(sr);
    for (int32_t y = 0; y <= sr.maxY; ++y)
        for (int32_t x = 0; x <= sr.maxX; ++x) {
            const uint8_t *p = oxImageGetAdr(&sr, x, y);
            oxImagePutPixel(&d.rec(), x, y, gray_order_a(p[m.r], p[m.g], p[m.b]));
        }
    *err = 0;
    return gray;
}

// f(pixel bytes, channel map) for every pixel of a locked image, row by row.
template <class F>
void for_each_pixel(const OxImageLockRec &r, F f) {
    const ChannelMap m = channel_map(r);
    for (int32_t y = 0; y <= r.maxY; ++y)
        for (int32_t x = 0; x <= r.maxX; ++x) f(oxImageGetAdr(&r, x, y), m);
}

void image_convert_normal_to_gray(OxHandle image) {
    relabel_32bit(image, OX_LAYER_GRAY, [](const OxImageLockRec &r) {
        for_each_pixel(r, [](uint8_t *p, const ChannelMap &m) { p[0] = is_white(p, m) ? 255 : 0; });
    });
}

void image_convert_gray_to_normal(OxHandle image) {
    relabel_32bit(image, OX_LAYER_NORMAL, [](const OxImageLockRec &r) {
        for_each_pixel(r, [](uint8_t *p, const ChannelMap &m) {
            const uint32_t a = p[0];
            p[0] = 0;
            if (is_white(p, m)) return;
            p[m.r] = gray_layer_byte(a, p[m.r]);
            p[m.g] = gray_layer_byte(a, p[m.g]);
            p[m.b] = gray_layer_byte(a, p[m.b]);
        });
    });
}

int32_t image_revert_mask(OxHandle dst, OxHandle mask, OxHandle src, const OxRect *rect) {
    ScopedImageLock d(dst), k(mask), s(src);
    if (!revert_mask_accepts(d, k, s, rect)) return 0;
    const OxImageLockRec &dr = d.rec(), &kr = k.rec(), &sr = s.rec();
    const int32_t dbits = dr.header->bitCount;
    const bool colour = dbits >= 24;  // the source is then 24 or 32 bits too
    int64_t left = rect->left, top = rect->top;
    int64_t w = int64_t{rect->right} - left, h = int64_t{rect->bottom} - top;
    if (left < 0) w += left, left = 0;
    if (top < 0) h += top, top = 0;
    const ChannelMap dm = channel_map(dr), sm = channel_map(sr);
    for (int64_t y = top; y < top + h; ++y)
        for (int64_t x = left; x < left + w; ++x) {
            if (!inside(dr, x, y) || !inside(sr, x, y) || !inside(kr, x, y)) continue;
            const auto xi = static_cast<int32_t>(x), yi = static_cast<int32_t>(y);
            if (oxImageGetPixel(&kr, xi, yi) != 1) continue;
            if (!colour) {
                oxImagePutPixel(&dr, xi, yi, oxImageGetPixel(&sr, xi, yi));
                continue;
            }
            uint8_t *dp = oxImageGetAdr(&dr, xi, yi);
            const uint8_t *sp = oxImageGetAdr(&sr, xi, yi);
            if (dp[dm.r] == sp[sm.r] && dp[dm.g] == sp[sm.g] && dp[dm.b] == sp[sm.b]) continue;
            dp[dm.r] = sp[sm.r];
            dp[dm.g] = sp[sm.g];
            dp[dm.b] = sp[sm.b];
            if (dbits == 32) dp[0] = sp[0];
        }
    return 1;
}

OxHandle image_get_channel(OxHandle image, uint32_t channel, uint32_t *err) {
    ScopedImageLock s(image);
    if (!s.ok()) return 0;
    const OxImageLockRec &sr = s.rec();
    const uint32_t bpp = bytes_per_pixel(sr);
    if (!is_supported_depth(sr.header->bitCount) || (bpp != 3 && bpp != 4)) return 0;
    if (channel > 3) {
        *err = 0;
        return 0;
    }
    const uint32_t offset = bpp == 3 ? (channel == 0 ? 0 : channel - 1) : channel;
    const OxHandle out = oxImageCreate(sr.maxX + 1, sr.maxY + 1, 8, err);
    if (out == 0) return 0;
    ScopedImageLock d(out);
    for (int32_t y = 0; y <= sr.maxY; ++y)
        for (int32_t x = 0; x <= sr.maxX; ++x) oxImagePutPixel(&d.rec(), x, y, oxImageGetAdr(&sr, x, y)[offset]);
    return out;
}

int32_t image_reverse(OxHandle mask, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    ScopedImageLock l(mask);
    if (!l.ok() || !is_mask(l.rec())) return 0;
    const OxImageLockRec &r = l.rec();
    clamp_box(r, left, top, right, bottom);
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = left; x < right; ++x) oxImagePutPixel(&r, x, y, oxImageGetPixel(&r, x, y) ^ 1u);
    return 1;
}

}  // namespace ox::image::plain
