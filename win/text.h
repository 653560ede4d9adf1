// Helpers shared by the text functions: the three editions' fonts, the colour chart fonts, and the drawing
// of a text onto a context or into an image record with a given font.
#pragma once

#include <cstdint>
#include <utility>

#include "oxw.h"
#include "platform/font.h"
#include "platform/gdi.h"

namespace ox::win {

// The language editions, in the order the progress bar records them.
enum class Edition : int32_t { japanese = 0, english = 1, chinese = 2 };

// The point size an edition's ladder makes of a requested size.
int32_t snap_points(Edition edition, int32_t points);

// The record of an edition's text font for a context of `dpi_y` pixels per logical inch. Style bits 0, 8,
// 16 and 24: bold, italic, underline, strike-out.
platform::LogFont text_font_record(Edition edition, int32_t dpi_y, int32_t points, int32_t style);

// An edition's text font for the context (0: the window's); 0 when there is no such context.
OxwFont make_text_font(Edition edition, OxwWindow window, OxwDC dc, int32_t points, int32_t style);

// A drawing object (a font, a bitmap) made for one call and deleted at its end, after the call has put it
// out of every context.
class OwnedObject {
public:
    explicit OwnedObject(platform::GdiObject object) : object_(object) {}
    ~OwnedObject() {
        if (object_) platform::delete_object(object_);
    }
    OwnedObject(const OwnedObject &) = delete;
    OwnedObject &operator=(const OwnedObject &) = delete;
    platform::GdiObject get() const { return object_; }
    // Hands the object on: it is no longer deleted here.
    platform::GdiObject release() { return std::exchange(object_, 0); }

private:
    platform::GdiObject object_;
};
using OwnedFont = OwnedObject;

// Draws a zero-terminated text with `font` at (x, y) (top-left of the text) in `color` with a transparent
// background, onto the bitmap (through a memory context) or the context itself; every state changed is put
// back. Draws nothing for an empty text, a font of 0 or a refused font or context.
void draw_string(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y, const char *text,
                 OxwFont font, OxColorRef color);

// Text into an image record with `font`, standing on baseline y; see oxwImageDrawStringByFont. The library's
// path renders only the text's box; plain::image_draw_string renders a picture of the whole image size and
// walks all of it, and gives the same pixels. `font_error` is the code for a font of 0.
int32_t image_draw_string(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y, const char *text,
                          OxwFont font, OxColorRef color, uint32_t font_error, uint32_t *err);
namespace plain {
int32_t image_draw_string(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y, const char *text,
                          OxwFont font, OxColorRef color, uint32_t font_error, uint32_t *err);
}  // namespace plain

}  // namespace ox::win
