// Window classes of the platform stand-in: a registry of classes by name, and windows made from a class
// with a style, an extended style, an owner and a module. A class stays registered until it is
// unregistered: registering a name that is still registered fails, which callers use to keep one instance
// of a window alive per process.
#pragma once

#include <cstdint>

#include "oxw.h"

namespace ox::platform {

inline constexpr uint32_t kErrorCannotFindClass = 1407, kErrorClassAlreadyExists = 1410,
                          kErrorClassDoesNotExist = 1411;

// Styles a window records. A popup or overlapped window is top-level (placed on the screen) and keeps its
// owner; a child is placed in its parent's client area.
inline constexpr uint32_t kWsPopup = 0x80000000, kWsChild = 0x40000000, kWsVisible = 0x10000000,
                          kWsBorder = 0x00800000;
inline constexpr uint32_t kWsExTopmost = 0x8;

struct WindowClass {
    uint32_t style = 0;     // class styles, recorded only
    OxwModule module = 0;   // the module its windows load resources from
    uintptr_t cursor = 0;   // the class cursor (input.h)
    int background = 0;     // a system colour index + 1 that fills a new window; 0: no fill (white)
};

// Registers a class under `name` (ASCII case ignored). False: a name of 0 or "" (87), a name already
// registered (1410).
bool register_class(const char *name, const WindowClass &window_class);
// False when no such class is registered (1411).
bool unregister_class(const char *name);
bool is_class_registered(const char *name);

// A window of a registered class at (x, y), width x height: a child of `owner` with kWsChild, else a
// top-level window owned by `owner` (0: none). kWsVisible shows it. 0 for a class that is not registered
// (1407), a refused owner (1400), a bad size (87) or without memory (8).
OxwWindow create_window_ex(uint32_t ex_style, const char *class_name, uint32_t style, int32_t x, int32_t y,
                           int32_t width, int32_t height, OxwWindow owner, OxwModule module);

}  // namespace ox::platform
