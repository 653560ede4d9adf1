// oxImageDraw: the image's source rectangle scaled into the destination rectangle as 128 x 128 tiles of
// 24-bit bottom-up DIB rows, each put on the device context with one DIB transfer.
//
// A tile row is built from a table of the tile's source columns (one division per column, not per
// pixel); a row whose source row is the one of the row below it is a copy of that row. Rows are built
// bottom-up, so the 4-byte stores that run one byte past a pixel only touch bytes built later.
// oxImageDraw: the image's source rectangle scaled into the destination rectangle as 128 x 128 tiles of
// 24-bit bottom-up DIB rows, each put on the device context with one DIB transfer.
//
// A tile row is built from a table of the tile's source columns (one division per column, not per
// pixel) by the row kernels of draw_rows.h; a row whose source row is the one of the row below it is a
// copy of that row. Rows are built bottom-up, so the stores that run past a row only touch bytes built
// later.
#include "image/draw.h"

#include <algorithm>
#include <cstring>

#include "image/draw_rows.h"
#include "image/image_record.h"
#include "image/pixel.h"
#include "image/row_walk.h"
#include "platform/gdi.h"

namespace ox::image {

namespace draw_rows {
#if OX_DRAW_X86
bool avx2_available() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#else
bool avx2_available() { return false; }
#endif
}  // namespace draw_rows

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

// The tiles of one call, for one depth and gray setting.
template <int Bits, bool Gray>
class TileBuilder {
public:
    TileBuilder(const OxImageLockRec &l, const DrawPlan &p, bool avx2)
        : l_(l), p_(p), d_(p.factor / 2), avx2_(avx2 && Bits >= 24) {
        if (avx2_ && p.way == DrawWay::reduce) reduce_ = make_reduce_plan<Bits, Gray>(p.factor, d_);
    }

    // Builds tile `t` into `buffer`. A tile's source rows lie a whole image row apart, too many short
    // runs for the processor to see coming: each row asks for the source lines of the row built
    // kAhead rows later, the last rows for those of the first rows of tile `next` (if any).
    void build(const TileRect &t, const TileRect *next, uint8_t *buffer) {
        int32_t xs[kTileSide], xs2[kTileSide];
        columns(t, xs, xs2);
        const Span here = source_span(t), there = next ? source_span(*next) : Span{};
        const bool doubles = avx2_ && p_.way == DrawWay::enlarge && p_.factor == 2;
        const bool gathers = p_.way == DrawWay::nearest || (p_.way == DrawWay::enlarge && !doubles);
        if (avx2_ && gathers) make_gather_plan<Bits, Gray>(xs, t.tw, width(), &gather_);
        int32_t below = -1;          // source row of the tile row built last (the one below)
        const uint8_t *built = nullptr;  // that tile row
        for (int32_t j = t.th - 1; j >= 0; --j) {
            if (j >= kAhead)
                prefetch_row(t, here, j - kAhead);
            else if (next && next->th + j - kAhead >= 0)
                prefetch_row(*next, there, next->th + j - kAhead);
            uint8_t *row = buffer + static_cast<std::size_t>(t.th - 1 - j) * kTileRowBytes;
            const int32_t y = source_row(t.ty + j);
            if (built != nullptr && y == below) {
                std::memcpy(row, built, 3 * static_cast<std::size_t>(t.tw));
                built = row;
                continue;
            }
            below = y;
            built = row;
            const uint8_t *src = row_ptr(l_, y);
            if constexpr (Bits >= 24) {
                constexpr int64_t B = Bits / 8;
                if (p_.way == DrawWay::reduce) {
                    const uint8_t *below_src = row_ptr(l_, y + d_);
                    if (avx2_ && reduce_.per_half)
                        reduce_row_avx2<Bits, Gray>(reduce_, src, below_src, xs, xs2, t.tw, B * (width() - xs[0]), row);
                    else
                        reduce_row<Bits, Gray>(src, below_src, xs, xs2, t.tw, row);
                    continue;
                }
                if (p_.way == DrawWay::one_to_one) {
                    const uint8_t *s = src + B * xs[0];
                    if (avx2_)
                        copy_row_avx2<Bits, Gray>(s, t.tw, row);
                    else
                        copy_row<Bits, Gray>(s, t.tw, row);
                    continue;
                }
                if (doubles) {
                    double_row_avx2<Bits, Gray>(src + B * xs[0], xs, t.tw, row);
                    continue;
                }
                if (avx2_) {
                    gather_row_avx2<Bits, Gray>(gather_, src, xs, t.tw, row);
                    continue;
                }
            }
            gather_row<Bits, Gray>(src, xs, t.tw, row);
        }
    }

private:
    int32_t width() const { return l_.header->width; }
    int32_t source_row(int64_t Y) const { return static_cast<int32_t>(p_.sy + Y * p_.sh / p_.dh); }

    // Source columns of the tile by a running quotient and remainder of (tx + i) * sw / dw.
    void columns(const TileRect &t, int32_t *xs, int32_t *xs2) const {
        const int64_t start = t.tx * p_.sw;
        int64_t q = start / p_.dw, rem = start % p_.dw;
        const int64_t step_q = p_.sw / p_.dw, step_r = p_.sw % p_.dw;
        for (int32_t i = 0; i < t.tw; ++i) {
            xs[i] = static_cast<int32_t>(p_.sx + q);
            xs2[i] = xs[i] + d_;
            q += step_q;
            rem += step_r;
            if (rem >= p_.dw) {
                rem -= p_.dw;
                ++q;
            }
        }
    }

    static constexpr int32_t kAhead = 8;

