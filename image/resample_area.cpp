// Area sampling and the half-size shortcut.
//
// Area sampling gives every destination pixel the area-weighted mean of the source pixels under its cell,
// in double precision, rounded with oxDouble2Int. Cell edges are running sums of the scale factor (x1 of
// one cell plus rx), not multiples of it; the fast path keeps every sum, product and quotient in the order
// of the per-pixel reference, so the two agree to the bit.
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/cpu.h"
#include "image/pixel.h"
#include "image/resample.h"

namespace ox::image {
namespace {

// Byte offsets, within one pixel of `bpp` bytes, of the value fields bits 0-7, 8-15, 16-23 and 24-31.
// Fields that a depth lacks are -1.
struct FieldBytes {
    int pos[4];
};

FieldBytes field_bytes(uint32_t bpp) {
    if (bpp == 1) return {{0, -1, -1, -1}};
    uint32_t r, g, b;
    oxGetChannel(bpp, &r, &g, &b);
    return {{static_cast<int>(r), static_cast<int>(g), static_cast<int>(b), bpp == 4 ? 0 : -1}};
}

// Stores value fields into a pixel at p: bits 0-7 always, 8-15 and 16-23 for 3 or 4 bytes per pixel,
// 24-31 for 4 bytes per pixel.
void store_fields(uint8_t *p, const FieldBytes &fb, uint32_t v) {
    for (int f = 0; f < 4; ++f)
        if (fb.pos[f] >= 0) p[fb.pos[f]] = static_cast<uint8_t>(v >> (8 * f));
}

}  // namespace

namespace plain {
namespace {

// The overlaps of the interval [a0, a1) with the unit cells start, start + 1, ...: `count` weights, the
// first `first`, the last `last` (when count > 1), those between 1.0.
struct AxisWeights {
    int64_t start;
    int64_t count;
    double first;
    double last;
    double operator[](int64_t k) const { return k == 0 ? first : k == count - 1 ? last : 1.0; }
};

AxisWeights axis_weights(double a0, double a1) {
    AxisWeights w;
    w.start = static_cast<int64_t>(a0);
    double e;  // the next cell boundary
    if (a0 == std::trunc(a0)) {
        w.first = 1.0;
        e = a0 + 1.0;
    } else {
        w.first = std::ceil(a0) - a0;
        e = std::ceil(a0);
    }
    w.count = 1;
    w.last = w.first;
    if (a0 < a1) {
        if (e > a1) {
            w.first -= std::ceil(a1) - a1;  // the interval ends inside its first cell
        } else {
            while (e != a1) {
                e = e + 1.0;
                ++w.count;
                if (e > a1) {
                    w.last = a1 - std::trunc(a1);
                    break;
                }
                w.last = 1.0;
            }
        }
    }
    return w;
}

// The value of the cell [x0, x1) x [y0, y1), relative to (sx, sy). Columns and rows outside the image
// are not read; the divisor stays the whole cell area.
uint32_t sample_cell(const OxImageLockRec &src, int32_t sx, int32_t sy, double x0, double x1, double y0,
                     double y1) {
    const uint32_t bpp = static_cast<uint32_t>(src.header->bitCount) / 8;
    const FieldBytes fb = field_bytes(bpp);
    const AxisWeights cols = axis_weights(x0, x1), rows = axis_weights(y0, y1);
    double sum[4] = {0.0, 0.0, 0.0, 0.0};
    for (int64_t l = 0; l < rows.count; ++l) {
        const int64_t y = rows.start + sy + l;
        if (y > src.maxY) break;
        for (int64_t k = 0; k < cols.count; ++k) {
            const int64_t x = cols.start + sx + k;
            if (x > src.maxX) break;
            const uint8_t *p = oxImageGetAdr(&src, static_cast<int32_t>(x), static_cast<int32_t>(y));
            const double w = rows[l] * cols[k];
            for (int f = 0; f < 4; ++f)
                if (fb.pos[f] >= 0) sum[f] += p[fb.pos[f]] * w;
        }
    }
    const double area = (x1 - x0) * (y1 - y0);
    uint32_t v = 0;
    for (int f = 0; f < 4; ++f) {
        double s = sum[f];
        if (area != 0.0) s = s / area;
        if (s > 255.0) s = 255.0;
        v |= static_cast<uint32_t>(oxDouble2Int(s)) << (8 * f);
    }
    return v;
}

}  // namespace

void area_sample(const OxImageLockRec &dst, const OxImageLockRec &src, const ResampleRects &r) {
    const uint32_t bpp = static_cast<uint32_t>(dst.header->bitCount) / 8;
    const FieldBytes fb = field_bytes(bpp);
    const double rx = static_cast<double>(r.sw) / r.dw, ry = static_cast<double>(r.sh) / r.dh;
    double y0 = 0.0, y1 = ry;
    for (int32_t j = 0; j < r.dh; ++j) {
        uint8_t *p = oxImageGetAdr(&dst, r.dx, r.dy + j);
        double x0 = 0.0, x1 = rx;
        for (int32_t i = 0; i < r.dw; ++i) {
            store_fields(p, fb, sample_cell(src, r.sx, r.sy, x0, x1, y0, y1));
            p += bpp;
            x0 = x1;
            x1 = x1 + rx;
        }
        y0 = y1;
        y1 = y1 + ry;
    }
}

void half_size(const OxImageLockRec &dst, const OxImageLockRec &src) {
    const uint32_t bpp = static_cast<uint32_t>(src.header->bitCount) / 8;
    const FieldBytes fb = field_bytes(bpp);
    for (int32_t y = 0; y <= dst.maxY; ++y) {
        uint8_t *p = oxImageGetAdr(&dst, 0, y);
        for (int32_t x = 0; x <= dst.maxX; ++x) {
            const uint32_t q[4] = {oxImageGetPixel(&src, 2 * x, 2 * y), oxImageGetPixel(&src, 2 * x + 1, 2 * y),
                                   oxImageGetPixel(&src, 2 * x, 2 * y + 1),
                                   oxImageGetPixel(&src, 2 * x + 1, 2 * y + 1)};
            uint32_t v = 0;
            for (int f = 0; f < 4; ++f) {
                if (fb.pos[f] < 0) continue;
                uint32_t s = 0;
                for (uint32_t e : q) s += (e >> (8 * f)) & 0xFF;
                v |= (s >> 2) << (8 * f);
            }
            store_fields(p, fb, v);
            p += bpp;
        }
    }
}

}  // namespace plain

namespace {

// One destination column of area sampling: the source columns that its cell covers inside the image.
struct AreaColumn {
    int32_t x;      // first source column, absolute
    int32_t count;  // columns read (those at or beyond the image's width are dropped)
    double first;   // weight of the first column
    double last;    // weight of the last column read, when count > 1
    double width;   // x1 - x0
};

// Weights of [a0, a1) over unit cells as the reference builds them, in closed form: `count` cells from
// `start`, the first weighing `first`, the last `last`, all others 1.0.
struct CellWeights {
    int64_t start;
    int64_t count;
    double first;
    double last;
};

CellWeights span_of(double a0, double a1) {
    CellWeights s;
    s.start = static_cast<int64_t>(a0);
    const bool whole = a0 == std::trunc(a0);
    s.first = whole ? 1.0 : std::ceil(a0) - a0;
    const double e = whole ? a0 + 1.0 : std::ceil(a0);
    s.count = 1;
    s.last = s.first;
    if (a0 < a1) {
        if (e > a1) {
            s.first -= std::ceil(a1) - a1;
        } else {
            // Boundaries e, e + 1, ... up to ceil(a1); a whole a1 ends on a boundary with a full cell.
            s.count = static_cast<int64_t>(std::ceil(a1) - e) + 1;
            if (s.count > 1) s.last = a1 == std::trunc(a1) ? 1.0 : a1 - std::trunc(a1);
        }
    }
    return s;
}

// Cuts a span to the cells below `limit` (the image's width or height) from `offset`. The weight of the
// new last cell is 1.0 unless it is the first.
CellWeights clip_span(CellWeights s, int64_t offset, int64_t limit) {
    s.start += offset;
    const int64_t room = std::max<int64_t>(limit - s.start, 0);
    if (s.count > room) {
        s.count = room;
        s.last = 1.0;
    }
    return s;
}

// Bytes as doubles, looked up rather than converted: a load is cheaper than an integer conversion.
struct ByteValues {
    double v[256];
    constexpr ByteValues() : v() {
        for (int b = 0; b < 256; ++b) v[b] = b;
    }
    double operator[](uint8_t b) const { return v[b]; }
};
constexpr ByteValues kByteValue;

// Destination columns per column table: 1024 entries of 32 bytes keep the table at 32 KiB of stack; the
// windowed tables hold at most 512 x (4 + 8 x 8 + 8) bytes, 38 KiB.
constexpr int32_t kAreaColumns = 1024;
constexpr int32_t kWindowColumns = 512;

template <int SB, int DB>
class AreaSampler {
    static constexpr int F = SB == 1 ? 1 : SB;  // fields of a source pixel
    // Byte of each field in a source pixel, and in a destination pixel (-1: not stored).
    static constexpr int kSrcPos[4] = {SB == 4 ? 1 : 0, SB == 4 ? 2 : 1, SB == 4 ? 3 : 2, 0};
    static constexpr int kDstPos[4] = {DB == 4 ? 1 : 0, DB == 1 ? -1 : DB == 4 ? 2 : 1, DB == 1 ? -1 : DB == 4 ? 3 : 2,
                                       DB == 4 ? 0 : -1};

public:
    AreaSampler(const OxImageLockRec &dst, const OxImageLockRec &src, const ResampleRects &r)
        : dst_(dst), src_(src), r_(r), wide_(core::has_avx512vbmi()) {}

