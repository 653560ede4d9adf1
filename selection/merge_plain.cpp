// Per-pixel reference versions of the three outline functions: each position of the region in turn, its
// class decided by the first row of the class table that applies.
#include <algorithm>

#include "image/image_record.h"
#include "selection/mask_bits.h"
#include "selection/merge.h"

namespace ox::selection::plain {
namespace {

using ox::image::ScopedImageLock;

// The colour bytes become 255 - b (byte 0 of a 32-bit pixel stays); an 8-bit value likewise, a bit flips.
void invert_pixel(const OxImageLockRec &img, int32_t x, int32_t y) {
    const int32_t bits = img.header->bitCount;
    if (bits == 1) {
        oxImagePutPixel(&img, x, y, oxImageGetPixel(&img, x, y) ^ 1u);
        return;
    }
    uint8_t *p = oxImageGetAdr(&img, x, y);
    if (p == nullptr) return;
    if (bits == 8) {
        *p = static_cast<uint8_t>(255 - *p);
        return;
    }
    uint32_t r, g, b;
    oxGetChannel(static_cast<uint32_t>(bits) / 8, &r, &g, &b);
    p[r] = static_cast<uint8_t>(255 - p[r]);
    p[g] = static_cast<uint8_t>(255 - p[g]);
    p[b] = static_cast<uint8_t>(255 - p[b]);
}

// A mask bit; positions outside the mask read as `outside`.
uint32_t mask_at(const Plane &m, int64_t x, int64_t y, uint32_t outside) {
    return m.inside(x, y) ? bit_at(m.row(y), x) : outside;
}

}  // namespace

int32_t image_selection_merge(OxHandle image, OxHandle mask, const OxRect *rect, uint32_t phase) {
    if (rect == nullptr) return 0;
    ScopedImageLock il(image), ml(mask);
    if (!il.ok() || !ml.ok()) return 0;
    const OxImageLockRec &img = il.rec();
    const Plane m = plane_of(ml.rec());
    const int64_t W = img.maxX + 1, H = img.maxY + 1;
    int64_t left = std::max(rect->left, 0), top = std::max(rect->top, 0), right = rect->right, bottom = rect->bottom;
    int64_t w = right - left, h = bottom - top;
    if (right >= W) w = W - left, right = W - 1;
    if (bottom >= H) h = H - top, bottom = H - 1;
    const auto &dash = kDashTable[phase & 3];
    for (int64_t r = 0; r < h; ++r) {
        for (int64_t c = 0; c < w; ++c) {
            const int64_t x = left + c, y = top + r;
            if (mask_at(m, x, y, 1) != 0) continue;  // a position outside the mask is not selected
            // Neighbours outside the mask (below its bottom row, right of its last column) count as selected.
            const uint32_t U = mask_at(m, x, y - 1, 0), D = mask_at(m, x, y + 1, 0);
            const uint32_t L = mask_at(m, x - 1, y, 0), R = mask_at(m, x + 1, y, 0);
            bool outline;
            if (c == 0) {
                if (left > 0) outline = L == 1 && R == 0 && D == 0 && (r == 0 || U == 0);
                else if (r == 0 && top == 0) outline = true;
                else outline = U == 0 && D == 0;
            } else if (r == 0) {
                if (top > 0) outline = U == 1 && L == 0 && R == 0 && D == 0;
                else outline = L == 0 && R == 0 && D == 0;
            } else if (c == w - 1) {
                if (right != W - 1) outline = R == 1 && U == 0 && L == 0 && D == 0;
                else outline = U == 0 && L == 0 && D == 0;
            } else if (r == h - 1) {
                if (bottom != H - 1) outline = D == 1 && U == 0 && L == 0 && R == 0;
                else outline = U == 0 && L == 0 && R == 0;
            } else {
                outline = (U | D | L | R) != 0;
            }
            if (outline && dash[y & 7][x & 7] == 0) invert_pixel(img, static_cast<int32_t>(x), static_cast<int32_t>(y));
        }
    }
    return 1;
}

namespace {

// whole_mask: the region is the whole mask (the Ex form); otherwise mask_rect.
int32_t move_merge(OxHandle image, OxHandle mask, bool whole_mask, const OxRect *mask_rect, const OxRect *image_rect) {
    ScopedImageLock il(image);
    if (!il.ok()) return 0;
    ScopedImageLock ml(mask);
    if (!ml.ok() || image_rect == nullptr || (!whole_mask && mask_rect == nullptr)) return 1;
    const OxImageLockRec &img = il.rec();
    const Plane m = plane_of(ml.rec());
    const int64_t W = img.maxX + 1, H = img.maxY + 1;
    int64_t a_left = 0, a_top = 0, w = m.width, h = m.height;
    if (!whole_mask) {
        a_left = mask_rect->left, a_top = mask_rect->top;
        w = int64_t{mask_rect->right} - mask_rect->left, h = int64_t{mask_rect->bottom} - mask_rect->top;
    }
    int64_t b_left = image_rect->left, b_top = image_rect->top, b_right = image_rect->right,
            b_bottom = image_rect->bottom;
    if (b_left >= W || b_top >= H) return 1;
    if (b_left < 0) a_left -= b_left, w += b_left, b_left = 0;
    if (b_top < 0) a_top -= b_top, h += b_top, b_top = 0;
    if (b_right >= W) w = w + (W - b_right) - 1, b_right = W - 1;
    if (b_bottom >= H) h = h + (H - b_bottom) - 1, b_bottom = H - 1;
    for (int64_t r = 0; r < h; ++r) {
        for (int64_t c = 0; c < w; ++c) {
            const int64_t x = b_left + c, y = b_top + r, mx = a_left + c, my = a_top + r;
            if (x >= W || y >= H) continue;  // an image rectangle whose right or bottom falls short of the region
            if (mask_at(m, mx, my, 1) != 0) continue;
            bool drawn;
            if (c == 0) drawn = b_left != 0 || (r == 0 && b_top != 0);
            else if (r == 0) drawn = b_top != 0;
            else if (c == w - 1 && r == h - 1) drawn = true;
            else if (c == w - 1) drawn = b_right != W - 1;
            else if (r == h - 1) drawn = b_bottom != H - 1;
            else  // neighbours outside the mask count as unselected
                drawn = (mask_at(m, mx, my - 1, 1) | mask_at(m, mx, my + 1, 1) | mask_at(m, mx - 1, my, 1) |
                         mask_at(m, mx + 1, my, 1)) != 0;
            if (drawn) invert_pixel(img, static_cast<int32_t>(x), static_cast<int32_t>(y));
        }
    }
    return 1;
}

}  // namespace

int32_t image_move_selection_merge(OxHandle image, OxHandle mask, const OxRect *mask_rect, const OxRect *image_rect) {
    return move_merge(image, mask, false, mask_rect, image_rect);
}

int32_t image_move_selection_merge_ex(OxHandle image, OxHandle mask, const OxRect *image_rect) {
    return move_merge(image, mask, true, nullptr, image_rect);
}

}  // namespace ox::selection::plain
