// Per-pixel reference versions of the selection transfers and the selected box fill: every position of the
// rectangle in turn, rows from the top and each row from the left, through the pixel accessors.
#include <algorithm>

#include "image/image_record.h"
#include "selection/mask_bits.h"
#include "selection/transfer.h"

namespace ox::selection::plain {
namespace {

using ox::image::ScopedImageLock;

bool inside(const OxImageLockRec &l, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x <= l.maxX && y <= l.maxY;
}

enum class Mode { copy, unless_white, darker_wins };

// The common walk of the two transfers. A lock that fails for a non-zero condition image or mask (it
// cannot, for a handle that is an image) counts as not given.
int32_t transfer(Mode mode, OxHandle dst, int32_t dst_x, int32_t dst_y, OxHandle cond, int32_t cond_x,
                 int32_t cond_y, OxHandle mask, int32_t mask_x, int32_t mask_y, OxHandle src, int32_t src_x,
                 int32_t src_y, int32_t width, int32_t height) {
    ScopedImageLock dl(dst);
    if (!dl.ok()) return 0;
    ScopedImageLock sl(src);
    if (!sl.ok()) return 0;
    ScopedImageLock cl(cond), ml(mask);
    const bool has_cond = cond != 0 && cl.ok(), has_mask = mask != 0 && ml.ok();
    const OxImageLockRec &d = dl.rec(), &s = sl.rec(), &c = cl.rec();
    const Plane m = has_mask ? plane_of(ml.rec()) : Plane{};
    if (mode != Mode::copy && !has_mask) return 1;  // the Ex transfer writes nothing without a mask
    if (width == 0 && height == 0) width = s.maxX + 1, height = s.maxY + 1;
    // Positions outside the destination are skipped anyway; the loops do not visit them.
    const int64_t k0 = std::max<int64_t>(0, -int64_t{dst_x});
    const int64_t k1 = std::min<int64_t>(width, int64_t{d.maxX} + 1 - dst_x);
    const int64_t l0 = std::max<int64_t>(0, -int64_t{dst_y});
    const int64_t l1 = std::min<int64_t>(height, int64_t{d.maxY} + 1 - dst_y);
    for (int64_t l = l0; l < l1; ++l) {
        for (int64_t k = k0; k < k1; ++k) {
            const int64_t xd = dst_x + k, yd = dst_y + l, xs = src_x + k, ys = src_y + l;
            const int64_t xm = mask_x + k, ym = mask_y + l, xc = cond_x + k, yc = cond_y + l;
            if (!inside(d, xd, yd) || !inside(s, xs, ys)) continue;
            if (has_mask && !m.inside(xm, ym)) continue;
            if (has_cond && !inside(c, xc, yc)) continue;
            const auto X = [](int64_t v) { return static_cast<int32_t>(v); };
            if (has_mask && bit_at(m.row(ym), xm) != 0) continue;
            if (has_cond && oxImageGetPixel(&c, X(xc), X(yc)) != 0xFFFFFF) continue;
            const uint32_t sv = oxImageGetPixel(&s, X(xs), X(ys));
            if (mode == Mode::unless_white && oxImageGetPixelEx(&s, X(xs), X(ys), 0xFFFFFF) == 0xFFFFFF) continue;
            if (mode == Mode::darker_wins) {
                const uint32_t dv = oxImageGetPixel(&d, X(xd), X(yd));
                oxImagePutPixel(&d, X(xd), X(yd), (sv >> 24) <= (dv >> 24) ? sv : dv);
                continue;
            }
            oxImagePutPixel(&d, X(xd), X(yd), sv);
        }
    }
    return 1;
}

}  // namespace

int32_t select_image_to_image(OxHandle dst, int32_t dst_x, int32_t dst_y, OxHandle cond, int32_t cond_x,
                              int32_t cond_y, OxHandle mask, int32_t mask_x, int32_t mask_y, OxHandle src,
                              int32_t src_x, int32_t src_y, int32_t width, int32_t height) {
    return transfer(Mode::copy, dst, dst_x, dst_y, cond, cond_x, cond_y, mask, mask_x, mask_y, src, src_x, src_y,
                    width, height);
}

int32_t select_image_to_image_ex(OxHandle dst, int32_t dst_x, int32_t dst_y, OxHandle cond, int32_t cond_x,
                                 int32_t cond_y, OxHandle mask, int32_t mask_x, int32_t mask_y, OxHandle src,
                                 int32_t src_x, int32_t src_y, int32_t width, int32_t height, int32_t darker_wins) {
    // The flag counts only when both images are gray layers.
    const bool both_gray = oxImageGetLayerDirect(dst) == OX_LAYER_GRAY && oxImageGetLayerDirect(src) == OX_LAYER_GRAY;
    return transfer(darker_wins != 0 && both_gray ? Mode::darker_wins : Mode::unless_white, dst, dst_x, dst_y, cond,
                    cond_x, cond_y, mask, mask_x, mask_y, src, src_x, src_y, width, height);
}

int32_t select_image_box_fill(OxHandle dst, OxHandle cond, OxHandle mask, int32_t x, int32_t y, int32_t width,
                              int32_t height, uint32_t value) {
    ScopedImageLock dl(dst);
    if (!dl.ok()) return 0;
    ScopedImageLock cl(cond), ml(mask);
    const bool has_cond = cond != 0 && cl.ok(), has_mask = mask != 0 && ml.ok();
    const OxImageLockRec &d = dl.rec(), &c = cl.rec();
    const Plane m = has_mask ? plane_of(ml.rec()) : Plane{};
    if (x == 0 && y == 0 && width == 0 && height == 0) width = d.maxX + 1, height = d.maxY + 1;
    const int64_t c0 = std::max<int64_t>(x, 0), c1 = std::min<int64_t>(int64_t{x} + width, int64_t{d.maxX} + 1);
    const int64_t r0 = std::max<int64_t>(y, 0), r1 = std::min<int64_t>(int64_t{y} + height, int64_t{d.maxY} + 1);
    for (int64_t row = r0; row < r1; ++row) {
        for (int64_t col = c0; col < c1; ++col) {
            if (!inside(d, col, row)) continue;
            if (has_cond && !inside(c, col, row)) continue;
            if (has_mask && !m.inside(col, row)) continue;
            const auto X = static_cast<int32_t>(col), Y = static_cast<int32_t>(row);
            if (has_mask && bit_at(m.row(row), col) != 0) continue;
            if (has_cond && oxImageGetPixel(&c, X, Y) != 0xFFFFFF) continue;
            oxImagePutPixel(&d, X, Y, value);
        }
    }
    return 1;
}

}  // namespace ox::selection::plain
