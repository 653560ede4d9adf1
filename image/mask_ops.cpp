// Operations on selection masks (1-bit images with layer 2): oxImageCheckMask, oxImageRevertMask and
// oxImageReverse. They work a mask byte (eight pixels) at a time wherever the byte is whole.
#include <algorithm>

#include "image/convert.h"
#include "core/byte_order.h"
#include "image/copy_kernels.h"
#include "image/image_record.h"
#include "image/pixel.h"

namespace ox::image {
namespace {

// Bits left..right-1 of one byte of a 1-bit row (bit 7 is the byte's first pixel), for 0 <= left < right <= 8.
uint8_t bit_span(int32_t left, int32_t right) {
    return static_cast<uint8_t>((0xFFu >> left) & (0xFFu << (8 - right)));
}

// One pixel of the colour path: the source's colour bytes when they differ from the destination's, and with
// them, into a 32-bit destination, the source pixel's byte 0.
template <int D, int S>
inline void revert_pixel(uint8_t *drow, const uint8_t *srow, int32_t x) {
    uint8_t *d = drow + static_cast<intptr_t>(x) * (D / 8);
    const uint8_t *s = srow + static_cast<intptr_t>(x) * (S / 8);
    if constexpr (D == 24) {  // copying equal bytes changes nothing, so no comparison is needed
        constexpr int R = S == 32 ? 1 : 0;
        d[0] = s[R];
        d[1] = s[R + 1];
        d[2] = s[R + 2];
    } else if constexpr (S == 32) {
        const uint32_t sw = core::load_le32(s);
        if ((core::load_le32(d) ^ sw) & 0xFFFFFF00u) core::store_le32(d, sw);
    } else {
        if (d[1] == s[0] && d[2] == s[1] && d[3] == s[2]) return;
        d[0] = s[0];
        d[1] = s[0];
        d[2] = s[1];
        d[3] = s[2];
    }
}

// Pixels left..right-1 of one row whose mask bit is 1, through `revert(x)`; clear mask bytes are skipped whole.
template <class Revert>
inline void for_mask_bits(const uint8_t *mrow, int32_t left, int32_t right, Revert revert) {
    int32_t x = left;
    while (x < right) {
        const uint8_t m = mrow[x >> 3];
        if ((x & 7) == 0 && right - x >= 8) {
            if (m == 0xFF)
                for (int32_t k = 0; k < 8; ++k) revert(x + k);
            else if (m != 0)
                for (int32_t k = 0; k < 8; ++k)
                    if ((m >> (7 - k)) & 1) revert(x + k);
            x += 8;
            continue;
        }
        if ((m >> (7 - (x & 7))) & 1) revert(x);
        ++x;
    }
}

template <int D, int S>
void revert_colour(const OxImageLockRec &d, const OxImageLockRec &k, const OxImageLockRec &s, int32_t left,
                   int32_t top, int32_t right, int32_t bottom) {
    for (int32_t y = top; y < bottom; ++y) {
        uint8_t *drow = row_ptr(d, y);
        const uint8_t *srow = row_ptr(s, y);
        for_mask_bits(row_ptr(k, y), left, right, [&](int32_t x) { revert_pixel<D, S>(drow, srow, x); });
    }
}

void revert_bytes(const OxImageLockRec &d, const OxImageLockRec &k, const OxImageLockRec &s, int32_t left,
                  int32_t top, int32_t right, int32_t bottom) {
    for (int32_t y = top; y < bottom; ++y) {
        uint8_t *drow = row_ptr(d, y);
        const uint8_t *srow = row_ptr(s, y);
        for_mask_bits(row_ptr(k, y), left, right, [&](int32_t x) { drow[x] = srow[x]; });
    }
}

// 1-bit destination and source: each byte takes the source's bits where the mask and the box both have one.
void revert_bits(const OxImageLockRec &d, const OxImageLockRec &k, const OxImageLockRec &s, int32_t left,
                 int32_t top, int32_t right, int32_t bottom) {
    const int32_t first = left >> 3, last = (right - 1) >> 3;
    for (int32_t y = top; y < bottom; ++y) {
        uint8_t *drow = row_ptr(d, y);
        const uint8_t *srow = row_ptr(s, y), *mrow = row_ptr(k, y);
        for (int32_t i = first; i <= last; ++i) {
            const int32_t lo = i == first ? left & 7 : 0, hi = i == last ? right - 8 * i : 8;
            const uint8_t m = mrow[i] & bit_span(lo, hi);
            drow[i] = static_cast<uint8_t>((drow[i] & ~m) | (srow[i] & m));
        }
    }
}

}  // namespace
}  // namespace ox::image

