// Lines with a square pen: painted, painted under a key colour or mode, and inverted.
//
// The line is an error-term walk from (x1, y1) to (x2, y2) that plots a pen square, its top-left pixel on
// the current point, at each of major + 1 steps. The plain versions do exactly that, pixel by pixel.
//
// The exported versions visit each covered row once. Along the walk both coordinates move monotonically,
// so the steps whose squares reach a row are consecutive, and their squares cover one unbroken run of that
// row: from the smaller to the larger x of the first and last such step, plus pen - 1. The walk has a
// closed form (the minor coordinate after k steps is floor((2k * minor + major) / (2 * major))), which
// gives the first and last step for each row without walking the steps outside the image.
//
// Visiting each covered pixel once gives the same picture as the walk: painting a pixel twice (with or
// without the key colour test) leaves it as painting it once, and the inverting walk skips a pixel that the
// previous square covered, so with consecutive covering steps every covered pixel is inverted exactly once.
#include <algorithm>
#include <cstddef>

#include "image/fill.h"
#include "image/image_record.h"
#include "image/pixel.h"
#include "image/runs.h"

namespace ox::image {

LineShape make_line_shape(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    LineShape s;
    const int64_t ddx = int64_t{x2} - x1, ddy = int64_t{y2} - y1;
    s.x1 = x1;
    s.y1 = y1;
    s.sx = (ddx > 0) - (ddx < 0);
    s.sy = (ddy > 0) - (ddy < 0);
    const int64_t dx = ddx < 0 ? -ddx : ddx, dy = ddy < 0 ? -ddy : ddy;
    s.steep = dy > dx;
    s.major = s.steep ? dy : dx;
    s.minor = s.steep ? dx : dy;
    if (s.major == 0) s.major = 1;  // a zero-length line plots its point twice
    return s;
}

namespace {

// floor((a * b + c) / d) for non-negative a, b, c and positive d. Products of 32-bit line extents may
// exceed 64 bits; the common case stays in 64-bit division.
int64_t mul_add_div(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
    const unsigned __int128 n = static_cast<unsigned __int128>(a) * b + c;
    if ((n >> 64) == 0) return static_cast<int64_t>(static_cast<uint64_t>(n) / d);
    return static_cast<int64_t>(n / d);
}

// Minor-axis steps taken before step k (0 <= k <= major) is plotted.
int64_t minor_before(const LineShape &s, int64_t k) {
    if (s.minor == 0) return 0;
    return mul_add_div(2 * static_cast<uint64_t>(k), static_cast<uint64_t>(s.minor), static_cast<uint64_t>(s.major),
                       2 * static_cast<uint64_t>(s.major));
}

// The first step plotted after m minor-axis steps (1 <= m <= minor): the least k with
// 2k * minor + major >= 2m * major.
int64_t first_step_after(const LineShape &s, int64_t m) {
    const uint64_t den = 2 * static_cast<uint64_t>(s.minor);
    return mul_add_div(2 * static_cast<uint64_t>(m) - 1, static_cast<uint64_t>(s.major), den - 1, den);
}

// Calls run(y, lo, hi) for each row y of a width x height image that the pen squares of the line reach,
// with the covered pixels lo..hi of that row clipped to the image (lo <= hi).
template <class Run>
void for_each_line_run(const LineShape &s, int64_t pen, int32_t width, int32_t height, Run run) {
    const int64_t y_end = s.y1 + s.sy * (s.steep ? s.major : s.minor);
    const int64_t row_first = std::max<int64_t>(0, std::min(s.y1, y_end));
    const int64_t row_last = std::min<int64_t>(height - 1, std::max(s.y1, y_end) + pen - 1);
    for (int64_t r = row_first; r <= row_last; ++r) {
        // Steps along the axis that moves with the rows (the major axis when steep, else the minor one)
        // whose squares reach row r.
        int64_t a, b;
        if (s.sy >= 0) {
            a = r - pen + 1 - s.y1;
            b = r - s.y1;
        } else {
            a = s.y1 - r;
            b = s.y1 - r + pen - 1;
        }
        int64_t xa, xb;
        if (s.steep) {
            a = std::max<int64_t>(a, 0);
            b = std::min(b, s.major);
            if (a > b) continue;
            xa = s.x1 + s.sx * minor_before(s, a);
            xb = s.x1 + s.sx * minor_before(s, b);
        } else {
            int64_t ka = 0, kb = s.major;  // a level line: every step lies on row y1
            if (s.sy != 0) {
                a = std::max<int64_t>(a, 0);
                b = std::min(b, s.minor);
                if (a > b) continue;
                ka = a == 0 ? 0 : first_step_after(s, a);
                kb = b == s.minor ? s.major : first_step_after(s, b + 1) - 1;
            } else if (a > 0 || b < 0) {
                continue;
            }
            xa = s.x1 + s.sx * ka;
            xb = s.x1 + s.sx * kb;
        }
        const int64_t lo = std::max<int64_t>(std::min(xa, xb), 0);
        const int64_t hi = std::min<int64_t>(std::max(xa, xb) + pen - 1, width - 1);
        if (lo <= hi) run(static_cast<int32_t>(r), static_cast<int32_t>(lo), static_cast<int32_t>(hi));
    }
}

// Applies a byte operation to every pixel of the line on an 8-, 24- or 32-bit image.
void apply_to_line(const OxImageLockRec &rec, const LineShape &s, int32_t pen, int bpp, const PixelBytesOp &op) {
    for_each_line_run(s, pen, rec.maxX + 1, rec.maxY + 1, [&](int32_t y, int32_t lo, int32_t hi) {
        op.apply(row_ptr(rec, y) + static_cast<std::size_t>(lo) * bpp, static_cast<std::size_t>(hi - lo + 1) * bpp);
    });
}

// The colour's red, green and blue bytes stored at the channel-map offsets, the fourth byte of a 32-bit
// pixel kept.
PixelBytesOp paint_op(int bpp, uint32_t color) {
    const uint8_t r = static_cast<uint8_t>(color), g = static_cast<uint8_t>(color >> 8),
                  b = static_cast<uint8_t>(color >> 16);
    if (bpp == 3) {
        const uint8_t rgb[3] = {r, g, b};
        return PixelBytesOp::store(rgb, 3);
    }
    const uint8_t keep[4] = {0xFF, 0, 0, 0}, set[4] = {0, r, g, b};
    return PixelBytesOp(keep, set, 4);
}

// Paints the pixels lo..hi of a row whose red, green and blue bytes equal the key's.
template <int Bpp>
void paint_keyed(uint8_t *row, int32_t lo, int32_t hi, uint32_t color, uint32_t key) {
    constexpr int c = Bpp == 4 ? 1 : 0;  // offset of the red byte
    const uint8_t kr = static_cast<uint8_t>(key), kg = static_cast<uint8_t>(key >> 8),
                  kb = static_cast<uint8_t>(key >> 16);
    const uint8_t r = static_cast<uint8_t>(color), g = static_cast<uint8_t>(color >> 8),
                  b = static_cast<uint8_t>(color >> 16);
    uint8_t *p = row + static_cast<std::size_t>(lo) * Bpp;
    for (int32_t x = lo; x <= hi; ++x, p += Bpp) {
        if (p[c] == kr && p[c + 1] == kg && p[c + 2] == kb) {
            p[c] = r;
            p[c + 1] = g;
            p[c + 2] = b;
        }
    }
}

// The error-term walk: visit(x, y) at each of the major + 1 points, the end point last.
template <class Visit>
void walk_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Visit visit) {
    const int64_t sx = (x2 > x1) - (x2 < x1), sy = (y2 > y1) - (y2 < y1);
    const int64_t dx = sx * (int64_t{x2} - x1), dy = sy * (int64_t{y2} - y1);
    const bool steep = dy > dx;
    int64_t major = steep ? dy : dx;
    const int64_t minor = steep ? dx : dy;
    int64_t e = 2 * minor - major;
    const int64_t inc1 = 2 * minor, inc2 = 2 * (minor - major);
    if (major == 0 && minor == 0) major = 1;
    int64_t x = x1, y = y1;
    for (int64_t step = 0; step <= major; ++step) {
        visit(x, y);
        if (e < 0) {
            e += inc1;
        } else {
            if (steep) x += sx;
            else y += sy;
            e += inc2;
        }
        if (steep) y += sy;
        else x += sx;
    }
}

// plot(px, py) for each pixel of the pen square at (x, y) that lies inside the image.
template <class Plot>
void plot_pen(const OxImageLockRec &rec, int64_t x, int64_t y, int32_t pen, Plot plot) {
    for (int64_t py = y; py < y + pen; ++py)
        for (int64_t px = x; px < x + pen; ++px)
            if (px >= 0 && px <= rec.maxX && py >= 0 && py <= rec.maxY)
                plot(static_cast<int32_t>(px), static_cast<int32_t>(py));
}

// Stores the colour's red, green and blue bytes at the channel-map offsets of pixel (x, y).
void paint_pixel(const OxImageLockRec &rec, int32_t x, int32_t y, uint32_t color) {
    uint32_t r, g, b;
    oxGetChannel(static_cast<uint32_t>(rec.header->bitCount / 8), &r, &g, &b);
    uint8_t *p = oxImageGetAdr(&rec, x, y);
    p[r] = static_cast<uint8_t>(color);
    p[g] = static_cast<uint8_t>(color >> 8);
    p[b] = static_cast<uint8_t>(color >> 16);
}

bool is_colour_depth(int32_t bits) { return bits == 24 || bits == 32; }

}  // namespace

