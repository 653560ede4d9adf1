// Font objects and text output of the platform stand-in: laying a decoded text out with the context's
// font and alignment, then drawing, measuring or bounding it.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/errors.h"
#include "platform/font_face.h"
#include "platform/gdi_state.h"

namespace ox::platform {

using namespace detail;

namespace {

// A text laid out with its face: each glyph with its pen position relative to the text's left end. Holds
// the face's lock, so the glyph pointers stay valid while it lives.
struct Layout {
    std::shared_ptr<FontFace> face;
    std::unique_lock<std::mutex> lock;
    LogFont record;
    std::vector<std::pair<const Glyph *, int64_t>> glyphs;
    int64_t width = 0;

    Layout(const LogFont &r, const char *text, std::size_t size)
        : face(FontFace::of(r)), lock(face->lock()), record(r) {
        face->trim_cache();
        std::u32string codes;
        core::decode_text(oxGetCodePage(), text, text ? size : 0, codes);
        glyphs.reserve(codes.size());
        for (char32_t c : codes) {
            const Glyph &g = face->glyph(c);
            glyphs.emplace_back(&g, width);
            width += g.advance;
        }
    }
};

// The record of the font a context holds (the system font's when it holds none that is alive).
LogFont font_of(State &s, const DcRecord &dc) {
    const GdiRecord *f = find_object(s, dc.font, ObjectKind::font);
    if (!f) f = find_object(s, s.stock[kSystemFont], ObjectKind::font);
    return f->logfont;
}

// Where the text's left end and baseline fall for the reference point (x, y) under the alignment.
struct Origin {
    int64_t x0, baseline;
};
Origin origin_of(const TextState &t, const Layout &l, int32_t x, int32_t y) {
    const uint32_t h = t.text_align & kTaCenter, v = t.text_align & kTaBaseline;
    const int64_t x0 = h == kTaRight ? x - l.width : h == kTaCenter ? x - l.width / 2 : int64_t{x};
    const int64_t base = v == kTaBaseline ? int64_t{y} : v == kTaBottom ? int64_t{y} - l.face->descent
                                                                         : int64_t{y} + l.face->ascent;
    return {x0, base};
}

// [x0, x1) x [y0, y1) in 64 bits, so that no text position overflows before clipping.
struct Bounds {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
    Bounds clip(const Bounds &o) const {
        return {std::max(x0, o.x0), std::max(y0, o.y0), std::min(x1, o.x1), std::min(y1, o.y1)};
    }
    void add(const Bounds &o) {
        if (o.empty()) return;
        *this = empty() ? o : Bounds{std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
    }
};

// The pieces text_out draws, each handed to `f` as (box, ink or null for a solid box, colour).
template <class F>
void for_each_piece(const TextState &t, const Layout &l, const Origin &o, F f) {
    const FontFace &face = *l.face;
    if (t.bk_mode == kOpaque)
        f(Bounds{o.x0, o.baseline - face.ascent, o.x0 + l.width, o.baseline + face.descent}, nullptr, t.bk_color);
    for (const auto &[g, pen] : l.glyphs) {
        const int64_t gx = o.x0 + pen + g->left, gy = o.baseline - g->top;
        f(Bounds{gx, gy, gx + g->width, gy + g->rows}, g, t.text_color);
    }
    if (l.record.underline) {
        const int64_t top = o.baseline + face.underline_top;
        f(Bounds{o.x0, top, o.x0 + l.width, top + face.underline_thickness}, nullptr, t.text_color);
    }
    if (l.record.strike_out) {
        const int64_t top = o.baseline + face.strike_top;
        f(Bounds{o.x0, top, o.x0 + l.width, top + face.strike_thickness}, nullptr, t.text_color);
    }
}

}  // namespace

GdiObject create_font(const LogFont &record) {
    auto r = std::make_unique<GdiRecord>();
    r->kind = ObjectKind::font;
    r->logfont = record;
    State &s = state();
    Guard g(s.mutex);
    return s.objects.add(std::move(r));
}

bool get_font_record(GdiObject font, LogFont *record) {
    State &s = state();
    Guard g(s.mutex);
    const GdiRecord *r = find_object(s, font, ObjectKind::font);
    if (!r) return false;
    *record = r->logfont;
    return true;
}

FaceInfo matched_face(const LogFont &record) { return FontFace::of(record)->info(); }

bool get_text_metrics(OxwDC dc, TextMetrics *tm) {
    State &s = state();
    Guard g(s.mutex);
    const DcRecord *d = s.dcs.find(dc);
    if (!d) return false;
    const LogFont r = font_of(s, *d);
    const auto face = FontFace::of(r);
    *tm = TextMetrics{};
    tm->ascent = face->ascent;
    tm->descent = face->descent;
    tm->height = face->ascent + face->descent;
    tm->internal_leading = std::max(0, tm->height - face->em);
    tm->ave_char_width = face->ave_char_width;
    tm->max_char_width = face->max_char_width;
    tm->weight = r.weight == 0 ? 400 : r.weight;
    tm->italic = r.italic;
    tm->underlined = r.underline;
    tm->struck_out = r.strike_out;
    tm->pitch_and_family = r.pitch_and_family;
    tm->char_set = r.char_set;
    return true;
}

LogFont interface_font(int32_t weight) {
    LogFont r;
    r.height = -11;
    r.weight = weight;
    r.pitch_and_family = 0x22;  // variable pitch, swiss
    switch (oxGetCodePage()) {
    case 932: r.char_set = kShiftJisCharset; break;
    case 936: r.char_set = kGb2312Charset; break;
    case 949: r.char_set = kHangulCharset; break;
    case 950: r.char_set = kBig5Charset; break;
    default: r.char_set = kDefaultCharset; break;
    }
    return r;
}

bool text_out(OxwDC dc, int32_t x, int32_t y, const char *text, std::size_t size, const OxRect *clip) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    if (!d) return false;
    Surface *surf = dc_surface(s, *d);
    if (!surf || size == 0) return true;
    Bounds area{0, 0, surf->width, surf->height};
    if (clip) area = area.clip(Bounds{clip->left, clip->top, clip->right, clip->bottom});
    const Layout l(font_of(s, *d), text, size);
    for_each_piece(d->text, l, origin_of(d->text, l, x, y), [&](const Bounds &b, const Glyph *ink, uint32_t color) {
        const Bounds c = b.clip(area);
        for (int64_t py = c.y0; py < c.y1; ++py)
            for (int64_t px = c.x0; px < c.x1; ++px)
                if (!ink || ink->ink[static_cast<std::size_t>((py - b.y0) * ink->width + (px - b.x0))])
                    surf->put(static_cast<int32_t>(px), static_cast<int32_t>(py), color);
    });
    return true;
}

bool get_text_extent(OxwDC dc, const char *text, std::size_t size, int32_t *width, int32_t *height) {
    State &s = state();
    Guard g(s.mutex);
    const DcRecord *d = s.dcs.find(dc);
    if (!d) return false;
    const Layout l(font_of(s, *d), text, size);
    *width = static_cast<int32_t>(std::min<int64_t>(l.width, INT32_MAX));
    *height = l.face->ascent + l.face->descent;
    return true;
}

bool get_text_bounds(OxwDC dc, int32_t x, int32_t y, const char *text, std::size_t size, OxRect *bounds) {
    State &s = state();
    Guard g(s.mutex);
    const DcRecord *d = s.dcs.find(dc);
    if (!d) return false;
    Bounds all;
    if (size > 0) {
        const Layout l(font_of(s, *d), text, size);
        for_each_piece(d->text, l, origin_of(d->text, l, x, y),
                       [&](const Bounds &b, const Glyph *, uint32_t) { all.add(b); });
    }
    auto narrow = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    *bounds = all.empty() ? OxRect{0, 0, 0, 0} : OxRect{narrow(all.x0), narrow(all.y0), narrow(all.x1), narrow(all.y1)};
    return true;
}

}  // namespace ox::platform
