// Block copies: duplication and overwrite, copies with depth conversion, exchange. The row-pointer paths
// are held to the per-pixel reference byte for byte on random images, blocks and depths.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "image/copy.h"
#include "ox.h"
#include "image_compare.h"
#include "support.h"

using namespace oxtest;

namespace {

constexpr int32_t kDepths[] = {1, 8, 24, 32};

TEST(ImageCopy, DuplicatesEveryDepthAndKind) {
    std::mt19937 rng(7);
    struct Kind {
        int32_t bits, layer;
    } kinds[] = {{1, OX_LAYER_NORMAL}, {8, OX_LAYER_NORMAL},  {24, OX_LAYER_NORMAL},
                 {32, OX_LAYER_NORMAL}, {32, OX_LAYER_GRAY}, {1, OX_LAYER_MASK}};
    for (const Kind &k : kinds) {
        SCOPED_TRACE(testing::Message() << k.bits << " bits, layer " << k.layer);
        Handle src = make_image(13, 5, k.bits, k.layer);
        oxtest::fill_random(src.get(), rng);  // spare bits of 1-bit rows too
        Handle dst;
        uint32_t err = 0xDEAD;
        ASSERT_EQ(oxImageCopy(dst.out(), src.get(), &err), 1);
        EXPECT_EQ(err, 0u);
        ASSERT_NE(dst.get(), 0u);
        EXPECT_NE(dst.get(), src.get());
        EXPECT_EQ(image_bytes(dst.get()), image_bytes(src.get()));
    }
}

TEST(ImageCopy, NullSourceFreesTheDestination) {
    Handle dst = make_image(4, 4, 24);
    uint32_t err = 0xDEAD;
    OxHandle h = dst.release();
    EXPECT_EQ(oxImageCopy(&h, 0, &err), 1);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(err, 0u);
    // Both handles 0: nothing to free, still success.
    err = 0xDEAD;
    EXPECT_EQ(oxImageCopy(&h, 0, &err), 1);
    EXPECT_EQ(err, 0u);
}

TEST(ImageCopy, CommonAreaIntoAnotherSizeAndDepth) {
    // 24 bits into a larger 32-bit image: colour bytes of the common area only; the fourth channel and
    // the pixels outside keep their values.
    std::mt19937 rng(11);
    Handle src = make_image(5, 3, 24);
    oxtest::fill_random(src.get(), rng);
    Handle dst = make_image(7, 4, 32, OX_LAYER_GRAY);
    oxtest::fill_random(dst.get(), rng);
    Handle before = clone(dst.get());
    uint32_t err = 0xDEAD;
    OxHandle h = dst.get();
    ASSERT_EQ(oxImageCopy(&h, src.get(), &err), 1);
    EXPECT_EQ(h, dst.get());
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(oxImageGetLayerDirect(dst.get()), OX_LAYER_GRAY);
    EXPECT_EQ(oxImageGetBitCountDirect(dst.get()), 32);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 7; ++x) {
            const uint32_t old = get(before.get(), x, y);
            const uint32_t want = x < 5 && y < 3 ? (old & 0xFF000000u) | get(src.get(), x, y) : old;
            EXPECT_EQ(get(dst.get(), x, y), want) << x << "," << y;
        }

    // 32 into a smaller 32-bit image of another size: the fourth channel is copied too.
    Handle src32 = make_image(3, 6, 32);
    oxtest::fill_random(src32.get(), rng);
    Handle dst32 = make_image(4, 2, 32);
    h = dst32.get();
    ASSERT_EQ(oxImageCopy(&h, src32.get(), &err), 1);
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(get(dst32.get(), x, 1), get(src32.get(), x, 1));
    EXPECT_EQ(get(dst32.get(), 3, 1), 0u);
}

