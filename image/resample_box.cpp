// Box sampling: integer means of source runs and blocks, nearest source pixel on enlargement.
//
// For destination pixel (i, j) the starting source pixel is (Xs, Ys) = (i*sw/dw, j*sh/dh) relative to the
// source corner, with Xe, Ye the starting pixel of the next column and row. Three quirks are kept on
// purpose: a horizontal run and a vertical column start at the starting pixel, which is therefore counted
// twice; runs are only taken while Xe + sx (Ye + sy) stays within sw (sh), the source size rather than the
// far edge of the source rectangle; and a source size of 0 stands for the image's size less one.
#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/pixel.h"
#include "image/resample.h"

namespace ox::image {
namespace {

// Per-field sums of one destination pixel. Fields are the four bytes of a pixel value (bits 0-7, 8-15,
// 16-23, 24-31). Sums are 64 bits wide so that very large blocks cannot wrap.
struct FieldSums {
    uint64_t f[4] = {0, 0, 0, 0};

    void add(uint32_t v) {
        f[0] += v & 0xFF;
        f[1] += (v >> 8) & 0xFF;
        f[2] += (v >> 16) & 0xFF;
        f[3] += v >> 24;
    }
    uint32_t mean(uint64_t n) const {
        return static_cast<uint32_t>(f[3] / n) << 24 | static_cast<uint32_t>(f[2] / n) << 16 |
               static_cast<uint32_t>(f[1] / n) << 8 | static_cast<uint32_t>(f[0] / n);
    }
};

// Xs for destination index i of an axis that maps `s` source pixels onto `d` destination pixels. The
// product is formed in 64 bits, so it does not wrap for images wider than 46340 pixels.
inline int64_t box_start(int64_t i, int32_t s, int32_t d) { return i * s / d; }

}  // namespace

namespace plain {

void box_sample(const OxImageLockRec &dst, const OxImageLockRec &src, ResampleRects r) {
    if (r.sw == 0) r.sw = src.maxX;
    if (r.sh == 0) r.sh = src.maxY;
    auto get = [&](int64_t x, int64_t y) {
        return oxImageGetPixel(&src, static_cast<int32_t>(x), static_cast<int32_t>(y));
    };
    for (int32_t j = 0; j < r.dh; ++j) {
        for (int32_t i = 0; i < r.dw; ++i) {
            const int64_t xs = box_start(i, r.sw, r.dw), ys = box_start(j, r.sh, r.dh);
            FieldSums sums;
            sums.add(get(xs + r.sx, ys + r.sy));
            uint64_t n = 1;
            if (r.sw > r.dw) {
                const int64_t xe = box_start(i + 1, r.sw, r.dw), run = xe - xs;
                if (xe + r.sx <= r.sw && run >= 1) {
                    for (int64_t k = 0; k < run; ++k) sums.add(get(xs + r.sx + k, ys + r.sy));
                    n = static_cast<uint64_t>(run) + 1;
                }
            }
            if (r.sh > r.dh) {
                const int64_t ye = box_start(j + 1, r.sh, r.dh), vrun = ye - ys;
                if (ye + r.sy <= r.sh && vrun >= 1) {
                    const int64_t xe = box_start(i + 1, r.sw, r.dw);
                    if (xe + r.sx <= r.sw) {
                        // A source narrower than the destination gives runs of 0 for all but the last of the
                        // destination columns that share a source column; they take that column too, so the
                        // block always holds at least one sample.
                        const int64_t run = std::max<int64_t>(xe - xs, 1);
                        sums = FieldSums{};
                        for (int64_t l = 0; l < vrun; ++l)
                            for (int64_t k = 0; k < run; ++k) sums.add(get(xs + r.sx + k, ys + r.sy + l));
                        n = static_cast<uint64_t>(run * vrun);
                    } else {
                        for (int64_t l = 0; l < vrun; ++l) sums.add(get(xs + r.sx, ys + r.sy + l));
                        n += static_cast<uint64_t>(vrun);
                    }
                }
            }
            oxImagePutPixel(&dst, r.dx + i, r.dy + j, sums.mean(n));
        }
    }
}

}  // namespace plain

namespace {

// Destination columns per column table; the tables and the column sums below keep the fast path within
// about 48 KiB of stack whatever the image sizes.
constexpr int32_t kBoxColumns = 1024;
// Bytes of the per-row column sums of one block row (source pixels x channels, 16 or 32 bits each).
constexpr size_t kColumnSumBytes = 32768;

struct BoxColumn {
    int32_t x;    // starting source column, absolute
    int32_t run;  // run / block width, at least 1
    bool block;   // Xe + sx <= sw: runs and blocks are allowed in this column
    bool hrun;    // a horizontal run is added on rows without a vertical run
};

// Source access per depth: C channels per pixel (the bytes of the pixel, or the one bit of a 1-bit image).
template <int Bits>
struct SourceDepth {
    static constexpr int C = Bits == 1 ? 1 : Bits / 8;
    static uint32_t channel(const uint8_t *row, int64_t x, int c) {
        if constexpr (Bits == 1)
            return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        else
            return row[x * C + c];
    }
    // The pixel value whose bytes (or bit) are the given channel means.
    static uint32_t value(const uint32_t *means) {
        if constexpr (Bits == 1) {
            return means[0];
        } else {
            uint8_t bytes[4];
            for (int c = 0; c < C; ++c) bytes[c] = static_cast<uint8_t>(means[c]);
            return PixelCodec<Bits>::get(bytes, 0);
        }
    }
};

template <int SrcBits, int DstBits>
class BoxSampler {
    using S = SourceDepth<SrcBits>;
    static constexpr int C = S::C;

public:
    BoxSampler(const OxImageLockRec &dst, const OxImageLockRec &src, const ResampleRects &r)
        : dst_(dst), src_(src), r_(r) {}

