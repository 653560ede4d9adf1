// Fonts and text of the platform stand-in. A font object is made from the 60-byte description record and
// is a drawing object like a pen: selected into a context, deleted with delete_object. The face behind it
// is matched by fontconfig from the record (character set, pitch and family, weight, italic) and rendered
// by FreeType in monochrome, so the same text with the same installed fonts gives the same pixels every
// time and a text colour drawn into a picture stays one solid colour. A match is made once per distinct
// record and kept with its rendered glyphs for the life of the process; drawing a caption again costs no
// fontconfig query and no rendering.
//
// Text arrives as bytes in the process code page (oxGetCodePage; 65001 is UTF-8) and is decoded with
// iconv; a sequence that does not decode draws the replacement character. A character that the matched
// face lacks draws that face's missing-glyph box.
#pragma once

#include <cstdint>
#include <string>

#include "oxw.h"
#include "platform/gdi.h"

namespace ox::platform {

// The font description record, in the host's byte order.
struct LogFont {
    int32_t height = 0;  // < 0: the character height (em) in pixels; > 0: ascent + descent; 0: 16-pixel em
    int32_t width = 0, escapement = 0, orientation = 0;  // recorded only
    int32_t weight = 0;                                  // 100..900; 0 reads as 400; 600 and above is bold
    uint8_t italic = 0, underline = 0, strike_out = 0;
    uint8_t char_set = 0;  // 0 ANSI, 1 default, 128 Shift-JIS, 129 Hangul, 134 GB2312, 136 Big5, 255 OEM
    uint8_t out_precision = 0, clip_precision = 0, quality = 0;  // recorded only
    uint8_t pitch_and_family = 0;  // bits 0-1: 1 fixed, 2 variable; bits 4-7: 1 roman, 2 swiss, 3 modern ...
    char face_name[32] = {};       // recorded only: the face follows from the fields above
};
static_assert(sizeof(LogFont) == 60);

// Character sets of the record.
inline constexpr uint8_t kAnsiCharset = 0, kDefaultCharset = 1, kShiftJisCharset = 128, kHangulCharset = 129,
                         kGb2312Charset = 134, kBig5Charset = 136, kOemCharset = 255;

// The stock system font (get_stock_object), which every new context holds: a bold 16-pixel sans face.
inline constexpr int kSystemFont = 13;

// The record of the interface font that the layer's own controls draw with (status panes, captions): an
// 8-point (11-pixel) sans face of the given weight, in the character set of the process code page.
LogFont interface_font(int32_t weight);

// A font object holding a copy of `record`. Never fails for want of a face (matching happens when the
// font is first used); 0 without memory (8).
GdiObject create_font(const LogFont &record);
// The record a font was made from; false for a refused handle.
bool get_font_record(GdiObject font, LogFont *record);

// The face fontconfig chose for a record: its family name and file. Empty when no face is installed.
struct FaceInfo {
    std::string family, file;
};
FaceInfo matched_face(const LogFont &record);

// Metrics of the font selected into a context, in pixels.
struct TextMetrics {
    int32_t height = 0, ascent = 0, descent = 0;  // height = ascent + descent
    int32_t internal_leading = 0, external_leading = 0;
    int32_t ave_char_width = 0, max_char_width = 0;
    int32_t weight = 0;
    uint8_t italic = 0, underlined = 0, struck_out = 0, pitch_and_family = 0, char_set = 0;
};
bool get_text_metrics(OxwDC dc, TextMetrics *metrics);

// Text alignment flags (set_text_align): the reference point is the top, bottom or baseline, and the
// left, right or centre of the text.
inline constexpr uint32_t kTaTop = 0, kTaLeft = 0, kTaRight = 2, kTaCenter = 6, kTaBottom = 8, kTaBaseline = 24;

// Draws `size` bytes of text with the context's font at (x, y) as its alignment says, in its text colour;
// an opaque background mode first fills the text's cell (advance width x ascent + descent) with the
// background colour. Underline and strike-out lines follow the face's own metrics and span the advance
// width. Pixels outside the surface, and outside `clip` when it is given, are left alone. False for a
// refused context; true without drawing for a context without pixels.
bool text_out(OxwDC dc, int32_t x, int32_t y, const char *text, std::size_t size, const OxRect *clip = nullptr);
// The advance width and the height (ascent + descent) of the text in the context's font.
bool get_text_extent(OxwDC dc, const char *text, std::size_t size, int32_t *width, int32_t *height);
// The smallest rectangle holding every pixel text_out with the same arguments could change (empty when
// it changes none).
bool get_text_bounds(OxwDC dc, int32_t x, int32_t y, const char *text, std::size_t size, OxRect *bounds);

}  // namespace ox::platform