namespace plain {

int32_t line(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pen, uint32_t color) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    const OxImageLockRec &rec = lock.rec();
    const int32_t bits = lock.header().bitCount;
    if (bits != 1 && !is_colour_depth(bits)) return 1;
    walk_line(x1, y1, x2, y2, [&](int64_t x, int64_t y) {
        plot_pen(rec, x, y, pen, [&](int32_t px, int32_t py) {
            if (bits == 1) oxImagePutPixel(&rec, px, py, color & 1u);
            else paint_pixel(rec, px, py, color);
        });
    });
    return 1;
}

int32_t line_ex(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pen, uint32_t color,
                uint32_t key, uint32_t mode) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    const OxImageLockRec &rec = lock.rec();
    const int32_t bits = lock.header().bitCount;
    if (!is_colour_depth(bits)) return 1;
    uint32_t r, g, b;
    oxGetChannel(static_cast<uint32_t>(bits / 8), &r, &g, &b);
    walk_line(x1, y1, x2, y2, [&](int64_t x, int64_t y) {
        plot_pen(rec, x, y, pen, [&](int32_t px, int32_t py) {
            uint8_t *p = oxImageGetAdr(&rec, px, py);
            if (mode == 1 && (p[r] != (key & 0xFF) || p[g] != ((key >> 8) & 0xFF) || p[b] != ((key >> 16) & 0xFF)))
                return;
            paint_pixel(rec, px, py, color);
            if (mode == 2 && bits == 32 && (color & 0xFFFFFFu) == 0xFFFFFFu) p[0] = 0xFF;
        });
    });
    return 1;
}

