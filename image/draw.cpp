// oxImageDraw: the image's source rectangle scaled into the destination rectangle as 128 x 128 tiles of
// 24-bit bottom-up DIB rows, each put on the device context with one DIB transfer.
//
// A tile row is built from a table of the tile's source columns (one division per column, not per
// pixel); a row whose source row is the one of the row below it is a copy of that row. Rows are built
// bottom-up, so the 4-byte stores that run one byte past a pixel only touch bytes built later.
#include "image/draw.h"

#include <algorithm>
#include <cstring>

#include "image/bgr_kernels.h"
#include "image/image_record.h"
#include "image/pixel.h"
#include "platform/gdi.h"

namespace ox::image {
namespace {

// A buffer with room for the last 4-byte store of the top row.
struct TileBuffer {
    uint8_t bytes[kTileBytes + 4];
};

// Blue, green, red of a 24-bit pixel at p as the low three bytes of a word. Reads the byte before the
// pixel, which always exists (the image header precedes row 0), so that nothing past the pixel is read.
inline uint32_t bgr_of_24(const uint8_t *p) { return __builtin_bswap32(load32(p - 1)); }
inline uint32_t bgr_of_32(const uint8_t *p) { return __builtin_bswap32(load32(p)); }

// Nearest-pixel tile row: pixel i takes source column xs[i] of `src`.
template <int Bits, bool Gray>
void gather_row(const uint8_t *src, const int32_t *xs, int32_t n, uint8_t *out) {
    for (int32_t i = 0; i < n; ++i) {
        const int32_t x = xs[i];
        uint32_t v;
        if constexpr (Bits == 1)
            v = ((src[x >> 3] >> (7 - (x & 7))) & 1u) ? 0xFFFFFFu : 0u;
        else if constexpr (Bits == 8)
            v = src[x] * 0x010101u;
        else if constexpr (Bits == 24)
            v = bgr_of_24(src + 3 * static_cast<std::size_t>(x));
        else if constexpr (Gray)
            v = src[4 * static_cast<std::size_t>(x)] * 0x010101u;
        else
            v = bgr_of_32(src + 4 * static_cast<std::size_t>(x));
        store32(out + 3 * static_cast<std::size_t>(i), v);
    }
}

// One-to-one tile row from source column x0 on.
template <int Bits, bool Gray>
void copy_row(const uint8_t *src, int32_t x0, int32_t n, uint8_t *out) {
    if constexpr (Bits == 24) {
        bgr::swap_24(src + 3 * static_cast<std::size_t>(x0), out, n);
    } else if constexpr (Gray) {
        const uint8_t *s = src + 4 * static_cast<std::size_t>(x0);
        for (int32_t i = 0; i < n; ++i) store32(out + 3 * static_cast<std::size_t>(i), s[4 * i] * 0x010101u);
    } else {
        bgr::bgr_from_32(src + 4 * static_cast<std::size_t>(x0), out, n);
    }
}

// Blue, green and red of a word spread into 16-bit lanes, so that four can be summed without carries.
inline uint64_t spread(uint32_t v) {
    return (v & 0xFFu) | (uint64_t{v & 0xFF00u} << 8) | (uint64_t{v & 0xFF0000u} << 16);
}

// Reduction tile row: the truncated mean of columns xs[i] and xs2[i] of rows a and b.
template <int Bits, bool Gray>
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
        store32(out + 3 * static_cast<std::size_t>(i), v);
    }
}

// Asks for the cache lines that a tile row reads from source row `src` (at most 64 of them: a row
// sampled more sparsely reads a line per pixel anyway).
template <int Bits>
inline void prefetch_row(const uint8_t *src, const int32_t *xs, int32_t n) {
    const uintptr_t first = reinterpret_cast<uintptr_t>(src) + static_cast<std::size_t>(xs[0]) * Bits / 8;
    const uintptr_t last = reinterpret_cast<uintptr_t>(src) + static_cast<std::size_t>(xs[n - 1] + 1) * Bits / 8;
    for (uintptr_t p = first & ~uintptr_t{63}; p <= last && p - first < 64 * 64; p += 64)
        __builtin_prefetch(reinterpret_cast<const void *>(p));
}

// The tiles of one call, for one depth and gray setting.
template <int Bits, bool Gray>
class TileBuilder {
public:
    TileBuilder(const OxImageLockRec &l, const DrawPlan &p) : l_(l), p_(p), d_(p.factor / 2) {}

