// Bitmaps and images from module resources, and bitmaps filled with a system colour.
#include <cstring>
#include <memory>
#include <vector>

#include "core/byte_order.h"
#include "core/errors.h"
#include "platform/resources.h"
#include "win/ddb.h"
#include "win/dib.h"

namespace ox::win {
namespace {

// A bitmap resource's packed DIB; null with `err` set to 6 for a refused module or 1814 for a missing
// bitmap.
std::shared_ptr<const std::vector<uint8_t>> find_dib(OxwModule module, platform::ResourceName name, uint32_t *err) {
    if (module != 0 && !platform::is_module(module)) {
        *err = OX_ERROR_INVALID_HANDLE;
        return nullptr;
    }
    auto dib = platform::find_bitmap_resource(module, name);
    if (!dib) *err = OX_ERROR_RESOURCE_NAME_NOT_FOUND;
    return dib;
}

// A new bitmap from a resource's packed DIB; 0 with `err` set when the resource is missing (see find_dib)
// or does not hold up (13).
OxwBitmap bitmap_from_resource(OxwModule module, platform::ResourceName name, DibLayout *d, uint32_t *err) {
    const auto dib = find_dib(module, name, err);
    if (!dib) return 0;
    // Only read: the layout's row pointer is not written through.
    if (!read_dib_layout(const_cast<uint8_t *>(dib->data()), dib->size(), d)) {
        *err = OX_ERROR_INVALID_DATA;
        return 0;
    }
    platform::DibView view;
    view.width = d->width;
    view.height = d->height;
    view.bit_count = static_cast<int>(d->depth);
    view.colors = d->table;
    view.color_count = d->colors;
    view.bits = d->bits;
    view.bits_size = static_cast<std::size_t>(d->row_bytes) * static_cast<std::size_t>(d->height);
    const OxwBitmap bitmap = platform::create_bitmap_from_dib(view);
    if (bitmap == 0) *err = core::last_error();
    return bitmap;
}

}  // namespace

OxwBitmap load_resource_bitmap(OxwModule module, uint16_t id, uint32_t *err) {
    DibLayout d;
    return bitmap_from_resource(module, platform::make_int_resource(id), &d, err);
}

}  // namespace ox::win

using namespace ox::win;

extern "C" {

OX_API OxwBitmap oxwOpenResourceDDB(OxwWindow window, OxwDC dc, const char *name, uintptr_t palette, OxwModule module,
                                    uint32_t *err) {
    TargetDC target(window, dc);
    // The palette is realised for the bitmap's making, and afterwards the previous one put back as a
    // background palette.
    ox::platform::GdiObject old = 0;
    if (palette) {
        old = ox::platform::select_palette(target.get(), palette, false);
        ox::platform::realize_palette(target.get());
    }
    DibLayout d;
    const OxwBitmap bitmap = bitmap_from_resource(module, name, &d, err);
    if (old) ox::platform::select_palette(target.get(), old, true);
    if (bitmap) ox::platform::set_bitmap_dimension(bitmap, d.width, d.height);
    return bitmap;
}

OX_API OxwBitmap oxLoadPictResource(OxwModule module, uint16_t id, int32_t *width, int32_t *height) {
    DibLayout d;
    uint32_t err;
    const OxwBitmap bitmap = bitmap_from_resource(module, ox::platform::make_int_resource(id), &d, &err);
    if (bitmap == 0) return 0;
    if (width) *width = d.width;
    if (height) *height = d.height;
    return bitmap;
}

OX_API OxHandle oxwImageResourceOpenDIB(const char *name, OxwModule module, uint32_t *err) {
    const auto dib = find_dib(module, name, err);
    if (!dib) return 0;
    if (dib->size() < 16) {  // not even the depth field of a header
        *err = OX_ERROR_INVALID_DATA;
        return 0;
    }
    const OxwGlobal block = oxwGlobalAlloc(static_cast<uint32_t>(dib->size()), err);
    if (!block) return 0;
    std::memcpy(oxwGlobalLock(block), dib->data(), dib->size());
    oxwGlobalUnlock(block);
    const uint32_t depth = ox::core::load_le16(dib->data() + 14);  // biBitCount: the image keeps the bitmap's depth
    const OxHandle image = oxwDibToImage(block, depth, err);
    oxwGlobalFree(block);
    return image;
}

OX_API OxwBitmap oxwCreateSysColorDDB(OxwWindow window, OxwBitmap bitmap, int32_t width, int32_t height, int32_t index,
                                      uint32_t *err) {
    TargetDC target(window, 0);
    const uint32_t color = ox::platform::get_sys_color(index);
    const bool made = bitmap == 0;
    if (made && (bitmap = ox::platform::create_compatible_bitmap(target.get(), width, height)) == 0) {
        *err = ox::core::last_error();
        return 0;
    }
    const ox::platform::GdiObject brush = ox::platform::create_solid_brush(color);
    if (brush == 0) {
        *err = ox::core::last_error();
        if (made) ox::platform::delete_object(bitmap);
        return 0;
    }
    {
        BitmapDC mem(target.get(), bitmap);
        ox::platform::fill_rect(mem.get(), OxRect{0, 0, width, height}, brush);
    }
    ox::platform::delete_object(brush);
    return bitmap;
}

}  // extern "C"