    void run() {
        const double rx = static_cast<double>(r_.sw) / r_.dw, ry = static_cast<double>(r_.sh) / r_.dh;
        // The widest cell (in source columns read) chooses the loop: narrow cells are all read through a
        // window of that many columns, a fixed-length loop with zero weights where a cell is narrower.
        const int64_t width = int64_t{src_.maxX} + 1;
        int64_t widest = 0;
        double x0 = 0.0, x1 = rx;
        for (int32_t i = 0; i < r_.dw; ++i) {
            widest = std::max(widest, clip_span(span_of(x0, x1), r_.sx, width).count);
            x0 = x1;
            x1 = x1 + rx;
        }
        switch (widest >= 1 && widest <= width ? widest : 0) {
        case 1: run_window<1>(rx, ry); break;
        case 2: run_window<2>(rx, ry); break;
        case 3: run_window<3>(rx, ry); break;
        case 4: run_window<4>(rx, ry); break;
        case 5: run_window<5>(rx, ry); break;
        case 6: run_window<6>(rx, ry); break;
        case 7: run_window<7>(rx, ry); break;
        case 8: run_window<8>(rx, ry); break;
        default: run_spans(rx, ry); break;
        }
    }

private:
    // Cells of any width: first, middle and last columns of each cell in turn.
    __attribute__((noinline)) void run_spans(double rx, double ry) {
        double x0 = 0.0, x1 = rx;
        for (int32_t i0 = 0; i0 < r_.dw; i0 += kAreaColumns) {
            const int32_t n = std::min(kAreaColumns, r_.dw - i0);
            AreaColumn cols[kAreaColumns];
            for (int32_t c = 0; c < n; ++c) {
                const CellWeights s = clip_span(span_of(x0, x1), r_.sx, int64_t{src_.maxX} + 1);
                cols[c] = {static_cast<int32_t>(s.start), static_cast<int32_t>(s.count), s.first, s.last, x1 - x0};
                x0 = x1;
                x1 = x1 + rx;
            }
            double y0 = 0.0, y1 = ry;
            for (int32_t j = 0; j < r_.dh; ++j) {
                row(j, clip_span(span_of(y0, y1), r_.sy, int64_t{src_.maxY} + 1), y1 - y0, cols, i0, n);
                y0 = y1;
                y1 = y1 + ry;
            }
        }
    }

