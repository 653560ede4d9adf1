// Selection transfer and the selected box fill: oxSelectImageToImage, oxSelectImageToImageEx and
// oxSelectImageBoxFill.
//
// The rectangle is clipped once to every image it uses. Each row then yields the runs of selected pixels
// of the mask (unselected mask words are passed over with one load), the runs are cut further where the
// condition image is not white, and a kernel generated per pair of depths handles each run through raw row
// pointers. Runs are handled left to right and rows from the top, and a run within one image row is copied
// forward, so a transfer within one image reads what the visiting order has already written, exactly as
// the per-pixel walk does.
#include "selection/transfer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>


#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/image_record.h"
#include "image/pixel.h"
#include "image/runs.h"
#include "selection/mask_bits.h"
#include "selection/white_words.h"

namespace ox::selection {

namespace {
std::size_t g_streaming_fill_bytes = 0;  // 0: the usual size
}  // namespace

// The image box fills' rule, unless a test set another size.
std::size_t streaming_fill_bytes() {
    return g_streaming_fill_bytes != 0 ? g_streaming_fill_bytes : ox::image::streaming_fill_bytes();
}

void set_streaming_fill_bytes(std::size_t bytes) { g_streaming_fill_bytes = bytes; }

namespace {

using ox::image::PixelCodec;
using ox::image::ScopedImageLock;

enum class Mode { copy, unless_white, darker_wins };

// The relative rectangle k0..k1-1 x l0..l1-1, narrowed so that every image that takes part holds its
// positions.
struct Overlap {
    int64_t k0, k1, l0, l1;
    void clip(const Plane &p, int64_t x, int64_t y) {
        k0 = std::max(k0, -x), k1 = std::min(k1, p.width - x);
        l0 = std::max(l0, -y), l1 = std::min(l1, p.height - y);
    }
    bool empty() const { return k0 >= k1 || l0 >= l1; }
};

// Everything a row walk needs: planes, offsets and which of the optional images are given.
struct Walk {
    Plane d, s, c, m;
    int64_t dx, dy, sx, sy, cx, cy, mx, my;
    bool has_cond, has_mask;
    Overlap overlap;
};

// Exactly white in the sense of oxImageGetPixel: 0xFFFFFF, so a 32-bit pixel needs its fourth byte 0.
inline bool cond_white(const Plane &c, const uint8_t *row, int64_t x) {
    if (c.bits == 24) {
        const uint8_t *p = row + 3 * x;
        return (p[0] & p[1] & p[2]) == 0xFF;
    }
    const uint8_t *p = row + 4 * x;
    return p[0] == 0 && (p[1] & p[2] & p[3]) == 0xFF;
}

// Calls f(ka, kb) for the relative runs of row l whose positions pass the mask and the condition image.
template <class F>
inline void for_each_passing_run(const Walk &w, int64_t l, F &&f) {
    const uint8_t *crow = w.has_cond ? w.c.row(w.cy + l) : nullptr;
    auto cut = [&](int64_t ka, int64_t kb) {
        if (!w.has_cond) return f(ka, kb);
        int64_t start = -1;
        for (int64_t k = ka; k < kb; ++k) {
            const bool pass = cond_white(w.c, crow, w.cx + k);
            if (pass && start < 0) start = k;
            if (!pass && start >= 0) f(start, k), start = -1;
        }
        if (start >= 0) f(start, kb);
    };
    if (!w.has_mask) return cut(w.overlap.k0, w.overlap.k1);
    for_each_selected_run(w.m.row(w.my + l), w.mx + w.overlap.k0, w.mx + w.overlap.k1,
                          [&](int64_t a, int64_t b) { cut(a - w.mx, b - w.mx); });
}

// Pixels ka..kb-1 of a run from the source row to the destination row, per depth pair.
template <int D, int S, Mode M>
inline void run_kernel(uint8_t *drow, int64_t dx, const uint8_t *srow, int64_t sx, int64_t n) {
    if constexpr (M == Mode::copy && D == S && D >= 8) {
        constexpr int64_t B = D / 8;
        uint8_t *dp = drow + dx * B;
        const uint8_t *sp = srow + sx * B;
        const int64_t bytes = n * B;
        if (dp > sp && dp < sp + bytes) {
            // Overlap within one row of one image, destination to the right: the forward walk reads pixels
            // it has just written, and a forward byte copy reproduces that.
            for (int64_t i = 0; i < bytes; ++i) dp[i] = sp[i];
        } else {
            std::memmove(dp, sp, static_cast<size_t>(bytes));
        }
    } else if constexpr (M != Mode::copy && D == S && (D == 32 || (D == 24 && M == Mode::unless_white))) {
        // Same layout on both sides: each pixel takes the source or keeps its value, chosen without a branch,
        // since the choice follows the picture and a branch would mispredict. Writing a kept pixel back
        // changes nothing, also when source and destination are one image.
        constexpr int64_t B = D / 8;
        uint8_t *dp = drow + dx * B;
        const uint8_t *sp = srow + sx * B;
        for (int64_t i = 0; i < n; ++i, dp += B, sp += B) {
            if constexpr (D == 32) {
                uint32_t sv, dv;
                std::memcpy(&sv, sp, 4);
                std::memcpy(&dv, dp, 4);
                const bool take = M == Mode::unless_white ? (sp[1] & sp[2] & sp[3]) != 0xFF : sp[0] <= dp[0];
                const uint32_t out = take ? sv : dv;
                std::memcpy(dp, &out, 4);
            } else {
                const uint8_t s0 = sp[0], s1 = sp[1], s2 = sp[2];
                const bool take = (s0 & s1 & s2) != 0xFF;
                dp[0] = take ? s0 : dp[0];
                dp[1] = take ? s1 : dp[1];
                dp[2] = take ? s2 : dp[2];
            }
        }
    } else {
        for (int64_t i = 0; i < n; ++i) {
            const auto xs = static_cast<int32_t>(sx + i), xd = static_cast<int32_t>(dx + i);
            const uint32_t v = PixelCodec<S>::get(srow, xs);
            if constexpr (M == Mode::copy) {
                PixelCodec<D>::put(drow, xd, v);
            } else if constexpr (M == Mode::unless_white) {
                if ((v & 0xFFFFFFu) != 0xFFFFFFu) PixelCodec<D>::put(drow, xd, v);
            } else {  // the darker fourth channel wins, the source on a tie; otherwise the destination stays
                if ((v >> 24) <= (PixelCodec<D>::get(drow, xd) >> 24)) PixelCodec<D>::put(drow, xd, v);
            }
        }
    }
}

template <int D, int S, Mode M>
void transfer_rows(const Walk &w) {
    for (int64_t l = w.overlap.l0; l < w.overlap.l1; ++l) {
        uint8_t *drow = w.d.row(w.dy + l);
        const uint8_t *srow = w.s.row(w.sy + l);
        for_each_passing_run(w, l, [&](int64_t ka, int64_t kb) {
            run_kernel<D, S, M>(drow, w.dx + ka, srow, w.sx + ka, kb - ka);
        });
    }
}


using RowsFn = void (*)(const Walk &);

#if defined(__SSE2__)
// The Ex transfers between two 24-bit or two 32-bit images, eight pixels at a time: each group of eight
// positions whose mask byte selects any is decided as a whole (mask, condition, white or darker test) and
// the destination takes the source where it passes and its own bytes elsewhere. Groups that reach past the
// span at a row's ends go pixel by pixel.

// Four 24-bit pixels from the twelve bits that say which of their bytes are 255: bit i set when pixel i's
// three bytes are.
constexpr std::array<uint8_t, 4096> kWhiteOfFour = [] {
    std::array<uint8_t, 4096> t{};
    for (int v = 0; v < 4096; ++v)
        for (int i = 0; i < 4; ++i)
            if ((v >> (3 * i) & 7) == 7) t[v] |= static_cast<uint8_t>(1 << i);
    return t;
}();

// The pixels of eight 24-bit pixels whose three bytes are all 255.
[[gnu::always_inline]] inline unsigned white_of_eight_24(const uint8_t *p) {
    const auto ff_of = [](const uint8_t *q) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q));
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(-1))));
    };
    const uint32_t ff = ff_of(p) | (ff_of(p + 8) >> 8) << 16;  // bit j: byte j is 255
    return kWhiteOfFour[ff & 0xFFF] | static_cast<unsigned>(kWhiteOfFour[ff >> 12]) << 4;
}

