// oxwPolygonFill (under the wait cursor): a polygon rasterised by the drawing layer (even-odd interior and one-pixel
// outline) in a white bitmap of the polygon's box, read back through a 24-bit DIB block and marked into a 1-bit image.
#include <algorithm>

#include "image/image_record.h"
#include "platform/gdi.h"
#include "platform/input.h"
#include "platform/window.h"
#include "win/ddb.h"

namespace {

// The GDI objects of the rasterisation, released once whatever happens.
struct Raster {
    OxwWindow window;
    OxwDC screen = 0, mem = 0;
    OxwBitmap bitmap = 0;
    ox::platform::GdiObject brush = 0, old_bitmap = 0, old_brush = 0, old_pen = 0;

    ~Raster() {
        if (mem) {
            if (old_pen) ox::platform::select_object(mem, old_pen);
            if (old_brush) ox::platform::select_object(mem, old_brush);
            if (old_bitmap) ox::platform::select_object(mem, old_bitmap);
            ox::platform::delete_dc(mem);
        }
        if (brush) ox::platform::delete_object(brush);
        if (bitmap) ox::platform::delete_object(bitmap);
        if (screen) ox::platform::release_dc(window, screen);
    }
};

}  // namespace

extern "C" {

OX_API int32_t oxwPolygonFill(OxwWindow window, OxHandle image, OxPoint *points, int32_t count, int32_t mode,
                              uint32_t *err) {
    ox::platform::set_cursor(ox::platform::load_cursor(0, ox::platform::kCursorWait));
    ox::image::ScopedImageLock img(image);
    if (!img.ok()) return 0;
    const OxImageLockRec &l = img.rec();

    // The vertices' bounding box, clipped to the image; narrower or lower than 2 pixels is refused.
    OxRect box{10000, 10000, -10000, -10000};
    for (int32_t i = 0; i < count; ++i) oxGetRegion(&points[i], &box);
    box.left = std::max(box.left, 0);
    box.top = std::max(box.top, 0);
    box.right = std::min(box.right, l.maxX);
    box.bottom = std::min(box.bottom, l.maxY);
    const int64_t bw = int64_t{box.right} - box.left + 1, bh = int64_t{box.bottom} - box.top + 1;
    if (bw < 2 || bh < 2) {
        *err = OX_ERR_POLYGON_TOO_SMALL;
        return 0;
    }
    const int32_t w = static_cast<int32_t>(bw), h = static_cast<int32_t>(bh);
    // The caller's vertices move into the box's coordinates, in place; negative ones stop at 0.
    for (int32_t i = 0; i < count; ++i) {
        points[i].x = static_cast<int32_t>(std::max<int64_t>(int64_t{points[i].x} - box.left, 0));
        points[i].y = static_cast<int32_t>(std::max<int64_t>(int64_t{points[i].y} - box.top, 0));
    }

    Raster r{window};
    r.bitmap = oxwCreateDDB(window, 0, w, h, 24, err);
    if (r.bitmap == 0) return 0;
    oxwDrawFillDDB(window, 0, r.bitmap, 0, 0, w, h, 0xFFFFFF);
    r.screen = ox::platform::get_dc(window);
    r.mem = ox::platform::create_compatible_dc(r.screen);
    r.brush = ox::platform::create_solid_brush(0x000000);
    if (!r.mem || !r.brush) return 0;
    r.old_bitmap = ox::platform::select_object(r.mem, r.bitmap);
    r.old_brush = ox::platform::select_object(r.mem, r.brush);
    r.old_pen = ox::platform::select_object(r.mem, ox::platform::get_stock_object(ox::platform::kBlackPen));
    ox::platform::polygon(r.mem, std::span<const OxPoint>(points, count > 0 ? static_cast<std::size_t>(count) : 0));

    // Read back into a DIB block of the box: covered pixels are black.
    const OxwGlobal dib = oxwCreateDIB(w, h, 24, 0, err);
    OxwDibLockRec *lock = dib ? oxwDibLock(dib) : nullptr;
    if (lock == nullptr) {
        if (dib) oxwGlobalFree(dib);
        return 0;
    }
    ox::platform::get_dib_bits(r.bitmap, 0, h, 24, lock->bits, static_cast<std::size_t>(lock->rowBytes) * h);
    const uint32_t mark = mode == 2 ? 1u : 0u;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t *row = lock->bits + static_cast<std::size_t>(h - 1 - y) * lock->rowBytes;
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t *p = row + 3 * static_cast<std::size_t>(x);
            if ((p[0] | p[1] | p[2]) == 0) oxImagePutPixel(&l, box.left + x, box.top + y, mark);
        }
    }
    oxwDibUnlock(lock);
    oxwGlobalFree(dib);
    return 1;
}

}  // extern "C"