TEST(ImageCopy, SmallDepthsConvertOverTheCommonArea) {
    // Decided behaviour where 1- or 8-bit images meet another depth or size: the conversions of the block
    // copy. An 8-bit source into an existing mask thresholds at 127.
    Handle src = make_image(3, 1, 8);
    put(src.get(), 0, 0, 127);
    put(src.get(), 1, 0, 128);
    put(src.get(), 2, 0, 255);
    Handle mask = make_image(10, 2, 1, OX_LAYER_MASK);
    put(mask.get(), 9, 1, 1);
    uint32_t err = 0xDEAD;
    OxHandle h = mask.get();
    ASSERT_EQ(oxImageCopy(&h, src.get(), &err), 1);
    EXPECT_EQ(get(mask.get(), 0, 0), 0u);
    EXPECT_EQ(get(mask.get(), 1, 0), 1u);
    EXPECT_EQ(get(mask.get(), 2, 0), 1u);
    EXPECT_EQ(get(mask.get(), 9, 1), 1u);
    EXPECT_EQ(oxImageGetLayerDirect(mask.get()), OX_LAYER_MASK);

    // An 8-bit image with layer 2 duplicates into a new 1-bit mask.
    OxImageLockRec lock;
    ASSERT_EQ(oxImageLock(src.get(), &lock), 1);
    lock.header->layer = OX_LAYER_MASK;
    oxImageUnlock(&lock);
    Handle dup;
    ASSERT_EQ(oxImageCopy(dup.out(), src.get(), &err), 1);
    EXPECT_EQ(oxImageGetBitCountDirect(dup.get()), 1);
    EXPECT_EQ(oxImageGetLayerDirect(dup.get()), OX_LAYER_MASK);
    EXPECT_EQ(get(dup.get(), 0, 0), 0u);
    EXPECT_EQ(get(dup.get(), 1, 0), 1u);
}

TEST(ImageCopy, UnsupportedDepthIsRefused) {
    Handle src = make_image(4, 4, 8);
    Handle dst = make_image(4, 4, 8);
    OxImageLockRec lock;
    ASSERT_EQ(oxImageLock(dst.get(), &lock), 1);
    lock.header->bitCount = 16;
    oxImageUnlock(&lock);
    uint32_t err = 0xDEAD;
    OxHandle h = dst.get();
    EXPECT_EQ(oxImageCopy(&h, src.get(), &err), 0);
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(oxImageCopyEx(dst.get(), 0, 0, 4, 4, src.get(), 0, 0), 0);
    EXPECT_EQ(oxImageCopyEx(src.get(), 0, 0, 4, 4, dst.get(), 0, 0), 0);
    // A gray-layer source of that depth: the gray layer made for it is freed again.
    set_layer(dst.get(), OX_LAYER_GRAY);
    OxHandle made = 0;
    err = 0xDEAD;
    EXPECT_EQ(oxImageCopy(&made, dst.get(), &err), 0);
    EXPECT_EQ(made, 0u);
    EXPECT_EQ(err, 0u);
}

TEST(ImageCopyEx, DepthConversions) {
    Handle rgb = make_image(4, 1, 24);
    put(rgb.get(), 0, 0, 0x171717);  // (23, 23, 23)
    put(rgb.get(), 1, 0, 0x393939);  // (57, 57, 57)
    put(rgb.get(), 2, 0, 0xFFFFFF);
    put(rgb.get(), 3, 0, 0x0000FF);  // pure red: 255 x 0.3 = 76.5
    Handle gray = make_image(4, 1, 8);
    ASSERT_EQ(oxImageCopyEx(gray.get(), 0, 0, 4, 1, rgb.get(), 0, 0), 1);
    EXPECT_EQ(get(gray.get(), 0, 0), 23u);
    EXPECT_EQ(get(gray.get(), 1, 0), 56u);
    EXPECT_EQ(get(gray.get(), 2, 0), 255u);
    EXPECT_EQ(get(gray.get(), 3, 0), 76u);

    Handle bits = make_image(4, 1, 1);
    ASSERT_EQ(oxImageCopyEx(bits.get(), 0, 0, 4, 1, rgb.get(), 0, 0), 1);
    EXPECT_EQ(image_bytes(bits.get())[28], 0x20);  // only white is above 127

    Handle levels = make_image(2, 1, 8);
    put(levels.get(), 0, 0, 127);
    put(levels.get(), 1, 0, 128);
    Handle fromLevels = make_image(2, 1, 1);
    put(fromLevels.get(), 0, 0, 1);
    ASSERT_EQ(oxImageCopyEx(fromLevels.get(), 0, 0, 2, 1, levels.get(), 0, 0), 1);
    EXPECT_EQ(get(fromLevels.get(), 0, 0), 0u);
    EXPECT_EQ(get(fromLevels.get(), 1, 0), 1u);

    // From a bit: 0/255 into the colour bytes; a 32-bit destination keeps its fourth channel.
    Handle bit = make_image(2, 1, 1);
    put(bit.get(), 1, 0, 1);
    Handle argb = make_image(2, 1, 32);
    put(argb.get(), 0, 0, 0x5A123456);
    put(argb.get(), 1, 0, 0xA5123456);
    ASSERT_EQ(oxImageCopyEx(argb.get(), 0, 0, 2, 1, bit.get(), 0, 0), 1);
    EXPECT_EQ(get(argb.get(), 0, 0), 0x5A000000u);
    EXPECT_EQ(get(argb.get(), 1, 0), 0xA5FFFFFFu);
    Handle byte = make_image(2, 1, 8);
    ASSERT_EQ(oxImageCopyEx(byte.get(), 0, 0, 2, 1, bit.get(), 0, 0), 1);
    EXPECT_EQ(get(byte.get(), 1, 0), 255u);

    // 8 bits into 32: the value in the three colour bytes, fourth channel kept.
    ASSERT_EQ(oxImageCopyEx(argb.get(), 0, 0, 2, 1, levels.get(), 0, 0), 1);
    EXPECT_EQ(get(argb.get(), 0, 0), 0x5A7F7F7Fu);

    // Between colour depths the fourth channel moves only from 32 to 32 bits.
    Handle argb2 = make_image(1, 1, 32);
    put(argb2.get(), 0, 0, 0x11223344);
    ASSERT_EQ(oxImageCopyEx(argb.get(), 1, 0, 1, 1, argb2.get(), 0, 0), 1);
    EXPECT_EQ(get(argb.get(), 1, 0), 0x11223344u);
    ASSERT_EQ(oxImageCopyEx(argb.get(), 0, 0, 1, 1, rgb.get(), 3, 0), 1);
    EXPECT_EQ(get(argb.get(), 0, 0), 0x5A0000FFu);
}