// Four 32-bit lanes, each all ones where bit i of `bits` is set.
[[gnu::always_inline]] inline __m128i lanes_of(unsigned bits) {
    const __m128i pick = _mm_setr_epi32(1, 2, 4, 8);
    return _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(static_cast<int>(bits)), pick), pick);
}

// The pixels of eight condition pixels that read exactly 0xFFFFFF.
template <int CB>
[[gnu::always_inline]] inline unsigned cond_of_eight(const uint8_t *p) {
    if constexpr (CB == 3) {
        return white_of_eight_24(p);
    } else {
        const __m128i white = _mm_set1_epi32(static_cast<int>(0xFFFFFF00u));  // byte 0 is 0, bytes 1-3 are 255
        const auto a = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), white);
        const auto b = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16)), white);
        return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(a)) | _mm_movemask_ps(_mm_castsi128_ps(b)) << 4);
    }
}

// The bytes of s where t is all ones, of d elsewhere.
[[gnu::always_inline]] inline __m128i pick(__m128i t, __m128i s, __m128i d) {
    return _mm_or_si128(_mm_and_si128(t, s), _mm_andnot_si128(t, d));
}

// Eight pixels from sp to dp where `pass` (bit i: pixel i) lets them through and the mode agrees.
template <int B, Mode M>
[[gnu::always_inline]] inline void blend_eight(uint8_t *dp, const uint8_t *sp, unsigned pass) {
    if constexpr (B == 3) {
        // 24 bytes as a vector and a half. A byte of the blend mask is 0xFF when the bit of its pixel is set
        // in `take`: bytes 3i .. 3i + 2 test bit i.
        const __m128i all = _mm_set1_epi8(-1);
        const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(sp));
        const __m128i s1 = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(sp + 16));
        const auto ff = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(s0, all)) |
                                              (_mm_movemask_epi8(_mm_cmpeq_epi8(s1, all)) & 0xFF) << 16);
        const unsigned white = kWhiteOfFour[ff & 0xFFF] | static_cast<unsigned>(kWhiteOfFour[ff >> 12]) << 4;
        const unsigned take = pass & ~white;
        if (take == 0) return;
        const __m128i t = _mm_set1_epi8(static_cast<char>(take));
        const __m128i bit0 = _mm_setr_epi8(1, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16, 16, 16, 32);
        const __m128i bit1 = _mm_setr_epi8(32, 32, 64, 64, 64, -128, -128, -128, 0, 0, 0, 0, 0, 0, 0, 0);
        const __m128i m0 = _mm_cmpeq_epi8(_mm_and_si128(t, bit0), bit0);
        const __m128i m1 = _mm_cmpeq_epi8(_mm_and_si128(t, bit1), bit1);
        const __m128i d0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(dp));
        const __m128i d1 = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(dp + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dp), pick(m0, s0, d0));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(dp + 16), pick(m1, s1, d1));
    } else {
        const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(sp));
        const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(sp + 16));
        const __m128i d0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(dp));
        const __m128i d1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(dp + 16));
        __m128i t0, t1;
        if constexpr (M == Mode::unless_white) {
            // White: bytes 1-3 are 255, byte 0 whatever it holds.
            const __m128i byte0 = _mm_set1_epi32(0xFF), ones = _mm_set1_epi32(-1);
            t0 = _mm_andnot_si128(_mm_cmpeq_epi32(_mm_or_si128(s0, byte0), ones), lanes_of(pass & 15));
            t1 = _mm_andnot_si128(_mm_cmpeq_epi32(_mm_or_si128(s1, byte0), ones), lanes_of(pass >> 4));
        } else {
            // Byte 0 of the source at most the destination's: min(s, d) == s, spread from byte 0 over its lane.
            const auto le = [](__m128i s, __m128i d) {
                return _mm_srai_epi32(_mm_slli_epi32(_mm_cmpeq_epi8(_mm_min_epu8(s, d), s), 24), 24);
            };
            t0 = _mm_and_si128(le(s0, d0), lanes_of(pass & 15));
            t1 = _mm_and_si128(le(s1, d1), lanes_of(pass >> 4));
        }
        // A group that takes nothing leaves its lines clean, so that they need not be written back.
        if (_mm_movemask_epi8(_mm_or_si128(t0, t1)) == 0) return;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dp), pick(t0, s0, d0));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dp + 16), pick(t1, s1, d1));
    }
}