int32_t xor_line(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pen) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    const OxImageLockRec &rec = lock.rec();
    x1 = std::clamp(x1, 0, rec.maxX);
    x2 = std::clamp(x2, 0, rec.maxX);
    y1 = std::clamp(y1, 0, rec.maxY);
    y2 = std::clamp(y2, 0, rec.maxY);
    bool first = true;
    int64_t prev_x = 0, prev_y = 0;
    walk_line(x1, y1, x2, y2, [&](int64_t x, int64_t y) {
        // The overlap with the previous square, whose pixels that square has inverted already.
        const int64_t ox0 = std::max(prev_x, x), ox1 = std::min(prev_x, x) + pen - 1;
        const int64_t oy0 = std::max(prev_y, y), oy1 = std::min(prev_y, y) + pen - 1;
        plot_pen(rec, x, y, pen, [&](int32_t px, int32_t py) {
            if (!first && px >= ox0 && px <= ox1 && py >= oy0 && py <= oy1) return;
            oxImagePutPixelEx(&rec, px, py, invert_value(oxImageGetPixel(&rec, px, py)), 0xFFFFFFu);
        });
        prev_x = x;
        prev_y = y;
        first = false;
    });
    return 1;
}

}  // namespace plain
}  // namespace ox::image

using namespace ox::image;

