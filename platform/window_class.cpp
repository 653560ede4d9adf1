// The window-class registry and windows made from a class.
#include "platform/window_class.h"

#include <algorithm>
#include <map>
#include <new>
#include <string>

#include "core/errors.h"
#include "platform/gdi_state.h"
#include "platform/window.h"

namespace ox::platform {

using namespace detail;

namespace {

std::string folded(const char *name) {
    std::string s(name);
    for (char &c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Registered classes by folded name; guarded by the platform's lock.
std::map<std::string, WindowClass> &classes() {
    static auto *c = new std::map<std::string, WindowClass>;
    return *c;
}

}  // namespace

bool register_class(const char *name, const WindowClass &window_class) {
    if (!name || !*name) {
        core::set_last_error(OX_ERROR_INVALID_PARAMETER);
        return false;
    }
    State &s = state();
    Guard g(s.mutex);
    try {
        if (!classes().emplace(folded(name), window_class).second) {
            core::set_last_error(kErrorClassAlreadyExists);
            return false;
        }
    } catch (const std::bad_alloc &) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

bool unregister_class(const char *name) {
    State &s = state();
    Guard g(s.mutex);
    if (!name || classes().erase(folded(name)) == 0) {
        core::set_last_error(kErrorClassDoesNotExist);
        return false;
    }
    return true;
}

bool is_class_registered(const char *name) {
    State &s = state();
    Guard g(s.mutex);
    return name && classes().count(folded(name)) != 0;
}

OxwWindow create_window_ex(uint32_t ex_style, const char *class_name, uint32_t style, int32_t x, int32_t y,
                           int32_t width, int32_t height, OxwWindow owner, OxwModule module) {
    State &s = state();
    Guard g(s.mutex);
    const auto it = class_name ? classes().find(folded(class_name)) : classes().end();
    if (it == classes().end()) {
        core::set_last_error(kErrorCannotFindClass);
        return 0;
    }
    if (owner != 0 && !s.windows.find(owner)) {
        core::set_last_error(OX_ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const bool child = (style & kWsChild) != 0;
    const OxwWindow window = create_window(child ? owner : 0, x, y, width, height, (style & kWsVisible) != 0);
    if (!window) return 0;
    WindowRecord &w = *s.windows.find(window);
    w.style = style;
    w.ex_style = ex_style;
    w.owner = child ? 0 : owner;
    w.module = module;
    w.class_cursor = it->second.cursor;
    try {
        w.class_name = it->first;
    } catch (const std::bad_alloc &) {
        destroy_window(window);
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    if (it->second.background > 0) {
        const uint32_t px = bgrx_of(get_sys_color(it->second.background - 1));
        for (int32_t row = 0; row < w.surface.height; ++row)
            std::fill_n(w.surface.row32(row), w.surface.width, px);
    }
    return window;
}

}  // namespace ox::platform