// How far ahead of the walk the source and destination lines are asked for: the hardware fetches ahead
// poorly where runs start and stop within rows.
constexpr int64_t kAhead = 1024;

// CB: bytes per pixel of the condition image, 0 without one.
template <int B, Mode M, int CB>
void blend_rows(const Walk &w) {
    constexpr int D = 8 * B;
    // Copies of what the loops use: stores through byte pointers could otherwise change the walk.
    const int64_t k0 = w.overlap.k0, k1 = w.overlap.k1, mx = w.mx, dx = w.dx, sx = w.sx, cx = w.cx;
    const int64_t x0 = mx + k0, x1 = mx + k1, end = ((x1 - 1) >> 3) + 1;
    for (int64_t l = w.overlap.l0; l < w.overlap.l1; ++l) {
        uint8_t *drow = w.d.row(w.dy + l);
        const uint8_t *srow = w.s.row(w.sy + l);
        // A destination up to seven pixels right of its source in the same row would read, within a group,
        // pixels the walk has already written: such rows go pixel by pixel.
        const auto gap = reinterpret_cast<uintptr_t>(drow + (dx + k0) * B) -
                         reinterpret_cast<uintptr_t>(srow + (sx + k0) * B);
        if (gap > 0 && gap < 8 * B) {
            for_each_passing_run(w, l, [&](int64_t ka, int64_t kb) {
                run_kernel<D, D, M>(drow, dx + ka, srow, sx + ka, kb - ka);
            });
            continue;
        }
        const uint8_t *mrow = w.m.row(w.my + l);
        const uint8_t *crow = CB != 0 ? w.c.row(w.cy + l) : nullptr;
        for (int64_t byte = x0 >> 3; byte < end; byte += 8) {
            const uint64_t sel = ~load_bits(mrow, byte, end, 0xFF) & span_bits(byte * 8, x0, x1);
            if (sel == 0) continue;
            const int64_t kw = byte * 8 - mx;  // the position of the word's first pixel
            const bool inside = kw >= k0 && kw + 64 <= k1;
            for (int64_t j = 0; j < 64 * B; j += 64) {
                _mm_prefetch(reinterpret_cast<const char *>(srow + (sx + kw) * B + kAhead + j), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char *>(drow + (dx + kw) * B + kAhead + j), _MM_HINT_T0);
            }
            for (int g = 0; g < 8; ++g) {
                const unsigned pass = kBitReversed[sel >> (56 - 8 * g) & 0xFF];
                if (pass == 0) continue;
                const int64_t k = kw + 8 * g;
                if (inside || (k >= k0 && k + 8 <= k1)) {
                    unsigned p = pass;
                    if constexpr (CB != 0) p &= cond_of_eight<CB>(crow + (cx + k) * CB);
                    if (p != 0) blend_eight<B, M>(drow + (dx + k) * B, srow + (sx + k) * B, p);
                    continue;
                }
                for (unsigned q = pass; q != 0; q &= q - 1) {
                    const int64_t kk = k + std::countr_zero(q);
                    if (CB != 0 && !cond_white(w.c, crow, cx + kk)) continue;
                    run_kernel<D, D, M>(drow, dx + kk, srow, sx + kk, 1);
                }
            }
        }
    }
}

