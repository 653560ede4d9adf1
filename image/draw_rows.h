// Row kernels of oxImageDraw: image pixels into rows of 24-bit blue, green, red tile pixels (Out = 3) or
// of surface words blue, green, red, 0 (Out = 4). Each comes as portable word code and, for 24- and 32-bit
// images, as AVX2 code that the caller runs only where the processor has it. Only image/draw.cpp
// includes this.
//
// Tile-row kernels may store a few bytes past the end of the row they build (at most 8, the AVX2 ones a
// 32-byte store holding 24 bytes of pixels): tile rows are built bottom-up in one buffer with room after
// its last row, so those bytes are built later or never used. Surface-word kernels store exactly their
// row's words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/bgr_kernels.h"
#include "core/byte_order.h"
#include "image/draw.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define OX_DRAW_X86 1
#endif

namespace ox::image::draw_rows {

// Blue, green, red of a 24-bit pixel at p as the low three bytes of a word. Reads the byte before the
// pixel, which always exists (the image header precedes row 0), so that nothing past the pixel is read.
inline uint32_t bgr_of_24(const uint8_t *p) { return core::load_be32(p - 1); }
inline uint32_t bgr_of_32(const uint8_t *p) { return core::load_be32(p); }

// Blue, green, red of pixel x of row `src` as the low three bytes of a word (the top byte is not defined).
template <int Bits, bool Gray>
inline uint32_t pixel_bgr(const uint8_t *src, int32_t x) {
    if constexpr (Bits == 1)
        return ((src[x >> 3] >> (7 - (x & 7))) & 1u) ? 0xFFFFFFu : 0u;
    else if constexpr (Bits == 8)
        return src[x] * 0x010101u;
    else if constexpr (Bits == 24)
        return bgr_of_24(src + 3 * static_cast<std::size_t>(x));
    else if constexpr (Gray)
        return src[4 * static_cast<std::size_t>(x)] * 0x010101u;
    else
        return bgr_of_32(src + 4 * static_cast<std::size_t>(x));
}

// Stores pixel i of a row: a 3-byte tile pixel (the word store runs one byte into the next pixel) or a
// surface word.
template <int Out>
inline void put_pixel(uint8_t *out, int32_t i, uint32_t v) {
    if constexpr (Out == 3)
        core::store_le32(out + 3 * static_cast<std::size_t>(i), v);
    else
        core::store_le32(out + 4 * static_cast<std::size_t>(i), v & 0xFFFFFFu);
}

// Nearest-pixel row: pixel i takes source column xs[i] of `src`.
template <int Bits, bool Gray, int Out = 3>
void gather_row(const uint8_t *src, const int32_t *xs, int32_t n, uint8_t *out) {
    for (int32_t i = 0; i < n; ++i) put_pixel<Out>(out, i, pixel_bgr<Bits, Gray>(src, xs[i]));
}

// One-to-one row of n pixels from src (the first pixel's bytes) on.
template <int Bits, bool Gray, int Out = 3>
void copy_row(const uint8_t *src, int32_t n, uint8_t *out) {
    if constexpr (Out == 4 || (Bits == 32 && Gray)) {
        for (int32_t i = 0; i < n; ++i) put_pixel<Out>(out, i, pixel_bgr<Bits, Gray>(src, i));
    } else if constexpr (Bits == 24) {
        bgr::swap_24(src, out, n);
    } else {
        bgr::bgr_from_32(src, out, n);
    }
}

// Blue, green and red of a word spread into 16-bit lanes, so that four can be summed without carries.
inline uint64_t spread(uint32_t v) {
    return (v & 0xFFu) | (uint64_t{v & 0xFF00u} << 8) | (uint64_t{v & 0xFF0000u} << 16);
}

// Reduction row: the truncated mean of columns xs[i] and xs2[i] of rows a and b.
template <int Bits, bool Gray, int Out = 3>
void reduce_row(const uint8_t *a, const uint8_t *b, const int32_t *xs, const int32_t *xs2, int32_t n, uint8_t *out) {
    constexpr std::size_t B = Bits / 8;
    for (int32_t i = 0; i < n; ++i) {
        const std::size_t x = B * static_cast<std::size_t>(xs[i]), x2 = B * static_cast<std::size_t>(xs2[i]);
        uint32_t v;
        if constexpr (Gray) {
            v = ((uint32_t{a[x]} + a[x2] + b[x] + b[x2]) >> 2) * 0x010101u;
        } else {
            const auto get = [](const uint8_t *p) { return Bits == 24 ? bgr_of_24(p) : bgr_of_32(p); };
            const uint64_t s =
                (spread(get(a + x)) + spread(get(a + x2)) + spread(get(b + x)) + spread(get(b + x2))) >> 2;
            v = static_cast<uint32_t>((s & 0xFF) | ((s >> 8) & 0xFF00) | ((s >> 16) & 0xFF0000));
        }
        put_pixel<Out>(out, i, v);
    }
}

// Byte of a source pixel that gives tile byte c (0 blue, 1 green, 2 red).
template <int Bits, bool Gray>
constexpr int channel_byte(int c) {
    if constexpr (Gray) return 0;
    return Bits == 24 ? 2 - c : 3 - c;
}

// ---- AVX2 ----------------------------------------------------------------------------------------------
//
// The kernels work on eight pixels a step, four in each 128-bit half of a register: byte shuffles pick
// each half's pixels out of 16 source bytes loaded for it, and for tile rows the two halves' 12 bytes are
// joined into 24. Loads never pass the bytes the step needs, or the caller has checked that they stay in the
// image's row.

// A nearest-pixel row (enlargements included) as shuffles: for each group of eight pixels, one load per
// half when each half's four pixels lie within 16 bytes (enlargements, mild reductions), else two (pixels
// 0-1 and 2-3 of the half, each pair within 16 bytes), and their shuffle masks. Made once per run of
// columns, used for each of its rows. Groups from `groups` on (pixels too far apart, or a load that would
// pass the image row's end) are left to gather_row.
struct GatherPlan {
    int32_t groups = 0;
    int32_t per_load = 2;                            // pixels per load: 4 or 2
    uint32_t offset[kTileSide / 8][4];               // loads of half 0, then of half 1
    alignas(32) uint8_t mask[kTileSide / 8][2][32];  // shuffles of each half's first and second loads
};

template <int Bits, bool Gray, int Out = 3>
void make_gather_plan(const int32_t *xs, int32_t n, int32_t image_width, GatherPlan *plan) {
    constexpr int32_t B = Bits / 8;
    // Pixels p to p + count - 1 inside the 16 bytes from the first one, and that load inside the row.
    const auto fits = [&](int32_t p, int count) {
        const int64_t start = int64_t{B} * xs[p];
        return int64_t{B} * xs[p + count - 1] + B - start <= 16 && start + 16 <= int64_t{B} * image_width;
    };
    plan->per_load = n >= 8 && fits(0, 4) && fits(4, 4) ? 4 : 2;
    const int per = plan->per_load, loads = 4 / per;
    plan->groups = 0;
    for (int32_t g = 0; g < n / 8; ++g) {
        for (int half = 0; half < 2; ++half)
            for (int j = 0; j < loads; ++j)
                if (!fits(8 * g + 4 * half + per * j, per)) return;
        for (int half = 0; half < 2; ++half)
            for (int j = 0; j < loads; ++j) {
                const int32_t p = 8 * g + 4 * half + per * j;  // first pixel of the load
                plan->offset[g][2 * half + j] = static_cast<uint32_t>(B * xs[p]);
                uint8_t *m = plan->mask[g][j] + 16 * half;
                for (int k = 0; k < 16; ++k) m[k] = 0x80;
                for (int k = 0; k < per; ++k)
                    for (int c = 0; c < 3; ++c)
                        m[Out * (per * j + k) + c] =
                            static_cast<uint8_t>(B * (xs[p + k] - xs[p]) + channel_byte<Bits, Gray>(c));
            }
        plan->groups = g + 1;
    }
}

// A reduction row as shuffles and pairwise sums: each half holds one or two tile pixels as four 16-bit
// sums (blue, green, red, 0) of the two samples of a row, picked next to each other by one mask. Made once
// per call. `per_half` 0 when the samples lie too far apart (the portable kernel does it all).
struct ReducePlan {
    int32_t per_half = 0;  // tile pixels per 128-bit half: 2, 1 or 0
    int32_t step = 0;      // source bytes from one tile pixel to the next
    alignas(32) uint8_t mask[32];
};

template <int Bits, bool Gray>
ReducePlan make_reduce_plan(int32_t factor, int32_t d) {
    constexpr int32_t B = Bits / 8;
    ReducePlan r;
    r.step = factor * B;
    // The last byte a half reads for its pixel k (0 or 1): k * step + d * B + B - 1.
    r.per_half = r.step + (d + 1) * B <= 16 ? 2 : (d + 1) * B <= 16 ? 1 : 0;
    for (int k = 0; k < 32; ++k) r.mask[k] = 0x80;
    for (int half = 0; half < 2; ++half)
        for (int k = 0; k < r.per_half; ++k)
            for (int c = 0; c < 3; ++c) {
                const int base = k * r.step + channel_byte<Bits, Gray>(c);
                r.mask[16 * half + 8 * k + 2 * c] = static_cast<uint8_t>(base);
                r.mask[16 * half + 8 * k + 2 * c + 1] = static_cast<uint8_t>(base + d * B);
            }
    return r;
}

// Enlargement by 2 as shuffles: 16 pixels (Out 16-byte chunks) from 8 source pixels. Chunk c is shuffled
// out of the 16 source bytes from load[c], which hold every byte it needs and stay inside the 8 pixels.
template <int Out>
struct DoublePlan {
    int load[Out];
    uint8_t mask[Out][16];
    bool fits;  // every chunk's bytes within its load
};

template <int Bits, bool Gray, int Out>
constexpr DoublePlan<Out> make_double_plan() {
    constexpr int B = Bits / 8;
    // The source byte of output byte j, or -1 for the zero byte of a surface word.
    const auto byte_of = [](int j) { return j % Out < 3 ? B * (j / Out / 2) + channel_byte<Bits, Gray>(j % Out) : -1; };
    DoublePlan<Out> d{};
    d.fits = true;
    for (int c = 0; c < Out; ++c) {
        int lo = 1000, hi = -1;
        for (int k = 0; k < 16; ++k) {
            const int byte = byte_of(16 * c + k);
            if (byte < 0) continue;
            lo = lo < byte ? lo : byte;
            hi = hi > byte ? hi : byte;
        }
        d.load[c] = lo < 8 * B - 16 ? lo : 8 * B - 16;
        d.fits = d.fits && hi < d.load[c] + 16;
        for (int k = 0; k < 16; ++k) {
            const int byte = byte_of(16 * c + k);
            d.mask[c][k] = static_cast<uint8_t>(byte < 0 ? 0x80 : byte - d.load[c]);
        }
    }
    return d;
}

#if OX_DRAW_X86

#define OX_AVX2 __attribute__((target("avx2")))

// Stores eight pixels: for tile rows the first 12 bytes of each half as 24 bytes (and 8 bytes of scratch
// after them), for surface words the whole register.
template <int Out>
OX_AVX2 inline void store_8px(uint8_t *out, __m256i v) {
    if constexpr (Out == 3) v = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out), v);
}