    void run() {
        for (int32_t i0 = 0; i0 < r_.dw; i0 += kBoxColumns) {
            const int32_t count = std::min(kBoxColumns, r_.dw - i0);
            BoxColumn cols[kBoxColumns];
            for (int32_t c = 0; c < count; ++c) cols[c] = column(i0 + c);
            for (int32_t j = 0; j < r_.dh; ++j) row(j, cols, i0, count);
        }
    }

private:
    BoxColumn column(int32_t i) const {
        const int64_t xs = box_start(i, r_.sw, r_.dw), xe = box_start(int64_t{i} + 1, r_.sw, r_.dw);
        BoxColumn c;
        c.x = static_cast<int32_t>(xs + r_.sx);
        c.run = static_cast<int32_t>(std::max<int64_t>(xe - xs, 1));
        c.block = xe + r_.sx <= r_.sw;
        c.hrun = c.block && r_.sw > r_.dw && xe - xs >= 1;
        return c;
    }

    const uint8_t *src_row(int64_t y) const { return src_.pixels + y * static_cast<int64_t>(src_.rowBytes); }

    void put(int32_t i, int32_t j, uint32_t v) const {
        PixelCodec<DstBits>::put(row_ptr(dst_, r_.dy + j), r_.dx + i, v);
    }

    void put_mean(int32_t i, int32_t j, const uint64_t *sums, uint64_t n) const {
        uint32_t means[C];
        for (int c = 0; c < C; ++c) means[c] = static_cast<uint32_t>(sums[c] / n);
        put(i, j, S::value(means));
    }

    void row(int32_t j, const BoxColumn *cols, int32_t i0, int32_t count) {
        const int64_t ys = box_start(j, r_.sh, r_.dh), ye = box_start(int64_t{j} + 1, r_.sh, r_.dh);
        const int64_t y = ys + r_.sy, vrun = ye - ys;
        const uint8_t *first = src_row(y);
        if (!(r_.sh > r_.dh && ye + r_.sy <= r_.sh && vrun >= 1)) {
            single_row(j, first, cols, i0, count);
            return;
        }
        if (vrun * 255 <= UINT16_MAX)
            block_row<uint16_t>(j, y, vrun, cols, i0, count);
        else
            block_row<uint32_t>(j, y, vrun, cols, i0, count);
    }

    // A row without a vertical run: the starting pixel, plus the horizontal run where there is one.
    void single_row(int32_t j, const uint8_t *srow, const BoxColumn *cols, int32_t i0, int32_t count) {
        for (int32_t c = 0; c < count; ++c) {
            const BoxColumn &col = cols[c];
            if (!col.hrun) {
                put(i0 + c, j, pixel(srow, col.x));
                continue;
            }
            uint64_t sums[C];
            for (int ch = 0; ch < C; ++ch) {
                uint64_t s = S::channel(srow, col.x, ch);
                for (int32_t k = 0; k < col.run; ++k) s += S::channel(srow, int64_t{col.x} + k, ch);
                sums[ch] = s;
            }
            put_mean(i0 + c, j, sums, static_cast<uint64_t>(col.run) + 1);
        }
    }

