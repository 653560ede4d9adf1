// Marching outlines of a selection: oxImageSelectionMerge, oxImageMoveSelectionMerge and
// oxImageMoveSelectionMergeEx.
//
// The region's border lines follow their own classes and are decided pixel by pixel. Inside the border a
// pixel is an outline pixel when it is selected and one of its four neighbours is not: that is worked out
// for 64 pixels at once from the mask words of the row above, the row itself (shifted one either way) and
// the row below, and words without a selected pixel cost one load. The dash pattern of a row is one 64-bit
// word too. Drawing inverts the pixel's colour bytes, so drawing twice restores the image.
#include "selection/merge.h"

#include <algorithm>

#include "image/image_record.h"
#include "selection/mask_bits.h"

namespace ox::selection {
namespace {

using ox::image::ScopedImageLock;

// Colour bytes become 255 - b; byte 0 of a 32-bit pixel stays. 8-bit values likewise; 1-bit pixels flip.
template <int D>
inline void invert(uint8_t *row, int64_t x) {
    if constexpr (D == 1) {
        row[x >> 3] = static_cast<uint8_t>(row[x >> 3] ^ (0x80u >> (x & 7)));
    } else if constexpr (D == 8) {
        row[x] = static_cast<uint8_t>(~row[x]);
    } else {
        uint8_t *p = row + x * (D / 8) + (D == 32 ? 1 : 0);
        p[0] = static_cast<uint8_t>(~p[0]);
        p[1] = static_cast<uint8_t>(~p[1]);
        p[2] = static_cast<uint8_t>(~p[2]);
    }
}

// A mask bit; positions outside the mask read as `outside`.
inline uint32_t mask_at(const Plane &m, int64_t x, int64_t y, uint32_t outside) {
    return m.inside(x, y) ? bit_at(m.row(y), x) : outside;
}

// The drawn columns of a row of the dash pattern (first pixel in the most significant bit), for words that
// start on a multiple of 8.
inline uint64_t dash_word(uint32_t phase, int64_t y) {
    uint64_t byte = 0;
    for (int x = 0; x < 8; ++x)
        if (kDashTable[phase][y & 7][x] == 0) byte |= 0x80u >> x;
    return byte * 0x0101010101010101ull;
}

// Mask bits of the pixels base..base+63 of row y; pixels outside the mask read as `outside`.
inline uint64_t mask_word(const Plane &m, int64_t y, int64_t base, uint32_t outside) {
    const uint64_t fill = outside ? ~uint64_t{0} : 0;
    if (y < 0 || y >= m.height) return fill;
    const uint64_t valid = span_bits(base, 0, m.width);
    const uint64_t v = base >= 0 ? load_bits(m.row(y), base / 8, m.bit_row_bytes(), 0) : 0;
    return (v & valid) | (fill & ~valid);
}

// Calls draw(x) for each pixel x in x0..x1-1 of mask row y that is selected and has an unselected
// four-neighbour, and that `keep` (a word per 64 pixels from base on) lets through. Neighbours outside
// the mask read as `outside`. x0..x1-1 must lie inside the mask.
template <class Keep, class Draw>
inline void inner_outline_row(const Plane &m, int64_t y, int64_t x0, int64_t x1, uint32_t outside, Keep keep,
                              Draw draw) {
    if (x0 >= x1) return;
    const uint8_t *row = m.row(y);
    const int64_t end = m.bit_row_bytes();
    for (int64_t byte = x0 >> 3; byte <= (x1 - 1) >> 3; byte += 8) {
        const int64_t base = byte * 8;
        const uint64_t here = load_bits(row, byte, end, 0);
        const uint64_t sel = ~here & span_bits(base, x0, x1) & keep(base);
        if (sel == 0) continue;
        const uint64_t c = mask_word(m, y, base, outside);
        const uint64_t left = c >> 1 | static_cast<uint64_t>(mask_at(m, base - 1, y, outside)) << 63;
        const uint64_t right = c << 1 | mask_at(m, base + 64, y, outside);
        uint64_t out = sel & (mask_word(m, y - 1, base, outside) | mask_word(m, y + 1, base, outside) | left | right);
        while (out) {
            const int k = std::countl_zero(out);
            draw(base + k);
            out &= ~(uint64_t{1} << (63 - k));
        }
    }
}

template <int D>
void selection_merge(const Plane &img, const Plane &m, int64_t left, int64_t top, int64_t right, int64_t bottom,
                     int64_t w, int64_t h, uint32_t phase) {
    const int64_t W = img.width, H = img.height;
    const auto &dash = kDashTable[phase];
    // Border lines: the first matching class decides. Neighbours outside the mask count as selected.
    auto border = [&](int64_t c, int64_t r) {
        const int64_t x = left + c, y = top + r;
        if (mask_at(m, x, y, 1) != 0) return;
        const uint32_t U = mask_at(m, x, y - 1, 0), D_ = mask_at(m, x, y + 1, 0);
        const uint32_t L = mask_at(m, x - 1, y, 0), R = mask_at(m, x + 1, y, 0);
        bool outline;
        if (c == 0)
            outline = left > 0 ? L && !R && !D_ && (r == 0 || !U) : (r == 0 && top == 0) || (!U && !D_);
        else if (r == 0)
            outline = !L && !R && !D_ && (top == 0 || U);
        else if (c == w - 1)
            outline = !U && !L && !D_ && (right == W - 1 || R);
        else
            outline = !U && !L && !R && (bottom == H - 1 || D_);
        if (outline && dash[y & 7][x & 7] == 0) invert<D>(img.row(y), x);
    };
    for (int64_t r = 0; r < h; ++r) border(0, r);
    for (int64_t c = 1; c < w; ++c) border(c, 0);
    if (w > 1)
        for (int64_t r = 1; r < h; ++r) border(w - 1, r);
    if (h > 1)
        for (int64_t c = 1; c < w - 1; ++c) border(c, h - 1);
    // Inside the border, within the mask.
    const int64_t x0 = left + 1, x1 = std::min(left + w - 1, int64_t{m.width});
    const int64_t y1 = std::min(top + h - 1, int64_t{m.height});
    for (int64_t y = top + 1; y < y1; ++y) {
        const uint64_t pattern = dash_word(phase, y);
        uint8_t *irow = img.row(y);
        inner_outline_row(m, y, x0, x1, 0, [&](int64_t) { return pattern; }, [&](int64_t x) { invert<D>(irow, x); });
    }
}

// Moved outline: mask position (a_left + c, a_top + r) is drawn at image position (b_left + c, b_top + r).
template <int D>
void move_merge(const Plane &img, const Plane &m, int64_t a_left, int64_t a_top, int64_t b_left, int64_t b_top,
                int64_t b_right, int64_t b_bottom, int64_t w, int64_t h) {
    const int64_t W = img.width, H = img.height;
    // Positions right of or below the image are left out (an image rectangle that understates the region).
    const int64_t cn = std::min(w, W - b_left), rn = std::min(h, H - b_top);
    auto border = [&](int64_t c, int64_t r) {
        if (c >= cn || r >= rn || mask_at(m, a_left + c, a_top + r, 1) != 0) return;
        bool drawn;
        if (c == 0) drawn = b_left != 0 || (r == 0 && b_top != 0);
        else if (r == 0) drawn = b_top != 0;
        else if (c == w - 1 && r == h - 1) drawn = true;
        else if (c == w - 1) drawn = b_right != W - 1;
        else drawn = b_bottom != H - 1;
        if (drawn) invert<D>(img.row(b_top + r), b_left + c);
    };
    for (int64_t r = 0; r < rn; ++r) border(0, r);
    for (int64_t c = 1; c < cn; ++c) border(c, 0);
    if (w > 1)
        for (int64_t r = 1; r < rn; ++r) border(w - 1, r);
    if (h > 1)
        for (int64_t c = 1; c < std::min(w - 1, cn); ++c) border(c, h - 1);
    // Inside the border, in mask coordinates, within the mask; neighbours outside it count as unselected.
    const int64_t x0 = std::max<int64_t>(a_left + 1, 0), x1 = std::min({a_left + w - 1, a_left + cn, int64_t{m.width}});
    const int64_t y0 = std::max<int64_t>(a_top + 1, 0), y1 = std::min({a_top + h - 1, a_top + rn, int64_t{m.height}});
    const int64_t shift_x = b_left - a_left, shift_y = b_top - a_top;
    for (int64_t y = y0; y < y1; ++y) {
        uint8_t *irow = img.row(y + shift_y);
        inner_outline_row(m, y, x0, x1, 1, [](int64_t) { return ~uint64_t{0}; },
                          [&](int64_t x) { invert<D>(irow, x + shift_x); });
    }
}

template <class F>
void by_depth(int32_t bits, F &&f) {
    switch (bits) {
    case 1: f(std::integral_constant<int, 1>{}); break;
    case 8: f(std::integral_constant<int, 8>{}); break;
    case 24: f(std::integral_constant<int, 24>{}); break;
    case 32: f(std::integral_constant<int, 32>{}); break;
    default: break;  // no pixel of another depth is drawn
    }
}

int32_t move_merge_locked(OxHandle image, OxHandle mask, bool whole_mask, const OxRect *mask_rect,
                          const OxRect *image_rect) {
    ScopedImageLock il(image);
    if (!il.ok()) return 0;
    ScopedImageLock ml(mask);
    if (!ml.ok() || image_rect == nullptr || (!whole_mask && mask_rect == nullptr)) return 1;
    const Plane img = plane_of(il.rec()), m = plane_of(ml.rec());
    const int64_t W = img.width, H = img.height;
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
    // Reaching the last column or row stops the region one short of it.
    if (b_right >= W) w = w + (W - b_right) - 1, b_right = W - 1;
    if (b_bottom >= H) h = h + (H - b_bottom) - 1, b_bottom = H - 1;
    if (w <= 0 || h <= 0) return 1;
    by_depth(img.bits, [&](auto d) {
        move_merge<decltype(d)::value>(img, m, a_left, a_top, b_left, b_top, b_right, b_bottom, w, h);
    });
    return 1;
}

}  // namespace
}  // namespace ox::selection

