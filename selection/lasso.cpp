// The lasso point list, and the mask operations oxSelectWhiteOut and oxGetSelection.
//
// Both mask operations walk mask rows a 64-bit word at a time: words without a selected pixel are passed
// over with one load.
#include "selection/lasso.h"

#include <algorithm>

#include "image/image_record.h"
#include "image/pixel.h"
#include "selection/mask_bits.h"

namespace ox::selection {
namespace {

// One list for the whole library, used from the host's interface thread only. 1000 slots, of which at
// most 998 ever hold points: the 999th point empties the list.
constexpr int32_t kLassoSlots = 1000;
constexpr int32_t kLassoLimit = 999;
int32_t g_lasso_count = 0;
OxPoint g_lasso_points[kLassoSlots];

// True for a 24- or 32-bit pixel whose three colour bytes are 255 (the fourth byte is not looked at).
template <int Bytes>
inline bool is_white(const uint8_t *p) {
    if constexpr (Bytes == 3) return (p[0] & p[1] & p[2]) == 0xFF;
    else return (p[1] & p[2] & p[3]) == 0xFF;
}

// Without an outer mask only selected pixels can change, so unselected words are skipped.
template <int Bytes>
void white_out_mask_only(const Plane &img, const Plane &m, int32_t w, int32_t h) {
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t *irow = img.row(y);
        uint8_t *mrow = m.row(y);
        for_each_selected_run(mrow, 0, w, [&](int64_t a, int64_t b) {
            for (int64_t x = a; x < b; ++x)
                if (is_white<Bytes>(irow + x * Bytes)) set_bit(mrow, x);
        });
    }
}

// With an outer mask every white pixel counts, selected or not: eight pixels make one mask byte.
template <int Bytes>
void white_out_with_outer(const Plane &img, const Plane &m, const Plane &o, int64_t offset_x, int64_t offset_y,
                          int32_t w, int32_t h) {
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t *irow = img.row(y);
        uint8_t *mrow = m.row(y);
        const int64_t oy = y + offset_y;
        uint8_t *orow = oy >= 0 && oy < o.height ? o.row(oy) : nullptr;
        for (int32_t x0 = 0; x0 < w; x0 += 8) {
            const int32_t n = std::min(8, w - x0);
            uint32_t white = 0;
            for (int32_t k = 0; k < n; ++k)
                white |= static_cast<uint32_t>(is_white<Bytes>(irow + static_cast<int64_t>(x0 + k) * Bytes)) << (7 - k);
            if (white == 0) continue;
            mrow[x0 >> 3] = static_cast<uint8_t>(mrow[x0 >> 3] | white);
            if (orow == nullptr) continue;
            for (int32_t k = 0; k < n; ++k) {
                const int64_t ox = x0 + k + offset_x;
                if ((white >> (7 - k)) & 1 && ox >= 0 && ox < o.width) set_bit(orow, ox);
            }
        }
    }
}

// The first and the last selected pixel among pixels 0..w-1 of a bit row; false when there is none.
bool selected_span(const uint8_t *row, int64_t w, int64_t *first, int64_t *last) {
    const int64_t end = (w + 7) / 8;
    int64_t byte = 0;
    for (; byte < end; byte += 8) {
        const uint64_t sel = ~load_bits(row, byte, end, 0xFF) & span_bits(byte * 8, 0, w);
        if (sel) {
            *first = byte * 8 + std::countl_zero(sel);
            break;
        }
    }
    if (byte >= end) return false;
    for (int64_t back = (end - 1 - byte) / 8 * 8 + byte; back >= byte; back -= 8) {
        const uint64_t sel = ~load_bits(row, back, end, 0xFF) & span_bits(back * 8, 0, w);
        if (sel) {
            *last = back * 8 + 63 - std::countr_zero(sel);
            return true;
        }
    }
    return true;  // not reached: the forward scan found a selected pixel
}

}  // namespace
}  // namespace ox::selection

using namespace ox::selection;
using ox::image::ScopedImageLock;

extern "C" {

OX_API void oxInitializeLassoTool(void) { g_lasso_count = 0; }

OX_API uint32_t oxAddLassoToolPoint(int32_t x, int32_t y) {
    g_lasso_points[g_lasso_count] = OxPoint{x, y};
    if (++g_lasso_count < kLassoLimit) return 1;
    g_lasso_count = 0;
    return 0;
}

OX_API int32_t oxGetLassoPoint(void) { return g_lasso_count; }

OX_API const OxPoint *oxGetLassoPointData(void) { return g_lasso_points; }

OX_API int32_t oxSelectWhiteOut(OxHandle image, OxHandle outer, OxHandle mask, int32_t offset_x, int32_t offset_y) {
    // An image that is also one of the masks changes under the walk: the per-pixel order decides then.
    if (image == mask || (outer != 0 && (outer == image || outer == mask)))
        return plain::select_white_out(image, outer, mask, offset_x, offset_y);
    ScopedImageLock il(image);
    if (!il.ok()) return 0;
    ScopedImageLock ol(outer);
    const bool has_outer = outer != 0 && ol.ok();
    ScopedImageLock ml(mask);
    if (!ml.ok()) return 0;
    const Plane img = plane_of(il.rec()), m = plane_of(ml.rec());
    if (img.bits != 24 && img.bits != 32) return 1;  // no pixel of another depth is white
    const int32_t w = std::min(m.width, img.width), h = std::min(m.height, img.height);
    if (has_outer) {
        const Plane o = plane_of(ol.rec());
        if (img.bits == 24) white_out_with_outer<3>(img, m, o, offset_x, offset_y, w, h);
        else white_out_with_outer<4>(img, m, o, offset_x, offset_y, w, h);
    } else {
        if (img.bits == 24) white_out_mask_only<3>(img, m, w, h);
        else white_out_mask_only<4>(img, m, w, h);
    }
    return 1;
}

OX_API int32_t oxGetSelection(OxHandle mask, OxRect *rect) {
    ScopedImageLock ml(mask);
    if (!ml.ok() || rect == nullptr) return 0;
    const Plane m = plane_of(ml.rec());
    int64_t left = 0, top = -1, right = 0, bottom = 0;
    for (int32_t y = 0; y < m.height; ++y) {
        int64_t first = 0, last = 0;
        if (!selected_span(m.row(y), m.width, &first, &last)) continue;
        if (top < 0) {
            top = y, left = first, right = last;
        } else {
            left = std::min(left, first), right = std::max(right, last);
        }
        bottom = y;
    }
    if (top < 0) {
        *rect = OxRect{0, 0, 0, 0};
        return 0;
    }
    // Widened by one at the left and the top; right and bottom are exclusive.
    *rect = OxRect{static_cast<int32_t>(left - 1), static_cast<int32_t>(top - 1), static_cast<int32_t>(right + 1),
                   static_cast<int32_t>(bottom + 1)};
    return 1;
}

}  // extern "C"