extern "C" {

OX_API int32_t oxImageLine(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penSize,
                           uint32_t color) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    const OxImageLockRec &rec = lock.rec();
    const int32_t bits = lock.header().bitCount;
    if (penSize <= 0) return 1;
    const LineShape s = make_line_shape(x1, y1, x2, y2);
    if (bits == 1) {
        const bool on = (color & 1u) != 0;
        for_each_line_run(s, penSize, rec.maxX + 1, rec.maxY + 1,
                          [&](int32_t y, int32_t lo, int32_t hi) { store_bit_run(row_ptr(rec, y), lo, hi, on); });
    } else if (is_colour_depth(bits)) {
        apply_to_line(rec, s, penSize, bits / 8, paint_op(bits / 8, color));
    }
    return 1;
}

OX_API int32_t oxImageLineEx(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penSize,
                             uint32_t color, uint32_t keyColor, uint32_t mode) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    const OxImageLockRec &rec = lock.rec();
    const int32_t bits = lock.header().bitCount;
    if (penSize <= 0 || !is_colour_depth(bits)) return 1;
    const LineShape s = make_line_shape(x1, y1, x2, y2);
    if (mode == 1) {
        for_each_line_run(s, penSize, rec.maxX + 1, rec.maxY + 1, [&](int32_t y, int32_t lo, int32_t hi) {
            if (bits == 24) paint_keyed<3>(row_ptr(rec, y), lo, hi, color, keyColor);
            else paint_keyed<4>(row_ptr(rec, y), lo, hi, color, keyColor);
        });
    } else if (mode == 2 && bits == 32 && (color & 0xFFFFFFu) == 0xFFFFFFu) {
        const uint8_t white[4] = {0xFF, 0xFF, 0xFF, 0xFF};
        apply_to_line(rec, s, penSize, 4, PixelBytesOp::store(white, 4));
    } else {
        apply_to_line(rec, s, penSize, bits / 8, paint_op(bits / 8, color));
    }
    return 1;
}

OX_API int32_t oxXorImageLine(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penSize) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    const OxImageLockRec &rec = lock.rec();
    const int32_t bits = lock.header().bitCount;
    if (penSize <= 0) return 1;
    const LineShape s = make_line_shape(std::clamp(x1, 0, rec.maxX), std::clamp(y1, 0, rec.maxY),
                                        std::clamp(x2, 0, rec.maxX), std::clamp(y2, 0, rec.maxY));
    if (bits == 1) {
        for_each_line_run(s, penSize, rec.maxX + 1, rec.maxY + 1,
                          [&](int32_t y, int32_t lo, int32_t hi) { flip_bit_run(row_ptr(rec, y), lo, hi); });
        return 1;
    }
    if (bits != 8 && !is_colour_depth(bits)) return 1;
    // Colour bytes inverted, the fourth byte of a 32-bit pixel kept (the inversion is stored under the
    // mask 0xFFFFFF).
    uint8_t keep[4] = {0xFF, 0xFF, 0xFF, 0xFF}, flip[4];
    const int bpp = bits / 8;
    if (bits == 8) PixelCodec<8>::put(flip, 0, 0xFFu);
    else if (bits == 24) PixelCodec<24>::put(flip, 0, 0xFFFFFFu);
    else PixelCodec<32>::put(flip, 0, 0xFFFFFFu);
    apply_to_line(rec, s, penSize, bpp, PixelBytesOp(keep, flip, bpp));
    return 1;
}

}  // extern "C"
