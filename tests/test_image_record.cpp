// The image record: construction and its refusals, locking, header accessors and pixel encodings.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "image/pixel.h"
#include "ox.h"
#include "support.h"

using oxtest::Handle;
using oxtest::make_image;

namespace {

struct Shape {
    int32_t w, h, bits;
    uint32_t row_bytes;
};

TEST(ImageCreate, HeaderAndZeroPixels) {
    const Shape shapes[] = {{3, 2, 24, 9}, {10, 1, 1, 2}, {8, 3, 1, 1}, {9, 3, 1, 2}, {5, 5, 8, 5}, {7, 2, 32, 28}};
    for (const auto &s : shapes) {
        SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << "x" << s.bits);
        Handle img = make_image(s.w, s.h, s.bits);
        OxImageLockRec lock;
        ASSERT_EQ(oxImageLock(img.get(), &lock), 1);
        const OxImageHeader &hdr = *lock.header;
        EXPECT_EQ(hdr.headerSize, 28u);
        EXPECT_EQ(hdr.width, s.w);
        EXPECT_EQ(hdr.height, s.h);
        EXPECT_EQ(hdr.bitCount, s.bits);
        EXPECT_EQ(hdr.layer, OX_LAYER_NORMAL);
        EXPECT_EQ(hdr.rowBytes, s.row_bytes);
        EXPECT_EQ(hdr.imageSize, s.row_bytes * s.h);
        EXPECT_GE(oxGetHandleSize(img.get()), hdr.imageSize + 28);
        EXPECT_EQ(lock.pixels, reinterpret_cast<uint8_t *>(lock.header) + 28);
        EXPECT_EQ(lock.maxX, s.w - 1);
        EXPECT_EQ(lock.maxY, s.h - 1);
        EXPECT_EQ(lock.rowBytes, s.row_bytes);
        for (uint32_t i = 0; i < hdr.imageSize; ++i) ASSERT_EQ(lock.pixels[i], 0) << i;
        EXPECT_EQ(oxImageUnlock(&lock), 1);
    }
}

TEST(ImageCreate, KindsSetDepthAndLayer) {
    Handle gray = make_image(4, 4, 0, OX_LAYER_GRAY);
    EXPECT_EQ(oxImageGetBitCountDirect(gray.get()), 32);
    EXPECT_EQ(oxImageGetLayerDirect(gray.get()), OX_LAYER_GRAY);
    Handle mask = make_image(4, 4, 0, OX_LAYER_MASK);
    EXPECT_EQ(oxImageGetBitCountDirect(mask.get()), 1);
    EXPECT_EQ(oxImageGetLayerDirect(mask.get()), OX_LAYER_MASK);
    EXPECT_EQ(oxImageGetWidthDirect(mask.get()), 4);
    EXPECT_EQ(oxImageGetHeightDirect(mask.get()), 4);
}

TEST(ImageCreate, InvalidArgumentsGiveZeroWithCodeZero) {
    struct Bad {
        int32_t w, h, bits;
    };
    const Bad bad[] = {
        {0, 5, 8},          {5, 0, 8},  {-1, 5, 8}, {5, -7, 24}, {5, 5, 16}, {5, 5, 0}, {5, 5, 4},
        {0x7FFFFFFF, 1, 32},                // width x bitCount overflows 32 bits
        {65536, 65536, 32},                 // rowBytes x height overflows 32 bits
        {0x0FFFFFFF, 16, 8},                // pixel area fits 32 bits, the handle with its header does not
    };
    for (const auto &b : bad) {
        SCOPED_TRACE(testing::Message() << b.w << "x" << b.h << "x" << b.bits);
        uint32_t err = 0xDEAD;
        EXPECT_EQ(oxImageCreate(b.w, b.h, b.bits, &err), 0u);
        EXPECT_EQ(err, 0u);
    }
    uint32_t err = 0xDEAD;
    EXPECT_EQ(oxImageCreateGray(0, 1, &err), 0u);
    EXPECT_EQ(err, 0u);
    err = 0xDEAD;
    EXPECT_EQ(oxImageCreateMask(1, -1, &err), 0u);
    EXPECT_EQ(err, 0u);
}

TEST(ImageLock, NullArgumentsAndAccessorsOfHandleZero) {
    OxImageLockRec lock;
    std::memset(&lock, 0x5A, sizeof lock);
    EXPECT_EQ(oxImageLock(0, &lock), 0);
    Handle img = make_image(2, 2, 8);
    EXPECT_EQ(oxImageLock(img.get(), nullptr), 0);
    EXPECT_EQ(oxImageUnlock(nullptr), 0);

    // Unlocking a record whose handle is 0 succeeds and changes nothing in it.
    OxImageLockRec empty{};
    empty.maxX = 41;
    EXPECT_EQ(oxImageUnlock(&empty), 1);
    EXPECT_EQ(empty.maxX, 41);

    EXPECT_EQ(oxImageGetWidthDirect(0), -1);
    EXPECT_EQ(oxImageGetHeightDirect(0), -1);
    EXPECT_EQ(oxImageGetBitCountDirect(0), -1);
    EXPECT_EQ(oxImageGetLayerDirect(0), -1);

    uint32_t value = 77;
    EXPECT_EQ(oxImageGetPixelDirect(0, 0, 0, &value), 0);
    EXPECT_EQ(value, 77u);
    EXPECT_EQ(oxImagePutPixelDirect(0, 0, 0, 1), 0);
}