    uint32_t pixel(const uint8_t *srow, int64_t x) const {
        uint32_t ch[C];
        for (int c = 0; c < C; ++c) ch[c] = S::channel(srow, x, c);
        return S::value(ch);
    }

    // A row with a vertical run of vrun source rows from y. The rows are first summed column by column over
    // the source span of a group of destination columns; each destination pixel then adds up its part.
    template <class Acc>
    void block_row(int32_t j, int64_t y, int64_t vrun, const BoxColumn *cols, int32_t i0, int32_t count) {
        constexpr int64_t kCap = kColumnSumBytes / sizeof(Acc) / C;  // source pixels per group
        alignas(16) Acc acc[kColumnSumBytes / sizeof(Acc)];
        int32_t c = 0;
        while (c < count) {
            const int64_t lo = cols[c].x;
            if (span_end(cols[c]) - lo > kCap) {
                wide_block(j, y, vrun, cols[c], i0 + c);
                ++c;
                continue;
            }
            int32_t last = c;
            while (last + 1 < count && span_end(cols[last + 1]) - lo <= kCap) ++last;
            const int64_t hi = span_end(cols[last]);
            column_sums(acc, y, vrun, lo, hi);
            const uint8_t *first = src_row(y);
            for (; c <= last; ++c) {
                const BoxColumn &col = cols[c];
                const Acc *a = acc + (col.x - lo) * C;
                uint64_t sums[C];
                if (col.block) {
                    run_sums(a, col.run, sums);
                    put_mean(i0 + c, j, sums, static_cast<uint64_t>(col.run) * static_cast<uint64_t>(vrun));
                } else {
                    // Column only: the starting pixel once more on top of the column.
                    for (int ch = 0; ch < C; ++ch) sums[ch] = S::channel(first, col.x, ch) + a[ch];
                    put_mean(i0 + c, j, sums, static_cast<uint64_t>(vrun) + 1);
                }
            }
        }
    }

    // sums[ch] = channel ch summed over `run` pixels of column sums, in registers.
    template <class Acc>
    static void run_sums(const Acc *a, int32_t run, uint64_t *sums) {
        uint64_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (int32_t k = 0; k < run; ++k, a += C) {
            s0 += a[0];
            if constexpr (C >= 3) {
                s1 += a[1];
                s2 += a[2];
            }
            if constexpr (C == 4) s3 += a[3];
        }
        const uint64_t all[4] = {s0, s1, s2, s3};
        for (int ch = 0; ch < C; ++ch) sums[ch] = all[ch];
    }

    // End (exclusive) of the source columns that a destination column reads on block rows. Nondecreasing
    // along the destination row, which lets groups grow from the left.
    static int64_t span_end(const BoxColumn &col) { return int64_t{col.x} + (col.block ? col.run : 1); }

    // acc[(x - lo) * C + ch] = sum of channel ch of source column x over rows y .. y + vrun - 1.
    template <class Acc>
    void column_sums(Acc *acc, int64_t y, int64_t vrun, int64_t lo, int64_t hi) const {
        const int64_t entries = (hi - lo) * C;
        if constexpr (SrcBits == 1) {
            std::fill(acc, acc + entries, Acc{0});
            for (int64_t l = 0; l < vrun; ++l) {
                const uint8_t *srow = src_row(y + l);
                for (int64_t x = lo; x < hi; ++x) acc[x - lo] += S::channel(srow, x, 0);
            }
        } else {
            // Up to eight rows per pass, so that the sums are loaded and stored once per eight rows.
            for (int64_t l = 0; l < vrun; l += 8) {
                const uint8_t *rows[8];
                const int64_t m = std::min<int64_t>(8, vrun - l);
                for (int64_t t = 0; t < m; ++t) rows[t] = src_row(y + l + t) + lo * C;
                if (l == 0) {
                    add_rows<true>(acc, rows, m, entries);
                } else {
                    add_rows<false>(acc, rows, m, entries);
                }
            }
        }
    }

