// Edges, caption buttons and caption strips drawn into a context's pixels.
#include "platform/frame_drawing.h"

#include <algorithm>
#include <string>

#include "platform/font.h"
#include "platform/gdi_state.h"

namespace ox::platform {

using namespace detail;

namespace {

// One ring on the sides `flags` names: `lt` on the left and top, `rb` on the right and bottom (which take
// the corners they share with the others).
void ring(Surface &s, const OxRect &r, uint32_t flags, uint32_t lt, uint32_t rb) {
    const int64_t l = r.left, t = r.top, rr = int64_t{r.right} - 1, b = int64_t{r.bottom} - 1;
    if (l > rr || t > b) return;
    if (flags & kBfTop) fill_box(s, l, t, rr, t, lt);
    if (flags & kBfLeft) fill_box(s, l, t, l, b, lt);
    if (flags & kBfBottom) fill_box(s, l, b, rr, b, rb);
    if (flags & kBfRight) fill_box(s, rr, t, rr, b, rb);
}

void edge_on(Surface &s, OxRect r, uint32_t edge, uint32_t flags) {
    struct Border {
        uint32_t bit;
        int lt, rb;
    };
    static constexpr Border kOuter[] = {{kBdrRaisedOuter, kColor3dLight, kColor3dDkShadow},
                                        {kBdrSunkenOuter, kColorBtnShadow, kColorBtnHighlight}};
    static constexpr Border kInner[] = {{kBdrRaisedInner, kColorBtnHighlight, kColorBtnShadow},
                                        {kBdrSunkenInner, kColor3dDkShadow, kColor3dLight}};
    for (const auto *rings : {kOuter, kInner}) {
        for (int i = 0; i < 2; ++i)
            if (edge & rings[i].bit) {
                ring(s, r, flags, get_sys_color(rings[i].lt), get_sys_color(rings[i].rb));
                break;
            }
        // The next ring (or the middle) lies a pixel inside on the sides drawn.
        if (flags & kBfLeft) ++r.left;
        if (flags & kBfTop) ++r.top;
        if (flags & kBfRight) --r.right;
        if (flags & kBfBottom) --r.bottom;
    }
    if (flags & kBfMiddle)
        fill_box(s, r.left, r.top, int64_t{r.right} - 1, int64_t{r.bottom} - 1, get_sys_color(kColorBtnFace));
}

Surface *surface_of(State &s, OxwDC dc) {
    DcRecord *d = s.dcs.find(dc);
    return d ? dc_surface(s, *d) : nullptr;
}

// A stroke two pixels wide from (x0, y0) along the diagonal (dx = +-1 each step, dy = +1), n steps.
void diagonal(Surface &s, int64_t x, int64_t y, int64_t dx, int64_t n, uint32_t color) {
    for (int64_t i = 0; i < n; ++i, x += dx, ++y) fill_box(s, std::min(x, x + dx), y, std::max(x, x + dx), y, color);
}

}  // namespace

bool draw_edge(OxwDC dc, const OxRect *rect, uint32_t edge, uint32_t flags) {
    State &s = state();
    Guard g(s.mutex);
    Surface *surf = surface_of(s, dc);
    if (!rect || !s.dcs.find(dc)) return false;
    if (surf) edge_on(*surf, *rect, edge, flags);
    return true;
}

bool draw_frame_control(OxwDC dc, const OxRect *rect, uint32_t type, uint32_t state_bits) {
    State &s = state();
    Guard g(s.mutex);
    if (!rect || !s.dcs.find(dc) || type != kDfcCaption || (state_bits & ~kDfcsPushed) != kDfcsCaptionClose)
        return false;
    Surface *surf = surface_of(s, dc);
    if (!surf) return true;
    const OxRect r = *rect;
    const bool pushed = (state_bits & kDfcsPushed) != 0;
    edge_on(*surf, r, pushed ? kEdgeSunken : kEdgeRaised, kBfRect | kBfMiddle);
    const int64_t w = int64_t{r.right} - r.left, h = int64_t{r.bottom} - r.top;
    const int64_t side = std::min(w, h), margin = side / 4, n = side - 2 * margin - 1;
    if (n <= 0) return true;
    const int64_t x0 = r.left + (w - side) / 2 + margin + pushed, y0 = r.top + (h - side) / 2 + margin + pushed;
    const uint32_t ink = get_sys_color(kColorBtnText);
    diagonal(*surf, x0, y0, 1, n, ink);
    diagonal(*surf, x0 + n, y0, -1, n, ink);
    return true;
}

bool draw_caption(OxwWindow window, OxwDC dc, const OxRect *rect, uint32_t flags) {
    State &s = state();
    Guard g(s.mutex);
    const WindowRecord *w = window ? s.windows.find(window) : nullptr;
    if (!rect || !s.dcs.find(dc) || (window && !w)) return false;
    Surface *surf = surface_of(s, dc);
    if (!surf) return true;
    const OxRect r = *rect;
    const bool active = flags & kDcActive;
    const uint32_t from = get_sys_color(active ? kColorActiveCaption : kColorInactiveCaption);
    const uint32_t to = flags & kDcGradient
                            ? get_sys_color(active ? kColorGradientActiveCaption : kColorGradientInactiveCaption)
                            : from;
    const int64_t width = int64_t{r.right} - r.left;
    for (int64_t i = 0; i < width; ++i) {
        uint32_t c = 0;
        for (int shift = 0; shift < 24; shift += 8) {  // each channel from `from` to `to` across the strip
            const int64_t a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
            c |= static_cast<uint32_t>(a + (b - a) * i / std::max<int64_t>(width - 1, 1)) << shift;
        }
        fill_box(*surf, r.left + i, r.top, r.left + i, int64_t{r.bottom} - 1, c);
    }
    if (!(flags & kDcText) || !w || w->text.empty()) return true;
    const std::string text = w->text;
    const GdiObject font = create_font(interface_font(flags & kDcSmallCap ? 400 : 700));
    const GdiObject old_font = font ? select_object(dc, font) : 0;
    if (old_font) {
        const int old_mode = set_bk_mode(dc, kTransparent);
        const uint32_t caption_text = get_sys_color(active ? kColorCaptionText : kColorInactiveCaptionText);
        const uint32_t old_color = set_text_color(dc, caption_text);
        TextMetrics tm;
        get_text_metrics(dc, &tm);
        text_out(dc, r.left + 2, r.top + (r.bottom - r.top - tm.height) / 2, text.data(), text.size(), &r);
        set_text_color(dc, old_color);
        set_bk_mode(dc, old_mode);
        select_object(dc, old_font);
    }
    if (font) delete_object(font);
    return true;
}

}  // namespace ox::platform