    // Cells of at most K columns, each read through a window of K image columns that holds it. The
    // window's other columns weigh 0.0: they add +0.0 to sums that are never -0.0, which changes nothing,
    // so the sums stay those of the reference.
    template <int K>
    __attribute__((noinline)) void run_window(double rx, double ry) {
        const int64_t width = int64_t{src_.maxX} + 1;
        double x0 = 0.0, x1 = rx;
        for (int32_t i0 = 0; i0 < r_.dw; i0 += kWindowColumns) {
            const int32_t n = std::min(kWindowColumns, r_.dw - i0);
            int32_t xs[kWindowColumns];
            double weights[kWindowColumns * K];
            double widths[kWindowColumns];
            for (int32_t c = 0; c < n; ++c) {
                const CellWeights s = clip_span(span_of(x0, x1), r_.sx, width);
                const int64_t x = std::min<int64_t>(s.start, width - K);
                double *w = weights + c * K;
                std::fill(w, w + K, 0.0);
                for (int64_t k = 0; k < s.count; ++k)
                    w[s.start - x + k] = k == 0 ? s.first : k == s.count - 1 ? s.last : 1.0;
                xs[c] = static_cast<int32_t>(x);
                widths[c] = x1 - x0;
                x0 = x1;
                x1 = x1 + rx;
            }
            const void *groups = nullptr;
#if defined(__x86_64__)
            if constexpr (SB >= 3 && K * kSlices <= 16) {
                alignas(64) CellGroup<K> table[kWindowColumns / 8];
                if (wide_) {
                    make_groups<K>(table, xs, weights, widths, n);
                    groups = table;
                }
                window_rows<K>(ry, xs, weights, widths, i0, n, groups);
                continue;
            }
#endif
            window_rows<K>(ry, xs, weights, widths, i0, n, groups);
        }
    }

