// Raster-operation copies between contexts, with and without scaling, and the transfers between bitmaps or
// contexts and device-independent bitmaps.
#include <algorithm>
#include <cstring>
#include <optional>

#include "core/byte_order.h"
#include "core/errors.h"
#include "platform/dib_rows.h"
#include "platform/gdi_state.h"

namespace ox::platform {

using namespace detail;

namespace {

// The ternary operation on whole 24-bit values: the result bit for pattern, source and destination bits
// p, s, d is bit (p << 2 | s << 1 | d) of `code`. The common codes skip the general sum.
uint32_t apply_rop(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
    switch (code) {
    case 0xCC: return s;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0x55: return ~d;
    case 0x33: return ~s;
    case 0xF0: return p;
    case 0x5A: return p ^ d;
    case 0x00: return 0;
    case 0xFF: return ~0u;
    default: break;
    }
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i)
        if ((code >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r;
}

uint8_t rop_code(uint32_t rop) { return static_cast<uint8_t>(rop >> 16); }

// The operation reads the source when its result differs between s = 0 and s = 1 somewhere.
bool code_uses_source(uint8_t c) { return ((c >> 2) & 0x33) != (c & 0x33); }

// A context resolved to its record and surface, or nothing.
struct Target {
    DcRecord *dc;
    Surface *surface;
};

std::optional<Target> resolve(State &s, OxwDC h) {
    DcRecord *dc = s.dcs.find(h);
    Surface *surf = dc ? dc_surface(s, *dc) : nullptr;
    if (!surf) return std::nullopt;
    return Target{dc, surf};
}

// The pattern colour of a context's brush, as the destination stores colours (monochrome: 0 or white).
uint32_t pattern_of(State &s, const Target &t) {
    const GdiRecord *b = find_object(s, t.dc->brush, ObjectKind::brush);
    uint32_t p = b && b->style == 0 ? b->color : 0;
    if (t.surface->bits == 1) p = is_light(p) ? 0xFFFFFF : 0;
    return p;
}

// Writes one operated pixel; all values are colour values.
inline void blend(Surface &dst, int32_t x, int32_t y, uint8_t code, uint32_t p, uint32_t src) {
    const uint32_t r = apply_rop(code, p, src, dst.get(x, y)) & 0xFFFFFF;
    dst.put(x, y, r);
}

// The source colour as it enters the destination: monochrome sources take the destination's text colour
// (0 bits) and background colour (1 bits); colour sources written to monochrome become white where they
// equal the source's background colour.
struct SourceMap {
    int src_bits, dst_bits;
    uint32_t fg, bg, src_bk;
    uint32_t operator()(uint32_t c) const {
        if (src_bits == 1 && dst_bits == 32) return c ? bg : fg;
        if (src_bits == 32 && dst_bits == 1) return c == src_bk ? 0xFFFFFF : 0;
        return c;
    }
};

// [lo, hi) of offsets 0..n-1 for which both pos + i and spos + i (scaled or not) fall inside.
struct Span {
    int64_t lo, hi;
};
Span clip_offsets(int64_t n, int64_t pos, int64_t limit) {
    return {std::max<int64_t>(0, -pos), std::min<int64_t>(n, limit - pos)};
}

// The ends of a blit: the destination, and the source when the raster operation reads one. False when a
// handle that is needed names no device context with a surface.
bool resolve_ends(State &s, OxwDC dst, OxwDC src, bool needs_src, std::optional<Target> *d,
                  std::optional<Target> *sr) {
    *d = resolve(s, dst);
    return *d && (!needs_src || (*sr = resolve(s, src)));
}

// Points ss at a copy of its surface, so that a blit within one surface reads the pixels as they were
// before it began. False when there is no memory for the copy.
bool read_from_copy(const Surface *&ss, Surface &snapshot) {
    try {
        snapshot = *ss;
    } catch (const std::bad_alloc &) {
        return false;
    }
    ss = &snapshot;
    return true;
}

}  // namespace

bool rop_uses_source(uint32_t rop) { return code_uses_source(rop_code(rop)); }

bool bit_blt(OxwDC dst, int32_t x, int32_t y, int32_t width, int32_t height, OxwDC src, int32_t sx, int32_t sy,
             uint32_t rop) {
    if (width <= 0 || height <= 0) return false;
    State &s = state();
    Guard g(s.mutex);
    const uint8_t code = rop_code(rop);
    const bool needs_src = code_uses_source(code);
    std::optional<Target> d, sr;
    if (!resolve_ends(s, dst, src, needs_src, &d, &sr)) return false;

    Span cx = clip_offsets(width, x, d->surface->width), cy = clip_offsets(height, y, d->surface->height);
    Surface snapshot;
    const Surface *ss = nullptr;
    if (needs_src) {
        const Span scx = clip_offsets(width, sx, sr->surface->width);
        const Span scy = clip_offsets(height, sy, sr->surface->height);
        cx = {std::max(cx.lo, scx.lo), std::min(cx.hi, scx.hi)};
        cy = {std::max(cy.lo, scy.lo), std::min(cy.hi, scy.hi)};
        ss = sr->surface;
        if (ss == d->surface && cx.lo < cx.hi && cy.lo < cy.hi && !read_from_copy(ss, snapshot)) return false;
    }
    if (cx.lo >= cx.hi || cy.lo >= cy.hi) return true;

    Surface &ds = *d->surface;
    const uint32_t p = pattern_of(s, *d);
    if (needs_src && ss->bits == 32 && ds.bits == 32) {
        const uint32_t pb = bgrx_of(p);
        for (int64_t Y = cy.lo; Y < cy.hi; ++Y) {
            const uint32_t *in = ss->row32(static_cast<int32_t>(sy + Y)) + sx + cx.lo;
            uint32_t *out = ds.row32(static_cast<int32_t>(y + Y)) + x + cx.lo;
            const std::size_t n = static_cast<std::size_t>(cx.hi - cx.lo);
            if (code == 0xCC) {
                std::memcpy(out, in, n * 4);
            } else {
                for (std::size_t i = 0; i < n; ++i) out[i] = apply_rop(code, pb, in[i], out[i]) & 0xFFFFFF;
            }
        }
        return true;
    }
    SourceMap map{ss ? ss->bits : 32, ds.bits, d->dc->text.text_color, d->dc->text.bk_color,
                  sr ? sr->dc->text.bk_color : 0};
    for (int64_t Y = cy.lo; Y < cy.hi; ++Y)
        for (int64_t X = cx.lo; X < cx.hi; ++X) {
            const uint32_t sc = ss ? map(ss->get(static_cast<int32_t>(sx + X), static_cast<int32_t>(sy + Y))) : 0;
            blend(ds, static_cast<int32_t>(x + X), static_cast<int32_t>(y + Y), code, p, sc);
        }
    return true;
}

bool stretch_blt(OxwDC dst, int32_t x, int32_t y, int32_t w, int32_t h, OxwDC src, int32_t sx, int32_t sy,
                 int32_t sw, int32_t sh, uint32_t rop) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return false;
    State &s = state();
    Guard g(s.mutex);
    const uint8_t code = rop_code(rop);
    const bool needs_src = code_uses_source(code);
    std::optional<Target> d, sr;
    if (!resolve_ends(s, dst, src, needs_src, &d, &sr)) return false;
    Surface snapshot;
    const Surface *ss = needs_src ? sr->surface : nullptr;
    if (ss && ss == d->surface && !read_from_copy(ss, snapshot)) return false;
    Surface &ds = *d->surface;
    const uint32_t p = pattern_of(s, *d);
    SourceMap map{ss ? ss->bits : 32, ds.bits, d->dc->text.text_color, d->dc->text.bk_color,
                  sr ? sr->dc->text.bk_color : 0};
    const Span cx = clip_offsets(w, x, ds.width), cy = clip_offsets(h, y, ds.height);
    for (int64_t Y = cy.lo; Y < cy.hi; ++Y) {
        const int64_t py = sy + Y * sh / h;
        if (ss && (py < 0 || py >= ss->height)) continue;
        for (int64_t X = cx.lo; X < cx.hi; ++X) {
            const int64_t px = sx + X * sw / w;
            if (ss && (px < 0 || px >= ss->width)) continue;
            const uint32_t sc = ss ? map(ss->get(static_cast<int32_t>(px), static_cast<int32_t>(py))) : 0;
            blend(ds, static_cast<int32_t>(x + X), static_cast<int32_t>(y + Y), code, p, sc);
        }
    }
    return true;
}

// ---- Device-independent bitmaps ----------------------------------------------------------------------------

namespace {

using core::store_le16;
using core::store_le32;

bool depth_ok(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32; }

// The view's bits cover all of its rows.
bool view_ok(const DibView &v) {
    if (v.width < 1 || v.height == 0 || v.height == INT32_MIN || !depth_ok(v.bit_count) || !v.bits) return false;
    const uint64_t row = dib_row_bytes(static_cast<uint32_t>(v.width), static_cast<uint32_t>(v.bit_count));
    const uint64_t rows = static_cast<uint64_t>(v.height < 0 ? -int64_t{v.height} : v.height);
    return rows <= v.bits_size / row && (v.color_count == 0 || v.colors);
}

// Colour value of a stored pixel (row in storage order).
uint32_t dib_color(const DibView &v, const uint8_t *row, int32_t x) {
    uint32_t index;
    switch (v.bit_count) {
    case 1: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
    case 4: index = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4; break;
    case 8: index = row[x]; break;
    case 24: return row[3 * x + 2] | (row[3 * x + 1] << 8) | (uint32_t{row[3 * x]} << 16);
    default: return row[4 * x + 2] | (row[4 * x + 1] << 8) | (uint32_t{row[4 * x]} << 16);
    }
    if (index >= v.color_count) return 0;
    const uint8_t *e = v.colors + 4 * index;
    return e[2] | (e[1] << 8) | (uint32_t{e[0]} << 16);
}

// Surface pixels (blue, green, red, 0) of the colour-table entries of a DIB of 8 bits or fewer, indexed
// by stored value; values at or beyond the table's count are black.
void surface_palette(const DibView &v, uint32_t *palette) {
    const uint32_t n = 1u << v.bit_count;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t *e = v.colors + 4 * i;
        palette[i] = i < v.color_count ? e[0] | (e[1] << 8) | (uint32_t{e[2]} << 16) : 0;
    }
}

// Surface pixels of stored pixels [first, first + n) of one DIB row. Reads only those pixels' bytes.
void row_to_surface(const DibView &v, const uint32_t *palette, const uint8_t *row, int64_t first, int64_t n,
                    uint32_t *out) {
    switch (v.bit_count) {
    case 32: {
        const uint8_t *s = row + 4 * first;
        for (int64_t i = 0; i < n; ++i) out[i] = core::load_le32(s + 4 * i) & 0xFFFFFFu;
        break;
    }
    case 24: rows::bgr24_to_surface(row + 3 * first, static_cast<std::size_t>(n), out); break;
    case 8:
        for (int64_t i = 0; i < n; ++i) out[i] = palette[row[first + i]];
        break;
    case 4:
        for (int64_t i = 0; i < n; ++i) {
            const int64_t x = first + i;
            out[i] = palette[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4];
        }
        break;
    default:
        for (int64_t i = 0; i < n; ++i) {
            const int64_t x = first + i;
            out[i] = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
        }
        break;
    }
}

// Source columns of a run of destination columns, made once per call rather than once per pixel.
constexpr int kColumnChunk = 256;
struct Columns {
    int32_t px[kColumnChunk];    // stored pixel index
    uint32_t off[kColumnChunk];  // 24 and 32 bits: byte offset of a 4-byte load that holds the pixel
    uint8_t shift[kColumnChunk];  // ... and the right shift that brings it to the low three bytes
};

// Fills the table for destination offsets [X0, X0 + n) (X0 >= 0): pixel sx + X * sw / w by a running
// quotient and remainder. A 3-byte pixel whose load would pass the row's end is loaded from one byte
// earlier (row bytes are at least 4, so that byte is in the row).
void fill_columns(Columns &c, int64_t X0, int64_t n, int32_t sx, int32_t sw, int32_t w, const DibView &dib,
                  uint32_t row_bytes) {
    const int64_t start = X0 * sw;
    int64_t q = start / w, rem = start % w;
    const int64_t step_q = sw / w, step_r = sw % w;
    const int bpp = dib.bit_count / 8;
    for (int64_t i = 0; i < n; ++i) {
        const int32_t px = static_cast<int32_t>(sx + q);
        c.px[i] = px;
        if (bpp >= 3) {
            const uint32_t o = static_cast<uint32_t>(bpp * px);
            const bool back = o + 4 > row_bytes;
            c.off[i] = back ? o - 1 : o;
            c.shift[i] = back ? 8 : 0;
        }
        q += step_q;
        rem += step_r;
        if (rem >= w) {
            rem -= w;
            ++q;
        }
    }
}

// [lo, hi) of the offsets 0..n-1 whose source sx + offset * s / d (monotonic in the offset) lies in
// [0, limit).
Span source_inside(int64_t n, int32_t sx, int32_t s, int32_t d, int64_t limit) {
    // First offset with sx + X * s / d >= 0, i.e. X * s / d >= -sx.
    int64_t lo = 0, hi = n;
    if (sx < 0) {
        const int64_t need = -int64_t{sx};  // X * s >= need * d
        lo = std::min<int64_t>(n, (need * d + s - 1) / s);
    }
    // First offset with sx + X * s / d >= limit.
    const int64_t room = limit - sx;  // X * s / d < room  <=>  X * s < room * d
    if (room <= 0)
        hi = 0;
    else
        hi = std::min<int64_t>(n, (room * d + s - 1) / s);
    return {lo, std::max(lo, hi)};
}

}  // namespace