TEST(ImageCopyEx, OneBitPositionsActAsWholeBytes) {
    // x = 13 in a 1-bit source is the byte holding pixels 8..15, so the block starts at pixel 8.
    Handle src = make_image(16, 1, 1);
    put(src.get(), 8, 0, 1);
    put(src.get(), 10, 0, 1);
    Handle dst = make_image(4, 1, 8);
    ASSERT_EQ(oxImageCopyEx(dst.get(), 0, 0, 4, 1, src.get(), 13, 0), 1);
    EXPECT_EQ(get(dst.get(), 0, 0), 255u);
    EXPECT_EQ(get(dst.get(), 1, 0), 0u);
    EXPECT_EQ(get(dst.get(), 2, 0), 255u);
    // Into a 1-bit destination at x = 7: the block lands at pixel 0.
    Handle bits = make_image(16, 1, 1);
    ASSERT_EQ(oxImageCopyEx(bits.get(), 7, 0, 4, 1, dst.get(), 0, 0), 1);
    EXPECT_EQ(image_bytes(bits.get())[28], 0xA0);
}

TEST(ImageCopyEx, LimitsAndRefusals) {
    Handle src = make_image(4, 4, 8);
    Handle dst = make_image(6, 2, 8);
    for (int32_t i = 0; i < 16; ++i) put(src.get(), i % 4, i / 4, 10 + i);
    EXPECT_EQ(oxImageCopyEx(0, 0, 0, 1, 1, src.get(), 0, 0), 0);
    EXPECT_EQ(oxImageCopyEx(dst.get(), 0, 0, 1, 1, 0, 0, 0), 0);
    const std::vector<uint8_t> blank = image_bytes(dst.get());
    EXPECT_EQ(oxImageCopyEx(dst.get(), 0, 0, 0, 4, src.get(), 0, 0), 1);
    EXPECT_EQ(oxImageCopyEx(dst.get(), 0, 0, 4, -1, src.get(), 0, 0), 1);
    EXPECT_EQ(image_bytes(dst.get()), blank);
    // w and h are limited to the smaller image (4 wide, 2 high) before anything else.
    ASSERT_EQ(oxImageCopyEx(dst.get(), 0, 0, 100, 100, src.get(), 0, 0), 1);
    EXPECT_EQ(get(dst.get(), 3, 1), 17u);
    EXPECT_EQ(get(dst.get(), 4, 1), 0u);
    // A block reaching outside is clipped to both images.
    Handle clipped = make_image(6, 2, 8);
    ASSERT_EQ(oxImageCopyEx(clipped.get(), -1, 1, 4, 2, src.get(), 2, 2), 1);
    EXPECT_EQ(get(clipped.get(), 0, 1), 10u + 2 * 4 + 3);
    EXPECT_EQ(get(clipped.get(), 1, 1), 0u);
    EXPECT_EQ(get(clipped.get(), 0, 0), 0u);
}

