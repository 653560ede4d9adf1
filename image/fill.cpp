// Erase and the box fills: whole-box colour fill, inversion, and one channel set to a byte.
//
// Each exported function walks the clipped box row by row and hands every row's run of whole pixels to a
// PixelBytesOp (a store, a masked store or an inversion, 16 bytes at a time), or for 1-bit images sets,
// clears or flips a run of bits. The plain versions below them store pixel by pixel and are the reference.
#include "image/fill.h"

#include <cstddef>
#include <cstring>


#include "image/image_record.h"
#include "image/row_walk.h"
#include "image/runs.h"

namespace ox::image {
namespace {

// A clipped, non-empty box: 0 <= x, 0 < w, x + w <= width, and likewise in y.
struct Box {
    int32_t x, y, w, h;
};

// Clips a caller's box to a width x height image: all four values 0 mean the whole image; otherwise a
// negative x or y moves the edge to 0 and shortens the box by as much, and a box that runs past the right
// or bottom edge ends there. The arithmetic is exact (no 32-bit wrap-around). False when nothing is left.
bool clip_box(int32_t width, int32_t height, int32_t x, int32_t y, int32_t w, int32_t h, Box *box) {
    int64_t bx = x, by = y, bw = w, bh = h;
    if (x == 0 && y == 0 && w == 0 && h == 0) {
        bw = width;
        bh = height;
    } else {
        if (bx < 0) {
            bw += bx;
            bx = 0;
        }
        if (by < 0) {
            bh += by;
            by = 0;
        }
    }
    if (bx + bw > width) bw = width - bx;
    if (by + bh > height) bh = height - by;
    if (bw <= 0 || bh <= 0) return false;
    *box = {static_cast<int32_t>(bx), static_cast<int32_t>(by), static_cast<int32_t>(bw), static_cast<int32_t>(bh)};
    return true;
}

// Locks the image and runs f(rec, box) on the caller's box clipped to it. 0 when the image cannot be
// locked, otherwise 1 (also when nothing of the box is left).
template <class F>
int32_t with_clipped_box(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h, F f) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    Box b;
    if (clip_box(lock.header().width, lock.header().height, x, y, w, h, &b)) f(lock.rec(), *lock.rec().header, b);
    return 1;
}

// f(x, y) for every pixel of the box, row by row.
template <class F>
void for_each_pixel(const Box &b, F f) {
    for (int32_t py = b.y; py < b.y + b.h; ++py)
        for (int32_t px = b.x; px < b.x + b.w; ++px) f(px, py);
}

// The value a box fill stores with the per-pixel accessors: 1-bit images take any non-zero colour as 1; a
// 32-bit gray layer takes 0xFFFFFF as white with the fourth channel (0xFFFFFFFF).
uint32_t box_fill_value(int32_t bit_count, int32_t layer, uint32_t color) {
    if (bit_count == 1) return color != 0 ? 1u : 0u;
    if (bit_count == 32 && layer == OX_LAYER_GRAY && color == 0xFFFFFFu) return 0xFFFFFFFFu;
    return color;
}

// Applies op to every pixel of the box of an 8-, 24- or 32-bit image. Rows have no padding, so a box of
// whole rows is one run.
void apply_to_box(const OxImageLockRec &rec, const Box &b, int bpp, const PixelBytesOp &op) {
    const std::size_t row_bytes = rec.rowBytes;
    const std::size_t run = static_cast<std::size_t>(b.w) * bpp;
    const bool stream = run * static_cast<std::size_t>(b.h) >= streaming_fill_bytes();
    uint8_t *row = row_ptr(rec, b.y) + static_cast<std::size_t>(b.x) * bpp;
    if (b.x == 0 && b.w == rec.maxX + 1) {
        op.apply(row, row_bytes * static_cast<std::size_t>(b.h), stream);
        return;
    }
    if (op.store_only()) {
        for (int32_t i = 0; i < b.h; ++i, row += row_bytes) op.apply(row, run, stream);
        return;
    }
    walk_rows(row, static_cast<std::ptrdiff_t>(row_bytes), run, b.h,
              [&](uint8_t *p, std::size_t n) { op.apply(p, n); });
}

// Byte offset that oxImageBoxFillEx writes within a pixel of `bpp` bytes; false when nothing is written.
bool channel_offset(int bpp, uint32_t channel, int *offset) {
    if (bpp == 1) {
        *offset = 0;
        return true;
    }
    if (channel > 3) return false;
    *offset = bpp == 3 ? (channel == 0 ? 0 : static_cast<int>(channel) - 1) : static_cast<int>(channel);
    return true;
}

}  // namespace

namespace plain {

void erase(OxHandle image) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return;
    const std::size_t size = static_cast<std::size_t>(lock.header().height) * lock.rec().rowBytes;
    for (std::size_t i = 0; i < size; ++i) lock.rec().pixels[i] = 0xFF;
}

