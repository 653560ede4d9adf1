// Drawing an image into a device context as 24-bit tiles of at most 128 x 128 pixels. The drawing logic
// builds each tile and hands it to a sink: ox::win::put_tile puts it on the context, tests record it. On a
// 32-bit surface oxImageDraw writes the pixels those tiles would give straight into it (image_draw_into).
// Both run the row kernels of draw_rows.h; ox::image::plain::image_draw builds the same tiles one pixel at
// a time through the pixel accessors, the reference the kernels are held to.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ox.h"

namespace ox::image {

inline constexpr int32_t kTileSide = 128;
inline constexpr uint32_t kTileRowBytes = 3 * kTileSide;
inline constexpr uint32_t kTileBytes = kTileRowBytes * kTileSide;  // 49152

// One finished tile: `width` x `height` pixels for device position (x, y). `bits` is the 128 x 128 bottom-up
// 24-bit buffer (rows of 384 bytes, blue, green, red): the tile's bottom row is buffer row 0, its top row
// buffer row height - 1, each using the left 3 x width bytes. `color_use` is the colour-table flag the
// call passes (0 in the whole-factor enlargement, else 1; it selects nothing at 24 bits).
struct Tile {
    int32_t x, y, width, height;
    const uint8_t *bits;
    uint32_t color_use;
};

using TileSink = void (*)(void *context, const Tile &tile);

// oxImageDraw's arguments after the device context.
struct DrawArgs {
    int32_t dx, dy, dw, dh;
    OxHandle image;
    int32_t sx, sy, sw, sh;
    uint32_t gray;
};

// The common preparation: the source rectangle with zero sizes replaced and limited to the image, the
// destination size with zero sizes replaced, and the way the pixels are taken. Whole-factor ways only for
// 24- and 32-bit images whose two axes share one scale.
enum class DrawWay { nearest, one_to_one, enlarge, reduce };
struct DrawPlan {
    int32_t sx, sy, sw, sh, dw, dh;
    DrawWay way;
    int32_t factor;  // n of an enlargement or reduction by n
};
enum class PlanResult { refuse, nothing, draw };
PlanResult plan_draw(const DrawArgs &args, const OxImageHeader &header, DrawPlan *plan);

// Builds the tiles of one oxImageDraw call, band by band from the top, each band from the left, and gives
// each to `sink`. Returns what oxImageDraw returns.
int32_t image_draw(const DrawArgs &args, TileSink sink, void *context);
// The same, leaving out the tiles that lie wholly outside `visible` (the device's pixels): they would put
// nothing on the device. `visible` 0 leaves out none.
int32_t image_draw_visible(const DrawArgs &args, const OxRect *visible, TileSink sink, void *context);
// Both take the widest row kernels that the processor feature record allows (AVX2 for 24- and 32-bit images).

// A 32-bit surface to draw into directly: `width` x `height` pixels of blue, green, red, 0, top row first,
// rows `stride` bytes apart.
struct SurfaceTarget {
    uint8_t *pixels;
    std::size_t stride;
    int32_t width, height;
};
// oxImageDraw straight into a surface: every pixel of it that a tile covers gets what that tile's transfer
// would put there; the rest is left alone. Destination rows are built across up to 16 tile columns at a
// time straight into the surface's words, not tile by tile, so that the source streams a row at a time.
// Returns what oxImageDraw returns.
int32_t image_draw_into(const DrawArgs &args, const SurfaceTarget &target);


namespace plain {
int32_t image_draw(const DrawArgs &args, TileSink sink, void *context);
}  // namespace plain

}  // namespace ox::image
