// Fills, lines and erase: the documented cases, then the fast paths held to the plain per-pixel versions
// over thousands of random images, boxes and lines.
#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "image/fill.h"
#include "image/runs.h"
#include "image/pixel.h"
#include "image_compare.h"
#include "support.h"

namespace {

using oxtest::Handle;
using oxtest::make_image;
using oxtest::clone;

// The pixel area of an image, row 0 first.
std::vector<uint8_t> bytes_of(OxHandle image) {
    OxImageLockRec lock;
    EXPECT_EQ(oxImageLock(image, &lock), 1);
    std::vector<uint8_t> out(lock.pixels, lock.pixels + lock.header->imageSize);
    oxImageUnlock(&lock);
    return out;
}

// Pixels (x, y) of a w x h image that differ from `before`, as x + y * w.
std::vector<int32_t> changed_pixels(OxHandle image, OxHandle before) {
    std::vector<int32_t> out;
    const int32_t w = oxImageGetWidthDirect(image), h = oxImageGetHeightDirect(image);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (oxtest::get(image, x, y) != oxtest::get(before, x, y)) out.push_back(x + y * w);
    return out;
}

// ---- Handles that cannot be locked ------------------------------------------------------------------

TEST(FillLineErase, HandleZeroGivesZeroAndTouchesNothing) {
    oxImageErase(0);
    EXPECT_EQ(oxImageBoxFill(0, 0, 0, 0, 0, 1), 0);
    EXPECT_EQ(oxXorImageBoxFill(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(oxImageBoxFillEx(0, 0, 0, 0, 0, 7, 1), 0);
    EXPECT_EQ(oxImageLine(0, 0, 0, 5, 5, 1, 1), 0);
    EXPECT_EQ(oxImageLineEx(0, 0, 0, 5, 5, 1, 1, 0, 1), 0);
    EXPECT_EQ(oxXorImageLine(0, 0, 0, 5, 5, 1), 0);
    EXPECT_EQ(ox::image::plain::box_fill(0, 0, 0, 0, 0, 1), 0);
    EXPECT_EQ(ox::image::plain::xor_line(0, 0, 0, 5, 5, 1), 0);
}

// ---- Erase and box fills ----------------------------------------------------------------------------

TEST(Erase, EveryByteBecomes0xFFAtEveryDepth) {
    for (int32_t bits : {1, 8, 24, 32}) {
        Handle img = make_image(13, 3, bits);
        oxImageErase(img.get());
        for (uint8_t b : bytes_of(img.get())) ASSERT_EQ(b, 0xFF) << bits << " bits";
    }
    Handle gray = make_image(2, 2, 32, OX_LAYER_GRAY);
    oxImageErase(gray.get());
    EXPECT_EQ(oxtest::get(gray.get(), 1, 1), 0xFFFFFFFFu);
}

TEST(BoxFill, ClippingOfTheBox) {
    Handle img = make_image(6, 5, 8);
    EXPECT_EQ(oxImageBoxFill(img.get(), 0, 0, 0, 0, 9), 1);  // all zeros: the whole image
    for (uint8_t b : bytes_of(img.get())) EXPECT_EQ(b, 9);

    Handle fresh = make_image(6, 5, 8);
    Handle before = clone(fresh.get());
    EXPECT_EQ(oxImageBoxFill(fresh.get(), -2, -2, 5, 5, 1), 1);  // the 3 x 3 box at the origin
    std::vector<int32_t> expect;
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 3; ++x) expect.push_back(x + 6 * y);
    EXPECT_EQ(changed_pixels(fresh.get(), before.get()), expect);

    EXPECT_EQ(oxImageBoxFill(fresh.get(), 4, 3, 100, 100, 2), 1);  // runs off right and bottom
    EXPECT_EQ(oxtest::get(fresh.get(), 5, 4), 2u);
    EXPECT_EQ(oxtest::get(fresh.get(), 3, 4), 0u);

    // Empty after clipping: still 1, nothing drawn. The last two would wrap around in 32-bit sums.
    Handle blank = make_image(6, 5, 8);
    const struct { int32_t x, y, w, h; } empty[] = {
        {0, 0, 0, 5}, {0, 0, 6, 0}, {6, 0, 3, 3}, {0, 5, 3, 3}, {-3, 0, 3, 5}, {-1, -1, -4, 3},
        {INT32_MAX, 0, INT32_MAX, 5}, {INT32_MIN, 0, -1, 5},
    };
    for (const auto &b : empty) {
        EXPECT_EQ(oxImageBoxFill(blank.get(), b.x, b.y, b.w, b.h, 0xFF), 1);
        EXPECT_EQ(oxXorImageBoxFill(blank.get(), b.x, b.y, b.w, b.h), 1);
        EXPECT_EQ(oxImageBoxFillEx(blank.get(), b.x, b.y, b.w, b.h, 0xFF, 1), 1);
    }
    for (uint8_t b : bytes_of(blank.get())) EXPECT_EQ(b, 0);

    EXPECT_EQ(oxImageBoxFill(blank.get(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 3), 1);
    for (uint8_t b : bytes_of(blank.get())) EXPECT_EQ(b, 0);  // the box ends at -1 in both axes
}

TEST(BoxFill, PatternPerDepth) {
    Handle rgb = make_image(3, 2, 24);
    oxImageBoxFill(rgb.get(), 1, 1, 5, 5, 0xAABBCCDD);
    EXPECT_EQ(bytes_of(rgb.get()), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xDD, 0xCC, 0xBB,
                                                         0xDD, 0xCC, 0xBB}));
    Handle argb = make_image(2, 1, 32);
    oxImageBoxFill(argb.get(), 0, 0, 0, 0, 0xA1B2C3D4);
    EXPECT_EQ(bytes_of(argb.get()), (std::vector<uint8_t>{0xA1, 0xD4, 0xC3, 0xB2, 0xA1, 0xD4, 0xC3, 0xB2}));
    Handle gray8 = make_image(4, 1, 8);
    oxImageBoxFill(gray8.get(), 1, 0, 2, 1, 0x1234);
    EXPECT_EQ(bytes_of(gray8.get()), (std::vector<uint8_t>{0, 0x34, 0x34, 0}));
}

TEST(BoxFill, WhiteOnNormalAndGrayLayers) {
    for (bool whole : {true, false}) {
        Handle normal = make_image(4, 4, 32);
        Handle gray = make_image(4, 4, 32, OX_LAYER_GRAY);
        const int32_t w = whole ? 0 : 2;
        oxImageBoxFill(normal.get(), 0, 0, w, w, 0x00FFFFFF);
        oxImageBoxFill(gray.get(), 0, 0, w, w, 0x00FFFFFF);
        EXPECT_EQ(oxtest::get(normal.get(), 1, 1), 0x00FFFFFFu);
        EXPECT_EQ(oxtest::get(gray.get(), 1, 1), 0xFFFFFFFFu);
        oxImageBoxFill(gray.get(), 0, 0, w, w, 0x00FFFFFE);  // only exact white gains the fourth byte
        EXPECT_EQ(oxtest::get(gray.get(), 1, 1), 0x00FFFFFEu);
    }
}

TEST(BoxFill, MaskWholeFillsSpareBitsPartialKeepsThem) {
    Handle mask = make_image(10, 2, 1, OX_LAYER_MASK);
    oxImageBoxFill(mask.get(), 0, 0, 0, 0, 1);
    EXPECT_EQ(bytes_of(mask.get()), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    oxImageBoxFill(mask.get(), -4, -4, 40, 40, 0);  // clipped to the whole image: also one pass
    EXPECT_EQ(bytes_of(mask.get()), (std::vector<uint8_t>{0, 0, 0, 0}));

    Handle fresh = make_image(10, 2, 1, OX_LAYER_MASK);
    oxImageBoxFill(fresh.get(), 0, 1, 10, 1, 1);
    EXPECT_EQ(bytes_of(fresh.get()), (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0xC0}));

    // Any non-zero colour sets the bit, where a pixel store would keep only bit 0.
    Handle one = make_image(9, 1, 1);
    oxImageBoxFill(one.get(), 3, 0, 5, 1, 2);
    EXPECT_EQ(bytes_of(one.get()), (std::vector<uint8_t>{0x1F, 0x00}));
    oxImageBoxFill(one.get(), 4, 0, 2, 1, 0);
    EXPECT_EQ(bytes_of(one.get()), (std::vector<uint8_t>{0x13, 0x00}));
}

TEST(XorBoxFill, InvertsPerDepth) {
    Handle argb = make_image(2, 2, 32);
    oxImagePutPixelDirect(argb.get(), 1, 1, 0xA1B2C3D4);
    oxXorImageBoxFill(argb.get(), 1, 1, 1, 1);
    EXPECT_EQ(oxtest::get(argb.get(), 1, 1), 0x004D3C2Bu);
    EXPECT_EQ(oxtest::get(argb.get(), 0, 1), 0u);

    Handle rgb = make_image(2, 1, 24);
    oxImagePutPixelDirect(rgb.get(), 0, 0, 0x10203F);
    oxXorImageBoxFill(rgb.get(), 0, 0, 0, 0);
    EXPECT_EQ(oxtest::get(rgb.get(), 0, 0), 0xEFDFC0u);
    EXPECT_EQ(oxtest::get(rgb.get(), 1, 0), 0xFFFFFFu);

    Handle g8 = make_image(3, 1, 8);
    oxImagePutPixelDirect(g8.get(), 1, 0, 0x30);
    oxXorImageBoxFill(g8.get(), 1, 0, 9, 9);
    EXPECT_EQ(bytes_of(g8.get()), (std::vector<uint8_t>{0x00, 0xCF, 0xFF}));

    // Bits flip; the spare bits of the row stay, even for the whole image.
    Handle mask = make_image(10, 1, 1, OX_LAYER_MASK);
    oxImagePutPixelDirect(mask.get(), 2, 0, 1);
    oxXorImageBoxFill(mask.get(), 0, 0, 0, 0);
    EXPECT_EQ(bytes_of(mask.get()), (std::vector<uint8_t>{0xDF, 0xC0}));
}

TEST(BoxFillEx, OneChannelPerDepth) {
    Handle argb = make_image(2, 1, 32);
    oxImageBoxFill(argb.get(), 0, 0, 0, 0, 0x11223344);
    oxImageBoxFillEx(argb.get(), 0, 0, 0, 0, 0xEE, 0);  // the fourth channel only
    EXPECT_EQ(oxtest::get(argb.get(), 1, 0), 0xEE223344u);
    oxImageBoxFillEx(argb.get(), 1, 0, 1, 1, 0x99, 3);  // blue
    EXPECT_EQ(oxtest::get(argb.get(), 1, 0), 0xEE993344u);
    EXPECT_EQ(oxtest::get(argb.get(), 0, 0), 0xEE223344u);

    Handle rgb = make_image(2, 1, 24);
    oxImageBoxFill(rgb.get(), 0, 0, 0, 0, 0x112233);
    oxImageBoxFillEx(rgb.get(), 0, 0, 0, 0, 0x77, 2);  // green only
    EXPECT_EQ(oxtest::get(rgb.get(), 0, 0), 0x117733u);
    oxImageBoxFillEx(rgb.get(), 0, 0, 0, 0, 0x55, 0);  // no fourth byte: channel 0 is red
    EXPECT_EQ(oxtest::get(rgb.get(), 0, 0), 0x117755u);

    // Channels above 3 write nothing on colour images; 8-bit images take the byte whatever the channel;
    // 1-bit images are left alone.
    for (uint32_t channel : {4u, 9u, 0xFFFFFFFFu}) {
        EXPECT_EQ(oxImageBoxFillEx(argb.get(), 0, 0, 0, 0, 0, channel), 1);
        EXPECT_EQ(oxImageBoxFillEx(rgb.get(), 0, 0, 0, 0, 0, channel), 1);
    }
    EXPECT_EQ(oxtest::get(argb.get(), 0, 0), 0xEE223344u);
    EXPECT_EQ(oxtest::get(rgb.get(), 0, 0), 0x117755u);
    Handle g8 = make_image(2, 1, 8);
    oxImageBoxFillEx(g8.get(), 1, 0, 1, 1, 0x42, 9);
    EXPECT_EQ(bytes_of(g8.get()), (std::vector<uint8_t>{0, 0x42}));
    Handle mask = make_image(8, 1, 1, OX_LAYER_MASK);
    EXPECT_EQ(oxImageBoxFillEx(mask.get(), 0, 0, 0, 0, 0xFF, 0), 1);
    EXPECT_EQ(bytes_of(mask.get()), (std::vector<uint8_t>{0}));
}

// ---- Lines ------------------------------------------------------------------------------------------

TEST(Line, WalkAndSquarePen) {
    Handle img = make_image(8, 6, 24);
    Handle before = clone(img.get());
    EXPECT_EQ(oxImageLine(img.get(), 0, 0, 4, 2, 1, 0x0000FF), 1);
    EXPECT_EQ(changed_pixels(img.get(), before.get()), (std::vector<int32_t>{0, 9, 10, 19, 20}));

    Handle pen2 = make_image(8, 6, 24);
    oxImageLine(pen2.get(), 0, 0, 4, 2, 2, 0x0000FF);
    std::vector<int32_t> expect;
    const int32_t pts[5][2] = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}};
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x)
            for (const auto &p : pts)
                if (x >= p[0] && x <= p[0] + 1 && y >= p[1] && y <= p[1] + 1) {
                    expect.push_back(x + 8 * y);
                    break;
                }
    EXPECT_EQ(changed_pixels(pen2.get(), before.get()), expect);

    // Reversed, the tie-breaking differs: from (4, 2) the error term of 0 steps y at once.
    Handle back = make_image(8, 6, 24);
    oxImageLine(back.get(), 4, 2, 0, 0, 1, 0x0000FF);
    EXPECT_EQ(changed_pixels(back.get(), before.get()), (std::vector<int32_t>{0, 1, 10, 11, 20}));

    // |dx| == |dy|: a diagonal; a zero-length line is one pen square.
    Handle blank = make_image(4, 4, 24), diag = make_image(4, 4, 24), dot = make_image(4, 4, 24);
    oxImageLine(diag.get(), 3, 0, 0, 3, 1, 0xFFFFFF);
    EXPECT_EQ(changed_pixels(diag.get(), blank.get()), (std::vector<int32_t>{3, 6, 9, 12}));
    oxImageLine(dot.get(), 2, 1, 2, 1, 2, 0xFFFFFF);
    EXPECT_EQ(changed_pixels(dot.get(), blank.get()), (std::vector<int32_t>{6, 7, 10, 11}));
}

