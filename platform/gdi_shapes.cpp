// Filled and outlined shapes on a context: rectangles, polygons and inversion.
#include <algorithm>
#include <vector>

#include "platform/gdi_state.h"

namespace ox::platform {

using namespace detail;

namespace detail {

void fill_box(Surface &s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t color) {
    x0 = std::max<int64_t>(x0, 0);
    y0 = std::max<int64_t>(y0, 0);
    x1 = std::min<int64_t>(x1, s.width - 1);
    y1 = std::min<int64_t>(y1, s.height - 1);
    if (x0 > x1 || y0 > y1) return;
    for (int64_t y = y0; y <= y1; ++y) {
        if (s.bits == 32) {
            std::fill(s.row32(static_cast<int32_t>(y)) + x0, s.row32(static_cast<int32_t>(y)) + x1 + 1, bgrx_of(color));
        } else {
            for (int64_t x = x0; x <= x1; ++x) s.put(static_cast<int32_t>(x), static_cast<int32_t>(y), color);
        }
    }
}

}  // namespace detail

namespace {

using i128 = __int128;

// floor(a / b) for b > 0.
int64_t floor_div(i128 a, i128 b) {
    i128 q = a / b;
    if ((a % b != 0) && (a < 0)) --q;
    return static_cast<int64_t>(q);
}

struct Paint {
    Surface *surface = nullptr;
    const GdiRecord *pen = nullptr, *brush = nullptr;  // null when drawing nothing with it
};

// The context's surface and its pen and brush, unless they draw nothing.
bool paint_of(State &s, OxwDC h, Paint *p) {
    DcRecord *dc = s.dcs.find(h);
    p->surface = dc ? dc_surface(s, *dc) : nullptr;
    if (!p->surface) return false;
    p->pen = find_object(s, dc->pen, ObjectKind::pen);
    p->brush = find_object(s, dc->brush, ObjectKind::brush);
    if (p->pen && p->pen->style == kPenNull) p->pen = nullptr;
    if (p->brush && p->brush->style != 0) p->brush = nullptr;
    return true;
}

// A one-pixel line from a to b, both ends included: along the major axis every step is one pixel and the
// minor coordinate is the exact one rounded half up. Only the steps that can land on the surface are
// walked, so far-away end points cost nothing.
void line(Surface &s, OxPoint a, OxPoint b, uint32_t color) {
    const int64_t dx = int64_t{b.x} - a.x, dy = int64_t{b.y} - a.y;
    const bool x_major = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const int64_t major = x_major ? dx : dy, minor = x_major ? dy : dx;
    const int64_t start = x_major ? a.x : a.y, minor_start = x_major ? a.y : a.x;
    const int64_t n = major < 0 ? -major : major, step = major < 0 ? -1 : 1;
    const int64_t limit = x_major ? s.width : s.height;
    // Steps k in [0, n] whose major coordinate start + step * k lies in [0, limit).
    int64_t k0 = step > 0 ? -start : start - (limit - 1), k1 = step > 0 ? limit - 1 - start : start;
    k0 = std::max<int64_t>(k0, 0);
    k1 = std::min(k1, n);
    for (int64_t k = k0; k <= k1; ++k) {
        const int64_t m = start + step * k;
        const int64_t o = n == 0 ? minor_start : minor_start + floor_div(i128{2} * k * minor + n, i128{2} * n);
        const int64_t x = x_major ? m : o, y = x_major ? o : m;
        if (s.inside(static_cast<int32_t>(x), static_cast<int32_t>(y)))
            s.put(static_cast<int32_t>(x), static_cast<int32_t>(y), color);
    }
}

}  // namespace

bool fill_rect(OxwDC dc, const OxRect &rect, GdiObject brush) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    Surface *surf = d ? dc_surface(s, *d) : nullptr;
    const GdiRecord *b = find_object(s, brush, ObjectKind::brush);
    if (!surf || !b) return false;
    if (b->style == 0)
        fill_box(*surf, rect.left, rect.top, int64_t{rect.right} - 1, int64_t{rect.bottom} - 1, b->color);
    return true;
}

bool rectangle(OxwDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    State &s = state();
    Guard g(s.mutex);
    Paint p;
    if (!paint_of(s, dc, &p)) return false;
    const int64_t l = std::min(left, right), r = std::max(left, right);
    const int64_t t = std::min(top, bottom), b = std::max(top, bottom);
    if (l == r || t == b) return true;
    if (!p.pen) {
        if (p.brush) fill_box(*p.surface, l, t, r - 2, b - 2, p.brush->color);
        return true;
    }
    if (p.brush) fill_box(*p.surface, l + 1, t + 1, r - 2, b - 2, p.brush->color);
    // The pen's band: `out` pixels outside the one-pixel outline, `in` inside it.
    const int64_t w = p.pen->width, out = w / 2, in = w - 1 - out;
    const int64_t ox0 = l - out, oy0 = t - out, ox1 = r - 1 + out, oy1 = b - 1 + out;
    const int64_t ix0 = l + in + 1, iy0 = t + in + 1, ix1 = r - 2 - in, iy1 = b - 2 - in;
    if (ix0 > ix1 || iy0 > iy1) {
        fill_box(*p.surface, ox0, oy0, ox1, oy1, p.pen->color);
        return true;
    }
    fill_box(*p.surface, ox0, oy0, ox1, iy0 - 1, p.pen->color);
    fill_box(*p.surface, ox0, iy1 + 1, ox1, oy1, p.pen->color);
    fill_box(*p.surface, ox0, iy0, ix0 - 1, iy1, p.pen->color);
    fill_box(*p.surface, ix1 + 1, iy0, ox1, iy1, p.pen->color);
    return true;
}

