// Windows of the platform stand-in: the tree, rectangles and pixels, visibility, text, properties, the
// update region and the windows' contexts.
#include "platform/window.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "platform/gdi_state.h"

namespace ox::platform {

using namespace detail;

namespace {

bool side_ok(int64_t v) { return v >= 0 && v <= kMaxWindowSide; }

// The part of `rect` (whole client area when null) inside the client area, as [x0, x1) x [y0, y1).
struct Bounds {
    int32_t x0, y0, x1, y1;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};
Bounds client_part(const WindowRecord &w, const OxRect *rect) {
    if (!rect) return {0, 0, w.surface.width, w.surface.height};
    return {std::max(rect->left, 0), std::max(rect->top, 0), std::min(rect->right, w.surface.width),
            std::min(rect->bottom, w.surface.height)};
}

void collect_tree(State &s, OxwWindow root, std::vector<OxwWindow> &out) {
    out.push_back(root);
    for (std::size_t i = out.size() - 1; i < out.size(); ++i) {
        const OxwWindow parent = out[i];
        s.windows.for_each([&](uintptr_t h, const WindowRecord &w) {
            if (w.parent == parent) out.push_back(h);
        });
    }
}

// Gives the window the rectangle `r` (false for a size outside 0..kMaxWindowSide or without memory): the
// pixels that stay inside keep their colour, new ones are white, the update region is cleared.
bool place(WindowRecord &w, const OxRect &r) {
    const int64_t width = int64_t{r.right} - r.left, height = int64_t{r.bottom} - r.top;
    if (!side_ok(width) || !side_ok(height)) return false;
    Surface next;
    if (!next.reset(static_cast<int32_t>(width), static_cast<int32_t>(height), 32, 0xFFFFFF)) return false;
    const int32_t cw = std::min(next.width, w.surface.width), ch = std::min(next.height, w.surface.height);
    for (int32_t row = 0; row < ch; ++row)
        std::memcpy(next.row32(row), w.surface.row32(row), static_cast<std::size_t>(cw) * 4);
    w.surface = std::move(next);
    w.rect = r;
    w.update.clear();
    w.erase = false;
    return true;
}

// Moves the window into `state`, remembering or putting back its restored rectangle.
bool change_show_state(State &s, WindowRecord &w, uint32_t show) {
    if (show < kShowNormal || show > kShowMaximized) {
        core::set_last_error(OX_ERROR_INVALID_PARAMETER);
        return false;
    }
    if (w.show_state == kShowNormal) w.normal_rect = w.rect;
    OxRect target = w.rect;
    if (show == kShowNormal) {
        target = w.normal_rect;
    } else if (show == kShowMaximized) {
        const WindowRecord *parent = w.parent ? s.windows.find(w.parent) : nullptr;
        target = parent ? OxRect{0, 0, parent->surface.width, parent->surface.height}
                        : OxRect{0, 0, s.screen_width, s.screen_height};
    }
    if ((target.left != w.rect.left || target.top != w.rect.top || target.right != w.rect.right ||
         target.bottom != w.rect.bottom) &&
        !place(w, target)) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    w.show_state = show;
    w.visible = true;
    return true;
}

template <class R, class F>
R with_window(OxwWindow h, R refused, F f) {
    State &s = state();
    Guard g(s.mutex);
    WindowRecord *w = s.windows.find(h);
    return w ? f(*w) : refused;
}

}  // namespace

OxwWindow create_window(OxwWindow parent, int32_t x, int32_t y, int32_t width, int32_t height, bool visible,
                        int32_t id) {
    State &s = state();
    Guard g(s.mutex);
    if ((parent != 0 && !s.windows.find(parent)) || !side_ok(width) || !side_ok(height)) {
        core::set_last_error(parent != 0 && !s.windows.find(parent) ? OX_ERROR_INVALID_HANDLE
                                                                     : OX_ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto w = std::make_unique<WindowRecord>();
    w->parent = parent;
    w->id = id;
    w->rect = {x, y, static_cast<int32_t>(int64_t{x} + width), static_cast<int32_t>(int64_t{y} + height)};
    w->visible = visible;
    if (!w->surface.reset(width, height, 32, 0xFFFFFF)) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return s.windows.add(std::move(w));
}

bool destroy_window(OxwWindow window) {
    State &s = state();
    Guard g(s.mutex);
    if (!s.windows.find(window)) return false;
    std::vector<OxwWindow> tree;
    collect_tree(s, window, tree);
    for (OxwWindow h : tree) {
        s.windows.remove(h);
        drop_window_messages(h);
    }
    return true;
}

bool is_window(OxwWindow window) {
    return with_window(window, false, [](WindowRecord &) { return true; });
}

OxwWindow get_parent(OxwWindow window) {
    return with_window(window, OxwWindow{0}, [](WindowRecord &w) { return w.parent; });
}

OxwWindow get_dlg_item(OxwWindow parent, int32_t id) {
    State &s = state();
    Guard g(s.mutex);
    if (!s.windows.find(parent)) return 0;
    OxwWindow found = 0;
    s.windows.for_each([&](uintptr_t h, const WindowRecord &w) {
        if (w.parent == parent && w.id == id && (found == 0 || h < found)) found = h;  // the first made
    });
    return found;
}

bool get_window_rect(OxwWindow window, OxRect *rect) {
    return with_window(window, false, [&](WindowRecord &w) {
        *rect = w.rect;
        return true;
    });
}

bool get_client_rect(OxwWindow window, OxRect *rect) {
    return with_window(window, false, [&](WindowRecord &w) {
        *rect = {0, 0, w.surface.width, w.surface.height};
        return true;
    });
}

bool move_window(OxwWindow window, int32_t x, int32_t y, int32_t width, int32_t height) {
    return set_window_pos(window, 0, x, y, width, height, 0);
}

bool set_window_pos(OxwWindow window, OxwWindow, int32_t x, int32_t y, int32_t width, int32_t height,
                    uint32_t flags) {
    return with_window(window, false, [&](WindowRecord &w) {
        const OxRect &r = w.rect;
        if (flags & kSwpNoMove) {
            x = r.left;
            y = r.top;
        }
        if (flags & kSwpNoSize) {
            width = r.right - r.left;
            height = r.bottom - r.top;
        }
        if (!side_ok(width) || !side_ok(height)) return false;
        return place(w, {x, y, static_cast<int32_t>(int64_t{x} + width), static_cast<int32_t>(int64_t{y} + height)});
    });
}

bool set_window_module(OxwWindow window, OxwModule module) {
    return with_window(window, false, [&](WindowRecord &w) {
        w.module = module;
        return true;
    });
}

OxwModule get_window_module(OxwWindow window) {
    return with_window(window, OxwModule{0}, [](WindowRecord &w) { return w.module; });
}

bool get_window_styles(OxwWindow window, uint32_t *style, uint32_t *ex_style) {
    return with_window(window, false, [&](WindowRecord &w) {
        *style = w.style;
        *ex_style = w.ex_style;
        return true;
    });
}

bool show_window(OxwWindow window, bool visible) {
    return with_window(window, false, [&](WindowRecord &w) { return std::exchange(w.visible, visible); });
}

bool enable_window(OxwWindow window, bool enable) {
    return with_window(window, false, [&](WindowRecord &w) { return !std::exchange(w.enabled, enable); });
}

bool is_window_enabled(OxwWindow window) {
    return with_window(window, false, [](WindowRecord &w) { return w.enabled; });
}

bool get_window_screen_rect(OxwWindow window, OxRect *rect) {
    State &s = state();
    Guard g(s.mutex);
    const WindowRecord *w = s.windows.find(window);
    if (!w) return false;
    *rect = w->rect;
    for (const WindowRecord *p = s.windows.find(w->parent); p; p = s.windows.find(p->parent)) {
        rect->left += p->rect.left;
        rect->right += p->rect.left;
        rect->top += p->rect.top;
        rect->bottom += p->rect.top;
    }
    return true;
}

bool set_show_state(OxwWindow window, uint32_t show) {
    State &s = state();
    Guard g(s.mutex);
    WindowRecord *w = s.windows.find(window);
    return w && change_show_state(s, *w, show);
}

bool get_window_placement(OxwWindow window, OxwWindowPlacement *wp) {
    return with_window(window, false, [&](WindowRecord &w) {
        *wp = {44, 0, w.show_state, w.min_position, w.max_position,
               w.show_state == kShowNormal ? w.rect : w.normal_rect};
        return true;
    });
}

bool set_window_placement(OxwWindow window, const OxwWindowPlacement *wp) {
    State &s = state();
    Guard g(s.mutex);
    WindowRecord *w = s.windows.find(window);
    if (!w) return false;
    const OxRect &r = wp->rcNormalPosition;
    if (wp->length != 44 || wp->showCmd > kShowMaximized || !side_ok(int64_t{r.right} - r.left) ||
        !side_ok(int64_t{r.bottom} - r.top)) {
        core::set_last_error(OX_ERROR_INVALID_PARAMETER);
        return false;
    }
    w->min_position = wp->ptMinPosition;
    w->max_position = wp->ptMaxPosition;
    // The record's rectangle becomes the restored one, whichever state comes next.
    if (w->show_state != kShowNormal) {
        w->normal_rect = r;
    } else if (!place(*w, r)) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (wp->showCmd == 0) {
        w->visible = false;
        return true;
    }
    return change_show_state(s, *w, wp->showCmd);
}

bool set_class_cursor(OxwWindow window, uintptr_t cursor) {
    return with_window(window, false, [&](WindowRecord &w) {
        w.class_cursor = cursor;
        return true;
    });
}

uintptr_t get_class_cursor(OxwWindow window) {
    return with_window(window, uintptr_t{0}, [](WindowRecord &w) { return w.class_cursor; });
}

bool is_window_visible(OxwWindow window) {
    State &s = state();
    Guard g(s.mutex);
    const WindowRecord *w = s.windows.find(window);
    if (!w) return false;
    for (; w; w = w->parent ? s.windows.find(w->parent) : nullptr)
        if (!w->visible) return false;
    return true;
}

bool set_window_text(OxwWindow window, const char *text) {
    return with_window(window, false, [&](WindowRecord &w) {
        try {
            w.text = text ? text : "";
        } catch (const std::bad_alloc &) {
            return false;
        }
        return true;
    });
}

bool get_window_text(OxwWindow window, std::string *text) {
    return with_window(window, false, [&](WindowRecord &w) {
        *text = w.text;
        return true;
    });
}

bool set_prop(OxwWindow window, const char *name, uintptr_t value) {
    if (!name) return false;
    return with_window(window, false, [&](WindowRecord &w) {
        try {
            w.props[name] = value;
        } catch (const std::bad_alloc &) {
            return false;
        }
        return true;
    });
}

uintptr_t get_prop(OxwWindow window, const char *name) {
    if (!name) return 0;
    return with_window(window, uintptr_t{0}, [&](WindowRecord &w) {
        auto it = w.props.find(name);
        return it == w.props.end() ? uintptr_t{0} : it->second;
    });
}

uintptr_t remove_prop(OxwWindow window, const char *name) {
    if (!name) return 0;
    return with_window(window, uintptr_t{0}, [&](WindowRecord &w) {
        auto it = w.props.find(name);
        if (it == w.props.end()) return uintptr_t{0};
        const uintptr_t v = it->second;
        w.props.erase(it);
        return v;
    });
}

OxwDC get_dc(OxwWindow window) {
    State &s = state();
    Guard g(s.mutex);
    if (window != 0 && !s.windows.find(window)) return 0;
    return add_window_dc(s, window);
}

bool release_dc(OxwWindow window, OxwDC dc) {
    State &s = state();
    Guard g(s.mutex);
    const DcRecord *d = s.dcs.find(dc);
    if (!d || d->memory || d->display || d->window != window) return false;
    remove_dc(s, dc);
    return true;
}

bool invalidate_rect(OxwWindow window, const OxRect *rect, bool erase) {
    return with_window(window, false, [&](WindowRecord &w) {
        const Bounds b = client_part(w, rect);
        if (b.empty()) return true;
        if (w.update.empty()) {
            try {
                w.update.assign(static_cast<std::size_t>(w.surface.width) * w.surface.height, 0);
            } catch (const std::bad_alloc &) {
                return false;
            }
        }
        for (int32_t y = b.y0; y < b.y1; ++y)
            std::fill_n(w.update.begin() + static_cast<std::ptrdiff_t>(y) * w.surface.width + b.x0, b.x1 - b.x0, 1);
        w.erase = w.erase || erase;
        return true;
    });
}

bool validate_rect(OxwWindow window, const OxRect *rect) {
    return with_window(window, false, [&](WindowRecord &w) {
        const Bounds b = client_part(w, rect);
        if (w.update.empty() || b.empty()) return true;
        for (int32_t y = b.y0; y < b.y1; ++y)
            std::fill_n(w.update.begin() + static_cast<std::ptrdiff_t>(y) * w.surface.width + b.x0, b.x1 - b.x0, 0);
        if (std::find(w.update.begin(), w.update.end(), 1) == w.update.end()) {
            w.update.clear();
            w.erase = false;
        }
        return true;
    });
}

bool get_update_rect(OxwWindow window, OxRect *rect, bool *erase) {
    return with_window(window, false, [&](WindowRecord &w) {
        OxRect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (int32_t y = 0; !w.update.empty() && y < w.surface.height; ++y)
            for (int32_t x = 0; x < w.surface.width; ++x)
                if (w.update[static_cast<std::size_t>(y) * w.surface.width + x]) {
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
                }
        const bool any = box.left != INT32_MAX;
        *rect = any ? box : OxRect{0, 0, 0, 0};
        if (erase) *erase = any && w.erase;
        return any;
    });
}

bool update_region_contains(OxwWindow window, int32_t x, int32_t y) {
    return with_window(window, false, [&](WindowRecord &w) {
        return !w.update.empty() && w.surface.inside(x, y) &&
               w.update[static_cast<std::size_t>(y) * w.surface.width + x] != 0;
    });
}

namespace detail {

bool surface_holds(const Surface &s, int32_t x, int32_t y, int32_t width, int32_t height) {
    return width > 0 && height > 0 && x >= 0 && y >= 0 && int64_t{x} + width <= s.width &&
           int64_t{y} + height <= s.height;
}

bool read_pixels(const Surface &s, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *dst) {
    if (!dst || !surface_holds(s, x, y, width, height)) return false;
    for (int32_t row = 0; row < height; ++row)
        for (int32_t col = 0; col < width; ++col)
            *dst++ = s.get(x + col, y + row);
    return true;
}

}  // namespace detail

bool read_window_pixels(OxwWindow window, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *dst) {
    return with_window(window, false,
                       [&](WindowRecord &w) { return read_pixels(w.surface, x, y, width, height, dst); });
}

bool read_bitmap_pixels(OxwBitmap bitmap, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *dst) {
    State &s = state();
    Guard g(s.mutex);
    const GdiRecord *r = find_object(s, bitmap, ObjectKind::bitmap);
    return r && read_pixels(r->surface, x, y, width, height, dst);
}

std::size_t live_window_count() {
    State &s = state();
    Guard g(s.mutex);
    return s.windows.size();
}

}  // namespace ox::platform