    template <int K>
    void window_rows(double ry, const int32_t *xs, const double *weights, const double *widths, int32_t i0,
                     int32_t n, const void *groups) {
        {
            double y0 = 0.0, y1 = ry;
            for (int32_t j = 0; j < r_.dh; ++j) {
                window_row<K>(j, clip_span(span_of(y0, y1), r_.sy, int64_t{src_.maxY} + 1), y1 - y0, xs, weights,
                              widths, i0, n, groups);
                y0 = y1;
                y1 = y1 + ry;
            }
        }
    }

    template <int K>
    void window_row(int32_t j, const CellWeights &rows, double height, const int32_t *xs, const double *weights,
                    const double *widths, int32_t i0, int32_t n, const void *groups) {
        uint8_t *out = row_ptr(dst_, r_.dy + j) + (static_cast<int64_t>(r_.dx) + i0) * DB;
        const uint8_t *first_row = row_ptr(src_, static_cast<int32_t>(rows.start));
        const int64_t stride = src_.rowBytes;
        int32_t c = 0;
#if defined(__x86_64__)
        if constexpr (SB >= 3 && K * kSlices <= 16) {
            if (groups != nullptr) {
                c = window_groups<K>(out, rows, height, static_cast<const CellGroup<K> *>(groups), n);
                out += static_cast<int64_t>(c) * DB;
            }
        }
#endif
        // Two cells at a time: their sums are independent chains of additions, which keeps the adders busy.
        for (; c + 2 <= n; c += 2, out += 2 * DB) {
            const double *wa = weights + c * K, *wb = wa + K;
            Sums a, b;
            const uint8_t *pa = first_row + int64_t{xs[c]} * SB, *pb = first_row + int64_t{xs[c + 1]} * SB;
            for (int64_t l = 0; l < rows.count; ++l, pa += stride, pb += stride) {
                const double wy = l == 0 ? rows.first : l == rows.count - 1 ? rows.last : 1.0;
                for (int k = 0; k < K; ++k) {
                    add(a, pa + k * SB, wy * wa[k]);
                    add(b, pb + k * SB, wy * wb[k]);
                }
            }
            store(out, a, widths[c] * height);
            store(out + DB, b, widths[c + 1] * height);
        }
        for (; c < n; ++c, out += DB) {
            const double *w = weights + c * K;
            Sums sum;
            const uint8_t *p = first_row + int64_t{xs[c]} * SB;
            for (int64_t l = 0; l < rows.count; ++l, p += stride) {
                const double wy = l == 0 ? rows.first : l == rows.count - 1 ? rows.last : 1.0;
                for (int k = 0; k < K; ++k) add(sum, p + k * SB, wy * w[k]);
            }
            store(out, sum, widths[c] * height);
        }
    }

#if defined(__x86_64__)
    // Eight cells at a time with AVX-512 (VBMI): a register of eight double lanes per field, one lane per
    // cell. For each source row the group's pixels are loaded once (up to 128 bytes from its first column)
    // and one byte permutation per 64 puts, for every column k of the window and field f, the eight cells'
    // bytes side by side. Each lane adds the same products in the same order as the scalar sums, and the
    // mean, limit and rounding are the same operations on doubles (a zero area divides by 1.0, which leaves
    // the sum as it is), so the bytes are the same.
    static constexpr int kSlices = (SB == 4 ? 4 : 3);  // bytes of a source pixel that fields are read from
    template <int K>
    struct CellGroup {
        uint8_t index[2][64];  // slice s = k x kSlices + f: byte 8 (s mod 8) + q of permutation s / 8 is cell q's
        double w[K][8];        // column weights, cell by cell
        double width[8];       // x1 - x0
        int32_t first;         // first source column of the group
        bool fits;             // its pixels lie within 128 bytes from there
    };

