// Helpers that work on the input side of windows: dragging a window by its outline, flushing its waiting
// messages, flashing a button, and setting a window's cursor.

#include "core/no_throw.h"
#include "oxw.h"
#include "platform/clock.h"
#include "platform/gdi.h"
#include "platform/host_hooks.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "win/ddb.h"
#include "win/wrap32.h"

namespace ox::win {
namespace {

using platform::GdiObject;

// The four one-pixel edges of a width x height outline, each with a bitmap that keeps the screen pixels
// under it while the outline is drawn. Only these edges are ever drawn on, so putting them back restores
// the screen exactly.
class OutlineEdges {
public:
    OutlineEdges(OxwDC screen, int32_t width, int32_t height) : screen_(screen), w_(width), h_(height) {
        if (width < 1 || height < 1) return;
        const int32_t sizes[4][2] = {{width, 1}, {width, 1}, {1, height}, {1, height}};
        for (int i = 0; i < 4; ++i) {
            bitmaps_[i] = platform::create_compatible_bitmap(screen, sizes[i][0], sizes[i][1]);
            dcs_[i] = platform::create_compatible_dc(screen);
            if (bitmaps_[i] && dcs_[i]) old_[i] = platform::select_object(dcs_[i], bitmaps_[i]);
        }
    }
    ~OutlineEdges() {
        for (int i = 0; i < 4; ++i) {
            if (old_[i]) platform::select_object(dcs_[i], old_[i]);
            if (dcs_[i]) platform::delete_dc(dcs_[i]);
            if (bitmaps_[i]) platform::delete_object(bitmaps_[i]);
        }
    }
    OutlineEdges(const OutlineEdges &) = delete;
    OutlineEdges &operator=(const OutlineEdges &) = delete;

    // Saves the screen under the outline at (x, y) and draws it with the screen context's pen; false (nothing
    // drawn) when the edges could not be made.
    bool draw(int32_t x, int32_t y) {
        for (int i = 0; i < 4; ++i)
            if (!old_[i]) return false;
        for (int i = 0; i < 4; ++i) copy(i, x, y, true);
        return platform::rectangle(screen_, x, y, add32(x, w_), add32(y, h_));
    }
    // Puts back what draw(x, y) saved.
    void erase(int32_t x, int32_t y) {
        for (int i = 0; i < 4; ++i) copy(i, x, y, false);
    }

private:
    // Edge i of the outline at (x, y): top, bottom, left, right.
    void copy(int i, int32_t x, int32_t y, bool save) {
        const int32_t ex = i == 3 ? add32(x, w_ - 1) : x, ey = i == 1 ? add32(y, h_ - 1) : y;
        const int32_t ew = i < 2 ? w_ : 1, eh = i < 2 ? 1 : h_;
        if (save)
            platform::bit_blt(dcs_[i], 0, 0, ew, eh, screen_, ex, ey, platform::kSrcCopy);
        else
            platform::bit_blt(screen_, ex, ey, ew, eh, dcs_[i], 0, 0, platform::kSrcCopy);
    }

    OxwDC screen_;
    int32_t w_, h_;
    OxwBitmap bitmaps_[4] = {};
    OxwDC dcs_[4] = {};
    GdiObject old_[4] = {};
};

// The waits of a flash.
constexpr uint32_t kFlashWaitMs = 50;
// The most messages one flush removes.
constexpr int kFlushLimit = 1001;

}  // namespace
}  // namespace ox::win

using namespace ox::win;
namespace platform = ox::platform;

extern "C" {

OX_API int32_t oxwDragWindow(OxwWindow window, int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                             int32_t bottom) {
    if (!platform::is_window(window)) return 0;
    const int32_t dx = sub32(x, left), dy = sub32(y, top);
    const int32_t width = sub32(right, left), height = sub32(bottom, top);
    const OxwDC screen = platform::create_display_dc();
    platform::set_capture(window);
    const GdiObject pen = platform::create_pen(platform::kPenSolid, 1, 0);
    {
        OutlineEdges edges(screen, width, height);
        const GdiObject old_brush = platform::select_object(screen, platform::get_stock_object(platform::kNullBrush));
        const GdiObject old_pen = platform::select_object(screen, pen);
        const platform::Cursor arrow = platform::load_cursor(0, platform::kCursorArrow);
        OxPoint at{left, top};
        bool drawn = false;
        do {
            platform::run_input_hook();
            const OxPoint cursor = platform::get_cursor_pos();
            const OxPoint next{sub32(cursor.x, dx), sub32(cursor.y, dy)};
            if (next.x != at.x || next.y != at.y) {
                if (drawn) edges.erase(at.x, at.y);
                at = next;
                drawn = edges.draw(at.x, at.y);
            }
            platform::set_class_cursor(window, arrow);
            platform::set_cursor(arrow);
        } while (platform::get_key_state(platform::kVkLButton) & 0x8000);
        if (old_pen) platform::select_object(screen, old_pen);
        if (old_brush) platform::select_object(screen, old_brush);
        if (drawn) edges.erase(at.x, at.y);
        if (platform::move_window(window, at.x, at.y, width, height)) platform::invalidate_rect(window, nullptr, true);
        platform::release_capture();
    }
    platform::delete_object(pen);
    return platform::delete_dc(screen) ? 1 : 0;
}

OX_API int32_t oxwFlashEvent(OxwWindow window) {
    for (int removed = 0; removed < kFlushLimit; ++removed)
        if (!platform::peek_message(nullptr, window, 0, 0, true)) return 0;
    return 1;
}

OX_API int32_t oxwFlashButton(OxwWindow window, OxwBitmap bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
    const OxwDC dc = platform::get_dc(window);
    if (!dc) return 0;
    {
        BitmapDC mem(dc, bitmap);
        for (int pass = 0; pass < 2; ++pass) {
            platform::bit_blt(mem.get(), x, y, width, height, 0, 0, 0, platform::kDstInvert);
            platform::bit_blt(dc, x, y, width, height, mem.get(), x, y, platform::kSrcCopy);
            if (pass == 0) platform::sleep_ms(kFlashWaitMs);
        }
    }
    return platform::release_dc(window, dc) ? 1 : 0;
}

OX_API void oxwWindowSetCursor(OxwWindow window, OxwModule module, const char *name) {
    if (window == 0) return;
    const platform::Cursor cursor =
        ox::core::no_throw(platform::Cursor{0}, [&] { return platform::load_cursor(module, name); });
    platform::set_class_cursor(window, cursor);
    platform::set_cursor(cursor);
}

}  // extern "C"