using namespace ox::selection;

extern "C" {

OX_API int32_t oxImageSelectionMerge(OxHandle image, OxHandle mask, const OxRect *rect, uint32_t phase) {
    if (rect == nullptr) return 0;
    ScopedImageLock il(image), ml(mask);
    if (!il.ok() || !ml.ok()) return 0;
    const Plane img = plane_of(il.rec()), m = plane_of(ml.rec());
    const int64_t W = img.width, H = img.height;
    const int64_t left = std::max(rect->left, 0), top = std::max(rect->top, 0);
    int64_t right = rect->right, bottom = rect->bottom, w = right - left, h = bottom - top;
    if (right >= W) w = W - left, right = W - 1;
    if (bottom >= H) h = H - top, bottom = H - 1;
    if (w <= 0 || h <= 0) return 1;
    by_depth(img.bits, [&](auto d) {
        selection_merge<decltype(d)::value>(img, m, left, top, right, bottom, w, h, phase & 3);
    });
    return 1;
}

OX_API int32_t oxImageMoveSelectionMerge(OxHandle image, OxHandle mask, const OxRect *mask_rect,
                                         const OxRect *image_rect) {
    return move_merge_locked(image, mask, false, mask_rect, image_rect);
}

OX_API int32_t oxImageMoveSelectionMergeEx(OxHandle image, OxHandle mask, const OxRect *image_rect) {
    return move_merge_locked(image, mask, true, nullptr, image_rect);
}

}  // extern "C"
