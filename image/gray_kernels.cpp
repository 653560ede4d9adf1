// The order-A gray value in integers; see gray_kernels.h for why it equals the double formula.
#include "image/gray_kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define OX_GRAY_X86 1
#endif

#include "core/cpu.h"
#include "image/gray.h"

namespace ox::image {
namespace {

// n / 100 for every n up to 30 x 255 + 59 x 255 + 11 x 255 = 25500, as a multiply and a shift.
constexpr uint32_t kDiv100Mul = 41944, kDiv100Shift = 22;
static_assert((25500 * kDiv100Mul) >> kDiv100Shift == 255);

inline uint32_t gray_a_pixel(const uint8_t *p) {
    const uint32_t r = p[0], g = p[1], b = p[2];
    const uint32_t n = 30 * r + 59 * g + 11 * b, q = (n * kDiv100Mul) >> kDiv100Shift;
    return q * 100 != n ? q : gray_table_a(r, g, b);
}

}  // namespace

namespace kernels {

void gray_order_a_scalar(const uint8_t *pixels, std::size_t n, int bpp, uint8_t *out) {
    const uint8_t *p = pixels + (bpp - 3);
    for (std::size_t i = 0; i < n; ++i, p += bpp) out[i] = static_cast<uint8_t>(gray_a_pixel(p));
}

#if OX_GRAY_X86

}  // namespace kernels

namespace {

// The byte shuffle that turns 16 bytes from the start of four pixels into (r, g, b, 0) per pixel.
struct PixelPick {
    explicit PixelPick(int bpp) {
        const int red = bpp - 3;
        for (int k = 0; k < 4; ++k) {
            pick[4 * k + 0] = static_cast<int8_t>(bpp * k + red);
            pick[4 * k + 1] = static_cast<int8_t>(bpp * k + red + 1);
            pick[4 * k + 2] = static_cast<int8_t>(bpp * k + red + 2);
            pick[4 * k + 3] = -128;  // a zero byte
        }
    }
    alignas(16) int8_t pick[16];
};

// Vector steps with a multiple of 100 among their sums note where they start and which of their pixels
// (bit j for pixel j) it was, without a branch; the noted pixels are redone after every block of steps.
// About one pixel in a hundred is noted, too often and too irregularly to branch on in the vector loop.
constexpr std::size_t kSteps = 256;
struct Noted {
    std::size_t at[kSteps];
    uint32_t mask[kSteps];
    std::size_t count = 0;
    void note(std::size_t i, uint32_t m) {
        at[count] = i;
        mask[count] = m;
        count += m != 0;
    }
    void redo(const uint8_t *pixels, int bpp, uint8_t *out) {
        for (std::size_t k = 0; k < count; ++k)
            for (uint32_t m = mask[k]; m != 0; m &= m - 1) {
                const std::size_t i = at[k] + static_cast<std::size_t>(__builtin_ctz(m));
                const uint8_t *c = pixels + i * bpp + (bpp - 3);
                out[i] = static_cast<uint8_t>(gray_table_a(c[0], c[1], c[2]));
            }
        count = 0;
    }
};

}  // namespace

namespace kernels {

// Eight pixels a step: each half of four pixels is shuffled into (r, g) and (b, 0) byte pairs, multiplied
// and added pairwise into 30r + 59g and 11b, and the two halves' pairs summed into n for all eight.
__attribute__((target("ssse3"))) void gray_order_a_ssse3(const uint8_t *pixels, std::size_t n, int bpp,
                                                          uint8_t *out) {
    const PixelPick pick(bpp);
    const __m128i shuffle = _mm_load_si128(reinterpret_cast<const __m128i *>(pick.pick));
    const __m128i weights = _mm_set1_epi32(30 | 59 << 8 | 11 << 16);
    const __m128i div_mul = _mm_set1_epi16(static_cast<int16_t>(kDiv100Mul)), hundred = _mm_set1_epi16(100);
    // Each load reads 16 bytes from the start of four pixels: for 3-byte pixels that is 4 bytes beyond
    // them, so the vector loop stops while two more pixels remain.
    const std::size_t stride = 4 * static_cast<std::size_t>(bpp), spare = bpp == 3 ? 2 : 0;
    Noted noted;
    std::size_t i = 0;
    while (i + 8 + spare <= n) {
        for (std::size_t step = 0; step < kSteps && i + 8 + spare <= n; ++step, i += 8) {
            const uint8_t *p = pixels + i * bpp;
            const __m128i lo = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), shuffle);
            const __m128i hi =
                _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + stride)), shuffle);
            const __m128i sums = _mm_hadd_epi16(_mm_maddubs_epi16(lo, weights), _mm_maddubs_epi16(hi, weights));
            const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(sums, div_mul), kDiv100Shift - 16);
            const __m128i whole = _mm_cmpeq_epi16(_mm_mullo_epi16(q, hundred), sums);
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(q, q));
            noted.note(i, static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(whole, whole)) & 0xFF));
        }
        noted.redo(pixels, bpp, out);
    }
    gray_order_a_scalar(pixels + i * bpp, n - i, bpp, out + i);
}

