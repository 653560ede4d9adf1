// The per-pixel reference of oxImageDraw, and the preparation both paths share.
#include <algorithm>

#include "image/draw.h"
#include "image/image_record.h"

namespace ox::image {
namespace {

// The whole-factor scale of one axis: 1, n (enlargement), -n (reduction) or 0.
int32_t axis_scale(int32_t s, int32_t d) {
    if (s == d) return 1;
    if (d > s && d % s == 0) return d / s;
    if (s > d && s % d == 0) return -(s / d);
    return 0;
}

}  // namespace

PlanResult plan_draw(const DrawArgs &a, const OxImageHeader &h, DrawPlan *p) {
    p->sw = a.sw ? a.sw : h.width;
    p->sh = a.sh ? a.sh : h.height;
    p->dw = a.dw ? a.dw : h.width;
    p->dh = a.dh ? a.dh : h.height;
    if (a.sx < 0 || a.sx > h.width || a.sy < 0 || a.sy > h.height) return PlanResult::refuse;
    p->sx = a.sx;
    p->sy = a.sy;
    p->sw = std::min(p->sw, h.width - a.sx);
    p->sh = std::min(p->sh, h.height - a.sy);
    if (p->sw <= 0 || p->sh <= 0 || p->dw <= 0 || p->dh <= 0) return PlanResult::nothing;
    p->way = DrawWay::nearest;
    p->factor = 1;
    if (h.bitCount == 24 || h.bitCount == 32) {
        const int32_t x = axis_scale(p->sw, p->dw), y = axis_scale(p->sh, p->dh);
        if (x != 0 && x == y) {
            p->way = x == 1 ? DrawWay::one_to_one : x > 1 ? DrawWay::enlarge : DrawWay::reduce;
            p->factor = x < 0 ? -x : x;
        }
    }
    return PlanResult::draw;
}

namespace plain {
namespace {

// The tile bytes blue, green, red of a 24- or 32-bit pixel value; under the gray flag (32 bits) the
// fourth byte three times.
void put_colour(uint8_t *out, uint32_t v, bool gray) {
    if (gray) {
        out[0] = out[1] = out[2] = static_cast<uint8_t>(v >> 24);
    } else {
        out[0] = static_cast<uint8_t>(v >> 16);
        out[1] = static_cast<uint8_t>(v >> 8);
        out[2] = static_cast<uint8_t>(v);
    }
}

}  // namespace

int32_t image_draw(const DrawArgs &a, TileSink sink, void *context) {
    ScopedImageLock img(a.image);
    if (!img.ok()) return 0;
    const OxImageLockRec &l = img.rec();
    DrawPlan p;
    const PlanResult r = plan_draw(a, img.header(), &p);
    if (r != PlanResult::draw) return r == PlanResult::refuse ? 0 : 1;
    const int32_t bits = img.header().bitCount;
    const bool gray = a.gray != 0 && bits == 32;
    const int32_t d = p.factor / 2;
    uint8_t buffer[kTileBytes];
    for (int64_t ty = 0; ty < p.dh; ty += kTileSide) {
        const int32_t th = static_cast<int32_t>(std::min<int64_t>(kTileSide, p.dh - ty));
        for (int64_t tx = 0; tx < p.dw; tx += kTileSide) {
            const int32_t tw = static_cast<int32_t>(std::min<int64_t>(kTileSide, p.dw - tx));
            for (int32_t j = 0; j < th; ++j) {
                const int64_t Y = ty + j;
                uint8_t *row = buffer + static_cast<std::size_t>(th - 1 - j) * kTileRowBytes;
                const int32_t y = static_cast<int32_t>(p.sy + Y * p.sh / p.dh);
                for (int32_t i = 0; i < tw; ++i) {
                    const int64_t X = tx + i;
                    const int32_t x = static_cast<int32_t>(p.sx + X * p.sw / p.dw);
                    uint8_t *out = row + 3 * i;
                    if (bits == 1) {
                        out[0] = out[1] = out[2] = oxImageGetPixel(&l, x, y) ? 255 : 0;
                    } else if (bits == 8) {
                        out[0] = out[1] = out[2] = static_cast<uint8_t>(oxImageGetPixel(&l, x, y));
                    } else if (p.way != DrawWay::reduce) {
                        put_colour(out, oxImageGetPixel(&l, x, y), gray);
                    } else {
                        // Four samples d apart. They stay inside the source rectangle: the last
                        // destination pixel's sample starts n pixels before its end, and d < n.
                        const int32_t x2 = x + d, y2 = y + d;
                        const uint32_t s[4] = {oxImageGetPixel(&l, x, y), oxImageGetPixel(&l, x2, y),
                                               oxImageGetPixel(&l, x, y2), oxImageGetPixel(&l, x2, y2)};
                        if (gray) {
                            out[0] = out[1] = out[2] =
                                static_cast<uint8_t>(((s[0] >> 24) + (s[1] >> 24) + (s[2] >> 24) + (s[3] >> 24)) >> 2);
                        } else {
                            for (int f = 0; f < 3; ++f) {
                                const int shift = 16 - 8 * f;  // blue, green, red
                                uint32_t sum = 0;
                                for (uint32_t v : s) sum += (v >> shift) & 0xFF;
                                out[f] = static_cast<uint8_t>(sum >> 2);
                            }
                        }
                    }
                }
            }
            sink(context, Tile{static_cast<int32_t>(a.dx + tx), static_cast<int32_t>(a.dy + ty), tw, th, buffer,
                               p.way == DrawWay::enlarge ? 0u : 1u});
        }
    }
    return 1;
}

}  // namespace plain
}  // namespace ox::image