TEST(Line, DepthsAndPenSizes) {
    Handle argb = make_image(5, 5, 32);
    oxImageBoxFill(argb.get(), 0, 0, 0, 0, 0x7F000000);
    oxImageLine(argb.get(), 0, 2, 4, 2, 1, 0xAA123456);  // the fourth byte is kept
    EXPECT_EQ(oxtest::get(argb.get(), 3, 2), 0x7F123456u);

    Handle g8 = make_image(5, 5, 8);
    EXPECT_EQ(oxImageLine(g8.get(), 0, 0, 4, 4, 3, 0xFF), 1);
    EXPECT_EQ(oxImageLineEx(g8.get(), 0, 0, 4, 4, 3, 0xFF, 0, 0), 1);
    for (uint8_t b : bytes_of(g8.get())) EXPECT_EQ(b, 0);

    Handle mask = make_image(12, 1, 1, OX_LAYER_MASK);
    oxImageLine(mask.get(), 1, 0, 10, 0, 1, 3);  // colour AND 1
    EXPECT_EQ(bytes_of(mask.get()), (std::vector<uint8_t>{0x7F, 0xE0}));
    oxImageLine(mask.get(), 2, 0, 3, 0, 1, 2);  // an even colour clears
    EXPECT_EQ(bytes_of(mask.get()), (std::vector<uint8_t>{0x4F, 0xE0}));
    EXPECT_EQ(oxImageLineEx(mask.get(), 0, 0, 11, 0, 1, 1, 0, 0), 1);
    EXPECT_EQ(bytes_of(mask.get()), (std::vector<uint8_t>{0x4F, 0xE0}));

    Handle rgb = make_image(5, 5, 24);
    for (int32_t pen : {0, -1, INT32_MIN}) {
        EXPECT_EQ(oxImageLine(rgb.get(), 0, 0, 4, 4, pen, 0xFFFFFF), 1);
        EXPECT_EQ(oxXorImageLine(rgb.get(), 0, 0, 4, 4, pen), 1);
    }
    for (uint8_t b : bytes_of(rgb.get())) EXPECT_EQ(b, 0);
    oxImageLine(rgb.get(), 2, 2, 2, 2, INT32_MAX, 0xFFFFFF);  // reaches the right and bottom edges
    EXPECT_EQ(oxtest::get(rgb.get(), 4, 4), 0xFFFFFFu);
    EXPECT_EQ(oxtest::get(rgb.get(), 1, 4), 0u);
    EXPECT_EQ(oxtest::get(rgb.get(), 4, 1), 0u);
}

