// The drawing behind oxImageDraw: the image's source rectangle scaled into the destination rectangle as
// 128 x 128 tiles of 24-bit bottom-up DIB rows, each given to a sink; or the pixels those tiles would give,
// written straight into a 32-bit surface. win/image_draw.cpp binds both to a device context.
//
// A row of pixels is built from a table of its columns' source columns (one division per column, not per
// pixel) by the row kernels of draw_rows.h; a row whose source row is the one of the row built before it
// is a copy of that row. Tile rows are built bottom-up, so the stores that run past a row only touch
// bytes built later.
#include "image/draw.h"

#include <algorithm>
#include <cstring>

#include "core/cpu.h"
#include "image/draw_rows.h"
#include "image/image_record.h"
#include "image/pixel.h"
#include "image/row_walk.h"

namespace ox::image {

namespace {

using namespace draw_rows;

// The tile buffer, with room for the scratch bytes that the last row's stores may write after it.
struct TileBuffer {
    alignas(32) uint8_t bytes[kTileBytes + 32];
};

// A tile's place in the destination.
struct TileRect {
    int64_t tx, ty;
    int32_t tw, th;
};

// The bytes [first, last) of each source row that a run of destination columns reads, from the row's start.
struct ByteRange {
    std::size_t first = 0, last = 0;
};

// The sampling of a run of at most a tile's width of destination columns (offsets tx to tx + tw - 1), the
// same in every row: the source column of each pixel, the second column a reduction reads, the plan of
// the AVX2 gathers, and whether the AVX2 enlargement by 2 applies (the run starts on a pixel pair).
struct ColumnPlan {
    int64_t tx = 0;
    int32_t tw = 0;
    ByteRange span;
    bool doubled = false;
    int32_t xs[kTileSide], xs2[kTileSide];
    GatherPlan gather;
};

// Builds rows of pixels for one call, depth and gray setting, as 3-byte tile pixels (Out = 3) or surface
// words (Out = 4): a column run's part of one destination row at a time, from the source row that the
// destination row samples.
template <int Bits, bool Gray, int Out>
class RowBuilder {
public:
    RowBuilder(const OxImageLockRec &l, const DrawPlan &p, bool avx2)
        : l_(l), p_(p), d_(p.factor / 2), avx2_(avx2 && Bits >= 24) {
        if (avx2_ && p.way == DrawWay::reduce) reduce_ = make_reduce_plan<Bits, Gray>(p.factor, d_);
    }

    int32_t source_row(int64_t Y) const { return static_cast<int32_t>(p_.sy + Y * p_.sh / p_.dh); }

    ByteRange source_span(int64_t tx, int32_t tw) const {
        const int64_t x0 = p_.sx + tx * p_.sw / p_.dw;
        const int64_t x1 = p_.sx + (tx + tw - 1) * p_.sw / p_.dw + (p_.way == DrawWay::reduce ? d_ : 0);
        return {static_cast<std::size_t>(x0 * Bits / 8), static_cast<std::size_t>((x1 + 1) * Bits / 8 + 1)};
    }

    // Source columns by a running quotient and remainder of (tx + i) * sw / dw: one division per column
    // run, not per pixel.
    void plan_columns(int64_t tx, int32_t tw, ColumnPlan *c) const {
        c->tx = tx;
        c->tw = tw;
        c->span = source_span(tx, tw);
        c->doubled = avx2_ && p_.way == DrawWay::enlarge && p_.factor == 2 && tx % 2 == 0;
        const int64_t start = tx * p_.sw;
        int64_t q = start / p_.dw, rem = start % p_.dw;
        const int64_t step_q = p_.sw / p_.dw, step_r = p_.sw % p_.dw;
        for (int32_t i = 0; i < tw; ++i) {
            c->xs[i] = static_cast<int32_t>(p_.sx + q);
            c->xs2[i] = c->xs[i] + d_;
            q += step_q;
            rem += step_r;
            if (rem >= p_.dw) {
                rem -= p_.dw;
                ++q;
            }
        }
        const bool gathers = p_.way == DrawWay::nearest || (p_.way == DrawWay::enlarge && !c->doubled);
        if (avx2_ && gathers) make_gather_plan<Bits, Gray, Out>(c->xs, tw, width(), &c->gather);
    }

    // The run's pixels of source row y at `out`. Tile pixels may be stored up to 32 bytes past the run;
    // surface words exactly.
    void build(const ColumnPlan &c, int32_t y, uint8_t *out) const {
        const uint8_t *src = row_ptr(l_, y);
        const int32_t *xs = c.xs, tw = c.tw;
        if constexpr (Bits >= 24) {
            constexpr int64_t B = Bits / 8;
            if (p_.way == DrawWay::reduce) {
                const uint8_t *below = row_ptr(l_, y + d_);
                if (avx2_ && reduce_.per_half)
                    reduce_row_avx2<Bits, Gray, Out>(reduce_, src, below, xs, c.xs2, tw, B * (width() - xs[0]), out);
                else
                    reduce_row<Bits, Gray, Out>(src, below, xs, c.xs2, tw, out);
                return;
            }
            if (p_.way == DrawWay::one_to_one) {
                if (avx2_)
                    copy_row_avx2<Bits, Gray, Out>(src + B * xs[0], tw, out);
                else
                    copy_row<Bits, Gray, Out>(src + B * xs[0], tw, out);
                return;
            }
            if (c.doubled) {
                double_row_avx2<Bits, Gray, Out>(src + B * xs[0], xs, tw, out);
                return;
            }
            if (avx2_) {
                gather_row_avx2<Bits, Gray, Out>(c.gather, src, xs, tw, out);
                return;
            }
        }
        gather_row<Bits, Gray, Out>(src, xs, tw, out);
    }