    template <bool Start, class Acc>
    static void add_rows(Acc *acc, const uint8_t *const *rows, int64_t m, int64_t n) {
        switch (m) {
        case 1: add_rows<Start>(acc, rows, n, std::make_index_sequence<1>{}); break;
        case 2: add_rows<Start>(acc, rows, n, std::make_index_sequence<2>{}); break;
        case 3: add_rows<Start>(acc, rows, n, std::make_index_sequence<3>{}); break;
        case 4: add_rows<Start>(acc, rows, n, std::make_index_sequence<4>{}); break;
        case 5: add_rows<Start>(acc, rows, n, std::make_index_sequence<5>{}); break;
        case 6: add_rows<Start>(acc, rows, n, std::make_index_sequence<6>{}); break;
        case 7: add_rows<Start>(acc, rows, n, std::make_index_sequence<7>{}); break;
        default: add_rows<Start>(acc, rows, n, std::make_index_sequence<8>{}); break;
        }
    }

    // acc[e] (0 at the start) plus rows[0][e] + ... + rows[M - 1][e], for e below n.
    template <bool Start, class Acc, size_t... T>
    static void add_rows(Acc *acc, const uint8_t *const *rows, int64_t n, std::index_sequence<T...>) {
        const uint8_t *const r[] = {rows[T]...};  // in registers, not reloaded after each store to acc
        int64_t e = 0;
#if defined(__SSE2__)
        // Sixteen bytes at a time: the rows are summed in 16-bit lanes (eight rows stay below 2041), then
        // added to the sums.
        const __m128i zero = _mm_setzero_si128();
        for (; e + 16 <= n; e += 16) {
            __m128i lo = zero, hi = zero;
            // A few cache lines ahead in each row: eight rows are more streams than the hardware follows
            // well. (A hint only: it never faults, also beyond the image.)
            if ((e & 63) == 0) (_mm_prefetch(reinterpret_cast<const char *>(r[T] + e + 384), _MM_HINT_T0), ...);
            (add_bytes(lo, hi, _mm_loadu_si128(reinterpret_cast<const __m128i *>(r[T] + e)), zero), ...);
            __m128i *out = reinterpret_cast<__m128i *>(acc + e);
            if constexpr (sizeof(Acc) == 2) {
                if constexpr (!Start) {
                    lo = _mm_add_epi16(lo, _mm_loadu_si128(out));
                    hi = _mm_add_epi16(hi, _mm_loadu_si128(out + 1));
                }
                _mm_storeu_si128(out, lo);
                _mm_storeu_si128(out + 1, hi);
            } else {
                __m128i q[4] = {_mm_unpacklo_epi16(lo, zero), _mm_unpackhi_epi16(lo, zero),
                                _mm_unpacklo_epi16(hi, zero), _mm_unpackhi_epi16(hi, zero)};
                for (int k = 0; k < 4; ++k) {
                    if constexpr (!Start) q[k] = _mm_add_epi32(q[k], _mm_loadu_si128(out + k));
                    _mm_storeu_si128(out + k, q[k]);
                }
            }
        }
#endif
        for (; e < n; ++e) acc[e] = static_cast<Acc>((Start ? 0 : acc[e]) + (r[T][e] + ...));
    }

#if defined(__SSE2__)
    static void add_bytes(__m128i &lo, __m128i &hi, __m128i bytes, __m128i zero) {
        lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(bytes, zero));
        hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(bytes, zero));
    }
#endif

    // A block wider than the column sums hold: summed directly.
    void wide_block(int32_t j, int64_t y, int64_t vrun, const BoxColumn &col, int32_t i) const {
        uint64_t sums[C] = {};
        for (int64_t l = 0; l < vrun; ++l) {
            const uint8_t *srow = src_row(y + l);
            for (int32_t k = 0; k < col.run; ++k)
                for (int ch = 0; ch < C; ++ch) sums[ch] += S::channel(srow, int64_t{col.x} + k, ch);
        }
        put_mean(i, j, sums, static_cast<uint64_t>(col.run) * static_cast<uint64_t>(vrun));
    }

    const OxImageLockRec &dst_;
    const OxImageLockRec &src_;
    const ResampleRects r_;
};

}  // namespace

void box_sample(const OxImageLockRec &dst, const OxImageLockRec &src, ResampleRects r) {
    if (r.sw == 0) r.sw = src.maxX;
    if (r.sh == 0) r.sh = src.maxY;
    dispatch_depth(src.header->bitCount, 0, [&](auto s) {
        return dispatch_depth(dst.header->bitCount, 0, [&](auto d) {
            BoxSampler<decltype(s)::value, decltype(d)::value>(dst, src, r).run();
            return 0;
        });
    });
}

}  // namespace ox::image
