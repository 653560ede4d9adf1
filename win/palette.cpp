// Palette window chrome: the caption strip with its close button drawn into a bitmap, the window
// properties that the palette's hit-tests read, rolling a palette up to its caption and down again, and
// sunken edges.
#include <new>

#include "platform/frame_drawing.h"
#include "platform/window_class.h"
#include "win/ddb.h"
#include "win/text.h"

namespace ox::win {
namespace {

constexpr int32_t kCaptionHeight = 15, kRolledUpHeight = 21;
constexpr char kFaceProp[] = "Color3DFace", kPaletteRectProp[] = "PaletteRect",
               kCloseOnCaptionProp[] = "CloseRectOnCaption", kCloseOnPaletteProp[] = "CloseRectOnPalette";

uint32_t caption_flags(bool active) {
    uint32_t flags = platform::kDcSmallCap | platform::kDcText | (active ? platform::kDcActive : 0);
    if (oxwGetOSVersion() == 2) flags |= platform::kDcGradient;
    return flags;
}

// The right end of the caption area left of the close button, for a strip `width` wide.
int32_t close_x(int32_t width) { return width - 2 * platform::get_system_metrics(platform::kSmCxEdge) - 2; }
int32_t button_width() { return platform::get_system_metrics(platform::kSmCxSmSize); }
OxRect close_rect(int32_t width) {
    const int32_t x = close_x(width);
    return {x - button_width() - 1, 1, x - 1, kCaptionHeight - 1};
}

const OxRect *rect_prop(OxwWindow window, const char *name) {
    return reinterpret_cast<const OxRect *>(platform::get_prop(window, name));
}

// Removes a property that holds a rectangle of ours and frees the rectangle.
void drop_rect_prop(OxwWindow window, const char *name) {
    delete reinterpret_cast<OxRect *>(platform::remove_prop(window, name));
}

// Hangs a new heap rectangle on the window, freeing the one it replaces. False without memory.
bool set_rect_prop(OxwWindow window, const char *name, const OxRect &rect) {
    auto *copy = new (std::nothrow) OxRect(rect);
    if (!copy) return false;
    drop_rect_prop(window, name);
    if (platform::set_prop(window, name, reinterpret_cast<uintptr_t>(copy))) return true;
    delete copy;
    return false;
}

void drop_palette_props(OxwWindow window) {
    platform::remove_prop(window, kFaceProp);
    for (const char *name : {kPaletteRectProp, kCloseOnCaptionProp, kCloseOnPaletteProp}) drop_rect_prop(window, name);
}

// The caption strip (0, 0, width, 15) on a context.
void draw_strip(OxwWindow window, OxwDC dc, int32_t width, bool active) {
    const OxRect strip{0, 0, width, kCaptionHeight};
    platform::draw_caption(window, dc, &strip, caption_flags(active));
}

}  // namespace
}  // namespace ox::win

using namespace ox::win;
namespace platform = ox::platform;

