// Splash windows: the picture a host shows while it starts, with its version line and one line of
// progress messages, kept up for at least a minimum time. One per process.
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/no_throw.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/module_paths.h"
#include "platform/window.h"
#include "platform/window_class.h"
#include "win/text.h"

namespace ox::win {
namespace {

constexpr char kClassName[] = "SplashWindow";
constexpr uint32_t kClassStyle = 0x000B;  // vertical and horizontal redraw, double clicks
constexpr int32_t kPoints = 10;
constexpr OxPoint kVersionAt{60, 307}, kMessageAt{2, 38};
// The longest minimum time whose milliseconds fit the 32-bit tick arithmetic.
constexpr uint32_t kMaxSeconds = 0xFFFFFFFFu / 1000;

using DrawString = int32_t (*)(OxwWindow, OxwDC, OxwBitmap, int32_t, int32_t, const char *, int32_t, OxColorRef,
                               int32_t);

struct Splash {
    OxwWindow window = 0;
    OxwBitmap working = 0;  // drawn on, copied to the window
    OxwBitmap clean = 0;    // never drawn on: wipes the message line
    Edition language = Edition::japanese;
    uint32_t min_seconds = 0;
    uint32_t start_tick = 0;
};

Splash &splash() {
    static Splash s;
    return s;
}

DrawString draw_of(Edition edition) {
    switch (edition) {
    case Edition::english: return oxwDrawString_E;
    case Edition::chinese: return oxwDrawString_C;
    case Edition::japanese: break;
    }
    return oxwDrawString_J;
}

// The version line: the system's words and the host executable's file version.
std::string version_line() {
    char version[OXW_FILE_VERSION_SIZE] = "";
    uint32_t err = 0;
    oxwGetFileVersion(platform::executable_path().c_str(), version, &err);
    char line[1024];
    std::snprintf(line, sizeof line, "%s %s", "Windows 98/NT 4.0 Version", version);
    return line;
}

OxwWindow create(Edition edition, OxwWindow parent, OxwModule module, int32_t id, const char *message,
                 uint32_t min_seconds) {
    if (module == 0) return 0;
    platform::WindowClass window_class;
    window_class.style = kClassStyle;
    window_class.module = module;
    window_class.cursor = platform::load_cursor(0, platform::kCursorArrow);
    window_class.background = 1;  // system colour 0, plus one
    if (!platform::register_class(kClassName, window_class)) return 0;

    // Resource numbers are 16 bits: a larger identifier keeps its low word.
    const auto number = static_cast<uint16_t>(id);
    int32_t width = 0, height = 0;
    OwnedObject working(oxLoadPictResource(module, number, &width, &height));
    OwnedObject clean(oxLoadPictResource(module, number, nullptr, nullptr));
    if (!working.get() || !clean.get()) return 0;
    const int32_t x = (platform::get_system_metrics(platform::kSmCxScreen) - width) / 2;
    const int32_t y = (platform::get_system_metrics(platform::kSmCyScreen) - height) / 2;
    const OxwWindow window = platform::create_window_ex(platform::kWsExTopmost, kClassName,
                                                        platform::kWsPopup | platform::kWsBorder, x, y, width,
                                                        height, parent, module);
    if (!window) return 0;
    platform::show_window(window, true);

    const std::string line = version_line();
    const DrawString draw = draw_of(edition);
    draw(window, 0, working.get(), kVersionAt.x, kVersionAt.y, line.c_str(), kPoints, 0, 1);
    draw(window, 0, working.get(), kMessageAt.x, kMessageAt.y, message, kPoints, 0, 0);
    oxwCopyDDB(window, 0, 0, 0, 0, width, height, working.get(), 0, 0, 0);
    splash() = {window, working.release(), clean.release(), edition, min_seconds, platform::tick_count()};
    return window;
}

OxwWindow create_checked(Edition edition, OxwWindow parent, OxwModule module, int32_t id, const char *message,
                         uint32_t min_seconds) {
    return core::no_throw(OxwWindow{0}, [&] { return create(edition, parent, module, id, message, min_seconds); });
}

void draw_message(const char *message) {
    const Splash &s = splash();
    platform::BitmapSize size;
    if (!s.window || !platform::get_bitmap_size(s.working, &size)) return;
    const OxwDC dc = platform::get_dc(s.window);
    const int32_t dpi = platform::get_device_caps(dc, 90);  // pixels per logical inch, vertically
    platform::release_dc(s.window, dc);
    const int32_t line = (kPoints * dpi + 36) / 72;  // rounded to the nearest pixel
    oxwCopyDDB(s.window, 0, s.working, 0, kMessageAt.y, size.width, line + kMessageAt.y, s.clean, 0, kMessageAt.y, 0);
    draw_of(s.language)(s.window, 0, s.working, kMessageAt.x, kMessageAt.y, message, kPoints, 0, 0);
    oxwCopyDDB(s.window, 0, 0, 0, 0, size.width, size.height, s.working, 0, 0, 0);
}

int32_t destroy() {
    Splash &s = splash();
    if (!s.window) return 0;
    // Unsigned difference: a wrap of the tick count between create and destroy is harmless.
    const uint32_t elapsed = platform::tick_count() - s.start_tick;
    const uint32_t minimum = std::min(s.min_seconds, kMaxSeconds) * 1000;
    if (elapsed < minimum) platform::sleep_ms(minimum - elapsed);
    platform::destroy_window(s.window);
    platform::delete_object(s.working);
    platform::delete_object(s.clean);
    s.window = s.working = s.clean = 0;
    return 0;
}

}  // namespace
}  // namespace ox::win

using ox::win::Edition;

extern "C" {

OX_API OxwWindow oxwCreateSplashWindow_J(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                         uint32_t minSeconds) {
    return ox::win::create_checked(Edition::japanese, parent, module, id, message, minSeconds);
}
OX_API OxwWindow oxwCreateSplashWindow_E(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                         uint32_t minSeconds) {
    return ox::win::create_checked(Edition::english, parent, module, id, message, minSeconds);
}
OX_API OxwWindow oxwCreateSplashWindow_C(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                         uint32_t minSeconds) {
    return ox::win::create_checked(Edition::chinese, parent, module, id, message, minSeconds);
}
OX_API void oxwDrawSplashWindowString(const char *message) { ox::win::draw_message(message); }
OX_API int32_t oxwDestroySplashWindow(void) { return ox::win::destroy(); }

// The portable names hand their arguments on unchanged.
OX_API OxwWindow oxCreateSplashWindow_J(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                        uint32_t minSeconds) {
    return oxwCreateSplashWindow_J(parent, module, id, message, minSeconds);
}
OX_API OxwWindow oxCreateSplashWindow_E(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                        uint32_t minSeconds) {
    return oxwCreateSplashWindow_E(parent, module, id, message, minSeconds);
}
OX_API OxwWindow oxCreateSplashWindow_C(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                        uint32_t minSeconds) {
    return oxwCreateSplashWindow_C(parent, module, id, message, minSeconds);
}
OX_API void oxDrawSplashWindowString(const char *message) { oxwDrawSplashWindowString(message); }
OX_API int32_t oxDestroySplashWindow(void) { return oxwDestroySplashWindow(); }

}  // extern "C"