    // The groups of the n cells of a window table (whole groups of eight only).
    template <int K>
    static void make_groups(CellGroup<K> *groups, const int32_t *xs, const double *weights, const double *widths,
                            int32_t n) {
        for (int32_t g = 0; g < n / 8; ++g) {
            CellGroup<K> &gr = groups[g];
            const int32_t *x = xs + 8 * g;
            gr.first = x[0];
            gr.fits = true;
            for (int q = 0; q < 8; ++q) {
                gr.width[q] = widths[8 * g + q];
                for (int k = 0; k < K; ++k) gr.w[k][q] = weights[(8 * g + q) * K + k];
                gr.fits = gr.fits && x[q] >= x[0] && int64_t{x[q] - x[0] + K} * SB <= 128;
            }
            for (int s = 0; s < K * kSlices && s < 16; ++s)
                for (int q = 0; q < 8; ++q) {
                    const int k = s / kSlices, f = s % kSlices;
                    gr.index[s / 8][8 * (s % 8) + q] = static_cast<uint8_t>(((x[q] - x[0] + k) * SB + f) & 0x7F);
                }
        }
    }

    // The groups of one destination row; returns the cells done (whole groups that fit, from the first).
    // (GCC 12 takes the placeholder operands inside the AVX-512 intrinsics for uninitialised variables.)
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
    template <int K>
    __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi"))) int32_t window_groups(
        uint8_t *out, const CellWeights &rows, double height, const CellGroup<K> *groups, int32_t n) {
        static_assert(K * kSlices <= 16, "two permutations of 64 bytes hold at most 16 slices of 8");
        const int64_t stride = src_.rowBytes, row_bytes = (int64_t{src_.maxX} + 1) * SB;
        const uint8_t *first_row = row_ptr(src_, static_cast<int32_t>(rows.start));
        int32_t g = 0;
        for (; g < n / 8 && groups[g].fits; ++g, out += 8 * DB) {
            const CellGroup<K> &gr = groups[g];
            const __m512i i0 = _mm512_loadu_si512(gr.index[0]), i1 = _mm512_loadu_si512(gr.index[1]);
            // The group's bytes up to the row's end: no byte beyond it is read.
            const int64_t avail = row_bytes - int64_t{gr.first} * SB;
            const __mmask64 m0 = avail >= 64 ? ~0ull : (1ull << avail) - 1;
            const __mmask64 m1 = avail >= 128 ? ~0ull : avail <= 64 ? 0 : (1ull << (avail - 64)) - 1;
            __m512d acc[kSlices];
#pragma GCC unroll 4
            for (__m512d &a : acc) a = _mm512_setzero_pd();
            const uint8_t *p = first_row + int64_t{gr.first} * SB;
            alignas(64) uint8_t slices[128];
            for (int64_t l = 0; l < rows.count; ++l, p += stride) {
                const __m512d wy = _mm512_set1_pd(l == 0 ? rows.first : l == rows.count - 1 ? rows.last : 1.0);
                _mm_prefetch(reinterpret_cast<const char *>(p) + 512, _MM_HINT_T0);  // masked loads are not prefetched
                const __m512i a = _mm512_maskz_loadu_epi8(m0, p), b = _mm512_maskz_loadu_epi8(m1, p + 64);
                _mm512_store_si512(slices, _mm512_permutex2var_epi8(a, i0, b));
                if constexpr (K * kSlices > 8) _mm512_store_si512(slices + 64, _mm512_permutex2var_epi8(a, i1, b));
#pragma GCC unroll 8
                for (int k = 0; k < K; ++k) {
                    const __m512d w = _mm512_mul_pd(wy, _mm512_loadu_pd(gr.w[k]));
#pragma GCC unroll 4
                    for (int f = 0; f < kSlices; ++f) {
                        const auto *slice = reinterpret_cast<const __m128i *>(slices + 8 * (k * kSlices + f));
                        const __m128i bytes = _mm_loadl_epi64(slice);
                        const __m512d v = _mm512_cvtepi64_pd(_mm512_cvtepu8_epi64(bytes));
                        acc[f] = _mm512_add_pd(acc[f], _mm512_mul_pd(v, w));
                    }
                }
            }
            // Mean, limit and rounding per field, eight cells at a time.
            __m512d area = _mm512_mul_pd(_mm512_loadu_pd(gr.width), _mm512_set1_pd(height));
            area = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(area, _mm512_setzero_pd(), _CMP_EQ_OQ), area,
                                        _mm512_set1_pd(1.0));
            alignas(32) int32_t value[kSlices][8];
#pragma GCC unroll 4
            for (int f = 0; f < kSlices; ++f) {
                const __m512d mean = _mm512_min_pd(_mm512_div_pd(acc[f], area), _mm512_set1_pd(255.0));
                const __m256i whole = _mm512_cvttpd_epi32(mean);
                const __m512d frac =
                    _mm512_mul_pd(_mm512_sub_pd(mean, _mm512_cvtepi32_pd(whole)), _mm512_set1_pd(1000.0));
                const __mmask8 up = _mm512_cmp_pd_mask(frac, _mm512_set1_pd(500.5), _CMP_GE_OQ);
                _mm256_store_si256(reinterpret_cast<__m256i *>(value[f]),
                                   _mm256_mask_add_epi32(whole, up, whole, _mm256_set1_epi32(1)));
            }
            for (int q = 0; q < 8; ++q) {
                uint32_t v = 0;
                for (int f = 0; f < F; ++f) v |= static_cast<uint32_t>(value[kSrcPos[f]][q]) << (8 * f);
                for (int f = 0; f < 4; ++f)
                    if (kDstPos[f] >= 0) out[q * DB + kDstPos[f]] = static_cast<uint8_t>(v >> (8 * f));
            }
        }
        return 8 * g;
    }
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