    // Asks for the lines of source row y (and of the row a reduction reads with it) that `span` covers,
    // once per source row. A tile's source rows lie a whole image row apart, too many short runs for the
    // processor to see coming. Enlargements are left alone (their few source rows stay in the cache), as
    // are rows sampled so sparsely that they span more than 64 lines.
    void prefetch(const ByteRange &span, int32_t y) {
        if (p_.way == DrawWay::enlarge || y == prefetched_ || span.last - span.first > 64 * 64) return;
        prefetched_ = y;
        prefetch_span<false>(row_ptr(l_, y) + span.first, span.last - span.first);
        if (p_.way == DrawWay::reduce) prefetch_span<false>(row_ptr(l_, y + d_) + span.first, span.last - span.first);
    }
    // The same without the once-per-row check, for callers that ask for several spans of a row.
    void prefetch_part(const ByteRange &span, int32_t y) {
        prefetched_ = -1;
        prefetch(span, y);
    }

private:
    int32_t width() const { return l_.header->width; }

    const OxImageLockRec &l_;
    const DrawPlan &p_;
    const int32_t d_;
    const bool avx2_;  // the AVX2 kernels (24- and 32-bit images only)
    ReducePlan reduce_;
    int32_t prefetched_ = -1;  // the source row asked for last
};

// The range [first, last) of tile indices of a destination side of `size` pixels from `origin` whose
// tiles meet [lo, hi) of the device.
void tile_range(int64_t origin, int64_t size, int64_t lo, int64_t hi, int64_t *first, int64_t *last) {
    const int64_t count = (size + kTileSide - 1) / kTileSide;
    const auto floor_div = [](int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    *first = std::clamp<int64_t>(floor_div(lo - origin, kTileSide), 0, count);
    *last = std::clamp<int64_t>(floor_div(hi - origin + kTileSide - 1, kTileSide), *first, count);
}

// Rows of a tile ask for the source lines of the row built kAhead rows later, the last rows for those of
// the first rows of the next tile.
constexpr int32_t kAhead = 8;

template <int Bits, bool Gray>
void draw_tiles(const OxImageLockRec &l, const DrawArgs &a, const DrawPlan &p, const OxRect *visible, bool avx2,
                TileSink sink, void *context) {
    int64_t c0 = 0, c1 = (int64_t{p.dw} + kTileSide - 1) / kTileSide;
    int64_t r0 = 0, r1 = (int64_t{p.dh} + kTileSide - 1) / kTileSide;
    if (visible) {
        tile_range(a.dx, p.dw, visible->left, visible->right, &c0, &c1);
        tile_range(a.dy, p.dh, visible->top, visible->bottom, &r0, &r1);
    }
    TileBuffer buffer;
    ColumnPlan columns;
    RowBuilder<Bits, Gray, 3> builder(l, p, avx2);
    const auto tile_at = [&](int64_t r, int64_t c) {
        const int64_t ty = r * kTileSide, tx = c * kTileSide;
        return TileRect{tx, ty, static_cast<int32_t>(std::min<int64_t>(kTileSide, p.dw - tx)),
                        static_cast<int32_t>(std::min<int64_t>(kTileSide, p.dh - ty))};
    };
    for (int64_t r = r0; r < r1; ++r) {
        for (int64_t c = c0; c < c1; ++c) {
            const TileRect t = tile_at(r, c);
            const bool last = c + 1 == c1 && r + 1 == r1;
            const TileRect next = last ? TileRect{} : c + 1 < c1 ? tile_at(r, c + 1) : tile_at(r + 1, c0);
            builder.plan_columns(t.tx, t.tw, &columns);
            const ByteRange there = last ? ByteRange{} : builder.source_span(next.tx, next.tw);
            int32_t below = -1;              // source row of the tile row built last (the one below)
            const uint8_t *built = nullptr;  // that tile row
            for (int32_t j = t.th - 1; j >= 0; --j) {
                if (j >= kAhead)
                    builder.prefetch(columns.span, builder.source_row(t.ty + j - kAhead));
                else if (!last && next.th + j - kAhead >= 0)
                    builder.prefetch(there, builder.source_row(next.ty + next.th + j - kAhead));
                uint8_t *row = buffer.bytes + static_cast<std::size_t>(t.th - 1 - j) * kTileRowBytes;
                const int32_t y = builder.source_row(t.ty + j);
                if (built != nullptr && y == below) {
                    std::memcpy(row, built, 3 * static_cast<std::size_t>(t.tw));
                } else {
                    builder.build(columns, y, row);
                    below = y;
                }
                built = row;
            }
            sink(context, Tile{static_cast<int32_t>(a.dx + t.tx), static_cast<int32_t>(a.dy + t.ty), t.tw, t.th,
                               buffer.bytes, p.way == DrawWay::enlarge ? 0u : 1u});
        }
    }
}

// Tile columns whose sampling draw_into keeps at once: 2048 destination pixels, about 37 KB of plans.
constexpr int32_t kStripTiles = 16;

// The destination offsets [x0, x1) x [y0, y1) of a call that land on a surface.
struct Visible {
    int64_t x0, x1, y0, y1;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// Straight into a surface, row by row across strips of up to kStripTiles tile columns (cut to what lands
// on the surface). Each column run of a destination row is built straight into the surface's words after
// asking for the run's span of the next source row; a row that samples the source row of the one above is
// a copy of it. The source is read a strip row at a time, which the processor streams well, and the
// pixels do not pass through a tile buffer.
template <int Bits, bool Gray>
void draw_into(const OxImageLockRec &l, const DrawArgs &a, const DrawPlan &p, const SurfaceTarget &s, bool avx2) {
    const Visible v{std::max<int64_t>(0, -int64_t{a.dx}), std::min<int64_t>(p.dw, int64_t{s.width} - a.dx),
                    std::max<int64_t>(0, -int64_t{a.dy}), std::min<int64_t>(p.dh, int64_t{s.height} - a.dy)};
    if (v.empty()) return;
    RowBuilder<Bits, Gray, 4> builder(l, p, avx2);
    ColumnPlan columns[kStripTiles];
    for (int64_t c = v.x0 / kTileSide; c * kTileSide < v.x1; c += kStripTiles) {
        int32_t n = 0;
        for (; n < kStripTiles && (c + n) * kTileSide < v.x1; ++n) {
            const int64_t from = std::max(v.x0, (c + n) * kTileSide), to = std::min(v.x1, (c + n + 1) * kTileSide);
            builder.plan_columns(from, static_cast<int32_t>(to - from), &columns[n]);
        }
        // The strip's bytes in a surface row, and each run's first byte there.
        const int64_t lo = 4 * (a.dx + columns[0].tx);
        const int64_t bytes = 4 * (a.dx + columns[n - 1].tx + columns[n - 1].tw) - lo;
        int32_t above = -1;  // source row of the destination row above
        for (int64_t Y = v.y0; Y < v.y1; ++Y) {
            uint8_t *row = s.pixels + static_cast<std::size_t>(a.dy + Y) * s.stride;
            const int32_t y = builder.source_row(Y);
            if (y == above) {
                std::memcpy(row + lo, row - s.stride + lo, static_cast<std::size_t>(bytes));
                continue;
            }
            const int32_t next = Y + 1 < v.y1 ? builder.source_row(Y + 1) : y;
            for (int32_t k = 0; k < n; ++k) {
                if (next != y) builder.prefetch_part(columns[k].span, next);
                builder.build(columns[k], y, row + 4 * (a.dx + columns[k].tx));
            }
            above = y;
        }
    }
}

// Runs f.template operator()<Bits, Gray>(wide) for the image's depth and gray setting; `wide` says whether
// the AVX2 kernels may run.
template <class F>
void by_depth(const OxImageHeader &h, const DrawArgs &a, F f) {
    const bool avx2 = core::has_avx2();
    switch (h.bitCount) {
    case 1: f.template operator()<1, false>(false); break;
    case 8: f.template operator()<8, false>(false); break;
    case 24: f.template operator()<24, false>(avx2); break;
    case 32:
        if (a.gray)
            f.template operator()<32, true>(avx2);
        else
            f.template operator()<32, false>(avx2);
        break;
    default: break;
    }
}

}  // namespace

int32_t image_draw_visible(const DrawArgs &a, const OxRect *visible, TileSink sink, void *context) {
    ScopedImageLock img(a.image);
    if (!img.ok()) return 0;
    DrawPlan p;
    const PlanResult r = plan_draw(a, img.header(), &p);
    if (r != PlanResult::draw) return r == PlanResult::refuse ? 0 : 1;
    by_depth(img.header(), a, [&]<int Bits, bool Gray>(bool avx2) {
        draw_tiles<Bits, Gray>(img.rec(), a, p, visible, avx2, sink, context);
    });
    return 1;
}

int32_t image_draw(const DrawArgs &a, TileSink sink, void *context) {
    return image_draw_visible(a, nullptr, sink, context);
}

int32_t image_draw_into(const DrawArgs &a, const SurfaceTarget &target) {
    ScopedImageLock img(a.image);
    if (!img.ok()) return 0;
    DrawPlan p;
    const PlanResult r = plan_draw(a, img.header(), &p);
    if (r != PlanResult::draw) return r == PlanResult::refuse ? 0 : 1;
    by_depth(img.header(), a,
             [&]<int Bits, bool Gray>(bool avx2) { draw_into<Bits, Gray>(img.rec(), a, p, target, avx2); });
    return 1;
}

}  // namespace ox::image