TEST(Line, CoordinatesFarOutsideTheImage) {
    Handle img = make_image(16, 16, 24);
    oxImageLine(img.get(), INT32_MIN, 5, INT32_MAX, 5, 1, 0xFFFFFF);
    oxImageLine(img.get(), 9, INT32_MAX, 9, INT32_MIN, 1, 0xFFFFFF);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(oxtest::get(img.get(), x, y), x == 9 || y == 5 ? 0xFFFFFFu : 0u);

    Handle diag = make_image(16, 16, 8);
    oxXorImageLine(diag.get(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1);  // clamped: (0,0)-(15,15)
    Handle argb = make_image(16, 16, 32);
    oxImageLine(argb.get(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1, 0xFFFFFF);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            ASSERT_EQ(oxtest::get(diag.get(), x, y), x == y ? 0xFFu : 0u);
            ASSERT_EQ(oxtest::get(argb.get(), x, y), x == y ? 0xFFFFFFu : 0u);
        }

    // Long lines whose walk the plain version can still afford.
    const int32_t far[][4] = {{-100000, -3, 100000, 30}, {7, -90001, -5, 90000}, {-70000, 70010, 70000, -70000}};
    for (const auto &l : far) {
        Handle a = make_image(21, 17, 32), b = make_image(21, 17, 32);
        oxImageLine(a.get(), l[0], l[1], l[2], l[3], 3, 0x123456);
        ox::image::plain::line(b.get(), l[0], l[1], l[2], l[3], 3, 0x123456);
        EXPECT_EQ(bytes_of(a.get()), bytes_of(b.get()));
        EXPECT_NE(bytes_of(a.get()), bytes_of(make_image(21, 17, 32).get())) << l[0] << "," << l[1];
    }
}

TEST(LineEx, Modes) {
    Handle argb = make_image(4, 1, 32);
    oxImagePutPixelDirect(argb.get(), 1, 0, 0x55010203);
    oxImagePutPixelDirect(argb.get(), 2, 0, 0x66010204);
    oxImageLineEx(argb.get(), 0, 0, 3, 0, 1, 0x00ABCDEF, 0xFF010203, 1);  // only RGB 010203 matches
    EXPECT_EQ(oxtest::get(argb.get(), 1, 0), 0x55ABCDEFu);
    EXPECT_EQ(oxtest::get(argb.get(), 2, 0), 0x66010204u);
    EXPECT_EQ(oxtest::get(argb.get(), 0, 0), 0u);

    oxImageLineEx(argb.get(), 0, 0, 1, 0, 1, 0x00FFFFFF, 0, 2);  // white in mode 2: fourth byte 255
    EXPECT_EQ(oxtest::get(argb.get(), 1, 0), 0xFFFFFFFFu);
    oxImageLineEx(argb.get(), 2, 0, 2, 0, 1, 0x00FFFFFE, 0, 2);  // not white: fourth byte kept
    EXPECT_EQ(oxtest::get(argb.get(), 2, 0), 0x66FFFFFEu);
    oxImageLineEx(argb.get(), 3, 0, 3, 0, 1, 0x00FFFFFF, 0, 7);  // other modes never touch it
    EXPECT_EQ(oxtest::get(argb.get(), 3, 0), 0x00FFFFFFu);

    Handle rgb = make_image(3, 1, 24);
    oxImageLineEx(rgb.get(), 0, 0, 2, 0, 1, 0xFFFFFF, 0, 2);
    EXPECT_EQ(bytes_of(rgb.get()), std::vector<uint8_t>(9, 0xFF));
    oxImageLineEx(rgb.get(), 0, 0, 2, 0, 1, 0x010101, 0x12FFFFFF, 1);  // key bits 24-31 are ignored
    EXPECT_EQ(bytes_of(rgb.get()), std::vector<uint8_t>(9, 0x01));
}

TEST(XorLine, ClampsEndsAndRestoresWhenDrawnTwice) {
    Handle img = make_image(10, 10, 24);
    Handle before = clone(img.get());
    oxXorImageLine(img.get(), -5, 3, 3, 3, 1);
    EXPECT_EQ(changed_pixels(img.get(), before.get()), (std::vector<int32_t>{30, 31, 32, 33}));

    std::mt19937 rng(7);
    for (int32_t bits : {1, 8, 24, 32}) {
        Handle pic = make_image(23, 19, bits);
        oxtest::fill_random(pic.get(), rng);
        const std::vector<uint8_t> orig = bytes_of(pic.get());
        for (int32_t pen : {1, 2, 5}) {
            oxXorImageLine(pic.get(), -4, 30, 25, 2, pen);
            EXPECT_NE(bytes_of(pic.get()), orig);
            oxXorImageLine(pic.get(), -4, 30, 25, 2, pen);
            EXPECT_EQ(bytes_of(pic.get()), orig) << bits << " bits, pen " << pen;
        }
    }
    Handle argb = make_image(3, 3, 32);
    oxImageBoxFill(argb.get(), 0, 0, 0, 0, 0x80102030);
    oxXorImageLine(argb.get(), 0, 0, 2, 2, 1);
    EXPECT_EQ(oxtest::get(argb.get(), 1, 1), 0x80EFDFCFu);  // the fourth byte is kept
}

// The squares that cover any one pixel belong to consecutive points of the walk (both coordinates move
// monotonically), so the one-step-back skip leaves every covered pixel inverted exactly once, for any pen
// size; no pixel is ever inverted twice within one drawing. Inverting a black image therefore gives the
// same picture as painting the line white, in the plain walk as in the fast path.
TEST(XorLine, EveryCoveredPixelIsInvertedOnce) {
    std::mt19937 rng(11);
    for (int i = 0; i < 300; ++i) {
        const int32_t w = 1 + static_cast<int32_t>(rng() % 30), h = 1 + static_cast<int32_t>(rng() % 30);
        const int32_t x1 = static_cast<int32_t>(rng() % w), y1 = static_cast<int32_t>(rng() % h);
        const int32_t x2 = static_cast<int32_t>(rng() % w), y2 = static_cast<int32_t>(rng() % h);
        const int32_t pen = 1 + static_cast<int32_t>(rng() % 9);
        Handle inverted = make_image(w, h, 24), plain_inverted = make_image(w, h, 24), painted = make_image(w, h, 24);
        oxXorImageLine(inverted.get(), x1, y1, x2, y2, pen);
        ox::image::plain::xor_line(plain_inverted.get(), x1, y1, x2, y2, pen);
        oxImageLine(painted.get(), x1, y1, x2, y2, pen, 0xFFFFFF);
        ASSERT_EQ(bytes_of(inverted.get()), bytes_of(painted.get())) << x1 << "," << y1 << " " << x2 << "," << y2;
        ASSERT_EQ(bytes_of(plain_inverted.get()), bytes_of(painted.get()));
    }
}

// Large fills store around the cache; the bytes must be those of the ordinary stores, from any start
// alignment, and nothing outside the run may change.
TEST(PixelBytesOp, StreamingStoresMatchOrdinaryStores) {
    std::mt19937 rng(3);
    std::vector<uint8_t> plain_buf(1200), streamed_buf(1200);
    for (int i = 0; i < 2000; ++i) {
        const int bpp = (int[]){1, 3, 4}[rng() % 3];
        uint8_t bytes[4];
        for (uint8_t &b : bytes) b = static_cast<uint8_t>(rng() % 3 == 0 ? 0x5A : rng());
        const auto op = ox::image::PixelBytesOp::store(bytes, bpp);
        const std::size_t start = rng() % 64, n = (rng() % (1100 / bpp)) * bpp;
        for (std::size_t j = 0; j < plain_buf.size(); ++j) plain_buf[j] = streamed_buf[j] = static_cast<uint8_t>(rng());
        op.apply(plain_buf.data() + start, n);
        op.apply(streamed_buf.data() + start, n, true);
        ASSERT_EQ(plain_buf, streamed_buf) << "bpp " << bpp << " start " << start << " n " << n;
        for (std::size_t j = 0; j < n; ++j) ASSERT_EQ(plain_buf[start + j], bytes[j % bpp]);
    }
}

TEST(BoxFill, LargeBoxesAtEveryDepth) {
    // Big enough that the fill bypasses the cache on most machines.
    for (int32_t bits : {8, 24, 32}) {
        Handle img = make_image(4097, 1100, bits);
        const int32_t bpp = bits / 8;
        const uint32_t color = 0x5A123456;
        oxImageBoxFill(img.get(), 3, 1, 4093, 1098, color);
        OxImageLockRec lock;
        ASSERT_EQ(oxImageLock(img.get(), &lock), 1);
        uint8_t expect[4];
        if (bits == 8) ox::image::PixelCodec<8>::put(expect, 0, color);
        else if (bits == 24) ox::image::PixelCodec<24>::put(expect, 0, color);
        else ox::image::PixelCodec<32>::put(expect, 0, color);
        std::vector<uint8_t> filled_row(lock.rowBytes, 0), blank_row(lock.rowBytes, 0);
        for (int32_t x = 3; x < 4096; ++x) std::memcpy(&filled_row[static_cast<std::size_t>(x) * bpp], expect, bpp);
        for (int32_t y = 0; y < 1100; ++y) {
            const uint8_t *row = lock.pixels + static_cast<std::size_t>(y) * lock.rowBytes;
            const std::vector<uint8_t> &want = y >= 1 && y < 1099 ? filled_row : blank_row;
            ASSERT_EQ(std::memcmp(row, want.data(), want.size()), 0) << bits << " bits, row " << y;
        }
        oxImageUnlock(&lock);
    }
}

// ---- Fast paths against the plain versions ---------------------------------------------------------

// A small seeded generator whose outputs do not depend on the standard library's distributions, so the
// pinned checksum below holds on every platform.
class Gen {
public:
    explicit Gen(uint32_t seed) : rng_(seed) {}
    uint32_t next() { return static_cast<uint32_t>(rng_()); }
    uint32_t below(uint32_t n) { return next() % n; }
    int32_t in(int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(below(static_cast<uint32_t>(hi - lo + 1))); }
    bool one_in(uint32_t n) { return below(n) == 0; }

private:
    std::mt19937 rng_;
};

struct Case {
    int op;
    int32_t a[4];
    int32_t pen;
    uint32_t color, key, mode;
    uint8_t value;
};

Handle random_image(Gen &g) {
    static const int32_t widths[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 33, 47, 64};
    const int32_t w = g.one_in(3) ? g.in(1, 70) : widths[g.below(13)];
    const int32_t h = g.one_in(5) ? 1 : g.in(1, 40);
    static const int32_t kinds[][2] = {{1, OX_LAYER_NORMAL}, {1, OX_LAYER_MASK}, {8, OX_LAYER_NORMAL},
                                       {24, OX_LAYER_NORMAL}, {32, OX_LAYER_NORMAL}, {32, OX_LAYER_GRAY}};
    const auto &kind = kinds[g.below(6)];
    Handle img = make_image(w, h, kind[0], kind[1]);
    OxImageLockRec lock;
    oxImageLock(img.get(), &lock);
    if (g.one_in(2)) {
        for (uint32_t i = 0; i < lock.header->imageSize; ++i) lock.pixels[i] = static_cast<uint8_t>(g.next());
    } else {  // a few colours, so that key colours match
        const uint32_t palette[3] = {g.next(), g.next(), g.next()};
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) oxImagePutPixel(&lock, x, y, palette[g.below(3)]);
    }
    oxImageUnlock(&lock);
    return img;
}