    // The sums of one cell, one per field of the source, kept in registers.
    struct Sums {
        double f0 = 0.0, f1 = 0.0, f2 = 0.0, f3 = 0.0;
    };

    static void add(Sums &s, const uint8_t *p, double w) {
        s.f0 += kByteValue[p[kSrcPos[0]]] * w;
        if constexpr (F >= 3) {
            s.f1 += kByteValue[p[kSrcPos[1]]] * w;
            s.f2 += kByteValue[p[kSrcPos[2]]] * w;
        }
        if constexpr (F == 4) s.f3 += kByteValue[p[kSrcPos[3]]] * w;
    }

    // oxDouble2Int of the mean, as the reference forms it: divided by a non-zero area, limited to 255.
    static uint32_t field(double s, double area) {
        if (area != 0.0) s = s / area;
        if (s > 255.0) s = 255.0;
        return static_cast<uint32_t>(round_mean(s));
    }

    void row(int32_t j, const CellWeights &rows, double height, const AreaColumn *cols, int32_t i0, int32_t n) {
        uint8_t *out = row_ptr(dst_, r_.dy + j) + (static_cast<int64_t>(r_.dx) + i0) * DB;
        const uint8_t *first_row = row_ptr(src_, static_cast<int32_t>(rows.start));
        const int64_t stride = src_.rowBytes;
        for (int32_t c = 0; c < n; ++c, out += DB) {
            const AreaColumn &col = cols[c];
            Sums sum;
            if (col.count >= 1) {
                const uint8_t *p = first_row + int64_t{col.x} * SB;
                for (int64_t l = 0; l < rows.count; ++l, p += stride) {
                    const double wy = l == 0 ? rows.first : l == rows.count - 1 ? rows.last : 1.0;
                    add(sum, p, wy * col.first);
                    int32_t k = 1;
                    for (; k < col.count - 1; ++k) add(sum, p + k * SB, wy);  // wy * 1.0
                    if (k < col.count) add(sum, p + k * SB, wy * col.last);
                }
            }
            store(out, sum, col.width * height);
        }
    }