// The group walk for this pair of depths and mode, or null.
RowsFn blend_rows_for(Mode mode, const Walk &w) {
    if (w.d.bits != w.s.bits || !w.has_mask) return nullptr;
    constexpr Mode white = Mode::unless_white, darker = Mode::darker_wins;
    const int cb = w.has_cond ? w.c.bits / 8 : 0;
    auto by_cond = [cb](auto none, auto c24, auto c32) -> RowsFn { return cb == 0 ? none : cb == 3 ? c24 : c32; };
    if (w.d.bits == 24 && mode == white)
        return by_cond(blend_rows<3, white, 0>, blend_rows<3, white, 3>, blend_rows<3, white, 4>);
    if (w.d.bits != 32 || mode == Mode::copy) return nullptr;
    if (mode == white) return by_cond(blend_rows<4, white, 0>, blend_rows<4, white, 3>, blend_rows<4, white, 4>);
    return by_cond(blend_rows<4, darker, 0>, blend_rows<4, darker, 3>, blend_rows<4, darker, 4>);
}
#else
RowsFn blend_rows_for(Mode, const Walk &) { return nullptr; }
#endif

template <int D, Mode M>
RowsFn rows_for_src(int32_t src_bits) {
    switch (src_bits) {
    case 1: return transfer_rows<D, 1, M>;
    case 8: return transfer_rows<D, 8, M>;
    case 24: return transfer_rows<D, 24, M>;
    default: return transfer_rows<D, 32, M>;
    }
}

