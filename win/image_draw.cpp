// oxImageDraw on a device context: a 32-bit surface gets the tiles' pixels written straight into it, any
// other context (a monochrome bitmap) gets each tile through one DIB transfer.
#include "win/image_draw.h"

#include "image/image_record.h"
#include "platform/gdi.h"

namespace ox::win {

void put_tile(void *context, const ox::image::Tile &t) {
    platform::DibView view;
    view.width = ox::image::kTileSide;
    view.height = t.height;
    view.bit_count = 24;
    view.bits = t.bits;
    view.bits_size = static_cast<std::size_t>(t.height) * ox::image::kTileRowBytes;
    platform::set_dib_bits_to_device(*static_cast<const OxwDC *>(context), t.x, t.y, t.width, t.height, 0, 0, view);
}

}  // namespace ox::win

using namespace ox::image;

extern "C" {

OX_API int32_t oxImageDraw(uintptr_t dc, int32_t dx, int32_t dy, int32_t dw, int32_t dh, OxHandle image, int32_t sx,
                           int32_t sy, int32_t sw, int32_t sh, uint32_t grayFlag) {
    const DrawArgs args{dx, dy, dw, dh, image, sx, sy, sw, sh, grayFlag};
    // The image is locked before the platform, as the tile transfers below take them.
    ScopedImageLock img(image);
    if (!img.ok()) return 0;
    {
        const ox::platform::SurfacePixels surface(dc);
        if (surface.pixels)
            return image_draw_into(args, {surface.pixels, surface.stride, surface.width, surface.height});
    }
    // Tiles that miss the context's pixels would put nothing there; a context without pixels gets none.
    int32_t w = 0, h = 0;
    ox::platform::get_dc_size(dc, &w, &h);
    const OxRect visible{0, 0, w, h};
    OxwDC target = dc;
    return image_draw_visible(args, &visible, ox::win::put_tile, &target);
}

}  // extern "C"