    // The cell's value from its sums, stored in the destination's byte layout.
    static void store(uint8_t *out, const Sums &sum, double area) {
        uint32_t v = field(sum.f0, area);
        if constexpr (F >= 3) v |= field(sum.f1, area) << 8 | field(sum.f2, area) << 16;
        if constexpr (F == 4) v |= field(sum.f3, area) << 24;
        for (int f = 0; f < 4; ++f)
            if (kDstPos[f] >= 0) out[kDstPos[f]] = static_cast<uint8_t>(v >> (8 * f));
    }

    const OxImageLockRec &dst_;
    const OxImageLockRec &src_;
    const ResampleRects r_;
    const bool wide_;  // the AVX-512 cells may run
};

// Vectors of the compiler's portable vector extension for the half-size rows.
typedef uint8_t U8x8 __attribute__((vector_size(8)));
typedef uint8_t U8x16 __attribute__((vector_size(16)));
typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef uint64_t U64x2 __attribute__((vector_size(16)));

template <class V>
V load(const uint8_t *p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline U16x8 widen(const uint8_t *p) { return __builtin_convertvector(load<U8x8>(p), U16x8); }

inline void store_narrow(uint8_t *p, U16x8 v) {
    const U8x8 b = __builtin_convertvector(v, U8x8);
    std::memcpy(p, &b, sizeof b);
}

// Destination bytes [0, n) of one row from source rows a and b, eight at a time where the vectors reach;
// returns how many were done.
template <int B>
int64_t half_size_vector(uint8_t *out, const uint8_t *a, const uint8_t *b, int64_t n) {
    int64_t e = 0;
    if constexpr (B == 1) {
        // Sixteen source bytes give eight: even and odd bytes as the halves of 16-bit lanes.
        for (; e + 8 <= n; e += 8) {
            const U16x8 x = load<U16x8>(a + 2 * e), y = load<U16x8>(b + 2 * e);
            store_narrow(out + e, ((x & 0xFF) + (x >> 8) + (y & 0xFF) + (y >> 8)) >> 2);
        }
    } else if constexpr (B == 4) {
        // Two source pixels per destination pixel; each 16-bit vector holds two pixels of four bytes.
        for (; e + 8 <= n; e += 8) {
            const U16x8 lo = widen(a + 2 * e) + widen(b + 2 * e), hi = widen(a + 2 * e + 8) + widen(b + 2 * e + 8);
            // Even pixels (the low halves) plus odd pixels (the high halves).
            const U64x2 l = (U64x2)lo, h = (U64x2)hi;  // vector casts keep the bits
            const U64x2 even = {l[0], h[0]}, odd = {l[1], h[1]};
            store_narrow(out + e, ((U16x8)even + (U16x8)odd) >> 2);
        }
    } else {
        // Three-byte pixels do not fall on vector lanes: first every source byte position i gets the mean
        // of a[i], a[i + 3], b[i], b[i + 3] eight at a time, then the three of each six that start a
        // destination pixel are kept. A chunk of the row at a time, through a buffer on the stack.
        constexpr int64_t kPixels = 512;
        uint8_t means[6 * kPixels];
        while (e < n) {
            const int64_t pixels = std::min(kPixels, (n - e) / 3);
            const int64_t m = 6 * pixels - 3;  // positions with a right neighbour in the chunk
            int64_t i = 0;
            for (; i + 8 <= m; i += 8)
                store_narrow(means + i, (widen(a + i) + widen(a + i + 3) + widen(b + i) + widen(b + i + 3)) >> 2);
            for (; i < m; ++i) means[i] = static_cast<uint8_t>((a[i] + a[i + 3] + b[i] + b[i + 3]) >> 2);
            for (int64_t x = 0; x < pixels; ++x) std::memcpy(out + e + 3 * x, means + 6 * x, 3);
            e += 3 * pixels;
            a += 6 * pixels;
            b += 6 * pixels;
        }
    }
    return e;
}

template <int B>
void half_size_rows(const OxImageLockRec &dst, const OxImageLockRec &src) {
    const int64_t bytes = (int64_t{dst.maxX} + 1) * B;
    for (int32_t y = 0; y <= dst.maxY; ++y) {
        const uint8_t *a = row_ptr(src, 2 * y), *b = row_ptr(src, 2 * y + 1);
        uint8_t *out = row_ptr(dst, y);
        int64_t e = half_size_vector<B>(out, a, b, bytes);
        for (; e < bytes; e += B) {
            const uint8_t *p = a + 2 * e, *q = b + 2 * e;
            for (int c = 0; c < B; ++c) out[e + c] = static_cast<uint8_t>((p[c] + p[c + B] + q[c] + q[c + B]) >> 2);
        }
    }
}

template <class F>
void dispatch_bytes(int32_t bit_count, F &&f) {
    switch (bit_count) {
    case 8: f(std::integral_constant<int, 1>{}); break;
    case 24: f(std::integral_constant<int, 3>{}); break;
    case 32: f(std::integral_constant<int, 4>{}); break;
    default: break;
    }
}

}  // namespace

void area_sample(const OxImageLockRec &dst, const OxImageLockRec &src, const ResampleRects &r) {
    dispatch_bytes(src.header->bitCount, [&](auto s) {
        dispatch_bytes(dst.header->bitCount,
                       [&](auto d) { AreaSampler<decltype(s)::value, decltype(d)::value>(dst, src, r).run(); });
    });
}

void half_size(const OxImageLockRec &dst, const OxImageLockRec &src) {
    dispatch_bytes(src.header->bitCount, [&](auto b) { half_size_rows<decltype(b)::value>(dst, src); });
}

}  // namespace ox::image
