// The host-side calls of oxw.h for dialog items, window state, the screen, the mouse, cursors and the
// colour chooser, forwarded to the platform stand-in.
#include <algorithm>
#include <cstring>
#include <string>

#include "core/no_throw.h"
#include "oxw.h"
#include "platform/gdi.h"
#include "platform/host_hooks.h"
#include "platform/input.h"
#include "platform/screen.h"
#include "platform/window.h"

using namespace ox::platform;

namespace {

// Copies `s` with its terminator when it fits in `size` bytes.
int32_t copy_out(const std::string &s, char *dst, uint32_t size) {
    if (!dst || s.size() >= size) return 0;
    std::memcpy(dst, s.c_str(), s.size() + 1);
    return 1;
}

}  // namespace

extern "C" {

OX_API OxwWindow oxwHostCreateDialogItem(OxwWindow dialog, int32_t id, int32_t x, int32_t y, int32_t width,
                                         int32_t height, const char *text) {
    if (dialog == 0) return 0;
    const OxwWindow item = create_window(dialog, x, y, width, height, true, id);
    if (item) set_window_text(item, text);
    return item;
}

OX_API int32_t oxwHostSetWindowText(OxwWindow window, const char *text) {
    return set_window_text(window, text) ? 1 : 0;
}

OX_API int32_t oxwHostGetWindowText(OxwWindow window, char *text, uint32_t size) {
    return ox::core::no_throw(0, [&] {
        std::string s;
        if (!text || size == 0 || !get_window_text(window, &s)) return 0;
        s.resize(std::min<std::size_t>(s.size(), size - 1));
        return copy_out(s, text, size);
    });
}

OX_API int32_t oxwHostGetWindowRect(OxwWindow window, OxRect *rect) {
    return rect && get_window_screen_rect(window, rect) ? 1 : 0;
}

OX_API int32_t oxwHostIsWindowVisible(OxwWindow window) { return is_window_visible(window) ? 1 : 0; }

OX_API int32_t oxwHostIsWindowEnabled(OxwWindow window) { return is_window_enabled(window) ? 1 : 0; }

OX_API int32_t oxwHostSetShowState(OxwWindow window, uint32_t showCmd) {
    return set_show_state(window, showCmd) ? 1 : 0;
}

OX_API int32_t oxwHostGetWindowPlacement(OxwWindow window, OxwWindowPlacement *placement) {
    return placement && get_window_placement(window, placement) ? 1 : 0;
}

OX_API int32_t oxwHostSetWindowPlacement(OxwWindow window, const OxwWindowPlacement *placement) {
    return placement && set_window_placement(window, placement) ? 1 : 0;
}

OX_API int32_t oxwHostSetScreenSize(int32_t width, int32_t height) { return set_screen_size(width, height) ? 1 : 0; }

OX_API int32_t oxwHostGetSystemMetric(int32_t index) { return get_system_metrics(index); }

OX_API int32_t oxwHostReadScreenPixels(int32_t x, int32_t y, int32_t width, int32_t height, OxColorRef *dst) {
    return read_screen_pixels(x, y, width, height, dst) ? 1 : 0;
}

OX_API int32_t oxwHostWriteScreenPixels(int32_t x, int32_t y, int32_t width, int32_t height, const OxColorRef *src) {
    return write_screen_pixels(x, y, width, height, src) ? 1 : 0;
}

OX_API int32_t oxwHostSetCursorPos(int32_t x, int32_t y) {
    set_cursor_pos(x, y);
    return 1;
}

OX_API int32_t oxwHostSetInputHook(OxwInputHook hook, void *context) {
    set_input_hook(hook, context);
    return 1;
}

OX_API int32_t oxwHostGetCursorName(OxwWindow window, char *name, uint32_t size) {
    if (window != 0 && !is_window(window)) return 0;
    return ox::core::no_throw(0, [&] {
        return copy_out(cursor_name(window == 0 ? current_cursor() : get_class_cursor(window)), name, size);
    });
}

OX_API int32_t oxwHostSetColorChooser(OxwColorChooser chooser, void *context) {
    set_color_chooser(chooser, context);
    return 1;
}

}  // extern "C"
