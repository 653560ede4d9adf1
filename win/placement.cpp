// Window placements kept in the settings store from one run of a host to the next.
#include <cstring>

#include "oxw.h"
#include "platform/settings.h"
#include "platform/window.h"
#include "win/wrap32.h"

namespace ox::win {
namespace {

// The values in the order they are written and read. The first two and the last are kept for every
// window; the middle three only for a resizable one.
constexpr const char *kLeft = "NormalPositionLeft";
constexpr const char *kTop = "NormalPositionTop";
constexpr const char *kRight = "NormalPositionRight";
constexpr const char *kBottom = "NormalPositionBottom";
constexpr const char *kShowCmd = "ShowCmd";
constexpr const char *kVisible = "Visible";

bool read(OxwSettingsKey key, const char *name, void *field) {
    uint32_t value, err;
    if (!platform::query_settings_value(key, name, &value, &err)) return false;
    std::memcpy(field, &value, 4);
    return true;
}

bool write(OxwSettingsKey key, const char *name, int32_t value) {
    uint32_t err;
    return platform::set_settings_value(key, name, static_cast<uint32_t>(value), &err);
}

}  // namespace
}  // namespace ox::win

using namespace ox::win;

extern "C" {

OX_API int32_t oxwRegSetWindowPlacement(OxwWindow window, OxwSettingsKey key, int32_t fixedSize) {
    OxwWindowPlacement wp;
    if (!ox::platform::get_window_placement(window, &wp)) return 0;
    const OxRect &r = wp.rcNormalPosition;
    if (!write(key, kLeft, r.left) || !write(key, kTop, r.top)) return 0;
    if (!fixedSize && (!write(key, kRight, r.right) || !write(key, kBottom, r.bottom) ||
                       !write(key, kShowCmd, static_cast<int32_t>(wp.showCmd))))
        return 0;
    return write(key, kVisible, ox::platform::is_window_visible(window) ? 1 : 0) ? 1 : 0;
}

OX_API int32_t oxwRegQueryWindowPlacement(OxwWindow window, OxwSettingsKey key, OxwWindowPlacement *placement,
                                          const OxRect *bounds, uint32_t *visible, int32_t fixedSize) {
    if (!placement || !bounds) return 0;
    const int32_t W = sub32(bounds->right, bounds->left), H = sub32(bounds->bottom, bounds->top);
    *placement = {};
    placement->length = 44;
    if (!ox::platform::get_window_placement(window, placement)) return 0;
    OxRect &r = placement->rcNormalPosition;
    const int32_t width = sub32(r.right, r.left), height = sub32(r.bottom, r.top);

    uint32_t shown = 0;
    if (!read(key, kLeft, &r.left) || !read(key, kTop, &r.top)) return 0;
    if (!fixedSize &&
        (!read(key, kRight, &r.right) || !read(key, kBottom, &r.bottom) || !read(key, kShowCmd, &placement->showCmd)))
        return 0;
    if (!read(key, kVisible, &shown)) return 0;
    if (visible) *visible = shown;

    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (fixedSize) {
        r.right = add32(r.left, width);
        r.bottom = add32(r.top, height);
        if (r.right > W) {
            r.right = W;
            r.left = sub32(W, width);
        }
        if (r.bottom > H) {
            r.bottom = H;
            r.top = sub32(H, height);
        }
    } else {
        if (r.right > W) {
            r.left = sub32(W, sub32(r.right, r.left));
            r.right = W;
        }
        if (r.bottom > H) {
            r.top = sub32(H, sub32(r.bottom, r.top));
            r.bottom = H;
        }
    }
    if (placement->showCmd == 2) placement->showCmd = 1;
    return 1;
}

}  // extern "C"