OX_AVX2 inline __m256i load_halves(const uint8_t *lo, const uint8_t *hi) {
    return _mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(hi), reinterpret_cast<const __m128i *>(lo));
}

// The shuffle that spreads four pixels of 16 source bytes over each half: output pixel k from source pixel
// k, 3 or 4 output bytes each (a 24-bit high half is loaded from byte 8, its first pixel at byte 4).
template <int Bits, bool Gray, int Out>
constexpr std::array<int8_t, 32> make_copy_mask() {
    constexpr int B = Bits / 8, first = Bits == 24 ? 4 : 0;
    std::array<int8_t, 32> m{};
    for (int half = 0; half < 2; ++half)
        for (int j = 0; j < 16; ++j) {
            const int k = j / Out, c = j % Out;
            m[16 * half + j] =
                static_cast<int8_t>(k < 4 && c < 3 ? B * k + channel_byte<Bits, Gray>(c) + (half ? first : 0) : -1);
        }
    return m;
}

// Eight pixels from s on, as make_copy_mask's shuffle spreads them. A 24-bit high half is loaded from
// byte 8, so that the step reads exactly its 24 bytes.
template <int Bits>
OX_AVX2 inline __m256i load_8px(const uint8_t *s) {
    if constexpr (Bits == 24) return load_halves(s, s + 8);
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s));
}

