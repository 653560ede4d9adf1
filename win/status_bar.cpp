// The host window's status bar: made once per host window and kept process-wide, its panes, texts and
// placement.
#include "platform/status_bar.h"

#include "platform/window.h"
#include "win/status_bar.h"

namespace ox::win {
namespace {

OxwWindow g_status_bar = 0;

constexpr int32_t kStatusBarId = 201;
// Child, visible, bottom-aligned, with a size grip.
constexpr uint32_t kStatusBarStyle = 0x50000103;

// The window's rectangle in screen coordinates: its own rectangle moved by every ancestor's origin.
bool screen_rect(OxwWindow window, OxRect *rect) {
    if (!platform::get_window_rect(window, rect)) return false;
    for (OxwWindow p = platform::get_parent(window); p; p = platform::get_parent(p)) {
        OxRect r;
        if (!platform::get_window_rect(p, &r)) return false;
        *rect = {rect->left + r.left, rect->top + r.top, rect->right + r.left, rect->bottom + r.top};
    }
    return true;
}

}  // namespace

OxwWindow status_bar() { return g_status_bar; }

}  // namespace ox::win

extern "C" {

OX_API int32_t oxwCreateStatusBar(OxwWindow parent) {
    ox::win::g_status_bar = ox::platform::create_status_bar(parent, ox::win::kStatusBarStyle, "",
                                                            ox::win::kStatusBarId);
    return ox::win::g_status_bar != 0;
}

OX_API OxwWindow oxwGetStatusBarHandle(void) { return ox::win::g_status_bar; }

OX_API int32_t oxwSetBarText(const char *text, int32_t pane) {
    return ox::platform::set_status_text(ox::win::g_status_bar, pane, text);
}

OX_API int32_t oxwBarSize(int32_t yRef, OxRect *rect, int32_t count, int32_t width, int32_t height,
                          const int32_t *rightEdges) {
    const OxwWindow bar = ox::win::g_status_bar;
    if (!rect || !ox::win::screen_rect(bar, rect)) return 0;
    ox::platform::set_status_parts(bar, count, rightEdges);
    const int64_t y = int64_t{yRef} - rect->bottom;
    if (y < INT32_MIN || y > INT32_MAX) return 0;
    return ox::platform::move_status_bar(bar, 0, static_cast<int32_t>(y), width, height);
}

}  // extern "C"
