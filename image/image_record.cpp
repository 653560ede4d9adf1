// The image record: constructors, locking, header accessors and pixel access.
#include "image/image_record.h"

#include <atomic>
#include <climits>
#include <cstdint>

#include "image/pixel.h"

namespace ox::image {
namespace {

std::atomic<uint64_t> g_max_pixels{0};  // oxSetImageLimit; 0 = no limit

OxHandle create_image(int32_t width, int32_t height, int32_t bit_count, int32_t layer, uint32_t *err) {
    if (!is_supported_depth(bit_count) || width < 1 || height < 1) {
        *err = 0;
        return 0;
    }
    // The row size is the 32-bit product width x bitCount rounded up to bytes; sizes whose product, pixel
    // area or handle would not fit 32 bits are refused as invalid.
    const uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bit_count);
    const uint64_t row_bytes = bits / 8 + (bits % 8 ? 1 : 0);
    const uint64_t image_size = row_bytes * static_cast<uint64_t>(height);
    if (bits > INT32_MAX || image_size + OX_IMAGE_HEADER_SIZE > UINT32_MAX) {
        *err = 0;
        return 0;
    }
    const uint64_t limit = g_max_pixels.load(std::memory_order_relaxed);
    if (limit != 0 && static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > limit) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    OxHandle h = oxAlloc(static_cast<uint32_t>(image_size + OX_IMAGE_HEADER_SIZE), 0, err);
    if (h == 0) return 0;
    auto *hdr = static_cast<OxImageHeader *>(oxLock(h));
    hdr->headerSize = OX_IMAGE_HEADER_SIZE;
    hdr->width = width;
    hdr->height = height;
    hdr->bitCount = bit_count;
    hdr->layer = layer;
    hdr->imageSize = static_cast<uint32_t>(image_size);
    hdr->rowBytes = static_cast<uint32_t>(row_bytes);
    oxUnlock(h);
    *err = 0;
    return h;
}

template <class Field>
int32_t header_field(OxHandle image, Field field) {
    if (image == 0) return -1;
    auto *hdr = static_cast<const OxImageHeader *>(oxLock(image));
    int32_t v = hdr->*field;
    oxUnlock(image);
    return v;
}

uint8_t *pixel_row(const OxImageLockRec *lock, int32_t y) { return row_ptr(*lock, y); }

}  // namespace
}  // namespace ox::image

using namespace ox::image;