// How far ahead of the loads the AVX2 kernel asks for the source: on a busy machine the processor's own
// prefetching falls behind a 3-byte-pixel stream (measured about a sixth faster on a 36 MB picture).
constexpr std::size_t kPrefetchAhead = 4096;

// The 16 bytes at `low` and the 16 at `high` as the two halves of one register.
__attribute__((target("avx2"))) static inline __m256i load_halves(const uint8_t *low, const uint8_t *high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(low))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i *>(high)), 1);
}

// Sixteen pixels a step, the eight-pixel step in both halves of 256-bit registers: the low half takes
// pixels 0-3 and 4-7, the high half pixels 8-11 and 12-15, so the sums come out in pixel order.
__attribute__((target("avx2"))) void gray_order_a_avx2(const uint8_t *pixels, std::size_t n, int bpp,
                                                        uint8_t *out) {
    const PixelPick pick(bpp);
    const __m256i shuffle = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(pick.pick)));
    const __m256i weights = _mm256_set1_epi32(30 | 59 << 8 | 11 << 16);
    const __m256i div_mul = _mm256_set1_epi16(static_cast<int16_t>(kDiv100Mul)), hundred = _mm256_set1_epi16(100);
    const std::size_t stride = 4 * static_cast<std::size_t>(bpp), spare = bpp == 3 ? 2 : 0;
    Noted noted;
    std::size_t i = 0;
    while (i + 16 + spare <= n) {
        for (std::size_t step = 0; step < kSteps && i + 16 + spare <= n; ++step, i += 16) {
            const uint8_t *p = pixels + i * bpp;
            const auto ahead = reinterpret_cast<std::uintptr_t>(p) + kPrefetchAhead;
            _mm_prefetch(reinterpret_cast<const char *>(ahead), _MM_HINT_T0);
            const __m256i lo = _mm256_shuffle_epi8(load_halves(p, p + 2 * stride), shuffle);
            const __m256i hi = _mm256_shuffle_epi8(load_halves(p + stride, p + 3 * stride), shuffle);
            const __m256i sums =
                _mm256_hadd_epi16(_mm256_maddubs_epi16(lo, weights), _mm256_maddubs_epi16(hi, weights));
            const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(sums, div_mul), kDiv100Shift - 16);
            const __m256i whole = _mm256_cmpeq_epi16(_mm256_mullo_epi16(q, hundred), sums);
            const __m128i q_hi = _mm256_extracti128_si256(q, 1), whole_hi = _mm256_extracti128_si256(whole, 1);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(_mm256_castsi256_si128(q), q_hi));
            noted.note(i, static_cast<uint32_t>(
                              _mm_movemask_epi8(_mm_packs_epi16(_mm256_castsi256_si128(whole), whole_hi))));
        }
        noted.redo(pixels, bpp, out);
    }
    // The SSSE3 code takes the last few pixels: clean upper register halves keep it at full speed (the
    // compiler leaves them out of a jump to another function).
    _mm256_zeroupper();
    gray_order_a_ssse3(pixels + i * bpp, n - i, bpp, out + i);
}

#else

void gray_order_a_ssse3(const uint8_t *pixels, std::size_t n, int bpp, uint8_t *out) {
    gray_order_a_scalar(pixels, n, bpp, out);
}
void gray_order_a_avx2(const uint8_t *pixels, std::size_t n, int bpp, uint8_t *out) {
    gray_order_a_scalar(pixels, n, bpp, out);
}

#endif

}  // namespace kernels

void gray_order_a_run(const uint8_t *pixels, std::size_t n, int bpp, uint8_t *out) {
    if (core::has_avx2())
        kernels::gray_order_a_avx2(pixels, n, bpp, out);
    else if (core::has_ssse3())
        kernels::gray_order_a_ssse3(pixels, n, bpp, out);
    else
        kernels::gray_order_a_scalar(pixels, n, bpp, out);
}

}  // namespace ox::image