TEST(PixelEncoding, StoredBytesOfEachDepth) {
    Handle one = make_image(16, 2, 1);
    OxImageLockRec l1;
    oxImageLock(one.get(), &l1);
    oxImagePutPixel(&l1, 0, 0, 1);
    oxImagePutPixel(&l1, 9, 0, 3);  // only bit 0 of the value is stored
    EXPECT_EQ(l1.pixels[0], 0x80);
    EXPECT_EQ(l1.pixels[1], 0x40);
    EXPECT_EQ(oxImageGetPixel(&l1, 9, 0), 1u);
    oxImagePutPixel(&l1, 0, 0, 2);  // bit 0 of 2 is clear
    EXPECT_EQ(l1.pixels[0], 0x00);
    oxImageUnlock(&l1);

    Handle c32 = make_image(2, 1, 32);
    OxImageLockRec l32;
    oxImageLock(c32.get(), &l32);
    oxImagePutPixel(&l32, 1, 0, 0xA1B2C3D4u);
    const uint8_t want32[] = {0xA1, 0xD4, 0xC3, 0xB2};
    EXPECT_EQ(std::memcmp(l32.pixels + 4, want32, 4), 0);
    EXPECT_EQ(oxImageGetPixel(&l32, 1, 0), 0xA1B2C3D4u);
    oxImageUnlock(&l32);

    Handle c24 = make_image(2, 1, 24);
    OxImageLockRec l24;
    oxImageLock(c24.get(), &l24);
    oxImagePutPixel(&l24, 1, 0, 0xA1B2C3D4u);
    const uint8_t want24[] = {0xD4, 0xC3, 0xB2};
    EXPECT_EQ(std::memcmp(l24.pixels + 3, want24, 3), 0);
    EXPECT_EQ(oxImageGetPixel(&l24, 1, 0), 0xB2C3D4u);
    oxImageUnlock(&l24);

    Handle c8 = make_image(2, 1, 8);
    OxImageLockRec l8;
    oxImageLock(c8.get(), &l8);
    oxImagePutPixel(&l8, 1, 0, 0x1234);
    EXPECT_EQ(l8.pixels[1], 0x34);
    EXPECT_EQ(oxImageGetPixelEx(&l8, 1, 0, 0xF0), 0x30u);
    oxImageUnlock(&l8);
}

TEST(PixelEncoding, AddressesOfPixels) {
    const int32_t depths[] = {1, 8, 24, 32};
    const int32_t step_bits[] = {1, 8, 24, 32};
    for (int i = 0; i < 4; ++i) {
        Handle img = make_image(21, 4, depths[i]);
        OxImageLockRec lock;
        oxImageLock(img.get(), &lock);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 21; ++x)
                ASSERT_EQ(oxImageGetAdr(&lock, x, y), lock.pixels + y * lock.rowBytes + x * step_bits[i] / 8);
        oxImageUnlock(&lock);
    }
    // A record whose depth is not one of the four addresses nothing and reads 0.
    Handle img = make_image(4, 1, 8);
    OxImageLockRec lock;
    oxImageLock(img.get(), &lock);
    lock.pixels[0] = 9;
    lock.header->bitCount = 16;
    EXPECT_EQ(oxImageGetAdr(&lock, 0, 0), nullptr);
    EXPECT_EQ(oxImageGetPixel(&lock, 0, 0), 0u);
    oxImagePutPixel(&lock, 0, 0, 5);
    EXPECT_EQ(lock.pixels[0], 9);
    oxImageUnlock(&lock);
}

