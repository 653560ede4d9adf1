// Gray arithmetic, whole-image conversions and tests, mask and channel operations, and round trips of pixels
// through the depths and kinds. The row-pointer paths are held to the per-pixel reference byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/convert.h"
#include "image/copy.h"
#include "image/copy_kernels.h"
#include "image/gray.h"
#include "image_compare.h"
#include "ox.h"
#include "support.h"

using namespace oxtest;

namespace {

constexpr int32_t kDepths[] = {1, 8, 24, 32};

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

TEST(GrayArithmetic, ShortcutsAgreeWithTheDoubleSumsForEveryColour) {
    // The fast paths sum looked-up products and threshold with integers; this walks all 2^24 colours through
    // both orders and the one-bit threshold.
    uint32_t differ_a_b = 0;
    for (uint32_t r = 0; r < 256; ++r)
        for (uint32_t g = 0; g < 256; ++g)
            for (uint32_t b = 0; b < 256; ++b) {
                const uint32_t a = ox::image::gray_order_a(r, g, b), bb = ox::image::gray_order_b(r, g, b);
                if (ox::image::gray_table_a(r, g, b) != a || ox::image::gray_table_b(r, g, b) != bb ||
                    ox::image::gray_b_bit(r, g, b) != (bb > 127 ? 1u : 0u))
                    FAIL() << "colour " << r << "," << g << "," << b;
                differ_a_b += a != bb;
            }
    // The two orders are not interchangeable: truncation exposes their last bits.
    EXPECT_GT(differ_a_b, 0u);
}

TEST(GrayArithmetic, OrdersTruncate) {
    EXPECT_EQ(ox::image::gray_order_a(23, 23, 23), 22u);
    EXPECT_EQ(ox::image::gray_order_b(23, 23, 23), 23u);
    EXPECT_EQ(ox::image::gray_order_b(57, 57, 57), 56u);
    EXPECT_EQ(ox::image::gray_order_a(255, 255, 255), 255u);
    EXPECT_EQ(ox::image::gray_order_b(255, 255, 255), 255u);
    EXPECT_EQ(ox::image::gray_order_a(0, 0, 0), 0u);
    EXPECT_EQ(ox::image::gray_order_a(255, 0, 0), 76u);  // 76.5 truncated, not rounded
}

TEST(FullColorToGrayScale, NewEightBitImageInOrderA) {
    for (int32_t bits : {24, 32}) {
        SCOPED_TRACE(bits);
        Handle src = make_image(3, 2, bits);
        put(src.get(), 0, 0, 0x7F000000u | rgb(23, 23, 23));  // fourth channel is not a colour
        put(src.get(), 1, 0, rgb(255, 255, 255));
        put(src.get(), 2, 1, rgb(10, 200, 30));
        const std::vector<uint8_t> before = image_bytes(src.get());
        uint32_t err = 0xDEAD;
        Handle gray(oxImageFullColorToGrayScale(src.get(), &err));
        ASSERT_TRUE(gray);
        EXPECT_EQ(err, 0u);
        EXPECT_EQ(oxImageGetBitCountDirect(gray.get()), 8);
        EXPECT_EQ(oxImageGetLayerDirect(gray.get()), OX_LAYER_NORMAL);
        EXPECT_EQ(oxImageGetWidthDirect(gray.get()), 3);
        EXPECT_EQ(oxImageGetHeightDirect(gray.get()), 2);
        EXPECT_EQ(get(gray.get(), 0, 0), 22u);
        EXPECT_EQ(get(gray.get(), 1, 0), 255u);
        EXPECT_EQ(get(gray.get(), 2, 0), 0u);
        EXPECT_EQ(get(gray.get(), 2, 1), 3u + 118u + 3u);  // 3 + 118 + 3.3
        EXPECT_EQ(image_bytes(src.get()), before);
    }
    // Other depths: 0 and the code untouched.
    for (int32_t bits : {1, 8}) {
        Handle src = make_image(3, 2, bits);
        uint32_t err = 0xDEAD;
        EXPECT_EQ(oxImageFullColorToGrayScale(src.get(), &err), 0u);
        EXPECT_EQ(err, 0xDEADu);
    }
    uint32_t err = 0xDEAD;
    EXPECT_EQ(oxImageFullColorToGrayScale(0, &err), 0u);
    EXPECT_EQ(err, 0xDEADu);
}

TEST(GrayLayer, NormalToGrayMarksWhite) {
    Handle img = make_image(4, 1, 32);
    put(img.get(), 0, 0, 0x12FFFFFFu);
    put(img.get(), 1, 0, 0xFFFFFFFEu);
    put(img.get(), 2, 0, 0x00FEFFFFu);
    put(img.get(), 3, 0, 0xFF000000u);
    oxImageConvertNormaltoGray(img.get());
    EXPECT_EQ(oxImageGetLayerDirect(img.get()), OX_LAYER_GRAY);
    EXPECT_EQ(get(img.get(), 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(get(img.get(), 1, 0), 0x00FFFFFEu);
    EXPECT_EQ(get(img.get(), 2, 0), 0x00FEFFFFu);
    EXPECT_EQ(get(img.get(), 3, 0), 0x00000000u);
}

TEST(GrayLayer, GrayToNormalMixesInWhite) {
    Handle img = make_image(6, 1, 32, OX_LAYER_GRAY);
    put(img.get(), 0, 0, 0x21000000u);              // black, a = 33: 33/255 x 255 lands just below 33
    put(img.get(), 1, 0, 0xFF123456u);              // a = 255: white
    put(img.get(), 2, 0, 0x00ABCDEFu);              // a = 0: black whatever the colour
    put(img.get(), 3, 0, 0x4DFFFFFFu);              // white stays white
    put(img.get(), 4, 0, 0x80000000u | rgb(100, 0, 255));
    put(img.get(), 5, 0, 0x01000000u | rgb(200, 200, 200));
    oxImageConvertGraytoNormal(img.get());
    EXPECT_EQ(oxImageGetLayerDirect(img.get()), OX_LAYER_NORMAL);
    EXPECT_EQ(get(img.get(), 0, 0), rgb(32, 32, 32));
    EXPECT_EQ(get(img.get(), 1, 0), rgb(255, 255, 255));
    EXPECT_EQ(get(img.get(), 2, 0), 0u);
    EXPECT_EQ(get(img.get(), 3, 0), rgb(255, 255, 255));
    // a = 128: f x 255 is exactly 128, so 100 gives 177.8 -> 177, 0 gives 128 and 255 stays 255.
    EXPECT_EQ(get(img.get(), 4, 0), rgb(177, 128, 255));
    EXPECT_EQ(get(img.get(), 5, 0), rgb(200, 200, 200));
}

TEST(GrayLayer, OnlyThirtyTwoBitImagesConvert) {
    for (int32_t bits : {1, 8, 24}) {
        std::mt19937 rng(static_cast<uint32_t>(bits));
        Handle img = make_image(5, 3, bits);
        fill_random(img.get(), rng);
        const std::vector<uint8_t> before = image_bytes(img.get());
        oxImageConvertNormaltoGray(img.get());
        EXPECT_EQ(image_bytes(img.get()), before);
        set_layer(img.get(), OX_LAYER_GRAY);
        const std::vector<uint8_t> gray = image_bytes(img.get());
        oxImageConvertGraytoNormal(img.get());
        EXPECT_EQ(image_bytes(img.get()), gray);
    }
    oxImageConvertNormaltoGray(0);
    oxImageConvertGraytoNormal(0);
}

TEST(CheckMask, TellsWhetherAnythingIsSelected) {
    Handle mask = make_image(10, 3, 1, OX_LAYER_MASK);
    EXPECT_EQ(oxImageCheckMask(mask.get()), 1);  // fresh: every bit clear, everything selected
    OxImageLockRec lock;
    ASSERT_EQ(oxImageLock(mask.get(), &lock), 1);
    for (uint32_t i = 0; i < lock.header->imageSize; ++i) lock.pixels[i] = (i % 2) ? 0xC0 : 0xFF;
    oxImageUnlock(&lock);
    EXPECT_EQ(oxImageCheckMask(mask.get()), 0);  // all pixels set; the clear spare bits do not count
    put(mask.get(), 9, 2, 0);
    EXPECT_EQ(oxImageCheckMask(mask.get()), 1);

    Handle wide = make_image(80, 2, 1, OX_LAYER_MASK);
    ASSERT_EQ(oxImageReverse(wide.get(), 0, 0, 80, 2), 1);
    EXPECT_EQ(oxImageCheckMask(wide.get()), 0);
    put(wide.get(), 70, 1, 0);
    EXPECT_EQ(oxImageCheckMask(wide.get()), 1);

    Handle normalBits = make_image(10, 3, 1);
    EXPECT_EQ(oxImageCheckMask(normalBits.get()), 0);
    Handle bytes = make_image(10, 3, 8);
    set_layer(bytes.get(), OX_LAYER_MASK);  // layer 2 on 8 bits is not a mask here
    EXPECT_EQ(oxImageCheckMask(bytes.get()), 0);
    EXPECT_EQ(oxImageCheckMask(0), 0);
}

TEST(CheckWhite, ColourBytesOnly) {
    Handle img = make_image(7, 3, 32);
    OxImageLockRec lock;
    ASSERT_EQ(oxImageLock(img.get(), &lock), 1);
    std::fill(lock.pixels, lock.pixels + lock.header->imageSize, 0xFF);
    oxImageUnlock(&lock);
    put(img.get(), 3, 1, 0x00FFFFFFu);  // fourth channel changed only
    EXPECT_EQ(oxImageCheckWhite(img.get()), 0);
    put(img.get(), 6, 2, 0xFFFFFFFEu);
    EXPECT_EQ(oxImageCheckWhite(img.get()), 1);
    set_layer(img.get(), OX_LAYER_GRAY);
    EXPECT_EQ(oxImageCheckWhite(img.get()), 1);

    Handle rgbImg = make_image(5, 5, 24);
    ASSERT_EQ(oxImageLock(rgbImg.get(), &lock), 1);
    std::fill(lock.pixels, lock.pixels + lock.header->imageSize, 0xFF);
    oxImageUnlock(&lock);
    EXPECT_EQ(oxImageCheckWhite(rgbImg.get()), 0);
    put(rgbImg.get(), 4, 4, 0xFEFFFF);
    EXPECT_EQ(oxImageCheckWhite(rgbImg.get()), 1);

    Handle bytes = make_image(2, 2, 8);
    ASSERT_EQ(oxImageLock(bytes.get(), &lock), 1);
    std::fill(lock.pixels, lock.pixels + lock.header->imageSize, 0xFF);
    oxImageUnlock(&lock);
    EXPECT_EQ(oxImageCheckWhite(bytes.get()), 1);  // 255 is not 0xFFFFFF
    EXPECT_EQ(oxImageCheckWhite(make_image(1, 1, 1).get()), 1);
    EXPECT_EQ(oxImageCheckWhite(make_image(1, 1, 1, OX_LAYER_MASK).get()), 0);
    EXPECT_EQ(oxImageCheckWhite(0), 0);
}

TEST(RevertMask, RestoresPixelsOutsideTheSelection) {
    std::mt19937 rng(41);
    Handle dst = make_image(12, 4, 32), src = make_image(12, 4, 32), mask = make_image(12, 4, 1, OX_LAYER_MASK);
    fill_random(dst.get(), rng);
    fill_random(src.get(), rng);
    put(mask.get(), 1, 1, 1);
    put(mask.get(), 2, 1, 1);
    put(mask.get(), 11, 3, 1);  // outside the box
    put(dst.get(), 2, 1, (get(src.get(), 2, 1) & 0xFFFFFFu) | 0x5A000000u);  // same colour, other fourth
    Handle before = clone(dst.get());
    const OxRect box{-3, 0, 11, 4};
    ASSERT_EQ(oxImageRevertMask(dst.get(), mask.get(), src.get(), &box), 1);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 12; ++x) {
            const uint32_t want = x == 1 && y == 1 ? get(src.get(), x, y) : get(before.get(), x, y);
            EXPECT_EQ(get(dst.get(), x, y), want) << x << "," << y;
        }

    // A 24-bit source into a 32-bit destination: the fourth channel takes the source pixel's byte 0, which
    // is its red byte.
    Handle src24 = make_image(12, 4, 24);
    put(src24.get(), 1, 1, rgb(0x11, 0x22, 0x33));
    ASSERT_EQ(oxImageRevertMask(dst.get(), mask.get(), src24.get(), &box), 1);
    EXPECT_EQ(get(dst.get(), 1, 1), 0x11000000u | rgb(0x11, 0x22, 0x33));

    // Refusals leave the destination as it is.
    const std::vector<uint8_t> now = image_bytes(dst.get());
    Handle notMask = make_image(12, 4, 1);
    Handle eight = make_image(12, 4, 8);
    EXPECT_EQ(oxImageRevertMask(dst.get(), notMask.get(), src.get(), &box), 0);
    EXPECT_EQ(oxImageRevertMask(dst.get(), mask.get(), src.get(), nullptr), 0);
    EXPECT_EQ(oxImageRevertMask(dst.get(), mask.get(), eight.get(), &box), 0);
    EXPECT_EQ(oxImageRevertMask(0, mask.get(), src.get(), &box), 0);
    EXPECT_EQ(image_bytes(dst.get()), now);
}

TEST(GetChannel, ByteOffsetsPerDepth) {
    Handle argb = make_image(2, 1, 32);
    put(argb.get(), 1, 0, 0x44332211u);  // fourth 0x44, red 0x11, green 0x22, blue 0x33
    Handle rgbImg = make_image(2, 1, 24);
    put(rgbImg.get(), 1, 0, 0x332211u);
    const uint32_t want32[] = {0x44, 0x11, 0x22, 0x33}, want24[] = {0x11, 0x11, 0x22, 0x33};
    for (uint32_t ch = 0; ch < 4; ++ch) {
        uint32_t err = 0xDEAD;
        Handle c32(oxImageGetChannel(argb.get(), ch, &err));
        ASSERT_TRUE(c32);
        EXPECT_EQ(err, 0u);
        EXPECT_EQ(oxImageGetBitCountDirect(c32.get()), 8);
        EXPECT_EQ(get(c32.get(), 1, 0), want32[ch]) << ch;
        Handle c24(oxImageGetChannel(rgbImg.get(), ch, &err));
        ASSERT_TRUE(c24);
        EXPECT_EQ(get(c24.get(), 1, 0), want24[ch]) << ch;
    }
    uint32_t err = 0xDEAD;
    EXPECT_EQ(oxImageGetChannel(argb.get(), 4, &err), 0u);  // only 0..3 name channels
    EXPECT_EQ(err, 0u);
    err = 0xDEAD;
    EXPECT_EQ(oxImageGetChannel(make_image(2, 2, 8).get(), 1, &err), 0u);
    EXPECT_EQ(err, 0xDEADu);
    EXPECT_EQ(oxImageGetChannel(0, 1, &err), 0u);
}

TEST(Reverse, FlipsTheClippedRectangle) {
    Handle mask = make_image(10, 4, 1, OX_LAYER_MASK);
    ASSERT_EQ(oxImageReverse(mask.get(), -5, -5, 3, 2), 1);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(get(mask.get(), x, y), x < 3 && y < 2 ? 1u : 0u) << x << "," << y;
    // Within one byte, across bytes, past the far edges, and empty.
    ASSERT_EQ(oxImageReverse(mask.get(), 2, 0, 9, 1), 1);
    EXPECT_EQ(image_bytes(mask.get())[28], 0xE0 ^ 0x3F);
    EXPECT_EQ(image_bytes(mask.get())[29], 0x80);
    ASSERT_EQ(oxImageReverse(mask.get(), 9, 3, 100, 100), 1);
    EXPECT_EQ(get(mask.get(), 9, 3), 1u);
    EXPECT_EQ(image_bytes(mask.get())[28 + 7], 0x40);  // spare bits untouched
    const std::vector<uint8_t> now = image_bytes(mask.get());
    EXPECT_EQ(oxImageReverse(mask.get(), 5, 0, 5, 4), 1);
    EXPECT_EQ(oxImageReverse(mask.get(), 20, 0, 30, 4), 1);
    EXPECT_EQ(image_bytes(mask.get()), now);
    EXPECT_EQ(oxImageReverse(make_image(10, 4, 1).get(), 0, 0, 3, 3), 0);
    EXPECT_EQ(oxImageReverse(0, 0, 0, 3, 3), 0);
}

// ---- round trips ----

TEST(RoundTrip, BitsThroughEveryDepth) {
    std::mt19937 rng(12);
    Handle bits = make_image(37, 5, 1);
    fill_random(bits.get(), rng);
    for (int32_t depth : {8, 24, 32}) {
        SCOPED_TRACE(depth);
        Handle wide = make_image(37, 5, depth);
        fill_random(wide.get(), rng);
        ASSERT_EQ(oxImageCopyEx(wide.get(), 0, 0, 37, 5, bits.get(), 0, 0), 1);
        Handle back = make_image(37, 5, 1, OX_LAYER_MASK);
        ASSERT_EQ(oxImageCopyEx(back.get(), 0, 0, 37, 5, wide.get(), 0, 0), 1);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 37; ++x) ASSERT_EQ(get(back.get(), x, y), get(bits.get(), x, y));
    }
}

TEST(RoundTrip, LevelsThroughColour) {
    // A level v spread over three colour bytes comes back through the order-B gray value as v, or v - 1 where
    // the double sum of v x (0.3 + 0.11 + 0.59) lands just below v.
    Handle levels = make_image(256, 1, 8);
    for (uint32_t v = 0; v < 256; ++v) put(levels.get(), static_cast<int32_t>(v), 0, v);
    for (int32_t depth : {24, 32}) {
        Handle colour = make_image(256, 1, depth);
        ASSERT_EQ(oxImageCopyEx(colour.get(), 0, 0, 256, 1, levels.get(), 0, 0), 1);
        Handle back = make_image(256, 1, 8);
        ASSERT_EQ(oxImageCopyEx(back.get(), 0, 0, 256, 1, colour.get(), 0, 0), 1);
        uint32_t lowered = 0;
        for (uint32_t v = 0; v < 256; ++v) {
            const uint32_t got = get(back.get(), static_cast<int32_t>(v), 0);
            ASSERT_TRUE(got == v || got + 1 == v) << v;
            lowered += got != v;
        }
        EXPECT_EQ(get(back.get(), 23, 0), 23u);
        EXPECT_EQ(get(back.get(), 57, 0), 56u);
        EXPECT_EQ(get(back.get(), 255, 0), 255u);
        EXPECT_GT(lowered, 0u);
        EXPECT_LT(lowered, 128u);
    }
}

TEST(RoundTrip, ColourBetweenTwentyFourAndThirtyTwoBits) {
    std::mt19937 rng(13);
    Handle rgbImg = make_image(19, 7, 24);
    fill_random(rgbImg.get(), rng);
    Handle argb = make_image(19, 7, 32);
    fill_random(argb.get(), rng);
    Handle argb0 = clone(argb.get());
    uint32_t err;
    OxHandle h = argb.get();
    ASSERT_EQ(oxImageCopy(&h, rgbImg.get(), &err), 1);
    Handle back = make_image(19, 7, 24);
    h = back.get();
    ASSERT_EQ(oxImageCopy(&h, argb.get(), &err), 1);
    EXPECT_EQ(image_bytes(back.get()), image_bytes(rgbImg.get()));
    for (int32_t x = 0; x < 19; ++x) EXPECT_EQ(get(argb.get(), x, 6) >> 24, get(argb0.get(), x, 6) >> 24);
}

TEST(RoundTrip, ChannelsReassemble) {
    std::mt19937 rng(14);
    Handle argb = make_image(9, 4, 32);
    fill_random(argb.get(), rng);
    uint32_t err;
    Handle ch[4];
    for (uint32_t c = 0; c < 4; ++c) ch[c] = Handle(oxImageGetChannel(argb.get(), c, &err));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 9; ++x)
            EXPECT_EQ(get(argb.get(), x, y), get(ch[0].get(), x, y) << 24 | get(ch[1].get(), x, y) |
                                                 get(ch[2].get(), x, y) << 8 | get(ch[3].get(), x, y) << 16);
}

