// The screen size and the screen surface.
#include "platform/screen.h"

#include "core/errors.h"
#include "platform/gdi_state.h"
#include "platform/window.h"

namespace ox::platform {

using namespace detail;

namespace detail {

bool ensure_screen_surface(State &s) {
    if (s.screen.width == s.screen_width && s.screen.height == s.screen_height) return true;
    return s.screen.reset(s.screen_width, s.screen_height, 32, 0xFFFFFF);
}

}  // namespace detail

bool set_screen_size(int32_t width, int32_t height) {
    if (width < 1 || height < 1 || width > kMaxWindowSide || height > kMaxWindowSide) {
        core::set_last_error(OX_ERROR_INVALID_PARAMETER);
        return false;
    }
    State &s = state();
    Guard g(s.mutex);
    s.screen_width = width;
    s.screen_height = height;
    if (s.screen.width > 0 && !ensure_screen_surface(s)) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

OxwDC create_display_dc() {
    State &s = state();
    Guard g(s.mutex);
    if (!ensure_screen_surface(s)) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const OxwDC dc = add_window_dc(s, 0);
    s.dcs.find(dc)->display = true;
    return dc;
}

bool read_screen_pixels(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *dst) {
    State &s = state();
    Guard g(s.mutex);
    return ensure_screen_surface(s) && read_pixels(s.screen, x, y, width, height, dst);
}

bool write_screen_pixels(int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t *src) {
    State &s = state();
    Guard g(s.mutex);
    if (!src || !ensure_screen_surface(s) || !surface_holds(s.screen, x, y, width, height)) return false;
    for (int32_t row = 0; row < height; ++row)
        for (int32_t col = 0; col < width; ++col) s.screen.put(x + col, y + row, *src++);
    return true;
}

}  // namespace ox::platform
