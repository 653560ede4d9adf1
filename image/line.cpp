// Lines with a square pen: painted, painted under a key colour or mode, and inverted.
//
// The line is an error-term walk from (x1, y1) to (x2, y2) that plots a pen square, its top-left pixel on
// the current point, at each of major + 1 steps. The plain versions do exactly that, pixel by pixel.
//
// The exported versions visit each covered row once. Along the walk both coordinates move monotonically,
// so the steps whose squares reach a row are consecutive, and their squares cover one unbroken run of that
// row: from the smaller to the larger x of the first and last such step, plus pen - 1. The walk has a
// closed form (the minor coordinate after k steps is floor((2k * minor + major) / (2 * major))), which
// places the first and last step of the first row in the image without walking the steps before it; from
// row to row both move on by the walk's own increments.
//
// Visiting each covered pixel once gives the same picture as the walk: painting a pixel twice (with or
// without the key colour test) leaves it as painting it once, and the inverting walk skips a pixel that the
// previous square covered, so with consecutive covering steps every covered pixel is inverted exactly once.
#include <algorithm>
#include <cstddef>

#include "image/fill.h"
#include "image/image_record.h"
#include "image/runs.h"

namespace ox::image {
namespace {

// The end points, signs and error-term constants of a line.
struct LineShape {
    int64_t x1, y1;
    int64_t sx, sy;  // -1, 0 or +1
    bool steep;      // y is the major axis
    int64_t major;   // at least 1: a zero-length line is walked as major 1
    int64_t minor;
};

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

// The walk's state after k steps, kept for one index k that moves forward one step at a time: the minor
// coordinate offset m (minor-axis steps taken before step k is plotted) and the error term e tested at
// step k. seek() places it anywhere by the closed form, next() is one step of the walk.
class WalkTracker {
public:
    explicit WalkTracker(const LineShape &s) : minor_(s.minor), major_(s.major) {}
    void seek(int64_t k) {
        if (minor_ == 0) return;  // m stays 0
        const i128 twice_k_minor = i128{2} * k * minor_;
        m_ = static_cast<int64_t>((twice_k_minor + major_) / (2 * major_));
        e_ = static_cast<int64_t>(twice_k_minor + 2 * minor_ - major_ - i128{2} * m_ * major_);
    }
    void next() {  // written without a branch: the compiler makes conditional moves of it
        const bool step = e_ >= 0;
        m_ += step;
        e_ += step ? 2 * (minor_ - major_) : 2 * minor_;
    }
    int64_t minor_steps() const { return m_; }

private:
    using i128 = __int128;
    int64_t minor_, major_;
    int64_t m_ = 0, e_ = -1;
};

// The first step plotted after t minor-axis steps, for t >= 1 moving forward one at a time: the least k
// with 2k * minor + major >= 2t * major, that is ceil((2t - 1) * major / (2 * minor)). Needs minor >= 1.
class RunStartTracker {
public:
    explicit RunStartTracker(const LineShape &s)
        : den_(2 * s.minor), dq_(2 * s.major / den_), dr_(2 * s.major % den_), major_(s.major) {}
    void seek(int64_t t) {
        const unsigned __int128 num = static_cast<unsigned __int128>(2 * t - 1) * static_cast<uint64_t>(major_) +
                                      static_cast<uint64_t>(den_ - 1);
        q_ = static_cast<int64_t>(num / static_cast<uint64_t>(den_));
        r_ = static_cast<int64_t>(num % static_cast<uint64_t>(den_));
    }
    void next() {  // the numerator grows by 2 * major
        r_ += dr_;
        const bool carry = r_ >= den_;
        q_ += dq_ + carry;
        r_ -= carry ? den_ : 0;
    }
    int64_t step() const { return q_; }

private:
    int64_t den_, dq_, dr_, major_;
    int64_t q_ = 0, r_ = 0;
};

// Calls emit(y, xa, xb) for each row y in 0..height - 1 that the pen squares of the line reach, where xa
// and xb are the x of the first and last step whose square reaches the row (unclipped). Rows come in the
// walk's direction; for each, [a, b] is the range of offsets along the row axis (steps when steep, minor
// steps otherwise) whose squares reach it, and both ends move forward by one per row.
template <class Emit>
void find_line_runs(const LineShape &s, int64_t pen, int32_t height, Emit &emit) {
    if (s.sy == 0) {  // a level line (or a point): every square on the rows y1 .. y1 + pen - 1
        const int64_t last = std::min<int64_t>(height - 1, s.y1 + pen - 1);
        for (int64_t y = std::max<int64_t>(0, s.y1); y <= last; ++y) emit(y, s.x1, s.x1 + s.sx * s.major);
        return;
    }
    const int64_t limit = s.steep ? s.major : s.minor;  // the last offset along the row axis
    const int64_t y_end = s.y1 + s.sy * limit;
    int64_t y, rows, a;
    if (s.sy > 0) {
        y = std::max<int64_t>(0, s.y1);
        rows = std::min<int64_t>(height - 1, y_end + pen - 1) - y + 1;
        a = y - pen + 1 - s.y1;
    } else {
        y = std::min<int64_t>(height - 1, s.y1 + pen - 1);
        rows = y - std::max<int64_t>(0, y_end) + 1;
        a = s.y1 - y;
    }
    int64_t b = a + pen - 1;  // b >= 0 on the first row, and a <= limit on every row
    if (s.steep) {
        WalkTracker first(s), last(s);
        first.seek(std::max<int64_t>(a, 0));
        last.seek(std::min(b, limit));
        for (; rows > 0; --rows, y += s.sy) {
            emit(y, s.x1 + s.sx * first.minor_steps(), s.x1 + s.sx * last.minor_steps());
            if (++a > 0) first.next();
            if (++b <= limit) last.next();
        }
        return;
    }
    // Not steep: the squares of the rows a..b of minor steps, from the first step after a minor steps to the
    // last step before b + 1 of them.
    RunStartTracker first(s), after_last(s);
    first.seek(std::max<int64_t>(a, 1));
    after_last.seek(std::min(b + 1, limit));
    for (; rows > 0; --rows, y += s.sy) {
        const int64_t ka = a <= 0 ? 0 : first.step();
        const int64_t kb = b >= limit ? s.major : after_last.step() - 1;
        emit(y, s.x1 + s.sx * ka, s.x1 + s.sx * kb);
        if (++a > 1) first.next();
        if (++b + 1 <= limit) after_last.next();
    }
}

// Calls run(y, lo, hi) for each row y of the image that the pen squares of the line reach, with the
// covered pixels lo..hi of that row clipped to the image (lo <= hi).
//
// A thin line touches a new cache line, often a new page, on every row; each run is prefetched when found
// and drawn a few rows later, so that the misses overlap. The runs are disjoint, so their order is free.
template <class Run>
void for_each_line_run(const OxImageLockRec &rec, const LineShape &s, int64_t pen, Run run) {
    const int32_t width = rec.maxX + 1, height = rec.maxY + 1, bits = rec.header->bitCount;
    struct Pending {
        int32_t y, lo, hi;
    };
    constexpr std::size_t kAhead = 8;
    Pending ahead[kAhead];
    std::size_t found = 0;
    auto emit = [&](int64_t y, int64_t xa, int64_t xb) {
        const int64_t lo = std::max<int64_t>(std::min(xa, xb), 0);
        const int64_t hi = std::min<int64_t>(std::max(xa, xb) + pen - 1, width - 1);
        if (lo > hi) return;
        __builtin_prefetch(row_ptr(rec, static_cast<int32_t>(y)) + ((lo * bits) >> 3), 1);
        Pending &slot = ahead[found++ % kAhead];
        if (found > kAhead) run(slot.y, slot.lo, slot.hi);
        slot = {static_cast<int32_t>(y), static_cast<int32_t>(lo), static_cast<int32_t>(hi)};
    };
    find_line_runs(s, pen, height, emit);
    for (std::size_t i = found > kAhead ? found - kAhead : 0; i < found; ++i) {
        const Pending &slot = ahead[i % kAhead];
        run(slot.y, slot.lo, slot.hi);
    }
}

// Applies a byte operation to every pixel of the line on an 8-, 24- or 32-bit image.
void apply_to_line(const OxImageLockRec &rec, const LineShape &s, int32_t pen, int bpp, const PixelBytesOp &op) {
    for_each_line_run(rec, s, pen, [&](int32_t y, int32_t lo, int32_t hi) {
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
        for_each_line_run(rec, s, penSize,
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
        for_each_line_run(rec, s, penSize, [&](int32_t y, int32_t lo, int32_t hi) {
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
        for_each_line_run(rec, s, penSize,
                          [&](int32_t y, int32_t lo, int32_t hi) { flip_bit_run(row_ptr(rec, y), lo, hi); });
        return 1;
    }
    if (!has_byte_pixels(bits)) return 1;
    // Colour bytes inverted, the fourth byte of a 32-bit pixel kept (the inversion is stored under the
    // mask 0xFFFFFF).
    const uint8_t keep[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    uint8_t flip[4];
    const int bpp = pixel_bytes(bits, 0xFFFFFFu, flip);
    apply_to_line(rec, s, penSize, bpp, PixelBytesOp(keep, flip, bpp));
    return 1;
}

}  // extern "C"
