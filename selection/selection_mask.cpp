// The selection mask operations oxSelectWhiteOut and oxGetSelection.
//
// Both walk mask rows a 64-bit word at a time: words without a selected pixel are passed over with one
// load. The white-out finds the white pixels of a word with the kernels of white_words.h.
#include "selection/selection_mask.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/byte_order.h"
#include "image/image_record.h"
#include "image/pixel.h"
#include "selection/mask_bits.h"
#include "selection/white_words.h"

namespace ox::selection {
namespace {

// ORs a word of bits into a bit row with its first bit at pixel `at`, leaving out bits that fall outside
// pixels 0..width-1 of the row.
inline void or_bits(uint8_t *row, int64_t at, int64_t width, uint64_t bits) {
    bits &= span_bits(at, 0, width);
    if (bits == 0) return;
    const int64_t byte = at >= 0 ? at / 8 : -((7 - at) / 8);  // rounded down
    const int s = static_cast<int>(at - byte * 8);
    const uint64_t head = bits >> s;                                 // bytes byte .. byte + 7
    const auto tail = static_cast<uint8_t>(s ? bits << (8 - s) : 0);  // the s bits pushed into byte + 8
    const int64_t end = (width + 7) / 8;
    if (byte >= 0 && byte + 9 <= end) {
        // All nine bytes inside the row: one word in memory order, then the spill-over byte.
        core::store_be64(row + byte, core::load_be64(row + byte) | head);
        row[byte + 8] |= tail;
        return;
    }
    for (int k = 0; k < 8; ++k)
        if (byte + k >= 0 && byte + k < end) row[byte + k] |= static_cast<uint8_t>(head >> (56 - 8 * k));
    if (tail && byte + 8 >= 0 && byte + 8 < end) row[byte + 8] |= tail;
}

// How far ahead of the walk image lines are asked for: the hardware fetches ahead poorly where the walk
// skips parts of rows.
constexpr int64_t kAhead = 2048;

// Every white pixel sets its mask bit, and its outer bit when the outer row exists. Without an outer row
// only selected pixels can change, so mask words that select nothing are passed over.
template <int Bytes>
void white_out(const Plane &img, const Plane &m, const Plane *o, int64_t offset_x, int64_t offset_y, int32_t w,
               int32_t h) {
    const int64_t mask_end = m.bit_row_bytes();
    const bool wide = has_wide_white_words();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t *irow = img.row(y);
        uint8_t *mrow = m.row(y);
        const int64_t oy = y + offset_y;
        uint8_t *orow = o != nullptr && oy >= 0 && oy < o->height ? o->row(oy) : nullptr;
        for (int64_t base = 0; base < w; base += 64) {
            if (orow == nullptr && (~load_bits(mrow, base / 8, mask_end, 0xFF) & span_bits(base, 0, w)) == 0) continue;
#if defined(__SSE2__)
            for (int j = 0; j < Bytes * 64; j += 64)
                _mm_prefetch(reinterpret_cast<const char *>(irow + base * Bytes + kAhead + j), _MM_HINT_T0);
#endif
            const int64_t n = std::min<int64_t>(64, w - base);
            const uint64_t white = white_bits<Bytes>(irow + base * Bytes, n, wide);
            if (white == 0) continue;
            or_bits(mrow, base, w, white);
            if (orow != nullptr) or_bits(orow, base + offset_x, o->width, white);
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
    const Plane o = has_outer ? plane_of(ol.rec()) : Plane{};
    if (img.bits == 24) white_out<3>(img, m, has_outer ? &o : nullptr, offset_x, offset_y, w, h);
    else white_out<4>(img, m, has_outer ? &o : nullptr, offset_x, offset_y, w, h);
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