extern "C" {

OX_API uint64_t oxSetImageLimit(uint64_t maxPixels) { return g_max_pixels.exchange(maxPixels); }

OX_API OxHandle oxImageCreate(int32_t width, int32_t height, int32_t bitCount, uint32_t *err) {
    return create_image(width, height, bitCount, OX_LAYER_NORMAL, err);
}

OX_API OxHandle oxImageCreateGray(int32_t width, int32_t height, uint32_t *err) {
    return create_image(width, height, 32, OX_LAYER_GRAY, err);
}

OX_API OxHandle oxImageCreateMask(int32_t width, int32_t height, uint32_t *err) {
    return create_image(width, height, 1, OX_LAYER_MASK, err);
}

OX_API int32_t oxImageLock(OxHandle image, OxImageLockRec *lock) {
    if (image == 0 || lock == nullptr) return 0;
    auto *hdr = static_cast<OxImageHeader *>(oxLock(image));
    lock->handle = image;
    lock->header = hdr;
    lock->pixels = reinterpret_cast<uint8_t *>(hdr) + hdr->headerSize;
    lock->maxX = hdr->width - 1;
    lock->maxY = hdr->height - 1;
    lock->layer = hdr->layer;
    lock->rowBytes = hdr->rowBytes;
    return 1;
}

OX_API int32_t oxImageUnlock(OxImageLockRec *lock) {
    if (lock == nullptr) return 0;
    if (lock->handle) oxUnlock(lock->handle);
    return 1;
}

OX_API int32_t oxImageGetWidthDirect(OxHandle image) { return header_field(image, &OxImageHeader::width); }
OX_API int32_t oxImageGetHeightDirect(OxHandle image) { return header_field(image, &OxImageHeader::height); }
OX_API int32_t oxImageGetBitCountDirect(OxHandle image) { return header_field(image, &OxImageHeader::bitCount); }
OX_API int32_t oxImageGetLayerDirect(OxHandle image) { return header_field(image, &OxImageHeader::layer); }

OX_API uint32_t oxImageGetPixel(const OxImageLockRec *lock, int32_t x, int32_t y) {
    return dispatch_depth(lock->header->bitCount, 0u,
                          [&](auto d) { return PixelCodec<decltype(d)::value>::get(pixel_row(lock, y), x); });
}

OX_API uint32_t oxImageGetPixelEx(const OxImageLockRec *lock, int32_t x, int32_t y, uint32_t mask) {
    // For 1 bit the bit value is 0 or 1 already, so "bit AND mask AND 1" is the same AND.
    return oxImageGetPixel(lock, x, y) & mask;
}

OX_API void oxImagePutPixel(const OxImageLockRec *lock, int32_t x, int32_t y, uint32_t value) {
    dispatch_depth(lock->header->bitCount, 0, [&](auto d) {
        PixelCodec<decltype(d)::value>::put(pixel_row(lock, y), x, value);
        return 0;
    });
}

OX_API void oxImagePutPixelEx(const OxImageLockRec *lock, int32_t x, int32_t y, uint32_t value, uint32_t mask) {
    const int32_t bits = lock->header->bitCount;
    if (bits == 1) {
        oxImagePutPixel(lock, x, y, value);
        return;
    }
    if (bits != 8 && bits != 24 && bits != 32) return;
    // Mask bytes guard the stored bytes crosswise: m0 the byte of value bits 16-23, m2 that of bits 0-7.
    const uint32_t m0 = mask & 0xFF, m1 = (mask >> 8) & 0xFF, m2 = (mask >> 16) & 0xFF, m3 = mask >> 24;
    auto blend = [](uint8_t &old, uint32_t fresh, uint32_t m) {
        old = static_cast<uint8_t>((old & ~m) | (fresh & m));
    };
    uint8_t *row = pixel_row(lock, y);
    if (bits == 8) {
        blend(row[x], value & 0xFF, m0);
        return;
    }
    uint8_t *p = row + static_cast<intptr_t>(x) * (bits / 8);
    if (bits == 32) blend(*p++, value >> 24, m3);
    blend(p[0], value & 0xFF, m2);
    blend(p[1], (value >> 8) & 0xFF, m1);
    blend(p[2], (value >> 16) & 0xFF, m0);
}

OX_API int32_t oxImageGetPixelDirect(OxHandle image, int32_t x, int32_t y, uint32_t *value) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    *value = oxImageGetPixel(&lock.rec(), x, y);
    return 1;
}

OX_API int32_t oxImagePutPixelDirect(OxHandle image, int32_t x, int32_t y, uint32_t value) {
    ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    oxImagePutPixel(&lock.rec(), x, y, value);
    return 1;
}

OX_API uint8_t *oxImageGetAdr(const OxImageLockRec *lock, int32_t x, int32_t y) {
    uint8_t *row = pixel_row(lock, y);
    switch (lock->header->bitCount) {
    case 1: return row + x / 8;  // truncating division, as the record defines it
    case 8: return row + x;
    case 24: return row + 3 * static_cast<intptr_t>(x);
    case 32: return row + 4 * static_cast<intptr_t>(x);
    default: return nullptr;
    }
}

OX_API void oxGetChannel(uint32_t bytesPerPixel, uint32_t *red, uint32_t *green, uint32_t *blue) {
    const uint32_t first = bytesPerPixel == 3 ? 0 : 1;
    *red = first;
    *green = first + 1;
    *blue = first + 2;
}

}  // extern "C"