template <Mode M>
RowsFn rows_for(int32_t dst_bits, int32_t src_bits) {
    switch (dst_bits) {
    case 1: return rows_for_src<1, M>(src_bits);
    case 8: return rows_for_src<8, M>(src_bits);
    case 24: return rows_for_src<24, M>(src_bits);
    default: return rows_for_src<32, M>(src_bits);
    }
}

// The common body of the transfers: 1 or 0 as the exported functions return, or -1 for the per-pixel path.
int32_t transfer(Mode mode, OxHandle dst, int32_t dst_x, int32_t dst_y, OxHandle cond, int32_t cond_x,
                 int32_t cond_y, OxHandle mask, int32_t mask_x, int32_t mask_y, OxHandle src, int32_t src_x,
                 int32_t src_y, int32_t width, int32_t height, bool ex, bool darker_wins) {
    ScopedImageLock dl(dst);
    if (!dl.ok()) return 0;
    ScopedImageLock sl(src);
    if (!sl.ok()) return 0;
    ScopedImageLock cl(cond), ml(mask);
    Walk w{};
    w.has_cond = cond != 0 && cl.ok();
    w.has_mask = mask != 0 && ml.ok();
    w.d = plane_of(dl.rec());
    w.s = plane_of(sl.rec());
    if (ex && !w.has_mask) return 1;  // the Ex transfer writes nothing without a mask
    // The flag counts only when both images are gray layers.
    if (darker_wins && dl.rec().layer == OX_LAYER_GRAY && sl.rec().layer == OX_LAYER_GRAY) mode = Mode::darker_wins;
    if (!ox::image::is_supported_depth(w.d.bits) || !ox::image::is_supported_depth(w.s.bits)) return -1;
    if (w.has_cond) {
        w.c = plane_of(cl.rec());
        if (!ox::image::is_supported_depth(w.c.bits)) return -1;
        if (w.c.bits < 24) return 1;  // a 1- or 8-bit pixel is never 0xFFFFFF: nothing passes
    }
    if (w.has_mask) w.m = plane_of(ml.rec());
    if (width == 0 && height == 0) width = w.s.width, height = w.s.height;
    w.dx = dst_x, w.dy = dst_y, w.sx = src_x, w.sy = src_y, w.cx = cond_x, w.cy = cond_y, w.mx = mask_x, w.my = mask_y;
    w.overlap = Overlap{0, width, 0, height};
    w.overlap.clip(w.d, w.dx, w.dy);
    w.overlap.clip(w.s, w.sx, w.sy);
    if (w.has_cond) w.overlap.clip(w.c, w.cx, w.cy);
    if (w.has_mask) w.overlap.clip(w.m, w.mx, w.my);
    if (w.overlap.empty()) return 1;
    if (const RowsFn blend = blend_rows_for(mode, w)) {
        blend(w);
        return 1;
    }
    switch (mode) {
    case Mode::copy: rows_for<Mode::copy>(w.d.bits, w.s.bits)(w); break;
    case Mode::unless_white: rows_for<Mode::unless_white>(w.d.bits, w.s.bits)(w); break;
    case Mode::darker_wins: rows_for<Mode::darker_wins>(w.d.bits, w.s.bits)(w); break;
    }
    return 1;
}

