// The host-side calls of oxw.h for time, windows' modules and styles, properties, system colours and icons.
#include "oxw.h"
#include "platform/clock.h"
#include "platform/gdi.h"
#include "platform/icon.h"
#include "platform/window.h"

using namespace ox::platform;

extern "C" {

OX_API int32_t oxwHostSetTickSource(OxwTickSource tick, OxwSleepHook sleep, void *context) {
    set_tick_source(tick, sleep, context);
    return 1;
}

OX_API int32_t oxwHostSetWindowModule(OxwWindow window, OxwModule module) {
    return set_window_module(window, module) ? 1 : 0;
}

OX_API int32_t oxwHostGetWindowStyles(OxwWindow window, uint32_t *style, uint32_t *exStyle) {
    uint32_t st = 0, ex = 0;
    if (!get_window_styles(window, &st, &ex)) return 0;
    if (style) *style = st;
    if (exStyle) *exStyle = ex;
    return 1;
}

OX_API uintptr_t oxwHostGetProp(OxwWindow window, const char *name) { return get_prop(window, name); }

OX_API OxColorRef oxwHostGetSysColor(int32_t index) { return get_sys_color(index); }

OX_API int32_t oxwHostGetIconBitmaps(OxwIcon icon, OxwBitmap *mask, OxwBitmap *color) {
    IconParts parts;
    if (!get_icon_info(icon, &parts)) return 0;
    if (mask) *mask = parts.mask;
    else delete_object(parts.mask);
    if (color) *color = parts.color;
    else if (parts.color) delete_object(parts.color);
    return 1;
}

OX_API int32_t oxwHostDestroyIcon(OxwIcon icon) { return destroy_icon(icon) ? 1 : 0; }

}  // extern "C"
