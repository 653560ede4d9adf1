// The image record: construction and its refusals, locking, header accessors and pixel encodings.
#include <array>
#include <utility>

#include "support.h"

using namespace oxtest;

namespace {

constexpr int32_t kNormal = OX_LAYER_NORMAL, kGray = OX_LAYER_GRAY, kMask = OX_LAYER_MASK;

TEST(ImageCreate, HeaderLockRecordAndZeroPixels) {
    const struct {
        int32_t w, h, bits, layer;
        uint32_t row_bytes;  // width x bits rounded up to whole bytes, no padding
    } shapes[] = {{3, 2, 24, kNormal, 9}, {10, 1, 1, kNormal, 2}, {8, 3, 1, kNormal, 1}, {9, 3, 1, kMask, 2},
                  {5, 5, 8, kNormal, 5},  {7, 2, 32, kNormal, 28}, {4, 3, 32, kGray, 16}};
    for (const auto &s : shapes) {
        SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << "x" << s.bits << " layer " << s.layer);
        Handle img = make_image(s.w, s.h, s.bits, s.layer);
        Locked l(img.get());
        const OxImageHeader &hdr = *l->header;
        EXPECT_EQ((std::array{hdr.headerSize, hdr.rowBytes, hdr.imageSize, l->rowBytes}),
                  (std::array{28u, s.row_bytes, s.row_bytes * s.h, s.row_bytes}));
        const std::array want{s.w, s.h, s.bits, s.layer};
        EXPECT_EQ((std::array{hdr.width, hdr.height, hdr.bitCount, hdr.layer}), want);
        EXPECT_EQ((std::array{oxImageGetWidthDirect(img.get()), oxImageGetHeightDirect(img.get()),
                              oxImageGetBitCountDirect(img.get()), oxImageGetLayerDirect(img.get())}),
                  want);
        EXPECT_GE(oxGetHandleSize(img.get()), hdr.imageSize + 28);
        EXPECT_EQ(l->pixels, reinterpret_cast<uint8_t *>(l->header) + 28);
        EXPECT_EQ((std::array{l->maxX, l->maxY, l->layer}), (std::array{s.w - 1, s.h - 1, s.layer}));
        for (uint32_t i = 0; i < hdr.imageSize; ++i) ASSERT_EQ(l->pixels[i], 0) << i;
    }
}

TEST(ImageCreate, InvalidArgumentsAndOverflowsGiveZeroWithCodeZero) {
    const struct {
        int32_t w, h, bits, layer;
    } bad[] = {
        {0, 5, 8, kNormal},  {5, 0, 8, kNormal},  {-1, 5, 8, kNormal}, {5, -7, 24, kNormal}, {5, 5, 16, kNormal},
        {5, 5, 0, kNormal},  {0, 1, 0, kGray},    {1, -1, 0, kMask},
        {0x7FFFFFFF, 1, 32, kNormal},  // width x bitCount overflows 32 bits
        {65536, 65536, 32, kNormal},   // rowBytes x height overflows 32 bits
        {0x0FFFFFFF, 16, 8, kNormal},  // pixel area fits 32 bits, the handle with its header does not
    };
    for (const auto &b : bad) {
        uint32_t err = 0xDEAD;
        OxHandle img = b.layer == kGray   ? oxImageCreateGray(b.w, b.h, &err)
                       : b.layer == kMask ? oxImageCreateMask(b.w, b.h, &err)
                                          : oxImageCreate(b.w, b.h, b.bits, &err);
        EXPECT_EQ(img, 0u) << b.w << "x" << b.h << "x" << b.bits;
        EXPECT_EQ(err, 0u) << b.w << "x" << b.h << "x" << b.bits;
    }
}