template <int Bits, bool Gray, int Out = 3>
OX_AVX2 void copy_row_avx2(const uint8_t *src, int32_t n, uint8_t *out) {
    constexpr std::size_t B = Bits / 8;
    static constexpr std::array<int8_t, 32> mask = make_copy_mask<Bits, Gray, Out>();
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(mask.data()));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        store_8px<Out>(out + Out * static_cast<std::size_t>(i),
                       _mm256_shuffle_epi8(load_8px<Bits>(src + B * static_cast<std::size_t>(i)), m));
    _mm256_zeroupper();  // the portable tail runs at full speed with clean upper halves
    copy_row<Bits, Gray, Out>(src + B * static_cast<std::size_t>(i), n - i, out + Out * static_cast<std::size_t>(i));
}

template <int Bits, bool Gray, int Out = 3>
OX_AVX2 void gather_row_avx2(const GatherPlan &plan, const uint8_t *src, const int32_t *xs, int32_t n, uint8_t *out) {
    const auto mask = [&plan](int32_t g, int j) OX_AVX2 {
        return _mm256_load_si256(reinterpret_cast<const __m256i *>(plan.mask[g][j]));
    };
    if (plan.per_load == 4) {
        for (int32_t g = 0; g < plan.groups; ++g) {
            const uint32_t *o = plan.offset[g];
            const __m256i v = _mm256_shuffle_epi8(load_halves(src + o[0], src + o[2]), mask(g, 0));
            store_8px<Out>(out + 8 * Out * static_cast<std::size_t>(g), v);
        }
    } else {
        for (int32_t g = 0; g < plan.groups; ++g) {
            const uint32_t *o = plan.offset[g];
            const __m256i v = _mm256_or_si256(_mm256_shuffle_epi8(load_halves(src + o[0], src + o[2]), mask(g, 0)),
                                              _mm256_shuffle_epi8(load_halves(src + o[1], src + o[3]), mask(g, 1)));
            store_8px<Out>(out + 8 * Out * static_cast<std::size_t>(g), v);
        }
    }
    _mm256_zeroupper();
    const int32_t done = 8 * plan.groups;
    gather_row<Bits, Gray, Out>(src, xs + done, n - done, out + Out * static_cast<std::size_t>(done));
}