bool polygon(OxwDC dc, std::span<const OxPoint> points) {
    State &s = state();
    Guard g(s.mutex);
    Paint p;
    if (!paint_of(s, dc, &p)) return false;
    const std::size_t n = points.size();
    if (n < 2) return true;
    Surface &surf = *p.surface;
    if (p.brush) {
        int64_t ymin = INT64_MAX, ymax = INT64_MIN;
        for (const OxPoint &pt : points) {
            ymin = std::min<int64_t>(ymin, pt.y);
            ymax = std::max<int64_t>(ymax, pt.y);
        }
        std::vector<int64_t> xs;
        for (int64_t y = std::max<int64_t>(ymin, 0); y <= std::min<int64_t>(ymax, surf.height - 1); ++y) {
            // Each edge that spans row y (upper end included, lower end not) crosses it once; a pixel is
            // inside when an odd number of crossings lie at or left of it.
            xs.clear();
            for (std::size_t i = 0; i < n; ++i) {
                const OxPoint a = points[i], b = points[(i + 1) % n];
                if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) continue;
                const i128 den = int64_t{b.y} - a.y;
                const i128 num = i128{a.x} * den + i128{y - a.y} * (int64_t{b.x} - a.x);
                xs.push_back(den > 0 ? -floor_div(-num, den) : -floor_div(num, -den));  // ceil(num / den)
            }
            std::sort(xs.begin(), xs.end());
            for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
                fill_box(surf, xs[i], y, xs[i + 1] - 1, y, p.brush->color);
        }
    }
    if (p.pen)
        for (std::size_t i = 0; i < n; ++i) line(surf, points[i], points[(i + 1) % n], p.pen->color);
    return true;
}

bool ext_flood_fill(OxwDC dc, int32_t x, int32_t y, uint32_t color, uint32_t type) {
    State &s = state();
    Guard g(s.mutex);
    Paint p;
    if (!paint_of(s, dc, &p) || !p.surface->inside(x, y) || type > kFloodFillSurface) return false;
    Surface &surf = *p.surface;
    color &= 0xFFFFFF;
    if (surf.bits == 1) color = is_light(color) ? 0xFFFFFF : 0;
    // A pixel belongs to the area while it has the colour (surface) or lacks it (border).
    const bool inside_colour = type == kFloodFillSurface;
    const auto member = [&](int32_t px, int32_t py) { return (surf.get(px, py) == color) == inside_colour; };
    if (!member(x, y)) return false;
    if (!p.brush) return true;
    // Scanline fill over 4-neighbours; `seen` keeps a brush colour that is itself a member from looping.
    std::vector<uint8_t> seen(static_cast<std::size_t>(surf.width) * surf.height, 0);
    const auto at = [&](int32_t px, int32_t py) -> uint8_t & {
        return seen[static_cast<std::size_t>(py) * surf.width + px];
    };
    std::vector<OxPoint> stack{{x, y}};
    while (!stack.empty()) {
        const OxPoint pt = stack.back();
        stack.pop_back();
        if (at(pt.x, pt.y)) continue;
        int32_t x0 = pt.x, x1 = pt.x;
        while (x0 > 0 && !at(x0 - 1, pt.y) && member(x0 - 1, pt.y)) --x0;
        while (x1 + 1 < surf.width && !at(x1 + 1, pt.y) && member(x1 + 1, pt.y)) ++x1;
        for (int32_t px = x0; px <= x1; ++px) at(px, pt.y) = 1;
        for (const int32_t ny : {pt.y - 1, pt.y + 1}) {
            if (ny < 0 || ny >= surf.height) continue;
            for (int32_t px = x0; px <= x1; ++px)
                if (!at(px, ny) && member(px, ny) && (px == x0 || at(px - 1, ny) || !member(px - 1, ny)))
                    stack.push_back({px, ny});
        }
    }
    for (int32_t py = 0; py < surf.height; ++py)
        for (int32_t px = 0; px < surf.width; ++px)
            if (at(px, py)) surf.put(px, py, p.brush->color);
    return true;
}

bool invert_rect(OxwDC dc, const OxRect &rect) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    Surface *surf = d ? dc_surface(s, *d) : nullptr;
    if (!surf) return false;
    const int32_t x0 = std::max(rect.left, 0), y0 = std::max(rect.top, 0);
    const int32_t x1 = std::min(rect.right, surf->width), y1 = std::min(rect.bottom, surf->height);
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
            if (surf->bits == 32)
                surf->row32(y)[x] ^= 0xFFFFFF;
            else
                surf->row(y)[x >> 3] ^= static_cast<uint8_t>(0x80 >> (x & 7));
        }
    return true;
}

}  // namespace ox::platform