// Pixels a..b-1 of a destination row set to one value, per depth.
template <int D>
void fill_run(uint8_t *row, int64_t a, int64_t b, uint32_t value) {
    if constexpr (D == 1) {
        const uint8_t bit = value & 1u ? 0xFF : 0x00;
        while (a < b) {
            const int64_t byte = a >> 3, lo = a & 7, hi = std::min<int64_t>(8, b - byte * 8);
            const auto m = static_cast<uint8_t>((0xFFu >> lo) & (0xFFu << (8 - hi)));
            row[byte] = static_cast<uint8_t>((row[byte] & ~m) | (bit & m));
            a = byte * 8 + hi;
        }
    } else if constexpr (D == 8) {
        std::memset(row + a, static_cast<uint8_t>(value), static_cast<size_t>(b - a));
    } else {
        // Eight pixels (24 or 32 bytes) at a time from a pattern of whole words, the rest one by one.
        constexpr int B = D / 8;
        uint8_t px[8 * B];
        for (int k = 0; k < 8; ++k) PixelCodec<D>::put(px + k * B, 0, value);
        uint64_t pattern[B];
        std::memcpy(pattern, px, sizeof pattern);
        uint8_t *p = row + a * B;
        int64_t x = a;
        for (; x + 8 <= b; x += 8, p += 8 * B)
            for (int k = 0; k < B; ++k) std::memcpy(p + 8 * k, &pattern[k], 8);
        for (; x < b; ++x, p += B) std::memcpy(p, px, B);
    }
}

#if defined(__SSE2__)
// Runs of at least this many bytes of a box too large for the cache are stored around the cache: the lines
// would be pushed out before they are read again, and ordinary stores read every line before writing it.
constexpr int64_t kStreamRunBytes = 256;
#endif

template <int D>
void fill_rows(const Walk &w, uint32_t value) {
#if defined(__SSE2__)
    if constexpr (D >= 24) {  // 8-bit runs are a memset, which picks its own stores
        constexpr int B = D / 8;
        const Overlap &o = w.overlap;
        const auto box =
            static_cast<uint64_t>(o.k1 - o.k0) * static_cast<uint64_t>(o.l1 - o.l0) * static_cast<uint64_t>(B);
        if (box >= streaming_fill_bytes()) {
            uint8_t pixel[4];
            PixelCodec<D>::put(pixel, 0, value);
            const auto pattern = ox::image::PixelBytesOp::store(pixel, B);
            for (int64_t l = w.overlap.l0; l < w.overlap.l1; ++l) {
                uint8_t *drow = w.d.row(l);
                for_each_passing_run(w, l, [&](int64_t a, int64_t b) {
                    if ((b - a) * B >= kStreamRunBytes)
                        pattern.store_around_cache(drow + a * B, static_cast<size_t>((b - a) * B));
                    else fill_run<D>(drow, a, b, value);
                });
            }
            _mm_sfence();
            return;
        }
    }
#endif
    for (int64_t l = w.overlap.l0; l < w.overlap.l1; ++l) {
        uint8_t *drow = w.d.row(l);
        for_each_passing_run(w, l, [&](int64_t a, int64_t b) { fill_run<D>(drow, a, b, value); });
    }
}

}  // namespace
}  // namespace ox::selection