// Enlargement by 2: pixel i takes source pixel i / 2 of src (the first source pixel's bytes).
template <int Bits, bool Gray, int Out = 3>
OX_AVX2 void double_row_avx2(const uint8_t *src, const int32_t *xs, int32_t n, uint8_t *out) {
    static constexpr DoublePlan<Out> plan = make_double_plan<Bits, Gray, Out>();
    static_assert(plan.fits);
    constexpr std::size_t B = Bits / 8;
    const auto mask = [](int c) OX_AVX2 { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(plan.mask[c])); };
    const __m128i m0 = mask(0), m1 = mask(1), m2 = mask(2), m3 = mask(Out - 1);
    const uint8_t *s = src;
    int32_t i = 0;
    for (; i + 16 <= n; i += 16, s += 8 * B) {
        uint8_t *o = out + Out * static_cast<std::size_t>(i);
        const auto chunk = [s, o](int c, __m128i m) OX_AVX2 {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + plan.load[c]));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(o + 16 * c), _mm_shuffle_epi8(v, m));
        };
        chunk(0, m0);
        chunk(1, m1);
        chunk(2, m2);
        if constexpr (Out == 4) chunk(3, m3);
    }
    const uint8_t *row = src - B * static_cast<std::size_t>(xs[0]);
    gather_row<Bits, Gray, Out>(row, xs + i, n - i, out + Out * static_cast<std::size_t>(i));
}

