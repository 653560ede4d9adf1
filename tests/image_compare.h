// Helpers of the raster tests: an image's bytes, independent copies, single pixels, output checksums.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "ox.h"
#include "support.h"

namespace oxtest {

// Header and pixels of an image as bytes.
inline std::vector<uint8_t> image_bytes(OxHandle image) {
    OxImageLockRec lock{};
    EXPECT_EQ(oxImageLock(image, &lock), 1);
    if (lock.header == nullptr) return {};
    const auto *p = reinterpret_cast<const uint8_t *>(lock.header);
    std::vector<uint8_t> bytes(p, p + OX_IMAGE_HEADER_SIZE + lock.header->imageSize);
    oxImageUnlock(&lock);
    return bytes;
}

// An independent copy of an image, header included.
inline Handle clone(OxHandle image) {
    const std::vector<uint8_t> bytes = image_bytes(image);
    const auto *hdr = reinterpret_cast<const OxImageHeader *>(bytes.data());
    Handle c = make_image(hdr->width, hdr->height, hdr->bitCount);
    std::memcpy(oxLock(c.get()), bytes.data(), bytes.size());
    return c;
}

inline uint32_t get(OxHandle image, int32_t x, int32_t y) {
    uint32_t v = 0xDEADBEEF;
    EXPECT_EQ(oxImageGetPixelDirect(image, x, y, &v), 1);
    return v;
}

inline void put(OxHandle image, int32_t x, int32_t y, uint32_t v) {
    EXPECT_EQ(oxImagePutPixelDirect(image, x, y, v), 1);
}

inline void set_layer(OxHandle image, int32_t layer) {
    OxImageLockRec lock;
    ASSERT_EQ(oxImageLock(image, &lock), 1);
    lock.header->layer = layer;
    oxImageUnlock(&lock);
}

inline constexpr uint64_t kChecksumStart = 14695981039346656037ull;

// FNV-1a over the bytes, folded into a running checksum.
inline uint64_t fold(uint64_t sum, const std::vector<uint8_t> &bytes) {
    for (uint8_t b : bytes) sum = (sum ^ b) * 1099511628211ull;
    return sum;
}

// A random image of the given depth, up to max_side pixels each way; 32-bit ones are sometimes gray layers
// and 1-bit ones masks.
inline Handle random_image(std::mt19937 &rng, int32_t bits, int32_t max_side) {
    const int32_t w = 1 + static_cast<int32_t>(rng() % max_side), h = 1 + static_cast<int32_t>(rng() % max_side);
    const uint32_t kind = rng() % 4;
    int32_t layer = OX_LAYER_NORMAL;
    if (bits == 32 && kind == 0) layer = OX_LAYER_GRAY;
    if (bits == 1 && kind == 0) layer = OX_LAYER_MASK;
    Handle img = make_image(w, h, bits, layer);
    fill_random(img.get(), rng);
    return img;
}

}  // namespace oxtest
