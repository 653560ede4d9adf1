// oxwDrawDIB: a rectangle of a DIB block drawn into a device context at an integer zoom.
#include <cstdint>

#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "win/dib.h"

using namespace ox::win;

extern "C" {

OX_API int32_t oxwDrawDIB(OxwDC dc, int32_t dx, int32_t dy, OxwGlobal dib, int32_t sx, int32_t sy, int32_t width,
                          int32_t height, int32_t zoom) {
    if (dib == 0) return 0;
    ox::platform::GlobalLock mem(dib);
    DibLayout d;
    if (!mem || !read_dib_layout(mem.data(), mem.size(), &d, true)) return 0;
    // Zoom z > 1 rounds the destination up to whole multiples of z and takes a z-th of it from the
    // source; z <= 0 takes |z| times the destination (z = -2 shrinks by two, z = 0 takes nothing).
    int64_t w = width, h = height;
    if (zoom > 1) {
        w = (w + zoom - 1) / zoom * zoom;
        h = (h + zoom - 1) / zoom * zoom;
    }
    const int64_t sw = zoom > 0 ? w / zoom : w * -int64_t{zoom};
    const int64_t sh = zoom > 0 ? h / zoom : h * -int64_t{zoom};
    // The source y is top-down; the transfer counts rows from the bottom of the bitmap.
    const int64_t bottom_y = int64_t{d.height} - sh - sy;
    const auto fits = [](int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; };
    if (fits(w) && fits(h) && fits(sw) && fits(sh) && fits(bottom_y)) {
        const ox::platform::DibView view = dib_view(d);
        ox::platform::stretch_dib_bits(dc, dx, dy, static_cast<int32_t>(w), static_cast<int32_t>(h), sx,
                                       static_cast<int32_t>(bottom_y), static_cast<int32_t>(sw),
                                       static_cast<int32_t>(sh), view, ox::platform::kSrcCopy);
    }
    return 1;
}

}  // extern "C"
