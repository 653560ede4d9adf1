// Per-pixel reference versions of the DIB conversions, step by step as the conversions are defined.
#include <cstring>

#include "image/image_record.h"
#include "platform/global_memory.h"
#include "win/dib.h"
#include "win/dib_convert.h"

namespace ox::win::plain {
namespace {

struct Rgb {
    uint32_t r, g, b;
};

// The table entry of an index; an index beyond the table reads black.
Rgb entry(const DibLayout &d, uint32_t index) {
    if (index >= d.colors) return {0, 0, 0};
    const uint8_t *e = d.table + 4 * index;
    return {e[2], e[1], e[0]};
}

// Pixel x of stored row `row`: its colour, and its gray value in the order its depth uses.
Rgb colour_of(const DibLayout &d, const uint8_t *row, int32_t x) {
    if (d.depth == 24) {
        const uint8_t *p = row + 3 * static_cast<std::size_t>(x);
        return {p[2], p[1], p[0]};
    }
    return entry(d, dib_index(row, x, d.depth));
}

uint32_t gray_of(const DibLayout &d, const uint8_t *row, int32_t x) {
    const Rgb c = colour_of(d, row, x);
    return d.depth == 24 ? pixel_gray(c.r, c.g, c.b) : entry_gray(c.r, c.g, c.b);
}

// Locks `dib` and reads its layout; on failure sets the code (6: not a block, 13: does not hold up).
bool open_block(ox::platform::GlobalLock &mem, DibLayout *d, uint32_t *err) {
    if (!mem) {
        *err = OX_ERROR_INVALID_HANDLE;
        return false;
    }
    if (!read_dib_layout(mem.data(), mem.size(), d)) {
        *err = OX_ERROR_INVALID_DATA;
        return false;
    }
    return true;
}

}  // namespace

OxHandle dib_to_image(OxwGlobal dib, uint32_t depth, uint32_t *err) {
    if (dib == 0 || (depth != 1 && depth != 8 && depth != 24)) return 0;
    ox::platform::GlobalLock mem(dib);
    DibLayout d;
    if (!open_block(mem, &d, err)) return 0;
    OxHandle image = oxImageCreate(d.width, d.height, static_cast<int32_t>(depth), err);
    ox::image::ScopedImageLock img(image);
    if (!img.ok()) return 0;
    const OxImageLockRec &l = img.rec();
    for (int32_t i = 0; i < d.height; ++i) {
        const uint8_t *row = d.bits + static_cast<std::size_t>(i) * d.row_bytes;
        const int32_t y = d.height - 1 - i;
        if (d.depth == depth && depth != 24) {
            std::memcpy(oxImageGetAdr(&l, 0, y), row, l.rowBytes);
            continue;
        }
        for (int32_t x = 0; x < d.width; ++x) {
            if (depth == 24) {
                const Rgb c = colour_of(d, row, x);
                oxImagePutPixel(&l, x, y, c.r | c.g << 8 | c.b << 16);
            } else if (depth == 8) {
                oxImagePutPixel(&l, x, y, gray_of(d, row, x));
            } else {
                oxImagePutPixel(&l, x, y, static_cast<uint8_t>(gray_of(d, row, x)) > 127 ? 1 : 0);
            }
        }
    }
    return image;
}

OxwGlobal image_to_dib(OxHandle image, uint32_t *err) {
    ox::image::ScopedImageLock img(image);
    if (!img.ok()) return 0;
    const OxImageLockRec &l = img.rec();
    const int32_t bits = l.header->bitCount;
    if (bits != 1 && bits != 8 && bits != 24 && bits != 32) {
        *err = 0;
        return 0;
    }
    const int32_t w = l.maxX + 1, h = l.maxY + 1;
    OxwGlobal dib = oxwCreateDIB(w, h, bits == 32 ? 24 : static_cast<uint32_t>(bits), 1, err);
    if (dib == 0) return 0;
    OxwDibLockRec *rec = oxwDibLock(dib);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = oxImageGetPixel(&l, x, y);
            if (bits == 1)
                oxwPutDibPixel(rec, x, y, v ? OXW_DIB_MARK_COLOR : 0xFFFFFFu);
            else if (bits == 8)
                oxwPutDibPixel(rec, x, y, v);
            else  // a pixel value and a colour value share their layout: red in bits 0-7
                oxwPutDibPixel(rec, x, y, v & 0xFFFFFFu);
        }
    }
    oxwDibUnlock(rec);
    return dib;
}

OxHandle create_clipboard_image(OxwGlobal dib, int32_t gray, uint32_t *err) {
    if (dib == 0) return 0;
    ox::platform::GlobalLock mem(dib);
    DibLayout d;
    if (!open_block(mem, &d, err)) return 0;
    OxHandle image = gray ? oxImageCreateGray(d.width, d.height, err) : oxImageCreate(d.width, d.height, 32, err);
    ox::image::ScopedImageLock img(image);
    if (!img.ok()) return 0;
    const OxImageLockRec &l = img.rec();
    for (int32_t i = 0; i < d.height; ++i) {
        const uint8_t *row = d.bits + static_cast<std::size_t>(i) * d.row_bytes;
        const int32_t y = d.height - 1 - i;
        for (int32_t x = 0; x < d.width; ++x) {
            const Rgb c = colour_of(d, row, x);
            uint8_t *p = oxImageGetAdr(&l, x, y);
            p[1] = static_cast<uint8_t>(c.r);
            p[2] = static_cast<uint8_t>(c.g);
            p[3] = static_cast<uint8_t>(c.b);
        }
    }
    return image;
}

}  // namespace ox::win::plain