uint32_t random_color(Gen &g) {
    switch (g.below(6)) {
    case 0: return 0;
    case 1: return 0xFFFFFF;
    case 2: return 0xFFFFFFFF;
    case 3: return 1;
    case 4: return g.next() & 0xFFFFFF;
    default: return g.next();
    }
}

Case random_case(Gen &g, OxHandle image) {
    const int32_t w = oxImageGetWidthDirect(image), h = oxImageGetHeightDirect(image);
    Case c{};
    c.op = static_cast<int>(g.below(7));
    if (c.op <= 3) {  // a box
        if (!g.one_in(8)) {
            c.a[0] = g.in(-w - 3, w + 3);
            c.a[1] = g.in(-h - 3, h + 3);
            c.a[2] = g.in(-5, 2 * w + 5);
            c.a[3] = g.in(-5, 2 * h + 5);
        }
        if (g.one_in(40)) c.a[g.below(4)] = g.one_in(2) ? INT32_MIN : INT32_MAX;
    } else {  // a line
        const int32_t reach = g.one_in(10) ? 300 : 20;
        c.a[0] = g.in(-w - reach, 2 * w + reach);
        c.a[1] = g.in(-h - reach, 2 * h + reach);
        c.a[2] = g.one_in(8) ? c.a[0] : g.in(-w - reach, 2 * w + reach);
        c.a[3] = g.one_in(8) ? c.a[1] : g.in(-h - reach, 2 * h + reach);
        c.pen = g.one_in(3) ? 1 : g.in(-1, 20);
    }
    c.color = random_color(g);
    uint32_t probe = 0;
    oxImageGetPixelDirect(image, g.in(0, w - 1), g.in(0, h - 1), &probe);
    c.key = g.one_in(4) ? random_color(g) : probe ^ (g.next() & 0xFF000000u);
    c.mode = g.below(4);
    c.value = static_cast<uint8_t>(g.next());
    if (c.op == 3) c.mode = g.one_in(10) ? g.next() : g.below(5);  // the channel
    return c;
}