// A host's pixel limit refuses larger images with 8 (a tag's decoding makes its image the same way).
TEST(ImageCreate, PixelLimitRefusesLargerImagesWithCodeEight) {
    uint32_t err = 0;
    ASSERT_EQ(oxSetImageLimit(100 * 100), 0u);
    EXPECT_EQ(oxImageCreateMask(101, 100, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_NOT_ENOUGH_MEMORY);
    Handle at_limit(oxImageCreate(100, 100, 24, &err));
    EXPECT_TRUE(at_limit);
    EXPECT_EQ(oxSetImageLimit(0), 100u * 100u);
}

TEST(ImageLock, NullArgumentsAndHandleZero) {
    Handle img = make_image(2, 2, 8);
    OxImageLockRec lock{};
    EXPECT_EQ(oxImageLock(0, &lock) + oxImageLock(img.get(), nullptr) + oxImageUnlock(nullptr), 0);
    lock.maxX = 41;  // a record whose handle is 0 unlocks, unchanged
    EXPECT_EQ(oxImageUnlock(&lock), 1);
    EXPECT_EQ(lock.maxX, 41);
    EXPECT_EQ((std::array{oxImageGetWidthDirect(0), oxImageGetHeightDirect(0), oxImageGetBitCountDirect(0),
                          oxImageGetLayerDirect(0)}),
              (std::array{-1, -1, -1, -1}));
    uint32_t value = 77;
    EXPECT_EQ(oxImageGetPixelDirect(0, 0, 0, &value) + oxImagePutPixelDirect(0, 0, 0, 1), 0);
    EXPECT_EQ(value, 77u);
}

// How each depth stores its pixels is pinned by the checksums of the raster tests, whose plain paths go
// through these calls; a pixel's address (for 1 bit the byte that holds it) is checked here, and a record
// whose depth is not one of the four addresses nothing and reads 0.
TEST(PixelEncoding, AddressesOfEachDepthAndNoneForOthers) {
    for (int32_t bits : {1, 8, 24, 32}) {
        Handle img = make_image(21, 3, bits);
        Locked l(img.get());
        for (int32_t x = 0; x < 21; ++x)
            ASSERT_EQ(oxImageGetAdr(l.get(), x, 1), l->pixels + l->rowBytes + x * bits / 8) << bits << " " << x;
    }
    Handle img = make_image(4, 1, 8);
    Locked l(img.get());
    l->pixels[0] = 9;
    l->header->bitCount = 16;
    EXPECT_EQ(oxImageGetAdr(l.get(), 0, 0), nullptr);
    EXPECT_EQ(oxImageGetPixel(l.get(), 0, 0), 0u);
    oxImagePutPixel(l.get(), 0, 0, 5);
    EXPECT_EQ(l->pixels[0], 9);
}

// The mask's low byte guards value bits 16-23 and its third byte bits 0-7; a full mask is a plain store.
TEST(PixelEncoding, MaskedStoreAppliesRedAndBlueMaskBytesCrosswise) {
    const struct {
        int32_t bits;
        uint32_t before, value, mask, after;
    } cases[] = {
        {24, 0, 0xAABBCC, 0x0000FF, 0xAA0000},
        {24, 0xAA0000, 0x112233, 0x00FF00, 0xAA2200},
        {24, 0x123456, 0xABCDEF, 0xFF0000, 0x1234EF},
        {32, 0x01020304, 0xA0B0C0D0, 0xFF0000F0, 0xA0B20304},
        {8, 0x0F, 0xF0, 0x3C, 0x33},
        {1, 0, 1, 0, 1},  // 1-bit images ignore the mask
        {24, 0x123456, 0xABCDEF, 0xFFFFFFFF, 0xABCDEF},
        {32, 0x12345678, 0x9ABCDEF0, 0xFFFFFFFF, 0x9ABCDEF0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, mask " << std::hex << c.mask);
        Handle img = make_image(3, 2, c.bits);
        Locked l(img.get());
        for (int32_t i = 0; i < 6; ++i) oxImagePutPixel(l.get(), i % 3, i / 3, c.before);
        oxImagePutPixelEx(l.get(), 1, 1, c.value, c.mask);
        for (int32_t i = 0; i < 6; ++i)
            EXPECT_EQ(oxImageGetPixel(l.get(), i % 3, i / 3), i == 4 ? c.after : c.before) << i;
    }
}

TEST(ChannelMap, ThreeBytesFromZeroOtherwiseFromOne) {
    const std::array<uint32_t, 3> from0{0, 1, 2}, from1{1, 2, 3};
    for (const auto &[n, want] : {std::pair{3u, from0}, {4u, from1}, {1u, from1}, {0u, from1}}) {
        std::array<uint32_t, 3> got{};
        oxGetChannel(n, &got[0], &got[1], &got[2]);
        EXPECT_EQ(got, want) << n;
    }
}

}  // namespace