extern "C" {

OX_API OxwBitmap oxwCreatePaletteBitmap(OxwWindow window, int32_t bitmapWidth, int32_t bitmapHeight,
                                        int32_t paletteWidth, int32_t paletteHeight, int32_t closeButton,
                                        int32_t active, uint32_t *err) {
    if (!platform::is_window(window)) {
        *err = OX_ERROR_INVALID_WINDOW_HANDLE;
        return 0;
    }
    OwnedObject bitmap(oxwCreateDDB(window, 0, bitmapWidth, bitmapHeight, 8, err));
    if (!bitmap.get()) return 0;
    const uint32_t face = platform::get_sys_color(platform::kColorBtnFace);
    {
        TargetDC target(window, 0);
        BitmapDC mem(target.get(), bitmap.get());
        OwnedObject brush(platform::create_solid_brush(face));
        platform::fill_rect(mem.get(), OxRect{0, 0, bitmapWidth, bitmapHeight}, brush.get());
        draw_strip(window, mem.get(), bitmapWidth, active != 0);
    }
    const OxRect button = close_rect(bitmapWidth);
    if (closeButton) oxwDrawCloseButton(window, 0, bitmap.get(), &button, 0, 0);

    bool ok = platform::set_prop(window, kFaceProp, face);
    if (closeButton) {
        const int32_t x = close_x(bitmapWidth), b = button_width();
        ok = ok && set_rect_prop(window, kCloseOnPaletteProp, {x - b, 2, b, 13}) &&
             set_rect_prop(window, kCloseOnCaptionProp, button);
    } else {
        drop_rect_prop(window, kCloseOnPaletteProp);
        drop_rect_prop(window, kCloseOnCaptionProp);
    }
    ok = ok && set_rect_prop(window, kPaletteRectProp, {0, 0, paletteWidth, paletteHeight});
    if (!ok) {
        drop_palette_props(window);
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    return bitmap.release();
}

OX_API void oxwDrawPaletteCaption(OxwWindow window, OxwBitmap bitmap, int32_t closeButton, int32_t active) {
    OxRect frame;
    if (!platform::get_window_rect(window, &frame)) return;
    int32_t width = frame.right - frame.left;
    {
        TargetDC target(window, 0);
        BitmapDC mem(target.get(), bitmap);
        if (!mem.get()) return;
        draw_strip(window, mem.get(), width, active != 0);
    }
    if (closeButton) {
        const OxRect button = close_rect(width);
        width = close_x(width);
        oxwDrawCloseButton(window, 0, bitmap, &button, 0, 0);
    }
    oxwCopyDDB(window, 0, 0, 0, 0, width, kCaptionHeight, bitmap, 0, 0, 0);
}

OX_API int32_t oxwDrawCloseButton(OxwWindow window, OxwDC dc, OxwBitmap bitmap, const OxRect *rect, int32_t pushed,
                                  int32_t copy) {
    if (dc == 0 && window == 0) return 0;
    if (!rect && (rect = rect_prop(window, kCloseOnCaptionProp)) == nullptr) return 0;
    const uint32_t state = platform::kDfcsCaptionClose | (pushed ? platform::kDfcsPushed : 0);
    if (dc) {
        platform::draw_frame_control(dc, rect, platform::kDfcCaption, state);
    } else {
        TargetDC target(window, 0);
        BitmapDC mem(target.get(), bitmap);
        if (mem.get()) platform::draw_frame_control(mem.get(), rect, platform::kDfcCaption, state);
    }
    OxRect client;
    if (copy && bitmap && platform::get_client_rect(window, &client))
        oxwCopyDDB(window, 0, 0, 0, 0, client.right, kCaptionHeight, bitmap, 0, 0, 0);
    return 1;
}

OX_API int32_t oxwDeletePalette(OxwWindow window, OxwBitmap bitmap) {
    drop_palette_props(window);
    return platform::delete_object(bitmap) ? 1 : 0;
}

OX_API int32_t oxwPaletteShard(OxwWindow palette, OxwWindow frame, int32_t *rolledUp) {
    OxRect on_screen, frame_rect, local;
    const OxRect *unrolled = rect_prop(palette, kPaletteRectProp);
    if (!rolledUp || !unrolled || !platform::get_window_screen_rect(palette, &on_screen) ||
        !platform::get_window_screen_rect(frame, &frame_rect) || !platform::get_window_rect(palette, &local))
        return 0;
    const int64_t inner_bottom = int64_t{frame_rect.bottom} - platform::get_system_metrics(platform::kSmCxEdge);
    const int32_t height = *rolledUp ? unrolled->bottom - unrolled->top : kRolledUpHeight;
    *rolledUp = *rolledUp ? 0 : 1;
    const int32_t width = on_screen.right - on_screen.left;
    if (on_screen.bottom >= inner_bottom) {
        // The new top in screen coordinates, given to the move in the parent's (the same for a top-level
        // palette).
        const int64_t top = inner_bottom - height - (int64_t{on_screen.top} - local.top);
        return platform::set_window_pos(palette, 0, local.left, static_cast<int32_t>(top), width, height,
                                        platform::kSwpNoZOrder)
                   ? 1
                   : 0;
    }
    return platform::set_window_pos(palette, 0, 0, 0, width, height, platform::kSwpNoMove | platform::kSwpNoZOrder)
               ? 1
               : 0;
}

OX_API int32_t oxwDrawSunkenEdge(OxwDC dc, OxwBitmap bitmap, const OxRect *rect) {
    if (!rect) return 0;
    const OxwDC mem = platform::create_compatible_dc(dc);
    if (!mem) return 0;
    if (const platform::GdiObject old = platform::select_object(mem, bitmap)) {
        platform::draw_edge(mem, rect, platform::kEdgeSunken, platform::kBfRect);
        platform::select_object(mem, old);
    }
    return platform::delete_dc(mem) ? 1 : 0;
}

}  // extern "C"