TEST(PixelEncoding, MaskedStoreAppliesRedAndBlueMaskBytesCrosswise) {
    Handle c24 = make_image(1, 1, 24);
    OxImageLockRec l24;
    oxImageLock(c24.get(), &l24);
    oxImagePutPixelEx(&l24, 0, 0, 0xAABBCC, 0x0000FF);  // the mask's low byte admits value bits 16-23
    EXPECT_EQ(oxImageGetPixel(&l24, 0, 0), 0xAA0000u);
    oxImagePutPixelEx(&l24, 0, 0, 0x112233, 0x00FF00);
    EXPECT_EQ(oxImageGetPixel(&l24, 0, 0), 0xAA2200u);
    oxImageUnlock(&l24);

    Handle c32 = make_image(1, 1, 32);
    OxImageLockRec l32;
    oxImageLock(c32.get(), &l32);
    oxImagePutPixel(&l32, 0, 0, 0x01020304);
    oxImagePutPixelEx(&l32, 0, 0, 0xA0B0C0D0, 0xFF0000F0);  // fourth byte whole, value bits 16-23 under 0xF0
    EXPECT_EQ(oxImageGetPixel(&l32, 0, 0), 0xA0B20304u);
    oxImageUnlock(&l32);

    Handle c8 = make_image(1, 1, 8);
    OxImageLockRec l8;
    oxImageLock(c8.get(), &l8);
    oxImagePutPixel(&l8, 0, 0, 0x0F);
    oxImagePutPixelEx(&l8, 0, 0, 0xF0, 0x3C);
    EXPECT_EQ(oxImageGetPixel(&l8, 0, 0), 0x33u);
    oxImageUnlock(&l8);

    Handle c1 = make_image(8, 1, 1);
    OxImageLockRec l1;
    oxImageLock(c1.get(), &l1);
    oxImagePutPixelEx(&l1, 3, 0, 1, 0);  // 1-bit images ignore the mask
    EXPECT_EQ(oxImageGetPixel(&l1, 3, 0), 1u);
    oxImageUnlock(&l1);
}

TEST(PixelEncoding, MaskedStoreWithSymmetricMaskEqualsPlainStore) {
    std::mt19937 rng(7);
    for (int32_t bits : {8, 24, 32}) {
        Handle a = make_image(13, 3, bits), b = make_image(13, 3, bits);
        oxtest::fill_random(a.get(), rng);
        OxImageLockRec la, lb;
        oxImageLock(a.get(), &la);
        oxImageLock(b.get(), &lb);
        std::memcpy(lb.pixels, la.pixels, la.header->imageSize);
        for (int i = 0; i < 200; ++i) {
            int32_t x = rng() % 13, y = rng() % 3;
            uint32_t v = rng();
            oxImagePutPixel(&la, x, y, v);
            oxImagePutPixelEx(&lb, x, y, v, 0xFFFFFFFF);
        }
        EXPECT_EQ(std::memcmp(la.pixels, lb.pixels, la.header->imageSize), 0) << bits;
        oxImageUnlock(&la);
        oxImageUnlock(&lb);
    }
}

// Every pixel of every depth and kind survives a write and a read, through the lock record and through the
// Direct calls, and no write disturbs a neighbour (random order, random values, compared with a model).
TEST(PixelEncoding, RoundTripsThroughEveryDepthAndKind) {
    struct Kind {
        int32_t bits, layer;
        uint32_t keep;  // the value bits the depth stores
    };
    const Kind kinds[] = {{1, OX_LAYER_NORMAL, 1},         {1, OX_LAYER_MASK, 1},
                          {8, OX_LAYER_NORMAL, 0xFF},      {24, OX_LAYER_NORMAL, 0xFFFFFF},
                          {32, OX_LAYER_NORMAL, ~0u},      {32, OX_LAYER_GRAY, ~0u}};
    std::mt19937 rng(2024);
    for (const auto &k : kinds) {
        for (int32_t w : {1, 7, 8, 9, 33}) {
            SCOPED_TRACE(testing::Message() << "bits " << k.bits << " layer " << k.layer << " width " << w);
            const int32_t h = 5;
            Handle img = make_image(w, h, k.bits, k.layer);
            std::vector<uint32_t> model(static_cast<size_t>(w * h), 0);
            OxImageLockRec lock;
            ASSERT_EQ(oxImageLock(img.get(), &lock), 1);
            for (int i = 0; i < 4 * w * h; ++i) {
                const int32_t x = rng() % w, y = rng() % h;
                const uint32_t v = rng();
                if (i % 2) {
                    oxImagePutPixel(&lock, x, y, v);
                } else {
                    ASSERT_EQ(oxImagePutPixelDirect(img.get(), x, y, v), 1);
                }
                model[y * w + x] = v & k.keep;
            }
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    ASSERT_EQ(oxImageGetPixel(&lock, x, y), model[y * w + x]) << x << "," << y;
                    uint32_t direct = 0;
                    ASSERT_EQ(oxImageGetPixelDirect(img.get(), x, y, &direct), 1);
                    ASSERT_EQ(direct, model[y * w + x]);
                }
            oxImageUnlock(&lock);
        }
    }
}

TEST(ChannelMap, ThreeBytesFromZeroOtherwiseFromOne) {
    uint32_t r, g, b;
    oxGetChannel(3, &r, &g, &b);
    EXPECT_EQ((std::array{r, g, b}), (std::array{0u, 1u, 2u}));
    for (uint32_t n : {4u, 1u, 0u}) {
        oxGetChannel(n, &r, &g, &b);
        EXPECT_EQ((std::array{r, g, b}), (std::array{1u, 2u, 3u})) << n;
    }
}

}  // namespace