TEST(ImageCopyEx, OverlappingBlockWithinOneImage) {
    // Within one image the block is read before it is written, in every direction.
    for (int32_t bits : kDepths) {
        for (int32_t shift : {-9, -1, 1, 8, 9}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, shift " << shift);
            std::mt19937 rng(static_cast<uint32_t>(bits * 100 + shift + 50));
            Handle img = make_image(40, 6, bits);
            oxtest::fill_random(img.get(), rng);
            Handle original = clone(img.get());
            const int32_t sx = 16, sy = 1, dx = sx + shift, dy = sy + (shift > 0 ? 1 : shift < -5 ? -1 : 0);
            ASSERT_EQ(oxImageCopyEx(img.get(), dx, dy, 16, 4, img.get(), sx, sy), 1);
            // The expected result: the same copy from the untouched original.
            Handle want = clone(original.get());
            ASSERT_EQ(oxImageCopyEx(want.get(), dx, dy, 16, 4, original.get(), sx, sy), 1);
            EXPECT_EQ(image_bytes(img.get()), image_bytes(want.get()));
        }
    }
}

TEST(ImageSwap, ExchangesColourBytes) {
    std::mt19937 rng(3);
    Handle a = make_image(5, 3, 24), b = make_image(5, 3, 32);
    oxtest::fill_random(a.get(), rng);
    oxtest::fill_random(b.get(), rng);
    Handle a0 = clone(a.get()), b0 = clone(b.get());
    ASSERT_EQ(oxSwapImage(a.get(), b.get()), 1);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            EXPECT_EQ(get(a.get(), x, y), get(b0.get(), x, y) & 0xFFFFFFu);
            EXPECT_EQ(get(b.get(), x, y), (get(b0.get(), x, y) & 0xFF000000u) | get(a0.get(), x, y));
        }
    // Two 32-bit images exchange the fourth channel too.
    Handle c = make_image(5, 3, 32);
    oxtest::fill_random(c.get(), rng);
    const std::vector<uint8_t> bBytes = image_bytes(b.get()), cBytes = image_bytes(c.get());
    ASSERT_EQ(oxSwapImage(b.get(), c.get()), 1);
    EXPECT_EQ(image_bytes(b.get()), cBytes);
    EXPECT_EQ(image_bytes(c.get()), bBytes);
}

TEST(ImageSwap, RefusesDifferentSizesAndMixedSmallDepths) {
    std::mt19937 rng(5);
    Handle a = make_image(10, 10, 24), b = make_image(10, 20, 24);
    oxtest::fill_random(a.get(), rng);
    oxtest::fill_random(b.get(), rng);
    const std::vector<uint8_t> aBytes = image_bytes(a.get()), bBytes = image_bytes(b.get());
    EXPECT_EQ(oxSwapImage(a.get(), b.get()), 0);
    EXPECT_EQ(oxSwapImage(a.get(), 0), 0);
    EXPECT_EQ(oxSwapImage(0, a.get()), 0);
    Handle gray = make_image(10, 10, 8);
    oxtest::fill_random(gray.get(), rng);
    const std::vector<uint8_t> grayBytes = image_bytes(gray.get());
    EXPECT_EQ(oxSwapImage(a.get(), gray.get()), 0);
    EXPECT_EQ(image_bytes(a.get()), aBytes);
    EXPECT_EQ(image_bytes(b.get()), bBytes);
    EXPECT_EQ(image_bytes(gray.get()), grayBytes);
}

TEST(ImageSwap, SmallDepthsExchangePixelsButNotSpareBits) {
    std::mt19937 rng(9);
    Handle a = make_image(11, 3, 1), b = make_image(11, 3, 1, OX_LAYER_MASK);
    oxtest::fill_random(a.get(), rng);
    oxtest::fill_random(b.get(), rng);
    Handle a0 = clone(a.get()), b0 = clone(b.get());
    ASSERT_EQ(oxSwapImage(a.get(), b.get()), 1);
    const std::vector<uint8_t> aa = image_bytes(a.get()), a0b = image_bytes(a0.get()), b0b = image_bytes(b0.get());
    for (int32_t y = 0; y < 3; ++y) {
        EXPECT_EQ(aa[28 + 2 * y], b0b[28 + 2 * y]);
        // Pixels 8..10 come from b, the five spare bits stay a's.
        EXPECT_EQ(aa[29 + 2 * y], (b0b[29 + 2 * y] & 0xE0) | (a0b[29 + 2 * y] & 0x1F));
    }
    EXPECT_EQ(oxImageGetLayerDirect(b.get()), OX_LAYER_MASK);  // layers are not exchanged
}

// ---- fast paths against the reference ----

struct CopyExCase {
    int32_t dx, dy, w, h, sx, sy;
};

