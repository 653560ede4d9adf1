// Per-pixel reference versions of oxSelectWhiteOut and oxGetSelection, in the order the algorithms give.
#include <algorithm>

#include "image/image_record.h"
#include "selection/selection_mask.h"
#include "selection/mask_bits.h"

namespace ox::selection::plain {

using ox::image::ScopedImageLock;

int32_t select_white_out(OxHandle image, OxHandle outer, OxHandle mask, int32_t offset_x, int32_t offset_y) {
    ScopedImageLock il(image);
    if (!il.ok()) return 0;
    ScopedImageLock ol(outer);
    const bool has_outer = outer != 0 && ol.ok();
    ScopedImageLock ml(mask);
    if (!ml.ok()) return 0;
    const Plane m = plane_of(ml.rec());
    const Plane o = has_outer ? plane_of(ol.rec()) : Plane{};
    const OxImageLockRec &img = il.rec();
    // The image is read at the mask's positions; where it is smaller, the positions it lacks are left out.
    const int32_t w = std::min(m.width, img.maxX + 1), h = std::min(m.height, img.maxY + 1);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            if (oxImageGetPixelEx(&img, x, y, 0xFFFFFF) != 0xFFFFFF) continue;
            if (has_outer) {
                const int64_t ox = int64_t{x} + offset_x, oy = int64_t{y} + offset_y;
                if (o.inside(ox, oy)) set_bit(o.row(oy), ox);
            }
            set_bit(m.row(y), x);
        }
    }
    return 1;
}

int32_t get_selection(OxHandle mask, OxRect *rect) {
    ScopedImageLock ml(mask);
    if (!ml.ok() || rect == nullptr) return 0;
    const Plane m = plane_of(ml.rec());
    *rect = OxRect{0, 0, 0, 0};
    bool has_left = false, has_top = false, has_right = false, has_bottom = false;
    for (int32_t y = 0; y < m.height; ++y) {
        for (int32_t x = 0; x < m.width; ++x) {
            if (bit_at(m.row(y), x) != 0) continue;
            if (!has_left || x - 1 < rect->left) rect->left = x - 1, has_left = true;
            if (!has_top || y - 1 < rect->top) rect->top = y - 1, has_top = true;
            if (!has_right || x + 1 > rect->right) rect->right = x + 1, has_right = true;
            if (!has_bottom || y + 1 > rect->bottom) rect->bottom = y + 1, has_bottom = true;
        }
    }
    return rect->left == 0 && rect->top == 0 && rect->right == 0 && rect->bottom == 0 ? 0 : 1;
}

}  // namespace ox::selection::plain
