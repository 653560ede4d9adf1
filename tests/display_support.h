// Helpers of the display tests: windows (with or without a context) owned by the test, a handle that is
// gone, and window pixels.
#pragma once

#include "ddb_support.h"

namespace oxtest {

// A top-level window, destroyed at the end of scope; it stands wherever a window handle is taken.
struct Window {
    Window(int32_t x, int32_t y, int32_t w, int32_t h) : handle(oxwHostCreateWindow(0, x, y, w, h, 1)) {}
    ~Window() { oxwHostDestroyWindow(handle); }
    operator OxwWindow() const { return handle; }
    const OxwWindow handle;
};

// The handle of a window that was destroyed.
inline OxwWindow gone_window() {
    const OxwWindow w = oxwHostCreateWindow(0, 0, 0, 1, 1, 0);
    oxwHostDestroyWindow(w);
    return w;
}

// A rectangle's corners, left, top, right, bottom; a window's, read back.
inline std::vector<int32_t> corners(const OxRect &r) { return {r.left, r.top, r.right, r.bottom}; }
inline std::vector<int32_t> window_corners(OxwWindow w) {
    OxRect r{};
    EXPECT_EQ(oxwHostGetWindowRect(w, &r), 1);
    return corners(r);
}

// A rectangle of a window's client area as colour values, top row first.
inline Pixels window_pixels(OxwWindow w, int32_t x, int32_t y, int32_t width, int32_t height) {
    Pixels px(static_cast<std::size_t>(width) * height);
    EXPECT_EQ(oxwHostReadWindowPixels(w, x, y, width, height, px.data()), 1);
    return px;
}

// A window at (0, 0) with its context, released before the window goes; `pixels` reads all of it.
struct HostWindow : Window {
    HostWindow(int32_t w, int32_t h) : Window(0, 0, w, h), dc(oxwHostGetDC(handle)), width(w), height(h) {}
    ~HostWindow() { oxwHostReleaseDC(handle, dc); }
    Pixels pixels() const { return window_pixels(handle, 0, 0, width, height); }
    OxwDC dc;
    int32_t width, height;
};

}  // namespace oxtest
