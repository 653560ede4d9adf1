// Dialog items switched on and off, an edit field set to a number, dialogs centred on a window, and two
// small pieces of box arithmetic.
#include <cstdio>

#include "oxw.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "win/wrap32.h"

using namespace ox::win;

extern "C" {

OX_API int32_t oxwEnableDlgItem(OxwWindow dialog, int32_t id, int32_t enable) {
    const OxwWindow item = ox::platform::get_dlg_item(dialog, id);
    return item && ox::platform::enable_window(item, enable != 0) ? 1 : 0;
}

OX_API int32_t oxwShowDlgItem(OxwWindow dialog, int32_t id, int32_t show) {
    const OxwWindow item = ox::platform::get_dlg_item(dialog, id);
    return item && ox::platform::show_window(item, show != 0) ? 1 : 0;
}

OX_API int32_t oxwDrawEditControlInt(OxwWindow window, int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return ox::platform::set_window_text(window, text) ? 1 : 0;
}

OX_API int32_t oxwMoveDlg(OxwWindow reference, OxwWindow dialog) {
    const int32_t screen_w = ox::platform::get_system_metrics(0), screen_h = ox::platform::get_system_metrics(1);
    OxRect ref{0, 0, screen_w, screen_h}, dlg;
    if (!ox::platform::get_window_screen_rect(dialog, &dlg) ||
        (reference != 0 && !ox::platform::get_window_screen_rect(reference, &ref)))
        return 0;
    const int32_t w = sub32(dlg.right, dlg.left), h = sub32(dlg.bottom, dlg.top);
    int32_t x = add32(sub32(sub32(ref.right, ref.left), w) / 2, ref.left);
    int32_t y = add32(sub32(sub32(ref.bottom, ref.top), h) / 2, ref.top);
    if (x < 0)
        x = 0;
    else if (add32(x, w) > screen_w)
        x = sub32(screen_w, w);
    if (y < 0)
        y = 0;
    else if (add32(y, h) > screen_h)
        y = sub32(screen_h, h);
    return ox::platform::move_window(dialog, x, y, w, h) ? 1 : 0;
}

OX_API int32_t oxwCmpBoxIn(int32_t x, int32_t y, int32_t left, int32_t top, int32_t width, int32_t height) {
    return x >= left && x <= int64_t{left} + width && y >= top && y <= int64_t{top} + height ? 1 : 0;
}

OX_API void oxwAdjustDrawSize(int32_t *width, int32_t *height, int32_t zoom) {
    if (zoom <= 1) return;
    for (int32_t *size : {width, height}) {
        if (!size) continue;
        const int64_t r = *size % zoom;  // the next multiple up: negative sizes have a remainder <= 0
        const int64_t up = r > 0 ? int64_t{*size} + (zoom - r) : int64_t{*size} - r;
        if (up <= INT32_MAX) *size = static_cast<int32_t>(up);
    }
}

}  // extern "C"