bool stretch_dib_bits(OxwDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                      int32_t sh, const DibView &dib, uint32_t rop) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || !view_ok(dib)) return false;
    State &s = state();
    Guard g(s.mutex);
    const auto d = resolve(s, dc);
    if (!d) return false;
    Surface &ds = *d->surface;
    const uint8_t code = rop_code(rop);
    const uint32_t p = pattern_of(s, *d);
    const std::size_t row_bytes = dib_row_bytes(dib.width, dib.bit_count);
    const bool bottom_up = dib.height > 0;
    const int64_t rows = bottom_up ? dib.height : -int64_t{dib.height};
    Span cx = clip_offsets(w, x, ds.width), cy = clip_offsets(h, y, ds.height);
    // Columns and rows whose source lies outside the DIB are skipped; both map monotonically.
    const Span in_x = source_inside(w, sx, sw, w, dib.width);
    cx = {std::max(cx.lo, in_x.lo), std::min(cx.hi, in_x.hi)};
    if (cx.lo >= cx.hi || cy.lo >= cy.hi) return true;
    const bool copy = code == 0xCC && ds.bits == 32;  // stored as colour pixels without an operation
    uint32_t palette[256];
    if (copy && dib.bit_count <= 8) surface_palette(dib, palette);

    const auto stored_row = [&](int64_t Y) -> const uint8_t * {
        const int64_t oy = Y * sh / h;  // offset from the source rectangle's top
        const int64_t stored = bottom_up ? int64_t{sy} + sh - 1 - oy : int64_t{sy} + oy;
        if (stored < 0 || stored >= rows) return nullptr;
        return dib.bits + static_cast<std::size_t>(stored) * row_bytes;
    };

    if (copy && w == sw && h == sh) {  // one to one: whole runs of a row
        for (int64_t Y = cy.lo; Y < cy.hi; ++Y) {
            const uint8_t *row = stored_row(Y);
            if (!row) continue;
            uint32_t *out = ds.row32(static_cast<int32_t>(y + Y)) + x + cx.lo;
            row_to_surface(dib, palette, row, sx + cx.lo, cx.hi - cx.lo, out);
        }
        return true;
    }
    Columns cols;
    for (int64_t X0 = cx.lo; X0 < cx.hi; X0 += kColumnChunk) {
        const int64_t n = std::min<int64_t>(kColumnChunk, cx.hi - X0);
        fill_columns(cols, X0, n, sx, sw, w, dib, row_bytes);
        for (int64_t Y = cy.lo; Y < cy.hi; ++Y) {
            const uint8_t *row = stored_row(Y);
            if (!row) continue;
            const int32_t dy = static_cast<int32_t>(y + Y);
            if (copy) {
                uint32_t *out = ds.row32(dy) + x + X0;
                if (dib.bit_count >= 24) {
                    for (int64_t i = 0; i < n; ++i)
                        out[i] = (core::load_le32(row + cols.off[i]) >> cols.shift[i]) & 0xFFFFFFu;
                } else {
                    for (int64_t i = 0; i < n; ++i) {
                        const int32_t px = cols.px[i];
                        const uint32_t v = dib.bit_count == 8   ? row[px]
                                           : dib.bit_count == 4 ? ((px & 1) ? row[px >> 1] & 0x0F : row[px >> 1] >> 4)
                                                                : (row[px >> 3] >> (7 - (px & 7))) & 1;
                        out[i] = palette[v];
                    }
                }
                continue;
            }
            for (int64_t i = 0; i < n; ++i) {
                uint32_t c = dib_color(dib, row, cols.px[i]);
                if (ds.bits == 1) c = is_light(c) ? 0xFFFFFF : 0;
                blend(ds, static_cast<int32_t>(x + X0 + i), dy, code, p, c);
            }
        }
    }
    return true;
}

