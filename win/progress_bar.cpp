// The one progress bar, shown in a pane of the status bar: a counter bar (caption and steps done, the done
// share inverted, composed off-screen) or a plain bar (a growing inverted strip over the pane's caption).
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/codepage.h"
#include "platform/gdi.h"
#include "platform/status_bar.h"
#include "platform/window.h"
#include "win/ddb.h"
#include "win/status_bar.h"
#include "win/text.h"

namespace ox::win {
namespace {

// Captions keep at most this many bytes (the rest is cut at a character boundary).
constexpr std::size_t kMaxCaption = 259;

struct ProgressBar {
    bool active = false;
    int32_t counter_mode = 0;
    OxwWindow window = 0;  // the status bar whose context is held
    OxwDC dc = 0;
    Edition language = Edition::japanese;
    std::string caption;
    int32_t total = 0, counter = 0;
    double step = 0;
    // counter bar
    int32_t x0 = 0, y0 = 0, width = 0, height = 0;
    OxwBitmap offscreen = 0;
    double fill = 0;
    // plain bar
    int32_t pane_left = 0, pane_top = 0, strip_height = 0, block = 0, last_end = 0;
    double pane_width = 0, position = 0, whole = 0;
};

ProgressBar g_bar;
// The x of the last block drawn, kept across bars.
int32_t g_last_x = 10000;

// A double truncated toward zero; values beyond 32 bits (and NaN) give INT32_MIN, as the processor's
// conversion does, which every drawing call below refuses as a size.
int32_t trunc32(double v) {
    return std::isfinite(v) && v > -2147483649.0 && v < 2147483648.0 ? static_cast<int32_t>(v) : INT32_MIN;
}

// The caption cut to kMaxCaption bytes without splitting a character of the active code page.
std::string cut_caption(const char *caption) {
    std::string c = caption ? caption : "";
    if (c.size() <= kMaxCaption) return c;
    std::size_t n = kMaxCaption;
    if (oxGetCodePage() == core::kCodePageUtf8) {
        while (n > 0 && (static_cast<unsigned char>(c[n]) & 0xC0) == 0x80) --n;
    } else if (core::is_double_byte_at(core::active_lead_bytes(), c.data(), c.data() + n) &&
               core::active_lead_bytes().is_lead_byte(static_cast<unsigned char>(c[n - 1]))) {
        --n;  // byte n - 1 leads a character whose trail byte would be cut off
    }
    c.resize(n);
    return c;
}

void invert(OxwDC dc, int32_t x, int32_t y, int32_t w, int32_t h) {
    platform::bit_blt(dc, x, y, w, h, 0, 0, 0, platform::kDstInvert);
}

// The counter bar's frame: button face over (0, 0, fill_width, fill_height), then "caption counter/total" at
// (0, 1) in the recorded language.
void compose(const ProgressBar &b, int32_t fill_width, int32_t fill_height, int32_t count) {
    {
        BitmapDC mem(b.dc, b.offscreen);
        const platform::GdiObject brush = platform::create_solid_brush(platform::get_sys_color(15));
        platform::fill_rect(mem.get(), OxRect{0, 0, fill_width, fill_height}, brush);
        platform::delete_object(brush);
    }
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, " %d/%d", count, b.total);
    const std::string text = b.caption + numbers;
    using Draw = int32_t (*)(OxwWindow, OxwDC, OxwBitmap, int32_t, int32_t, const char *, int32_t, OxColorRef,
                             int32_t);
    static constexpr struct {
        Draw draw;
        int32_t points;
    } kEditions[] = {{oxwDrawString_J, 9}, {oxwDrawString_E, 8}, {oxwDrawString_C, 9}};
    const auto &e = kEditions[static_cast<int>(b.language)];
    e.draw(b.window, b.dc, b.offscreen, 0, 1, text.c_str(), e.points, 0, 0);
}

// Releases what a bar holds (its context, its off-screen bitmap).
void release(ProgressBar &b) {
    if (b.offscreen) platform::delete_object(b.offscreen);
    if (b.dc) platform::release_dc(b.window, b.dc);
    b.offscreen = 0;
    b.dc = 0;
}

bool start_counter(ProgressBar &b, const OxRect &pane) {
    b.dc = platform::get_dc(b.window);
    const int32_t pane_width = pane.right - pane.left;
    b.step = static_cast<double>(pane_width < 0 ? 0 : pane_width) / b.total;
    b.fill = 0;
    b.counter = 0;
    b.x0 = pane.left + 1;
    b.y0 = pane.top + 1;
    b.width = pane_width - 2;
    b.height = pane.bottom - pane.top - 2;
    uint32_t err = 0;
    b.offscreen = oxwCreateDDB(b.window, b.dc, b.width, b.height, 24, &err);
    compose(b, b.width + 1, b.height + 1, 0);
    BitmapDC mem(b.dc, b.offscreen);
    platform::bit_blt(b.dc, b.x0, b.y0, b.width, b.height, mem.get(), 0, 0, platform::kSrcCopy);
    return true;
}

bool start_plain(ProgressBar &b, int32_t pane_index, const OxRect &pane) {
    platform::set_status_text(b.window, pane_index, b.caption.c_str());
    b.dc = platform::get_dc(b.window);
    b.pane_left = pane.left;
    b.pane_top = pane.top;
    b.pane_width = pane.right - pane.left;
    b.strip_height = pane.bottom - pane.top - 2;
    b.whole = b.total == 0 ? 1.0 : 0.0;
    if (b.total != 0) {
        b.position = b.pane_left;
        b.step = (b.pane_width < 0 ? 0 : b.pane_width) / b.total;
        b.block = b.step > 0.9 ? trunc32(b.step) : 1;
        b.last_end = b.pane_left;
    }
    return true;
}

int32_t create_bar(Edition language, const char *caption, int32_t total, int32_t pane_index, int32_t counter_mode) {
    ProgressBar &b = g_bar;
    release(b);  // a bar still active is dropped, without its closing repaint
    b.active = false;
    OxRect pane;
    const OxwWindow bar = status_bar();
    if (!platform::get_status_rect(bar, pane_index, &pane)) return 0;
    b.window = bar;
    b.language = language;
    b.caption = cut_caption(caption);
    b.total = total;
    if (counter_mode)
        start_counter(b, pane);
    else
        start_plain(b, pane_index, pane);
    b.counter_mode = counter_mode;
    b.active = true;
    return 1;
}

void step_counter(ProgressBar &b) {
    compose(b, b.width, b.height, b.counter + 1);
    BitmapDC mem(b.dc, b.offscreen);
    b.fill += b.step;
    invert(mem.get(), 0, 0, trunc32(b.fill), b.height);
    platform::bit_blt(b.dc, b.x0, b.y0, b.width, b.height - 1, mem.get(), 0, 0, platform::kSrcCopy);
    ++b.counter;
}

void step_plain(ProgressBar &b) {
    if (b.whole != 0) {
        invert(b.dc, b.pane_left, b.pane_top, trunc32(b.pane_width), b.strip_height);
        return;
    }
    const int32_t x = trunc32(b.position);
    if (x == g_last_x) {
        b.position += b.step;  // several steps to one pixel
        return;
    }
    if (int64_t{x} >= int64_t{trunc32(b.pane_width)} + b.pane_left - 1) return;  // full
    if (x != b.last_end) invert(b.dc, b.last_end, b.pane_top, x - b.last_end, b.strip_height);
    invert(b.dc, x, b.pane_top, b.block, b.strip_height);
    g_last_x = x;
    b.last_end = x + b.block;
    b.position += b.step;
}

}  // namespace
}  // namespace ox::win

