// The drawing half of the platform stand-in: software bitmaps, pens, brushes and palettes, device contexts
// that draw into a window's pixels or into a selected bitmap, raster-operation copies, rectangles,
// polygons, and transfers between bitmaps and packed device-independent bitmaps. Headless: every pixel
// lives in memory and can be read back.
//
// Handles are checked against a registry: 0, a deleted handle or a made-up value is refused (the call
// fails or draws nothing) and never dereferenced. Handle values are not reused. Calls are meant for one
// thread at a time, like the rest of the display layer; a process-wide lock keeps the registries intact
// all the same.
//
// Colours are colour values 0x00BBGGRR (red in bits 0-7). A colour bitmap stores 32-bit pixels, bytes
// blue, green, red, 0; a monochrome bitmap 1 bit per pixel, most significant bit first, 1 = white.
// Failures of calls that create something leave a code in ox::core::last_error(): 87 for bad arguments,
// 8 when memory runs out, 6 for a refused handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

#include "oxw.h"

namespace ox::platform {

// Any drawing object (bitmap, pen, brush, palette, font); an OxwBitmap is one of them.
using GdiObject = uintptr_t;

// ---- Objects ---------------------------------------------------------------------------------------------

// Stock object ids, as get_stock_object takes them.
enum StockObject : int {
    kWhiteBrush = 0,
    kLtGrayBrush = 1,
    kGrayBrush = 2,
    kDkGrayBrush = 3,
    kBlackBrush = 4,
    kNullBrush = 5,
    kWhitePen = 6,
    kBlackPen = 7,
    kNullPen = 8,
    kDefaultPalette = 15,
};

// Pen styles: solid and null (draws nothing). Other styles are drawn solid.
inline constexpr int kPenSolid = 0;
inline constexpr int kPenNull = 5;

// The largest bitmap side and pixel count this layer makes (keeps every size product far from overflow).
inline constexpr int32_t kMaxBitmapSide = 65535;
inline constexpr int64_t kMaxBitmapPixels = int64_t{1} << 28;

// A permanent object; deleting it does nothing. 0 for an unknown id.
GdiObject get_stock_object(int id);

// A white (colour) or zero (monochrome, i.e. black) bitmap of width x height; bits_per_pixel 1 gives a
// monochrome bitmap, anything else a 32-bit colour one. 0 for sizes below 1 or above the limits (87) or
// without memory (8). The recorded dimension starts at 0 x 0.
OxwBitmap create_bitmap(int32_t width, int32_t height, int bits_per_pixel);
// A colour bitmap: bitmaps compatible with any context are colour bitmaps here (there is no monochrome
// display), including for a memory context that holds its initial monochrome bitmap.
OxwBitmap create_compatible_bitmap(OxwDC dc, int32_t width, int32_t height);

// Solid pen of `width` pixels (0 draws 1 pixel) and colour; style kPenNull draws nothing. 0 for a negative
// width.
GdiObject create_pen(int style, int32_t width, uint32_t color);
GdiObject create_solid_brush(uint32_t color);
// A logical palette of colour values. Realising it does nothing on colour surfaces.
GdiObject create_palette(std::span<const uint32_t> colors);

// Deletes a bitmap, pen, brush or palette. False for a refused handle and for an object still selected in
// a context (it stays alive); true and no effect for a stock object.
bool delete_object(GdiObject object);
bool is_object(GdiObject object);

// What a bitmap's description record holds.
struct BitmapSize {
    int32_t width = 0, height = 0;
    int bits_per_pixel = 0;  // 32 or 1
};
bool get_bitmap_size(OxwBitmap bitmap, BitmapSize *size);
// The recorded dimension (SetBitmapDimensionEx); the previous one goes to `old` when that is not null.
bool set_bitmap_dimension(OxwBitmap bitmap, int32_t cx, int32_t cy, int32_t *old_cx = nullptr,
                          int32_t *old_cy = nullptr);
bool get_bitmap_dimension(OxwBitmap bitmap, int32_t *cx, int32_t *cy);

// One pixel of a bitmap as a colour value (monochrome: 0 or 0xFFFFFF); false outside or for a refused
// handle.
bool get_bitmap_pixel(OxwBitmap bitmap, int32_t x, int32_t y, uint32_t *color);
// Writes one pixel (monochrome: white when r + g + b >= 384); false outside or for a refused handle.
bool set_bitmap_pixel(OxwBitmap bitmap, int32_t x, int32_t y, uint32_t color);

// ---- Device contexts -------------------------------------------------------------------------------------

// A memory context holding a stock 1 x 1 monochrome bitmap (shared, so nothing is drawn until a bitmap of
// its own is selected), the white brush, the black pen, the system font, the default palette, black text on
// an opaque white background. `like` is only checked (0 or any live context).
OxwDC create_compatible_dc(OxwDC like);
// Deletes a memory context; the objects selected in it stay alive and become free to delete. False for a
// refused handle or a window's context (release that with release_dc).
bool delete_dc(OxwDC dc);
bool is_dc(OxwDC dc);

// Selects a bitmap (memory contexts only; a bitmap sits in one context at a time), pen, brush or font; returns
// the object of that kind selected before, or 0 on failure (nothing changes).
GdiObject select_object(OxwDC dc, GdiObject object);
// The object of the given kind currently selected (kind as for get_current_object below).
enum class ObjectKind { bitmap, pen, brush, palette, font };
GdiObject get_current_object(OxwDC dc, ObjectKind kind);
// Selects a palette; returns the previous one or 0. `background` is recorded only.
GdiObject select_palette(OxwDC dc, GdiObject palette, bool background);
// Number of entries mapped: always 0 here (no palette-based surfaces).
uint32_t realize_palette(OxwDC dc);

// Text state. Each setter returns the previous value (kInvalidColor / -1 / 0 for a refused context).
inline constexpr uint32_t kInvalidColor = 0xFFFFFFFF;
inline constexpr int kTransparent = 1;
inline constexpr int kOpaque = 2;
uint32_t set_text_color(OxwDC dc, uint32_t color);
uint32_t set_bk_color(OxwDC dc, uint32_t color);
int set_bk_mode(OxwDC dc, int mode);
uint32_t set_text_align(OxwDC dc, uint32_t align);
struct TextState {
    uint32_t text_color = 0, bk_color = 0xFFFFFF;
    int bk_mode = kOpaque;
    uint32_t text_align = 0;
};
bool get_text_state(OxwDC dc, TextState *state);

// Width and height of the pixels a context draws into (the selected bitmap, or the window's client area);
// false for a refused context or one without pixels.
bool get_dc_size(OxwDC dc, int32_t *width, int32_t *height);
// One pixel of what a context draws into, as a colour value; false outside or without pixels.
bool get_dc_pixel(OxwDC dc, int32_t x, int32_t y, uint32_t *color);

// The pixels of a context that draws into a 32-bit surface, for drawing code that writes them directly
// rather than through a DIB transfer: blue, green, red, 0 a pixel, top row first, rows `stride` bytes
// apart. Holds the platform's lock while it lives. `pixels` is null (and nothing is held) for a context
// without such pixels: a refused one, the screen, a monochrome bitmap, an empty surface.
class SurfacePixels {
public:
    explicit SurfacePixels(OxwDC dc);
    SurfacePixels(const SurfacePixels &) = delete;
    SurfacePixels &operator=(const SurfacePixels &) = delete;