    void build(int64_t tx, int64_t ty, int32_t tw, int32_t th, uint8_t *buffer) const {
        // Source columns by a running quotient and remainder of (tx + i) * sw / dw.
        int32_t xs[kTileSide], xs2[kTileSide];
        const int64_t start = tx * p_.sw;
        int64_t q = start / p_.dw, rem = start % p_.dw;
        const int64_t step_q = p_.sw / p_.dw, step_r = p_.sw % p_.dw;
        for (int32_t i = 0; i < tw; ++i) {
            xs[i] = static_cast<int32_t>(p_.sx + q);
            xs2[i] = xs[i] + d_;
            q += step_q;
            rem += step_r;
            if (rem >= p_.dw) {
                rem -= p_.dw;
                ++q;
            }
        }
        int32_t below = -1;  // source row of the tile row built last (the one below)
        for (int32_t j = th - 1; j >= 0; --j) {
            uint8_t *row = buffer + static_cast<std::size_t>(th - 1 - j) * kTileRowBytes;
            const int32_t y = static_cast<int32_t>(p_.sy + (ty + j) * p_.sh / p_.dh);
            if (y == below) {
                std::memcpy(row, row - kTileRowBytes, 3 * static_cast<std::size_t>(tw));
                continue;
            }
            below = y;
            const uint8_t *src = row_ptr(l_, y);
            // The tile's rows lie a whole image row apart, too many streams for the hardware to follow:
            // ask for the next tile row's source bytes while this one is built.
            if (j > 0) {
                const int32_t next = static_cast<int32_t>(p_.sy + (ty + j - 1) * p_.sh / p_.dh);
                prefetch_row<Bits>(row_ptr(l_, next), xs, tw);
                if (p_.way == DrawWay::reduce) prefetch_row<Bits>(row_ptr(l_, next + d_), xs2, tw);
            }
            if (p_.way == DrawWay::reduce) {
                if constexpr (Bits >= 24) reduce_row<Bits, Gray>(src, row_ptr(l_, y + d_), xs, xs2, tw, row);
            } else if (Bits >= 24 && p_.way == DrawWay::one_to_one) {
                if constexpr (Bits >= 24) copy_row<Bits, Gray>(src, xs[0], tw, row);
            } else {
                gather_row<Bits, Gray>(src, xs, tw, row);
            }
        }
    }

private:
    const OxImageLockRec &l_;
    const DrawPlan &p_;
    const int32_t d_;
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
void draw_tiles(const OxImageLockRec &l, const DrawArgs &a, const DrawPlan &p, const OxRect *visible, TileSink sink,
                void *context) {
    int64_t c0 = 0, c1 = (int64_t{p.dw} + kTileSide - 1) / kTileSide;
    int64_t r0 = 0, r1 = (int64_t{p.dh} + kTileSide - 1) / kTileSide;
    if (visible) {
        tile_range(a.dx, p.dw, visible->left, visible->right, &c0, &c1);
        tile_range(a.dy, p.dh, visible->top, visible->bottom, &r0, &r1);
    }
    TileBuffer buffer;
    const TileBuilder<Bits, Gray> builder(l, p);
    for (int64_t r = r0; r < r1; ++r) {
        const int64_t ty = r * kTileSide;
        const int32_t th = static_cast<int32_t>(std::min<int64_t>(kTileSide, p.dh - ty));
        for (int64_t c = c0; c < c1; ++c) {
            const int64_t tx = c * kTileSide;
            const int32_t tw = static_cast<int32_t>(std::min<int64_t>(kTileSide, p.dw - tx));
            builder.build(tx, ty, tw, th, buffer.bytes);
            sink(context, Tile{static_cast<int32_t>(a.dx + tx), static_cast<int32_t>(a.dy + ty), tw, th, buffer.bytes,
                               p.way == DrawWay::enlarge ? 0u : 1u});
        }
    }
}

}  // namespace

int32_t image_draw_visible(const DrawArgs &a, const OxRect *visible, TileSink sink, void *context) {
    ScopedImageLock img(a.image);
    if (!img.ok()) return 0;
    DrawPlan p;
    const PlanResult r = plan_draw(a, img.header(), &p);
    if (r != PlanResult::draw) return r == PlanResult::refuse ? 0 : 1;
    const OxImageLockRec &l = img.rec();
    switch (img.header().bitCount) {
    case 1: draw_tiles<1, false>(l, a, p, visible, sink, context); break;
    case 8: draw_tiles<8, false>(l, a, p, visible, sink, context); break;
    case 24: draw_tiles<24, false>(l, a, p, visible, sink, context); break;
    case 32:
        if (a.gray)
            draw_tiles<32, true>(l, a, p, visible, sink, context);
        else
            draw_tiles<32, false>(l, a, p, visible, sink, context);
        break;
    default: break;
    }
    return 1;
}

int32_t image_draw(const DrawArgs &a, TileSink sink, void *context) {
    return image_draw_visible(a, nullptr, sink, context);
}

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
