// Whole-image conversions and tests: oxImageCheckWhite, oxImageFullColorToGrayScale, oxImageConvertNormaltoGray,
// oxImageConvertGraytoNormal and oxImageGetChannel.
//
// 24- and 32-bit rows hold no padding (rowBytes is exactly 3 or 4 x width), so the operations that treat every
// pixel alike walk the whole pixel area as one run of pixels.
#include "image/convert.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/byte_order.h"
#include "image/copy_kernels.h"
#include "image/gray.h"
#include "image/gray_kernels.h"
#include "image/gray_layer.h"
#include "image/image_record.h"
#include "image/pixel.h"

namespace ox::image {
namespace {

size_t pixel_count(const OxImageLockRec &l) {
    return static_cast<size_t>(l.maxX + 1) * static_cast<size_t>(l.maxY + 1);
}

// 1 when any colour byte of the run differs from 255.
template <int B>
int32_t has_non_white(const uint8_t *p, size_t pixels) {
    // Eight bytes at a time; for 32-bit pixels the fourth channel (byte 0 of each pixel) is forced to 255.
    constexpr uint64_t ignore = B == 4 ? 0x000000FF000000FFull : 0;
    const size_t bytes = pixels * B;
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8)
        if ((core::load_le64(p + i) | ignore) != ~uint64_t{0}) return 1;
    for (; i < bytes; ++i)
        if (p[i] != 0xFF && (B == 3 || i % 4 != 0)) return 1;
    return 0;
}

// Fourth channel 255 for white pixels, 0 for the others, over a run of n 32-bit pixels.
void mark_white(uint8_t *p, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi32(0xFF), ones = _mm_set1_epi32(-1);
    for (; i + 4 <= n; i += 4) {
        auto *q = reinterpret_cast<__m128i *>(p + 4 * i);
        const __m128i v = _mm_loadu_si128(q);
        const __m128i white = _mm_cmpeq_epi32(_mm_or_si128(v, low), ones);
        _mm_storeu_si128(q, _mm_or_si128(_mm_andnot_si128(low, v), _mm_and_si128(white, low)));
    }
#endif
    for (; i < n; ++i) {
        const uint32_t w = core::load_le32(p + 4 * i);
        core::store_le32(p + 4 * i, (w >> 8) == 0xFFFFFFu ? w | 0xFFu : w & 0xFFFFFF00u);
    }
}

template <int B>
void extract_channel(const OxImageLockRec &s, uint32_t offset, uint8_t *out) {
    const uint8_t *p = s.pixels + offset;
    const size_t n = pixel_count(s);
    for (size_t i = 0; i < n; ++i, p += B) out[i] = *p;
}

}  // namespace
}  // namespace ox::image

using namespace ox::image;

extern "C" {

OX_API int32_t oxImageCheckWhite(OxHandle image) {
    ScopedImageLock l(image);
    if (!l.ok()) return 0;
    const OxImageLockRec &r = l.rec();
    if (r.layer != OX_LAYER_NORMAL && r.layer != OX_LAYER_GRAY) return 0;
    switch (r.header->bitCount) {
    case 1:
    case 8: return 1;  // a value of at most 255 always differs from 0xFFFFFF
    case 24: return has_non_white<3>(r.pixels, pixel_count(r));
    case 32: return has_non_white<4>(r.pixels, pixel_count(r));
    default: return 0;
    }
}

OX_API OxHandle oxImageFullColorToGrayScale(OxHandle image, uint32_t *err) {
    ScopedImageLock s(image);
    if (!s.ok()) return 0;
    const int32_t bits = s.header().bitCount;
    if (bits != 24 && bits != 32) return 0;
    const OxHandle gray = oxImageCreate(s.header().width, s.header().height, 8, err);
    if (gray == 0) return 0;
    ScopedImageLock d(gray);
    gray_order_a_run(s.rec().pixels, pixel_count(s.rec()), bits / 8, d.rec().pixels);
    *err = 0;
    return gray;
}

OX_API void oxImageConvertNormaltoGray(OxHandle image) {
    relabel_32bit(image, OX_LAYER_GRAY, [](const OxImageLockRec &r) { mark_white(r.pixels, pixel_count(r)); });
}

OX_API void oxImageConvertGraytoNormal(OxHandle image) {
    relabel_32bit(image, OX_LAYER_NORMAL,
                  [](const OxImageLockRec &r) { gray_layer_to_normal(r.pixels, pixel_count(r)); });
}

OX_API OxHandle oxImageGetChannel(OxHandle image, uint32_t channel, uint32_t *err) {
    ScopedImageLock s(image);
    if (!s.ok()) return 0;
    const int32_t bits = s.header().bitCount;
    if (bits != 24 && bits != 32) return 0;
    if (channel > 3) {
        *err = 0;
        return 0;
    }
    const uint32_t offset = bits == 24 ? (channel == 0 ? 0 : channel - 1) : channel;
    const OxHandle out = oxImageCreate(s.header().width, s.header().height, 8, err);
    if (out == 0) return 0;
    ScopedImageLock d(out);
    if (bits == 24)
        extract_channel<3>(s.rec(), offset, d.rec().pixels);
    else
        extract_channel<4>(s.rec(), offset, d.rec().pixels);
    return out;
}

}  // extern "C"