int32_t run_case(const Case &c, OxHandle image, bool fast) {
    namespace plain = ox::image::plain;
    const int32_t *a = c.a;
    switch (c.op) {
    case 0:
        if (fast) oxImageErase(image);
        else plain::erase(image);
        return -1;
    case 1: return (fast ? oxImageBoxFill : plain::box_fill)(image, a[0], a[1], a[2], a[3], c.color);
    case 2: return (fast ? oxXorImageBoxFill : plain::xor_box_fill)(image, a[0], a[1], a[2], a[3]);
    case 3: return (fast ? oxImageBoxFillEx : plain::box_fill_ex)(image, a[0], a[1], a[2], a[3], c.value, c.mode);
    case 4: return (fast ? oxImageLine : plain::line)(image, a[0], a[1], a[2], a[3], c.pen, c.color);
    case 5:
        return (fast ? oxImageLineEx : plain::line_ex)(image, a[0], a[1], a[2], a[3], c.pen, c.color, c.key, c.mode);
    default: return (fast ? oxXorImageLine : plain::xor_line)(image, a[0], a[1], a[2], a[3], c.pen);
    }
}

// The header and every byte of the handle behind the pixel area are as they were made.
void expect_only_pixels_written(OxHandle image, const OxImageHeader &header) {
    const auto *block = static_cast<const uint8_t *>(oxLock(image));
    ASSERT_EQ(std::memcmp(block, &header, sizeof header), 0);
    const uint32_t size = oxGetHandleSize(image);
    for (uint32_t i = OX_IMAGE_HEADER_SIZE + header.imageSize; i < size; ++i) ASSERT_EQ(block[i], 0) << i;
    oxUnlock(image);
}