TEST(RoundTrip, SelfInverseOperations) {
    std::mt19937 rng(15);
    Handle mask = make_image(23, 6, 1, OX_LAYER_MASK);
    fill_random(mask.get(), rng);
    const std::vector<uint8_t> maskBytes = image_bytes(mask.get());
    ASSERT_EQ(oxImageReverse(mask.get(), 3, 1, 21, 5), 1);
    EXPECT_NE(image_bytes(mask.get()), maskBytes);
    ASSERT_EQ(oxImageReverse(mask.get(), 3, 1, 21, 5), 1);
    EXPECT_EQ(image_bytes(mask.get()), maskBytes);

    Handle a = make_image(6, 6, 32), b = make_image(6, 6, 32, OX_LAYER_GRAY);
    fill_random(a.get(), rng);
    fill_random(b.get(), rng);
    const std::vector<uint8_t> aBytes = image_bytes(a.get()), bBytes = image_bytes(b.get());
    ASSERT_EQ(oxSwapImage(a.get(), b.get()), 1);
    ASSERT_EQ(oxSwapImage(b.get(), a.get()), 1);
    EXPECT_EQ(image_bytes(a.get()), aBytes);
    EXPECT_EQ(image_bytes(b.get()), bBytes);
}

TEST(RoundTrip, NormalThroughGrayLayerKeepsOnlyWhite) {
    std::mt19937 rng(16);
    Handle img = make_image(17, 9, 32);
    fill_random(img.get(), rng);
    for (int32_t x = 0; x < 17; x += 3) put(img.get(), x, x % 9, (rng() & 0xFF000000u) | 0xFFFFFF);
    Handle original = clone(img.get());
    oxImageConvertNormaltoGray(img.get());
    oxImageConvertGraytoNormal(img.get());
    EXPECT_EQ(oxImageGetLayerDirect(img.get()), OX_LAYER_NORMAL);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 17; ++x) {
            const bool white = (get(original.get(), x, y) & 0xFFFFFF) == 0xFFFFFF;
            EXPECT_EQ(get(img.get(), x, y), white ? 0xFFFFFFu : 0u) << x << "," << y;
        }
    // Duplicating a gray layer or a mask keeps the kind.
    uint32_t err;
    Handle grayLayer = make_image(3, 3, 32, OX_LAYER_GRAY), dupGray, mask = make_image(3, 3, 1, OX_LAYER_MASK),
           dupMask;
    ASSERT_EQ(oxImageCopy(dupGray.out(), grayLayer.get(), &err), 1);
    ASSERT_EQ(oxImageCopy(dupMask.out(), mask.get(), &err), 1);
    EXPECT_EQ(oxImageGetLayerDirect(dupGray.get()), OX_LAYER_GRAY);
    EXPECT_EQ(oxImageGetLayerDirect(dupMask.get()), OX_LAYER_MASK);
}