CopyExCase random_block(std::mt19937 &rng, OxHandle dst, OxHandle src) {
    auto pick = [&](int32_t side) { return static_cast<int32_t>(rng() % (side + 12)) - 6; };
    CopyExCase c{};
    c.dx = pick(oxImageGetWidthDirect(dst));
    c.dy = pick(oxImageGetHeightDirect(dst));
    c.sx = pick(oxImageGetWidthDirect(src));
    c.sy = pick(oxImageGetHeightDirect(src));
    c.w = static_cast<int32_t>(rng() % 60) - 2;
    c.h = static_cast<int32_t>(rng() % 30) - 2;
    if (rng() % 4 == 0) {  // well inside both, the way callers use it
        c.dx = c.dy = c.sx = c.sy = 0;
        c.w = c.h = 1000;
    }
    return c;
}

TEST(CopyDifferential, CopyExMatchesReference) {
    std::mt19937 rng(20240611);
    uint64_t sum = kChecksumStart;
    for (int iter = 0; iter < 3000; ++iter) {
        const int32_t dbits = kDepths[rng() % 4], sbits = kDepths[rng() % 4];
        Handle src = random_image(rng, sbits, 45);
        const bool same = rng() % 8 == 0;
        Handle dst = same ? Handle() : random_image(rng, dbits, 45);
        const OxHandle d = same ? src.get() : dst.get();
        const CopyExCase c = random_block(rng, d, src.get());
        SCOPED_TRACE(testing::Message() << "case " << iter << ": " << sbits << " -> "
                                        << oxImageGetBitCountDirect(d) << (same ? " (same image)" : ""));
        Handle fastDst = clone(d), plainDst = clone(d);
        Handle fastSrc = same ? Handle() : clone(src.get());
        const OxHandle fs = same ? fastDst.get() : fastSrc.get();
        const OxHandle ps = same ? plainDst.get() : src.get();
        ASSERT_EQ(oxImageCopyEx(fastDst.get(), c.dx, c.dy, c.w, c.h, fs, c.sx, c.sy), 1);
        ASSERT_EQ(ox::image::plain::image_copy_ex(plainDst.get(), c.dx, c.dy, c.w, c.h, ps, c.sx, c.sy), 1);
        const std::vector<uint8_t> out = image_bytes(fastDst.get());
        ASSERT_EQ(out, image_bytes(plainDst.get()))
            << "block " << c.dx << "," << c.dy << " " << c.w << "x" << c.h << " from " << c.sx << "," << c.sy;
        sum = fold(sum, out);
    }
    // Pins the outputs of this seed: a change here means the arithmetic changed.
    EXPECT_EQ(sum, 4854298378819874661ull);
}

TEST(CopyDifferential, CopyAndSwapMatchReference) {
    std::mt19937 rng(77);
    uint64_t sum = kChecksumStart;
    for (int iter = 0; iter < 2000; ++iter) {
        const int32_t dbits = kDepths[rng() % 4], sbits = kDepths[rng() % 4];
        Handle src = random_image(rng, sbits, 30);
        Handle dst = random_image(rng, dbits, 30);
        SCOPED_TRACE(testing::Message() << "case " << iter << ": " << sbits << " -> " << dbits);
        if (iter % 2 == 0) {
            Handle fastDst = iter % 10 == 0 ? Handle() : clone(dst.get());
            Handle plainDst = fastDst ? clone(dst.get()) : Handle();
            uint32_t e1 = 0xDEAD, e2 = 0xBEEF;
            ASSERT_EQ(oxImageCopy(fastDst.out(), src.get(), &e1), 1);
            ASSERT_EQ(ox::image::plain::image_copy(plainDst.out(), src.get(), &e2), 1);
            EXPECT_EQ(e1, e2);
            const std::vector<uint8_t> out = image_bytes(fastDst.get());
            ASSERT_EQ(out, image_bytes(plainDst.get()));
            sum = fold(sum, out);
        } else {
            // Swaps need equal sizes: give b a's size most of the time.
            Handle b = rng() % 5 ? make_image(oxImageGetWidthDirect(src.get()), oxImageGetHeightDirect(src.get()), dbits)
                                 : clone(dst.get());
            oxtest::fill_random(b.get(), rng);
            Handle fa = clone(src.get()), fb = clone(b.get()), pa = clone(src.get()), pb = clone(b.get());
            const int32_t r1 = oxSwapImage(fa.get(), fb.get());
            ASSERT_EQ(r1, ox::image::plain::swap_image(pa.get(), pb.get()));
            const std::vector<uint8_t> outA = image_bytes(fa.get()), outB = image_bytes(fb.get());
            ASSERT_EQ(outA, image_bytes(pa.get()));
            ASSERT_EQ(outB, image_bytes(pb.get()));
            sum = fold(fold(sum + static_cast<uint64_t>(r1), outA), outB);
        }
    }
    EXPECT_EQ(sum, 4662429767506369876ull);
}

}  // namespace
