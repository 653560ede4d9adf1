// Helpers of the raster tests: an image's bytes and pixels, independent copies, small images from values,
// random images, fences behind images for the sanitizer build, and the driver of the differential tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <random>
#include <vector>

#include "ox.h"
#include "support.h"

// Outside the sanitizer build its poisoning macros do nothing.
#include <sanitizer/asan_interface.h>

namespace oxtest {

using Bytes = std::vector<uint8_t>;
using Values = std::vector<uint32_t>;

inline OxImageHeader &header_of(OxHandle image) { return *static_cast<OxImageHeader *>(oxLock(image)); }

// Header and pixels of an image as bytes.
inline Bytes image_bytes(OxHandle image) {
    if (image == 0) return {};
    const auto *p = static_cast<const uint8_t *>(oxLock(image));
    return Bytes(p, p + OX_IMAGE_HEADER_SIZE + header_of(image).imageSize);
}

// The pixel area alone, row 0 first.
inline Bytes pixels(OxHandle image) {
    const auto *p = static_cast<const uint8_t *>(oxLock(image)) + OX_IMAGE_HEADER_SIZE;
    return Bytes(p, p + header_of(image).imageSize);
}

// An independent copy of an image, header included.
inline Handle clone(OxHandle image) {
    const Bytes bytes = image_bytes(image);
    const OxImageHeader &hdr = header_of(image);
    Handle c = make_image(hdr.width, hdr.height, hdr.bitCount);
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

// Every pixel value, row 0 first.
inline Values values(OxHandle image) {
    Values out;
    const OxImageHeader &hdr = header_of(image);
    for (int32_t y = 0; y < hdr.height; ++y)
        for (int32_t x = 0; x < hdr.width; ++x) out.push_back(get(image, x, y));
    return out;
}

// A `width` pixels wide image of the given depth and layer holding `v`, row 0 first.
inline Handle image_with(int32_t bits, int32_t width, std::initializer_list<uint32_t> v,
                         int32_t layer = OX_LAYER_NORMAL) {
    Handle img = make_image(width, static_cast<int32_t>(v.size()) / width, bits, layer);
    int32_t i = 0;
    for (uint32_t p : v) put(img.get(), i % width, i / width, p), ++i;
    return img;
}

// In the sanitizer build, makes the bytes of an image's handle behind its last row unaddressable while the
// fence lives: handles are whole pages, so without it a read or write just past an image would go unseen.
// Declare it after the Handle it guards, so that it is lifted before the handle is freed.
class Fence {
public:
    explicit Fence(OxHandle image) {
        if (image == 0) return;
        uint8_t *base = static_cast<uint8_t *>(oxLock(image));
        begin_ = base + OX_IMAGE_HEADER_SIZE + header_of(image).imageSize;
        size_ = static_cast<size_t>(base + oxGetHandleSize(image) - begin_);
        ASAN_POISON_MEMORY_REGION(begin_, size_);
    }
    ~Fence() {
        if (begin_) ASAN_UNPOISON_MEMORY_REGION(begin_, size_);
    }
    Fence(const Fence &) = delete;
    Fence &operator=(const Fence &) = delete;

private:
    uint8_t *begin_ = nullptr;
    size_t size_ = 0;
};

inline constexpr uint64_t kChecksumStart = 14695981039346656037ull;

// FNV-1a over the bytes, folded into a running checksum.
inline uint64_t fold(uint64_t sum, const Bytes &bytes) {
    for (uint8_t b : bytes) sum = (sum ^ b) * 1099511628211ull;
    return sum;
}

// The depths an image may have.
inline constexpr int32_t kDepths[] = {1, 8, 24, 32};

inline int32_t in(std::mt19937 &rng, int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(rng() % static_cast<uint32_t>(hi - lo + 1));
}

// A w x h image of the given depth and layer holding random bytes.
inline Handle noisy_image(std::mt19937 &rng, int32_t w, int32_t h, int32_t bits, int32_t layer = OX_LAYER_NORMAL) {
    Handle img = make_image(w, h, bits, layer);
    fill_random(img.get(), rng);
    return img;
}

// A random image of the given depth, up to max_side pixels each way; 32-bit ones are sometimes gray layers
// and 1-bit ones masks. Half of them hold random bytes (spare bits of 1-bit rows too), the others a few
// colours, so that key colours match and neighbours agree.
inline Handle random_image(std::mt19937 &rng, int32_t bits, int32_t max_side) {
    const int32_t w = in(rng, 1, max_side), h = in(rng, 1, max_side);
    int32_t layer = OX_LAYER_NORMAL;
    if (rng() % 4 == 0 && (bits == 32 || bits == 1)) layer = bits == 32 ? OX_LAYER_GRAY : OX_LAYER_MASK;
    Handle img = noisy_image(rng, w, h, bits, layer);
    if (rng() % 2) {
        const uint32_t palette[3] = {static_cast<uint32_t>(rng()), static_cast<uint32_t>(rng()), 0x00FFFFFF};
        const Locked lock(img.get());
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) oxImagePutPixel(lock.get(), x, y, palette[rng() % 3]);
    }
    return img;
}

// What one path made of a case: the result code(s) and the bytes of the images it wrote.
struct Outcome {
    int64_t code = 0;
    Bytes bytes;
    bool operator==(const Outcome &) const = default;
};

// Drives `cases` seeded cases through the fast paths and the plain versions. make(rng) draws one case from
// the generator and returns run(fast), which applies it to fresh copies of its inputs (through the fast paths
// when `fast`) and returns the outcome. Both outcomes must be equal; a failure names the case's number, which
// with the seed reproduces it. The result is a checksum of all outcomes for the caller to pin, so that a
// change in what both paths compute shows too.
template <class Make>
uint64_t differential(uint32_t seed, int cases, Make make) {
    std::mt19937 rng(seed);
    uint64_t sum = kChecksumStart;
    for (int i = 0; i < cases; ++i) {
        const auto run = make(rng);
        const Outcome fast = run(true), plain = run(false);
        if (!(fast == plain)) {
            const Bytes &a = fast.bytes, &b = plain.bytes;
            const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
            ADD_FAILURE() << "case " << i << ": results " << fast.code << " and " << plain.code << ", bytes differ at "
                          << at;
            return 0;
        }
        sum = fold(sum ^ static_cast<uint64_t>(fast.code), fast.bytes);
    }
    return sum;
}

}  // namespace oxtest