    // The bytes [first, last) of each source row that tile t reads, from the row's start.
    struct Span {
        std::size_t first = 0, last = 0;
    };
    Span source_span(const TileRect &t) const {
        const int64_t x0 = p_.sx + t.tx * p_.sw / p_.dw;
        const int64_t x1 = p_.sx + (t.tx + t.tw - 1) * p_.sw / p_.dw + (p_.way == DrawWay::reduce ? d_ : 0);
        return {static_cast<std::size_t>(x0 * Bits / 8), static_cast<std::size_t>((x1 + 1) * Bits / 8 + 1)};
    }
    // Asks for the source lines of tile row j of t, once per source row. Enlargements are left alone
    // (their few source rows stay in the cache), as are rows sampled so sparsely that they span more than
    // 64 lines.
    void prefetch_row(const TileRect &t, const Span &span, int32_t j) {
        const int32_t y = source_row(t.ty + j);
        if (p_.way == DrawWay::enlarge || y == prefetched_ || span.last - span.first > 64 * 64) return;
        prefetched_ = y;
        prefetch_lines(row_ptr(l_, y), span);
        if (p_.way == DrawWay::reduce) prefetch_lines(row_ptr(l_, y + d_), span);
    }
    static void prefetch_lines(const uint8_t *row, const Span &span) {
        prefetch_span<false>(row + span.first, span.last - span.first);
    }

    const OxImageLockRec &l_;
    const DrawPlan &p_;
    const int32_t d_;
    const bool avx2_;  // the AVX2 kernels (24- and 32-bit images only)
    ReducePlan reduce_;
    GatherPlan gather_;       // the current tile's
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
    TileBuilder<Bits, Gray> builder(l, p, avx2);
    const auto tile_at = [&](int64_t r, int64_t c) {
        const int64_t ty = r * kTileSide, tx = c * kTileSide;
        return TileRect{tx, ty, static_cast<int32_t>(std::min<int64_t>(kTileSide, p.dw - tx)),
                        static_cast<int32_t>(std::min<int64_t>(kTileSide, p.dh - ty))};
    };
    for (int64_t r = r0; r < r1; ++r) {
        for (int64_t c = c0; c < c1; ++c) {
            const TileRect t = tile_at(r, c);
            TileRect next;
            const bool last = c + 1 == c1 && r + 1 == r1;
            if (!last) next = c + 1 < c1 ? tile_at(r, c + 1) : tile_at(r + 1, c0);
            builder.build(t, last ? nullptr : &next, buffer.bytes);
            sink(context, Tile{static_cast<int32_t>(a.dx + t.tx), static_cast<int32_t>(a.dy + t.ty), t.tw, t.th,
                               buffer.bytes, p.way == DrawWay::enlarge ? 0u : 1u});
        }
    }
}

}  // namespace

int32_t image_draw_with(const DrawArgs &a, const OxRect *visible, DrawKernels kernels, TileSink sink, void *context) {
    ScopedImageLock img(a.image);
    if (!img.ok()) return 0;
    DrawPlan p;
    const PlanResult r = plan_draw(a, img.header(), &p);
    if (r != PlanResult::draw) return r == PlanResult::refuse ? 0 : 1;
    const OxImageLockRec &l = img.rec();
    const bool avx2 = kernels != DrawKernels::portable && avx2_available();
    switch (img.header().bitCount) {
    case 1: draw_tiles<1, false>(l, a, p, visible, false, sink, context); break;
    case 8: draw_tiles<8, false>(l, a, p, visible, false, sink, context); break;
    case 24: draw_tiles<24, false>(l, a, p, visible, avx2, sink, context); break;
    case 32:
        if (a.gray)
            draw_tiles<32, true>(l, a, p, visible, avx2, sink, context);
        else
            draw_tiles<32, false>(l, a, p, visible, avx2, sink, context);
        break;
    default: break;
    }
    return 1;
}

int32_t image_draw_visible(const DrawArgs &a, const OxRect *visible, TileSink sink, void *context) {
    return image_draw_with(a, visible, DrawKernels::best, sink, context);
}

int32_t image_draw(const DrawArgs &a, TileSink sink, void *context) {
    return image_draw_visible(a, nullptr, sink, context);
}

bool draw_avx2_available() { return avx2_available(); }

}  // namespace ox::image

using namespace ox::image;

namespace {

// Puts a tile on the context: the tile's rows as a bottom-up 24-bit DIB 128 pixels wide and `height`
// rows high, its lowest rows the tile's (scan lines 0 to height - 1), drawn without scaling.
void put_tile(void *context, const Tile &t) {
    ox::platform::DibView view;
    view.width = kTileSide;
    view.height = t.height;
    view.bit_count = 24;
    view.bits = t.bits;
    view.bits_size = static_cast<std::size_t>(t.height) * kTileRowBytes;
    ox::platform::set_dib_bits_to_device(*static_cast<const OxwDC *>(context), t.x, t.y, t.width, t.height, 0, 0, view);
}

}  // namespace

extern "C" {

OX_API int32_t oxImageDraw(uintptr_t dc, int32_t dx, int32_t dy, int32_t dw, int32_t dh, OxHandle image, int32_t sx,
                           int32_t sy, int32_t sw, int32_t sh, uint32_t grayFlag) {
    const DrawArgs args{dx, dy, dw, dh, image, sx, sy, sw, sh, grayFlag};
    // Tiles that miss the context's pixels would put nothing there; a context without pixels gets none.
    int32_t w = 0, h = 0;
    ox::platform::get_dc_size(dc, &w, &h);
    const OxRect visible{0, 0, w, h};
    OxwDC target = dc;
    return image_draw_visible(args, &visible, put_tile, &target);
}

}  // extern "C"
