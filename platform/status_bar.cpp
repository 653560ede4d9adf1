// The status bar control: its record of panes and texts beside the window, and its painting.
#include "platform/status_bar.h"

#include <algorithm>
#include <map>
#include <vector>

#include "core/errors.h"
#include "platform/font.h"
#include "platform/gdi_state.h"
#include "platform/window.h"

namespace ox::platform {

using namespace detail;

namespace {

struct BarRecord {
    uint32_t style = 0;
    std::vector<int32_t> edges{-1};
    std::vector<std::string> texts{""};
};

// The bars' records, keyed by window; a record whose window is gone is dropped when next looked at. Guarded
// by the platform's lock.
std::map<OxwWindow, BarRecord> &bars() {
    static auto *b = new std::map<OxwWindow, BarRecord>;
    return *b;
}

BarRecord *find_bar(State &s, OxwWindow bar) {
    auto it = bars().find(bar);
    if (it == bars().end()) return nullptr;
    if (!s.windows.find(bar)) {
        bars().erase(it);
        return nullptr;
    }
    return &it->second;
}

// Colours of the frame and text (system colour indices).
constexpr int kFace = 15, kShadow = 16, kText = 18, kHighlight = 20;

// Pane edges are clamped to the bar, so pane widths stay small numbers whatever the edges say.
OxRect pane_rect(const BarRecord &b, const Surface &surf, std::size_t pane) {
    auto edge = [&](int32_t e, int64_t after) {
        return e == -1 ? surf.width : std::clamp<int64_t>(e + after, 0, surf.width);
    };
    const auto left = static_cast<int32_t>(pane == 0 ? 0 : edge(b.edges[pane - 1], 2));
    const auto right = static_cast<int32_t>(edge(b.edges[pane], 0));
    return {left, kPaneTop, right, surf.height};
}

void fill(Surface &surf, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t color) {
    for (int32_t y = std::max(y0, 0); y < std::min(y1, surf.height); ++y)
        for (int32_t x = std::max(x0, 0); x < std::min(x1, surf.width); ++x) surf.put(x, y, color);
}

// One pane: face colour, a sunken frame, the text vertically centred and clipped to the frame's inside.
void paint_pane(State &s, OxwWindow bar, const BarRecord &b, std::size_t pane) {
    Surface &surf = s.windows.find(bar)->surface;
    const OxRect r = pane_rect(b, surf, pane);
    if (r.left >= r.right || r.top >= r.bottom) return;
    fill(surf, r.left, r.top, r.right, r.bottom, get_sys_color(kFace));
    fill(surf, r.left, r.top, r.right, r.top + 1, get_sys_color(kShadow));
    fill(surf, r.left, r.top, r.left + 1, r.bottom, get_sys_color(kShadow));
    fill(surf, r.left, r.bottom - 1, r.right, r.bottom, get_sys_color(kHighlight));
    fill(surf, r.right - 1, r.top, r.right, r.bottom, get_sys_color(kHighlight));
    const std::string &text = b.texts[pane];
    if (text.empty()) return;
    const OxwDC dc = add_window_dc(s, bar);
    const GdiObject font = create_font(interface_font(400));
    select_object(dc, font);
    set_bk_mode(dc, kTransparent);
    set_text_color(dc, get_sys_color(kText));
    TextMetrics tm;
    get_text_metrics(dc, &tm);
    const OxRect inside{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    text_out(dc, r.left + 3, r.top + (r.bottom - r.top - tm.height) / 2, text.data(), text.size(), &inside);
    remove_dc(s, dc);
    delete_object(font);
}

// The whole bar: face colour, every pane, the size grip's three ridges in the bottom-right corner.
void paint_bar(State &s, OxwWindow bar, const BarRecord &b) {
    Surface &surf = s.windows.find(bar)->surface;
    fill(surf, 0, 0, surf.width, surf.height, get_sys_color(kFace));
    for (std::size_t i = 0; i < b.edges.size(); ++i) paint_pane(s, bar, b, i);
    if (!(b.style & kStatusSizeGrip)) return;
    for (int32_t dy = 0; dy < 12 && dy < surf.height; ++dy)
        for (int32_t dx = 0; dx < 12 && dx < surf.width; ++dx) {
            const int32_t d = (dx + dy) % 4;
            if (dx + dy >= 12 || d == 3) continue;
            surf.put(surf.width - 1 - dx, surf.height - 1 - dy, get_sys_color(d == 2 ? kHighlight : kShadow));
        }
}

}  // namespace

OxwWindow create_status_bar(OxwWindow parent, uint32_t style, const char *text, int32_t id) {
    State &s = state();
    Guard g(s.mutex);
    OxRect client;
    if (!get_client_rect(parent, &client)) {
        core::set_last_error(OX_ERROR_INVALID_HANDLE);
        return 0;
    }
    const OxwWindow bar = create_window(parent, 0, client.bottom - kStatusBarHeight, client.right, kStatusBarHeight,
                                        (style & kStatusVisible) != 0, id);
    if (!bar) return 0;
    BarRecord &b = bars()[bar];
    b.style = style;
    b.texts[0] = text ? text : "";
    paint_bar(s, bar, b);
    return bar;
}

bool is_status_bar(OxwWindow bar) {
    State &s = state();
    Guard g(s.mutex);
    return find_bar(s, bar) != nullptr;
}

bool set_status_parts(OxwWindow bar, int32_t count, const int32_t *right_edges) {
    State &s = state();
    Guard g(s.mutex);
    BarRecord *b = find_bar(s, bar);
    if (!b || !right_edges || count < 1 || count > kMaxStatusParts) return false;
    b->edges.assign(right_edges, right_edges + count);
    b->texts.resize(static_cast<std::size_t>(count));
    paint_bar(s, bar, *b);
    return true;
}

bool set_status_text(OxwWindow bar, int32_t pane, const char *text) {
    State &s = state();
    Guard g(s.mutex);
    BarRecord *b = find_bar(s, bar);
    if (!b || pane < 0 || static_cast<std::size_t>(pane) >= b->texts.size()) return false;
    b->texts[static_cast<std::size_t>(pane)] = text ? text : "";
    paint_pane(s, bar, *b, static_cast<std::size_t>(pane));
    return true;
}

bool get_status_text(OxwWindow bar, int32_t pane, std::string *text) {
    State &s = state();
    Guard g(s.mutex);
    BarRecord *b = find_bar(s, bar);
    if (!b || pane < 0 || static_cast<std::size_t>(pane) >= b->texts.size()) return false;
    *text = b->texts[static_cast<std::size_t>(pane)];
    return true;
}

bool get_status_rect(OxwWindow bar, int32_t pane, OxRect *rect) {
    State &s = state();
    Guard g(s.mutex);
    BarRecord *b = find_bar(s, bar);
    if (!b || pane < 0 || static_cast<std::size_t>(pane) >= b->edges.size()) return false;
    *rect = pane_rect(*b, s.windows.find(bar)->surface, static_cast<std::size_t>(pane));
    return true;
}

bool move_status_bar(OxwWindow bar, int32_t x, int32_t y, int32_t width, int32_t height) {
    State &s = state();
    Guard g(s.mutex);
    BarRecord *b = find_bar(s, bar);
    if (!b || !move_window(bar, x, y, width, height)) return false;
    paint_bar(s, bar, *b);
    return true;
}

}  // namespace ox::platform