    uint8_t *pixels = nullptr;
    std::size_t stride = 0;
    int32_t width = 0, height = 0;

private:
    std::unique_lock<std::recursive_mutex> lock_;
};

// ---- The display's fixed properties ------------------------------------------------------------------------

// The system colour of an index (0..30) in the classic gray scheme (15, the button face, is 0xC8D0D4);
// 0 for other indices.
uint32_t get_sys_color(int index);
inline constexpr int kColorActiveCaption = 2, kColorInactiveCaption = 3, kColorCaptionText = 9, kColorBtnFace = 15,
                     kColorBtnShadow = 16, kColorBtnText = 18, kColorInactiveCaptionText = 19,
                     kColorBtnHighlight = 20, kColor3dDkShadow = 21, kColor3dLight = 22,
                     kColorGradientActiveCaption = 27, kColorGradientInactiveCaption = 28;
// Device capabilities: 8 / 10 the width / height of the context's pixels (of the nominal screen for a
// context without pixels), 12 bits per pixel (32, 1 for a monochrome bitmap), 14 planes (1), 88 / 90 pixels
// per logical inch (96). 0 for other indices and refused contexts.
int32_t get_device_caps(OxwDC dc, int index);
// System metrics: 0 / 1 the screen's width and height (1920 x 1080 until the host sets another size,
// screen.h), 45 / 46 the width of a three-dimensional edge (2), 52 the width of a small caption button (12).
// 0 for other indices.
inline constexpr int kSmCxScreen = 0, kSmCyScreen = 1, kSmCxEdge = 45, kSmCyEdge = 46, kSmCxSmSize = 52;
inline constexpr int32_t kEdgeWidth = 2, kSmallCaptionButtonWidth = 12;
int32_t get_system_metrics(int index);
inline constexpr int32_t kScreenWidth = 1920, kScreenHeight = 1080;

// ---- Raster-operation copies (gdi_blit.cpp) ---------------------------------------------------------------

// Ternary raster operations: bits 16-23 give the result for each combination of pattern (the selected
// brush's colour; 0 for the null brush), source and destination bits; the low word is not looked at.
inline constexpr uint32_t kSrcCopy = 0x00CC0020;
inline constexpr uint32_t kSrcPaint = 0x00EE0086;  // source OR destination
inline constexpr uint32_t kSrcAnd = 0x008800C6;    // source AND destination
inline constexpr uint32_t kSrcInvert = 0x00660046; // source XOR destination
inline constexpr uint32_t kDstInvert = 0x00550009;
inline constexpr uint32_t kNotSrcCopy = 0x00330008;
inline constexpr uint32_t kPatCopy = 0x00F00021;
inline constexpr uint32_t kBlackness = 0x00000042;
inline constexpr uint32_t kWhiteness = 0x00FF0062;

// True when the operation reads the source.
bool rop_uses_source(uint32_t rop);

// Copies width x height pixels from (sx, sy) of `src` to (x, y) of `dst` through the raster operation.
// `src` may be 0 (or anything) when the operation does not read it. Pixels outside either surface are
// skipped. Between colour and monochrome: a monochrome source gives the destination context's text colour
// for 0 bits and its background colour for 1 bits; a colour source written to a monochrome destination
// gives 1 where it equals the source context's background colour, else 0. Source and destination may be
// the same context, overlapping included. False for a refused context, a context without pixels or a
// non-positive size (nothing drawn).
bool bit_blt(OxwDC dst, int32_t x, int32_t y, int32_t width, int32_t height, OxwDC src, int32_t sx, int32_t sy,
             uint32_t rop);
// The source rectangle (sx, sy, sw, sh) scaled to the destination rectangle by nearest-pixel sampling:
// destination offset (X, Y) takes source (sx + X * sw / w, sy + Y * sh / h), integer division. All sizes
// must be positive (no mirroring); otherwise false and nothing is drawn.
bool stretch_blt(OxwDC dst, int32_t x, int32_t y, int32_t w, int32_t h, OxwDC src, int32_t sx, int32_t sy,
                 int32_t sw, int32_t sh, uint32_t rop);

// ---- Device-independent bitmaps (gdi_blit.cpp) -------------------------------------------------------

// A view of DIB pixels as the caller has checked them: rows padded to 32 bits, `height` rows stored bottom
// row first when positive, top row first when negative; colour-table entries are 4 bytes blue, green,
// red, 0. An index at or beyond `color_count` reads as black.
struct DibView {
    int32_t width = 0, height = 0;
    int bit_count = 0;  // 1, 4, 8, 24 or 32 (32: bytes blue, green, red, unused)
    const uint8_t *colors = nullptr;
    uint32_t color_count = 0;
    const uint8_t *bits = nullptr;
    std::size_t bits_size = 0;  // at least row bytes x |height|, checked by every call
};

// Bytes per stored DIB row: the row's bit length rounded up to 32 bits. 64-bit, so that no width overflows.
inline uint64_t dib_row_bytes(uint64_t width, uint32_t bit_count) { return (width * bit_count + 31) / 32 * 4; }

// Draws the DIB's source rectangle (sx, sy, sw, sh) into the destination rectangle, sampled as in
// stretch_blt. Source coordinates are those of the DIB's own origin: the lower-left corner for a
// bottom-up DIB (sy counts rows from the bottom; the destination's top row shows stored row sy + sh - 1),
// the upper-left corner for a top-down one. Pixels outside the DIB or the surface are skipped. A
// monochrome destination takes white where r + g + b >= 384. False for a refused context, a context without
// pixels, non-positive sizes or a view whose bits are too short.
bool stretch_dib_bits(OxwDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                      int32_t sh, const DibView &dib, uint32_t rop);
// stretch_dib_bits without scaling, with a copy.
bool set_dib_bits_to_device(OxwDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                            const DibView &dib);
// A new colour bitmap of the DIB's size holding its pixels (recorded dimension 0 x 0). 0 on failure.
OxwBitmap create_bitmap_from_dib(const DibView &dib);

// Reads rows [start, start + lines) of a bitmap, counted from its bottom row, into `bits` as bottom-up DIB
// rows of the bitmap's width at depth 1, 24 or 32 (a colour pixel becomes bit 1 when r + g + b >= 384; a
// monochrome pixel becomes 0 or 255 in every colour byte). Padding bytes are written as 0. Lines beyond the
// bitmap are left out. Returns the number of lines written, 0 for a refused handle, another depth, or a
// buffer shorter than lines x row bytes.
int32_t get_dib_bits(OxwBitmap bitmap, int32_t start, int32_t lines, int bit_count, uint8_t *bits,
                     std::size_t bits_size);
// The whole bitmap as a packed DIB of depth 1, 24 or 32: a 40-byte header (biSizeImage set, positive
// height), a colour table of black and white at depth 1, then the rows bottom-up. Returns the bytes the
// DIB needs; writes it only when `dst_size` is at least that (`dst` may be null to ask for the size).
// 0 for a refused handle or another depth.
std::size_t write_packed_dib(OxwBitmap bitmap, int bit_count, uint8_t *dst, std::size_t dst_size);

// ---- Shapes (gdi_shapes.cpp) ------------------------------------------------------------------------------

// Fills [left, right) x [top, bottom) with the brush (clipped; an empty or inverted rectangle fills
// nothing; the null brush fills nothing). False for a refused context or brush.
bool fill_rect(OxwDC dc, const OxRect &rect, GdiObject brush);
// Rectangle with the selected pen and brush, corners normalised. The selected brush fills the interior
// and the pen draws the outline on the pixels left..right-1, top..bottom-1 (a wider pen adds pixels
// outward first, then inward). With the null pen there is no outline and the filled area is one pixel
// smaller: [left, right - 1) x [top, bottom - 1).
bool rectangle(OxwDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
// Polygon with the selected brush and pen: the interior by the even-odd rule (pixel (x, y) is inside when
// the point (x, y) is, edges on the left and top belong to the interior), then the closed outline as
// one-pixel lines from vertex to vertex, both ends included. Fewer than 2 points draw nothing.
bool polygon(OxwDC dc, std::span<const OxPoint> points);
// Flood fill with the selected brush from (x, y) over 4-connected pixels: kFloodFillSurface fills the pixels
// of `color` (monochrome: its white-or-black), kFloodFillBorder those of any other colour. False, nothing
// drawn, when the start pixel is outside the surface or does not belong (it lacks `color`, or has the
// border's), for another type or a refused context; the null brush draws nothing.
inline constexpr uint32_t kFloodFillBorder = 0, kFloodFillSurface = 1;
bool ext_flood_fill(OxwDC dc, int32_t x, int32_t y, uint32_t color, uint32_t type);
// Inverts every pixel of [left, right) x [top, bottom) (clipped; empty rectangles invert nothing).
bool invert_rect(OxwDC dc, const OxRect &rect);

// ---- Inspection for tests ----------------------------------------------------------------------------------

// Live non-stock objects and contexts, to check that calls release what they make.
std::size_t live_object_count();
std::size_t live_dc_count();

}  // namespace ox::platform