// Both rows' sample sums of the pixels whose first samples start at lo (low half) and hi (high half), as
// 16-bit blue, green, red, 0.
OX_AVX2 inline __m256i row_pair_sums(const uint8_t *pa, const uint8_t *pb, std::size_t lo, std::size_t hi, __m256i m) {
    const __m256i ones = _mm256_set1_epi8(1);
    const __m256i x = _mm256_maddubs_epi16(_mm256_shuffle_epi8(load_halves(pa + lo, pa + hi), m), ones);
    const __m256i y = _mm256_maddubs_epi16(_mm256_shuffle_epi8(load_halves(pb + lo, pb + hi), m), ones);
    return _mm256_add_epi16(x, y);
}

// The sums of pixels k..k+3, whose first sample starts at `at`: k and k + 1 in the low half, k + 2 and
// k + 3 in the high half.
OX_AVX2 inline __m256i four_sums(const ReducePlan &plan, const uint8_t *pa, const uint8_t *pb, std::size_t at,
                                 __m256i m) {
    const std::size_t step = static_cast<std::size_t>(plan.step);
    if (plan.per_half == 2) return row_pair_sums(pa, pb, at, at + 2 * step, m);
    return _mm256_unpacklo_epi64(row_pair_sums(pa, pb, at, at + 2 * step, m),
                                 row_pair_sums(pa, pb, at + step, at + 3 * step, m));
}

// Reduction row of n pixels from rows a and b; xs[i] is the first sample's column (xs[0] + i x the
// factor), xs2[i] the second's. `room` is the bytes from a's first sample to the end of its row.
template <int Bits, bool Gray, int Out = 3>
OX_AVX2 void reduce_row_avx2(const ReducePlan &plan, const uint8_t *a, const uint8_t *b, const int32_t *xs,
                             const int32_t *xs2, int32_t n, int64_t room, uint8_t *out) {
    constexpr std::size_t B = Bits / 8;
    const std::size_t first = B * static_cast<std::size_t>(xs[0]);
    const uint8_t *pa = a + first, *pb = b + first;
    const __m256i m = _mm256_load_si256(reinterpret_cast<const __m256i *>(plan.mask));
    const __m256i join = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const int64_t step = plan.step;
    int32_t i = 0;
    // The last load of a step starts at most 7 pixels on and reads 16 bytes.
    for (; i + 8 <= n && (i + 7) * step + 16 <= room; i += 8) {
        const std::size_t at = static_cast<std::size_t>(i * step);
        const __m256i lo = _mm256_srli_epi16(four_sums(plan, pa, pb, at, m), 2);
        const __m256i hi = _mm256_srli_epi16(four_sums(plan, pa, pb, at + 4 * static_cast<std::size_t>(step), m), 2);
        // Packed, the halves hold pixels 0 1 4 5 and 2 3 6 7; the 64-bit swap puts them in order, each as
        // blue, green, red, 0: surface words already, tile pixels once joined.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
        uint8_t *o = out + Out * static_cast<std::size_t>(i);
        if constexpr (Out == 3)
            store_8px<3>(o, _mm256_shuffle_epi8(packed, join));
        else
            store_8px<4>(o, packed);
    }
    _mm256_zeroupper();
    reduce_row<Bits, Gray, Out>(a, b, xs + i, xs2 + i, n - i, out + Out * static_cast<std::size_t>(i));
}

#undef OX_AVX2

#else

template <int Bits, bool Gray, int Out = 3>
void copy_row_avx2(const uint8_t *src, int32_t n, uint8_t *out) {
    copy_row<Bits, Gray, Out>(src, n, out);
}
template <int Bits, bool Gray, int Out = 3>
void gather_row_avx2(const GatherPlan &, const uint8_t *src, const int32_t *xs, int32_t n, uint8_t *out) {
    gather_row<Bits, Gray, Out>(src, xs, n, out);
}
template <int Bits, bool Gray, int Out = 3>
void double_row_avx2(const uint8_t *src, const int32_t *xs, int32_t n, uint8_t *out) {
    gather_row<Bits, Gray, Out>(src - Bits / 8 * static_cast<std::size_t>(xs[0]), xs, n, out);
}
template <int Bits, bool Gray, int Out = 3>
void reduce_row_avx2(const ReducePlan &, const uint8_t *a, const uint8_t *b, const int32_t *xs, const int32_t *xs2,
                     int32_t n, int64_t, uint8_t *out) {
    reduce_row<Bits, Gray, Out>(a, b, xs, xs2, n, out);
}

#endif

}  // namespace ox::image::draw_rows
