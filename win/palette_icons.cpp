// Pictures for palettes: mask-and-colour pairs for transparent drawing, icons made of them, and the small
// bitmaps of custom controls (a filled polygon glyph, or a resource picture on the button face).
#include <span>

#include "core/errors.h"
#include "platform/icon.h"
#include "platform/window_class.h"
#include "win/ddb.h"
#include "win/text.h"

namespace ox::win {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// A window whose module resources come from: 0 (the library's own) or a live one; false with 1400.
bool window_usable(OxwWindow window, uint32_t *err) {
    if (window == 0 || platform::is_window(window)) return true;
    *err = OX_ERROR_INVALID_WINDOW_HANDLE;
    return false;
}

// The mask (white where the picture is pure white) and the colour bitmap (the picture, black under the
// mask's white) of the rectangle (sx, sy, *width, *height) of `picture`, or of bitmap resource `id` of the
// window's module when `picture` is 0. A size of 0 takes the picture's own, written back on success. False
// with `err` set and nothing made.
bool make_pair(OxwWindow window, OxwBitmap picture, uint16_t id, int32_t sx, int32_t sy, int32_t *width,
               int32_t *height, OxwBitmap *mask_out, OxwBitmap *color_out, uint32_t *err) {
    if (!width || !height || !mask_out || !color_out) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return false;
    }
    if (!window_usable(window, err)) return false;
    OwnedObject loaded(picture ? 0 : load_resource_bitmap(platform::get_window_module(window), id, err));
    if (!picture && !loaded.get()) return false;
    const OxwBitmap source = picture ? picture : loaded.get();
    platform::BitmapSize size;
    if (!platform::get_bitmap_size(source, &size)) {
        *err = OX_ERROR_INVALID_HANDLE;
        return false;
    }
    const int32_t w = *width ? *width : size.width, h = *height ? *height : size.height;
    TargetDC target(window, 0);
    OwnedObject mask(platform::create_bitmap(w, h, 1));
    OwnedObject color(mask.get() ? platform::create_compatible_bitmap(target.get(), w, h) : 0);
    if (!color.get()) {
        *err = core::last_error();
        return false;
    }
    {
        BitmapDC src(target.get(), source), m(target.get(), mask.get()), c(target.get(), color.get());
        if (!src.get() || !m.get() || !c.get()) {  // a picture selected into another context
            *err = OX_ERROR_INVALID_HANDLE;
            return false;
        }
        // Colour to monochrome: the source's background colour becomes white, every other colour black.
        platform::set_bk_color(src.get(), kWhite);
        platform::bit_blt(m.get(), 0, 0, w, h, src.get(), sx, sy, platform::kSrcCopy);
        platform::bit_blt(c.get(), 0, 0, w, h, src.get(), sx, sy, platform::kSrcCopy);
        // Monochrome to colour: white mask bits take the background (black), black ones the text colour
        // (white), so the AND blackens the picture under the transparent part and keeps the rest.
        platform::set_bk_color(c.get(), 0);
        platform::set_text_color(c.get(), kWhite);
        platform::bit_blt(c.get(), 0, 0, w, h, m.get(), 0, 0, platform::kSrcAnd);
    }
    *width = w;
    *height = h;
    *mask_out = mask.release();
    *color_out = color.release();
    return true;
}

OxwIcon icon_from(OxwWindow window, OxwBitmap picture, uint16_t id, int32_t sx, int32_t sy, int32_t *width,
                  int32_t *height, uint32_t *err) {
    OxwBitmap mask = 0, color = 0;
    if (!make_pair(window, picture, id, sx, sy, width, height, &mask, &color, err)) return 0;
    OwnedObject owned_mask(mask), owned_color(color);
    const OxwIcon icon = platform::create_icon_indirect({true, 0, 0, mask, color});
    if (!icon) *err = core::last_error();
    return icon;
}

}  // namespace
}  // namespace ox::win

using namespace ox::win;
namespace platform = ox::platform;

extern "C" {

OX_API int32_t oxwCreateMaskAndBitmap(OxwWindow window, OxwBitmap picture, OxwBitmap *mask, OxwBitmap *bitmap,
                                      uint16_t id, int32_t sx, int32_t sy, int32_t *width, int32_t *height,
                                      uint32_t *err) {
    return make_pair(window, picture, id, sx, sy, width, height, mask, bitmap, err) ? 1 : 0;
}

OX_API OxwIcon oxwCreateIconFromBitmap(OxwWindow window, OxwBitmap picture, uint16_t id, int32_t sx, int32_t sy,
                                       uint32_t *err) {
    int32_t width = 32, height = 32;
    return icon_from(window, picture, id, sx, sy, &width, &height, err);
}

OX_API OxwIcon oxwCreateIconFromBitmapEx(OxwWindow window, OxwBitmap picture, uint16_t id, int32_t sx, int32_t sy,
                                         int32_t *width, int32_t *height, uint32_t *err) {
    return icon_from(window, picture, id, sx, sy, width, height, err);
}

OX_API OxwBitmap oxwCreateCtrlBitmapIndirect(OxwWindow window, OxwDC dc, int32_t width, int32_t height,
                                             const OxPoint *points, int32_t count, OxColorRef color, int32_t face,
                                             uint32_t *err) {
    if (!points || count < 0) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    const OxwBitmap bitmap = oxwCreateDDB(window, dc, width, height, 24, err);
    if (!bitmap) return 0;
    TargetDC target(window, dc);
    BitmapDC mem(target.get(), bitmap);
    OwnedObject ground(platform::create_solid_brush(face ? platform::get_sys_color(platform::kColorBtnFace) : kWhite));
    OwnedObject brush(platform::create_solid_brush(color));
    platform::fill_rect(mem.get(), OxRect{0, 0, width, height}, ground.get());
    const platform::GdiObject null_pen = platform::get_stock_object(platform::kNullPen);
    const platform::GdiObject old_pen = platform::select_object(mem.get(), null_pen);
    const platform::GdiObject old_brush = platform::select_object(mem.get(), brush.get());
    platform::polygon(mem.get(), std::span(points, static_cast<std::size_t>(count)));
    if (old_brush) platform::select_object(mem.get(), old_brush);
    if (old_pen) platform::select_object(mem.get(), old_pen);
    return bitmap;
}

OX_API OxwBitmap oxwCreateCtrlBitmapFromResource(OxwWindow window, OxwDC dc, uint16_t id, int32_t, int32_t,
                                                 int32_t face, uint32_t *err) {
    if (!window_usable(window, err)) return 0;
    const OxwBitmap bitmap = load_resource_bitmap(platform::get_window_module(window), id, err);
    if (!bitmap) return 0;
    TargetDC target(window, dc);
    BitmapDC mem(target.get(), bitmap);
    OwnedObject brush(platform::create_solid_brush(face ? platform::get_sys_color(platform::kColorBtnFace) : kWhite));
    if (const platform::GdiObject old = platform::select_object(mem.get(), brush.get())) {
        platform::ext_flood_fill(mem.get(), 0, 0, kWhite, platform::kFloodFillSurface);
        platform::select_object(mem.get(), old);
    }
    return bitmap;
}

}  // extern "C"