using namespace ox::selection;

extern "C" {

// A destination that is also the mask or the condition image changes what later positions read: those
// calls take the per-pixel path, as do images of unsupported depths.

OX_API int32_t oxSelectImageToImage(OxHandle dst, int32_t dst_x, int32_t dst_y, OxHandle cond, int32_t cond_x,
                                    int32_t cond_y, OxHandle mask, int32_t mask_x, int32_t mask_y, OxHandle src,
                                    int32_t src_x, int32_t src_y, int32_t width, int32_t height) {
    int32_t r = -1;
    if (dst == 0 || (dst != mask && dst != cond))
        r = transfer(Mode::copy, dst, dst_x, dst_y, cond, cond_x, cond_y, mask, mask_x, mask_y, src, src_x, src_y,
                     width, height, false, false);
    if (r >= 0) return r;
    return plain::select_image_to_image(dst, dst_x, dst_y, cond, cond_x, cond_y, mask, mask_x, mask_y, src, src_x,
                                        src_y, width, height);
}

OX_API int32_t oxSelectImageToImageEx(OxHandle dst, int32_t dst_x, int32_t dst_y, OxHandle cond, int32_t cond_x,
                                      int32_t cond_y, OxHandle mask, int32_t mask_x, int32_t mask_y, OxHandle src,
                                      int32_t src_x, int32_t src_y, int32_t width, int32_t height,
                                      int32_t darker_wins) {
    int32_t r = -1;
    if (dst == 0 || (dst != mask && dst != cond))
        r = transfer(Mode::unless_white, dst, dst_x, dst_y, cond, cond_x, cond_y, mask, mask_x, mask_y, src, src_x,
                     src_y, width, height, true, darker_wins != 0);
    if (r >= 0) return r;
    return plain::select_image_to_image_ex(dst, dst_x, dst_y, cond, cond_x, cond_y, mask, mask_x, mask_y, src,
                                           src_x, src_y, width, height, darker_wins);
}

OX_API int32_t oxSelectImageBoxFill(OxHandle dst, OxHandle cond, OxHandle mask, int32_t x, int32_t y, int32_t width,
                                    int32_t height, uint32_t value) {
    ox::image::ScopedImageLock dl(dst);
    if (!dl.ok()) return 0;
    ox::image::ScopedImageLock cl(cond), ml(mask);
    Walk w{};
    w.has_cond = cond != 0 && cl.ok();
    w.has_mask = mask != 0 && ml.ok();
    w.d = plane_of(dl.rec());
    if (w.has_cond) w.c = plane_of(cl.rec());
    if (w.has_mask) w.m = plane_of(ml.rec());
    if (dst == cond || dst == mask || !ox::image::is_supported_depth(w.d.bits) ||
        (w.has_cond && !ox::image::is_supported_depth(w.c.bits)))
        return plain::select_image_box_fill(dst, cond, mask, x, y, width, height, value);
    if (w.has_cond && w.c.bits < 24) return 1;  // nothing passes
    if (x == 0 && y == 0 && width == 0 && height == 0) width = w.d.width, height = w.d.height;
    // All images share the box's coordinates: the walk's offsets are the box's corner.
    w.overlap = Overlap{x, int64_t{x} + width, y, int64_t{y} + height};
    w.overlap.clip(w.d, 0, 0);
    if (w.has_cond) w.overlap.clip(w.c, 0, 0);
    if (w.has_mask) w.overlap.clip(w.m, 0, 0);
    if (w.overlap.empty()) return 1;
    switch (w.d.bits) {
    case 1: fill_rows<1>(w, value); break;
    case 8: fill_rows<8>(w, value); break;
    case 24: fill_rows<24>(w, value); break;
    default: fill_rows<32>(w, value); break;
    }
    return 1;
}

}  // extern "C"