bool set_dib_bits_to_device(OxwDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                            const DibView &dib) {
    return stretch_dib_bits(dc, x, y, w, h, sx, sy, w, h, dib, kSrcCopy);
}

OxwBitmap create_bitmap_from_dib(const DibView &dib) {
    if (!view_ok(dib)) {
        core::set_last_error(OX_ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int32_t rows = dib.height < 0 ? -dib.height : dib.height;
    const OxwBitmap bmp = create_bitmap(dib.width, rows, 32);
    if (!bmp) return 0;
    State &s = state();
    Guard g(s.mutex);
    Surface &surf = find_object(s, bmp, ObjectKind::bitmap)->surface;
    const std::size_t row_bytes = dib_row_bytes(dib.width, dib.bit_count);
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t *row = dib.bits + static_cast<std::size_t>(dib.height > 0 ? rows - 1 - y : y) * row_bytes;
        uint32_t *out = surf.row32(y);
        for (int32_t x = 0; x < dib.width; ++x) out[x] = bgrx_of(dib_color(dib, row, x));
    }
    return bmp;
}

int32_t get_dib_bits(OxwBitmap bitmap, int32_t start, int32_t lines, int bit_count, uint8_t *bits,
                     std::size_t bits_size) {
    if ((bit_count != 1 && bit_count != 24 && bit_count != 32) || start < 0 || lines <= 0 || !bits) return 0;
    State &s = state();
    Guard g(s.mutex);
    const GdiRecord *r = find_object(s, bitmap, ObjectKind::bitmap);
    if (!r) return 0;
    const Surface &surf = r->surface;
    const std::size_t row_bytes = dib_row_bytes(surf.width, bit_count);
    if (static_cast<uint64_t>(lines) * row_bytes > bits_size) return 0;
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(int64_t{start} + lines, surf.height));
    for (int32_t line = start; line < end; ++line) {
        const int32_t y = surf.height - 1 - line;
        uint8_t *out = bits + static_cast<std::size_t>(line - start) * row_bytes;
        std::memset(out, 0, row_bytes);
        for (int32_t x = 0; x < surf.width; ++x) {
            const uint32_t c = surf.get(x, y);
            if (bit_count == 1) {
                if (is_light(c)) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
            } else {
                uint8_t *px = out + x * (bit_count / 8);
                px[0] = static_cast<uint8_t>(c >> 16);
                px[1] = static_cast<uint8_t>(c >> 8);
                px[2] = static_cast<uint8_t>(c);
            }
        }
    }
    return std::max(0, end - start);
}

std::size_t write_packed_dib(OxwBitmap bitmap, int bit_count, uint8_t *dst, std::size_t dst_size) {
    BitmapSize size;
    if ((bit_count != 1 && bit_count != 24 && bit_count != 32) || !get_bitmap_size(bitmap, &size)) return 0;
    const std::size_t row_bytes = dib_row_bytes(size.width, bit_count);
    const uint32_t entries = bit_count == 1 ? 2 : 0;
    const std::size_t image = row_bytes * size.height, total = 40 + 4 * entries + image;
    if (!dst || dst_size < total) return total;
    std::memset(dst, 0, 40 + 4 * entries);
    store_le32(dst, 40);
    std::memcpy(dst + 4, &size.width, 4);
    std::memcpy(dst + 8, &size.height, 4);
    store_le16(dst + 12, 1);
    store_le16(dst + 14, static_cast<uint16_t>(bit_count));
    store_le32(dst + 20, static_cast<uint32_t>(image));
    if (entries) store_le32(dst + 44, 0x00FFFFFF);  // entry 0 black, entry 1 white
    get_dib_bits(bitmap, 0, size.height, bit_count, dst + 40 + 4 * entries, image);
    return total;
}

}  // namespace ox::platform