int32_t box_fill(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t color) {
    return with_clipped_box(image, x, y, w, h, [&](const OxImageLockRec &rec, const OxImageHeader &hdr, const Box &b) {
        if (hdr.bitCount == 1 && b.w == hdr.width && b.h == hdr.height) {
            // A whole 1-bit image is filled byte by byte, the spare bits at the end of each row included.
            const std::size_t size = static_cast<std::size_t>(hdr.height) * rec.rowBytes;
            for (std::size_t i = 0; i < size; ++i) rec.pixels[i] = color != 0 ? 0xFF : 0x00;
            return;
        }
        const uint32_t v = box_fill_value(hdr.bitCount, rec.layer, color);
        for_each_pixel(b, [&](int32_t px, int32_t py) { oxImagePutPixel(&rec, px, py, v); });
    });
}

int32_t xor_box_fill(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h) {
    return with_clipped_box(image, x, y, w, h, [&](const OxImageLockRec &rec, const OxImageHeader &, const Box &b) {
        for_each_pixel(b, [&](int32_t px, int32_t py) {
            oxImagePutPixel(&rec, px, py, invert_value(oxImageGetPixel(&rec, px, py)));
        });
    });
}

int32_t box_fill_ex(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h, uint8_t value, uint32_t channel) {
    return with_clipped_box(image, x, y, w, h, [&](const OxImageLockRec &rec, const OxImageHeader &hdr, const Box &b) {
        int offset;
        if (!has_byte_pixels(hdr.bitCount) || !channel_offset(hdr.bitCount / 8, channel, &offset)) return;
        for_each_pixel(b, [&](int32_t px, int32_t py) { oxImageGetAdr(&rec, px, py)[offset] = value; });
    });
}

}  // namespace plain
}  // namespace ox::image

using namespace ox::image;

extern "C" {

OX_API void oxImageErase(OxHandle image) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return;
    std::memset(lock.rec().pixels, 0xFF, static_cast<std::size_t>(lock.header().height) * lock.rec().rowBytes);
}

OX_API int32_t oxImageBoxFill(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t color) {
    return with_clipped_box(image, x, y, w, h, [&](const OxImageLockRec &rec, const OxImageHeader &hdr, const Box &b) {
        if (hdr.bitCount == 1) {
            const bool on = color != 0;
            if (b.w == hdr.width && b.h == hdr.height) {
                std::memset(rec.pixels, on ? 0xFF : 0x00, static_cast<std::size_t>(hdr.height) * rec.rowBytes);
                return;
            }
            uint8_t *row = row_ptr(rec, b.y);
            for (int32_t i = 0; i < b.h; ++i, row += rec.rowBytes) store_bit_run(row, b.x, b.x + b.w - 1, on);
            return;
        }
        if (!has_byte_pixels(hdr.bitCount)) return;
        uint8_t bytes[4];
        const int bpp = pixel_bytes(hdr.bitCount, box_fill_value(hdr.bitCount, rec.layer, color), bytes);
        apply_to_box(rec, b, bpp, PixelBytesOp::store(bytes, bpp));
    });
}

OX_API int32_t oxXorImageBoxFill(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h) {
    return with_clipped_box(image, x, y, w, h, [&](const OxImageLockRec &rec, const OxImageHeader &hdr, const Box &b) {
        if (hdr.bitCount == 1) {
            uint8_t *row = row_ptr(rec, b.y);
            for (int32_t i = 0; i < b.h; ++i, row += rec.rowBytes) flip_bit_run(row, b.x, b.x + b.w - 1);
            return;
        }
        if (!has_byte_pixels(hdr.bitCount)) return;
        // The bytes of 0xFFFFFF serve as both AND and XOR mask: colour bytes are inverted, and the fourth byte
        // of a 32-bit pixel (0 in both) is cleared.
        uint8_t ones[4];
        const int bpp = pixel_bytes(hdr.bitCount, 0xFFFFFFu, ones);
        apply_to_box(rec, b, bpp, PixelBytesOp(ones, ones, bpp));
    });
}

OX_API int32_t oxImageBoxFillEx(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h, uint8_t value,
                                uint32_t channel) {
    return with_clipped_box(image, x, y, w, h, [&](const OxImageLockRec &rec, const OxImageHeader &hdr, const Box &b) {
        const int bpp = hdr.bitCount / 8;
        int offset;
        if (!has_byte_pixels(hdr.bitCount) || !channel_offset(bpp, channel, &offset)) return;
        uint8_t keep[4] = {0xFF, 0xFF, 0xFF, 0xFF}, set[4] = {0, 0, 0, 0};
        keep[offset] = 0;
        set[offset] = value;
        apply_to_box(rec, b, bpp, PixelBytesOp(keep, set, bpp));
    });
}

}  // extern "C"