TEST(FastPaths, MatchThePlainVersionsOnRandomCases) {
    Gen g(20240611);
    uint64_t checksum = oxtest::kChecksumStart;
    for (int image_no = 0; image_no < 1000; ++image_no) {
        Handle fast = random_image(g);
        Handle plain = clone(fast.get());
        const OxImageHeader header = *static_cast<const OxImageHeader *>(oxLock(fast.get()));
        for (int step = 0; step < 3; ++step) {  // a few operations on one picture
            const Case c = random_case(g, fast.get());
            const int32_t r_fast = run_case(c, fast.get(), true);
            const int32_t r_plain = run_case(c, plain.get(), false);
            ASSERT_EQ(r_fast, r_plain);
            ASSERT_EQ(bytes_of(fast.get()), bytes_of(plain.get()))
                << "image " << image_no << " step " << step << ": op " << c.op << " on " << header.width << "x"
                << header.height << "x" << header.bitCount << " layer " << header.layer << ", args " << c.a[0]
                << " " << c.a[1] << " " << c.a[2] << " " << c.a[3] << " pen " << c.pen << " colour " << c.color
                << " key " << c.key << " mode " << c.mode;
            expect_only_pixels_written(fast.get(), header);
            checksum = oxtest::fold(checksum, {static_cast<uint8_t>(r_fast)});
            checksum = oxtest::fold(checksum, bytes_of(fast.get()));
        }
    }
    // Pinned: any change to what these functions draw shows here first.
    EXPECT_EQ(checksum, 0x6BD0A33EE3061A82ull);
}

}  // namespace