using ox::win::Edition;

extern "C" {

OX_API int32_t oxwCreateBar_J(const char *caption, int32_t total, int32_t pane, int32_t counterMode) {
    return ox::win::create_bar(Edition::japanese, caption, total, pane, counterMode);
}
OX_API int32_t oxwCreateBar_E(const char *caption, int32_t total, int32_t pane, int32_t counterMode) {
    return ox::win::create_bar(Edition::english, caption, total, pane, counterMode);
}
OX_API int32_t oxwCreateBar_C(const char *caption, int32_t total, int32_t pane, int32_t counterMode) {
    return ox::win::create_bar(Edition::chinese, caption, total, pane, counterMode);
}

OX_API int32_t oxwBarStep(void) {
    ox::win::ProgressBar &b = ox::win::g_bar;
    if (!b.active) return 0;
    if (b.counter_mode)
        ox::win::step_counter(b);
    else
        ox::win::step_plain(b);
    return 1;
}

OX_API void oxwDeleteBar(int32_t pane) {
    ox::win::ProgressBar &b = ox::win::g_bar;
    if (!b.active) return;
    if (!b.counter_mode)
        ox::win::invert(b.dc, b.pane_left, b.pane_top, ox::win::trunc32(b.pane_width) - 1, b.strip_height);
    ox::platform::set_status_text(b.window, pane, "");
    ox::win::release(b);
    b.active = false;
}

}  // extern "C"