using namespace ox::image;

extern "C" {

OX_API int32_t oxImageCheckMask(OxHandle image) {
    ScopedImageLock l(image);
    if (!l.ok() || !is_mask(l.rec())) return 0;
    const OxImageLockRec &r = l.rec();
    const uint32_t width = static_cast<uint32_t>(r.maxX) + 1, whole = width / 8;
    const uint8_t spare = static_cast<uint8_t>(0xFFu >> (width & 7));  // bits past the width count as set
    for (int32_t y = 0; y <= r.maxY; ++y) {
        const uint8_t *row = row_ptr(r, y);
        uint32_t i = 0;
        for (; i + 8 <= whole; i += 8)
            if (ox::core::load_le64(row + i) != ~uint64_t{0}) return 1;
        for (; i < whole; ++i)
            if (row[i] != 0xFF) return 1;
        if ((width & 7) && (row[whole] | spare) != 0xFF) return 1;
    }
    return 0;
}

OX_API int32_t oxImageRevertMask(OxHandle dst, OxHandle mask, OxHandle src, const OxRect *rect) {
    ScopedImageLock dl(dst), kl(mask), sl(src);
    if (!revert_mask_accepts(dl, kl, sl, rect)) return 0;
    const OxImageLockRec &d = dl.rec(), &k = kl.rec(), &s = sl.rec();
    const int32_t dbits = d.header->bitCount, sbits = s.header->bitCount;
    // The box, clipped to all three images.
    const int64_t left = std::max<int64_t>(rect->left, 0), top = std::max<int64_t>(rect->top, 0);
    const int64_t right =
        std::min<int64_t>({rect->right, int64_t{d.maxX} + 1, int64_t{s.maxX} + 1, int64_t{k.maxX} + 1});
    const int64_t bottom =
        std::min<int64_t>({rect->bottom, int64_t{d.maxY} + 1, int64_t{s.maxY} + 1, int64_t{k.maxY} + 1});
    if (left >= right || top >= bottom) return 1;
    const auto l = static_cast<int32_t>(left), t = static_cast<int32_t>(top), r = static_cast<int32_t>(right),
               b = static_cast<int32_t>(bottom);
    if (dbits == 1) {
        revert_bits(d, k, s, l, t, r, b);
    } else if (dbits == 8) {
        revert_bytes(d, k, s, l, t, r, b);
    } else if (dbits == 24) {
        if (sbits == 24)
            revert_colour<24, 24>(d, k, s, l, t, r, b);
        else
            revert_colour<24, 32>(d, k, s, l, t, r, b);
    } else {
        if (sbits == 24)
            revert_colour<32, 24>(d, k, s, l, t, r, b);
        else
            revert_colour<32, 32>(d, k, s, l, t, r, b);
    }
    return 1;
}

OX_API int32_t oxImageReverse(OxHandle mask, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    ScopedImageLock l(mask);
    if (!l.ok() || !is_mask(l.rec())) return 0;
    const OxImageLockRec &r = l.rec();
    clamp_box(r, left, top, right, bottom);
    if (left >= right || top >= bottom) return 1;
    const int32_t first = left >> 3, last = (right - 1) >> 3;
    const uint8_t head = bit_span(left & 7, 8), tail = bit_span(0, right - 8 * last);
    for (int32_t y = top; y < bottom; ++y) {
        uint8_t *row = row_ptr(r, y);
        if (first == last) {
            row[first] ^= head & tail;
            continue;
        }
        row[first] ^= head;
        for (int32_t i = first + 1; i < last; ++i) row[i] = static_cast<uint8_t>(~row[i]);
        row[last] ^= tail;
    }
    return 1;
}

}  // extern "C"