// ---- fast paths against the reference ----

OxRect random_rect(std::mt19937 &rng, int32_t w, int32_t h) {
    auto pick = [&](int32_t side) { return static_cast<int32_t>(rng() % (side + 16)) - 8; };
    OxRect r{pick(w), pick(h), pick(w), pick(h)};
    if (rng() % 4 == 0) r = OxRect{0, 0, w, h};
    return r;
}

TEST(ConvertDifferential, EveryOperationMatchesReference) {
    namespace plain = ox::image::plain;
    std::mt19937 rng(31337);
    uint64_t sum = kChecksumStart;
    for (int iter = 0; iter < 4000; ++iter) {
        const int32_t bits = kDepths[rng() % 4];
        Handle img = random_image(rng, bits, 40);
        const OxHandle h = img.get();
        const int op = iter % 7;
        SCOPED_TRACE(testing::Message() << "case " << iter << ", op " << op << ", " << bits << " bits");
        if (rng() % 3 == 0) {
            // Mostly white images, or 32-bit ones whose fourth channel is 0, 255 or anything in runs: the
            // shapes of painted layers, which the shortcuts of the fast paths serve.
            OxImageLockRec lock;
            ASSERT_EQ(oxImageLock(h, &lock), 1);
            const bool runs = bits == 32 && rng() % 2;
            uint8_t a = 0;
            for (uint32_t i = 0; i < lock.header->imageSize; ++i) {
                if (!runs) {
                    if (rng() % 8) lock.pixels[i] = 0xFF;
                } else if (i % 4 == 0) {
                    if (rng() % 6 == 0) a = static_cast<uint8_t>(rng() % 3 == 0 ? rng() : rng() % 2 ? 0xFF : 0);
                    lock.pixels[i] = a;
                }
            }
            oxImageUnlock(&lock);
        }
        switch (op) {
        case 0: {
            const int32_t r1 = oxImageCheckMask(h), r2 = oxImageCheckWhite(h);
            ASSERT_EQ(r1, plain::image_check_mask(h));
            ASSERT_EQ(r2, plain::image_check_white(h));
            sum = (sum ^ static_cast<uint64_t>(r1 * 2 + r2)) * 1099511628211ull;
            break;
        }
        case 1:
        case 2: {
            uint32_t e1 = 0xAB, e2 = 0xAB;
            const uint32_t channel = rng() % 5;
            Handle f(op == 1 ? oxImageFullColorToGrayScale(h, &e1) : oxImageGetChannel(h, channel, &e1));
            Handle p(op == 1 ? plain::image_full_color_to_gray_scale(h, &e2) : plain::image_get_channel(h, channel, &e2));
            ASSERT_EQ(bool(f), bool(p));
            ASSERT_EQ(e1, e2);
            if (f) {
                const std::vector<uint8_t> out = image_bytes(f.get());
                ASSERT_EQ(out, image_bytes(p.get()));
                sum = fold(sum, out);
            }
            break;
        }
        case 3:
        case 4: {
            Handle f = clone(h), p = clone(h);
            if (op == 3) {
                oxImageConvertNormaltoGray(f.get());
                plain::image_convert_normal_to_gray(p.get());
            } else {
                oxImageConvertGraytoNormal(f.get());
                plain::image_convert_gray_to_normal(p.get());
            }
            const std::vector<uint8_t> out = image_bytes(f.get());
            ASSERT_EQ(out, image_bytes(p.get()));
            sum = fold(sum, out);
            break;
        }
        case 5: {
            // Source mostly of the destination's size; masks of random size.
            const int32_t w = oxImageGetWidthDirect(h), ht = oxImageGetHeightDirect(h);
            const int32_t sbits = rng() % 4 ? bits : kDepths[rng() % 4];
            Handle src = rng() % 4 ? make_image(w, ht, sbits) : random_image(rng, sbits, 40);
            fill_random(src.get(), rng);
            Handle mask = rng() % 4 ? make_image(w, ht, 1, OX_LAYER_MASK) : random_image(rng, 1, 40);
            if (rng() % 8) set_layer(mask.get(), OX_LAYER_MASK);
            fill_random(mask.get(), rng);
            if (rng() % 3 == 0) {  // a copy that agrees in many pixels, some only in their colour bytes
                OxHandle d = src.get();
                uint32_t err;
                ASSERT_EQ(oxImageCopy(&d, h, &err), 1);
                OxImageLockRec lock;
                ASSERT_EQ(oxImageLock(d, &lock), 1);
                if (lock.header->bitCount == 32)
                    for (uint32_t i = 0; i < lock.header->imageSize; i += 4)
                        if (rng() % 2) lock.pixels[i] = static_cast<uint8_t>(rng());
                oxImageUnlock(&lock);
            }
            const OxRect box = random_rect(rng, w, ht);
            Handle f = clone(h), p = clone(h);
            const int32_t r = oxImageRevertMask(f.get(), mask.get(), src.get(), &box);
            ASSERT_EQ(r, plain::image_revert_mask(p.get(), mask.get(), src.get(), &box))
                << box.left << "," << box.top << "," << box.right << "," << box.bottom;
            const std::vector<uint8_t> out = image_bytes(f.get());
            ASSERT_EQ(out, image_bytes(p.get()));
            sum = fold(sum + static_cast<uint64_t>(r), out);
            break;
        }
        default: {
            const OxRect box = random_rect(rng, oxImageGetWidthDirect(h), oxImageGetHeightDirect(h));
            Handle f = clone(h), p = clone(h);
            const int32_t r = oxImageReverse(f.get(), box.left, box.top, box.right, box.bottom);
            ASSERT_EQ(r, plain::image_reverse(p.get(), box.left, box.top, box.right, box.bottom));
            const std::vector<uint8_t> out = image_bytes(f.get());
            ASSERT_EQ(out, image_bytes(p.get()));
            sum = fold(sum + static_cast<uint64_t>(r), out);
        }
        }
    }
    EXPECT_EQ(sum, 11456040478098496572ull);
}

}  // namespace
