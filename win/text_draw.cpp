// Text onto a window, a bitmap or a context: the three editions' fonts, the colour chart fonts and the
// caller's font.
#include <cstring>

#include "win/ddb.h"
#include "win/text.h"

namespace ox::win {

void draw_string(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y, const char *text,
                 OxwFont font, OxColorRef color) {
    if (!text || !*text || !font) return;
    TargetDC target(window, dc);
    DrawSurface surface(target.get(), bitmap, target.get());
    const OxwDC s = surface.get();
    const platform::GdiObject old_font = s ? platform::select_object(s, font) : 0;
    if (!old_font) return;
    const int old_mode = platform::set_bk_mode(s, platform::kTransparent);
    const uint32_t old_color = platform::set_text_color(s, color);
    platform::text_out(s, x, y, text, std::strlen(text));
    platform::set_text_color(s, old_color);
    platform::set_bk_mode(s, old_mode);
    platform::select_object(s, old_font);
}

namespace {

// Text drawn with a font that `make` makes for the call; the font is not made for an empty text.
template <class Make>
int32_t draw_with_made_font(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y, const char *text,
                            OxColorRef color, Make make) {
    if (!text || !*text) return 1;
    OwnedFont font(make());
    draw_string(window, dc, bitmap, x, y, text, font.get(), color);
    return 1;
}

int32_t draw_edition(Edition edition, OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                     const char *text, int32_t points, OxColorRef color, int32_t style) {
    return draw_with_made_font(window, dc, bitmap, x, y, text, color,
                               [&] { return make_text_font(edition, window, dc, points, style); });
}

}  // namespace
}  // namespace ox::win

using ox::win::Edition;

extern "C" {

OX_API int32_t oxwDrawString_J(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y, const char *text,
                               int32_t points, OxColorRef color, int32_t style) {
    return ox::win::draw_edition(Edition::japanese, window, dc, bitmap, x, y, text, points, color, style);
}
OX_API int32_t oxwDrawString_E(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y, const char *text,
                               int32_t points, OxColorRef color, int32_t style) {
    return ox::win::draw_edition(Edition::english, window, dc, bitmap, x, y, text, points, color, style);
}
OX_API int32_t oxwDrawString_C(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y, const char *text,
                               int32_t points, OxColorRef color, int32_t style) {
    return ox::win::draw_edition(Edition::chinese, window, dc, bitmap, x, y, text, points, color, style);
}

OX_API int32_t oxwDrawStringByFont(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                   const char *text, OxwFont font, OxColorRef color) {
    ox::win::draw_string(window, dc, bitmap, x, y, text, font, color);
    return 1;
}
OX_API int32_t oxwDrawString_ColorChartByFont(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                              const char *text, OxwFont font, OxColorRef color)
    __attribute__((alias("oxwDrawStringByFont")));

OX_API int32_t oxwDrawString_ColorChart_J(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                          const char *text, OxColorRef color, int32_t) {
    return ox::win::draw_with_made_font(window, dc, bitmap, x, y, text, color,
                                        [&] { return oxwCreateFont_ColorChart_J(window, dc); });
}
OX_API int32_t oxwDrawString_ColorChart_E(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                          const char *text, OxColorRef color, int32_t terminal) {
    return ox::win::draw_with_made_font(window, dc, bitmap, x, y, text, color,
                                        [&] { return oxwCreateFont_ColorChart_E(window, dc, terminal); });
}
OX_API int32_t oxwDrawString_ColorChart_C(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                          const char *text, OxColorRef color, int32_t) {
    return ox::win::draw_with_made_font(window, dc, bitmap, x, y, text, color,
                                        [&] { return oxwCreateFont_ColorChart_C(window, dc); });
}

}  // extern "C"
