// Fills, lines and erase: the clipping, patterns, line walk and decisions on small images, then the fast
// paths held to the plain per-pixel versions over thousands of random images, boxes and lines.
#include <climits>
#include <vector>

#include "core/cpu.h"
#include "image/fill.h"
#include "image/runs.h"
#include "image_compare.h"

namespace {

using namespace oxtest;
using Ints = std::vector<int32_t>;

// The pixels that are not 0, as x + y * width.
Ints lit(OxHandle image) {
    Ints out;
    const Values v = values(image);
    for (std::size_t i = 0; i < v.size(); ++i)
        if (v[i] != 0) out.push_back(static_cast<int32_t>(i));
    return out;
}

// The pixels x0..x1, y0..y1 of an image `width` pixels wide, as x + y * width.
Ints rect(int32_t width, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    Ints out;
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x) out.push_back(x + y * width);
    return out;
}

TEST(Fill, HandleZeroGivesZero) {
    oxImageErase(0);
    EXPECT_EQ(oxImageBoxFill(0, 0, 0, 0, 0, 1) + oxXorImageBoxFill(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(oxImageBoxFillEx(0, 0, 0, 0, 0, 7, 1) + oxImageLine(0, 0, 0, 5, 5, 1, 1), 0);
    EXPECT_EQ(oxImageLineEx(0, 0, 0, 5, 5, 1, 1, 0, 1) + oxXorImageLine(0, 0, 0, 5, 5, 1), 0);
}

// Plain and fast fills share the clipping, so only these examples hold it.
TEST(BoxFill, Clipping) {
    Handle img = make_image(6, 5, 8);
    oxImageBoxFill(img.get(), -2, -2, 5, 5, 1);   // the 3 x 3 box at the origin
    oxImageBoxFill(img.get(), 4, 3, 100, 100, 2);  // ends at the right and bottom edges
    Ints want = rect(6, 0, 0, 2, 2), corner = rect(6, 4, 3, 5, 4);
    want.insert(want.end(), corner.begin(), corner.end());
    EXPECT_EQ(lit(img.get()), want);

    // Empty after clipping: result 1, nothing drawn. The last three wrap around in 32-bit sums.
    Handle blank = make_image(6, 5, 8);
    const int32_t empty[][4] = {{0, 0, 0, 5},  {0, 0, 6, 0},  {6, 0, 3, 3},
                                {0, 5, 3, 3},  {-3, 0, 3, 5}, {-1, -1, -4, 3},
                                {INT32_MAX, 0, INT32_MAX, 5}, {INT32_MIN, 0, -1, 5},
                                {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}};
    for (const auto &b : empty) {
        EXPECT_EQ(oxImageBoxFill(blank.get(), b[0], b[1], b[2], b[3], 0xFF), 1);
        EXPECT_EQ(oxXorImageBoxFill(blank.get(), b[0], b[1], b[2], b[3]), 1);
        EXPECT_EQ(oxImageBoxFillEx(blank.get(), b[0], b[1], b[2], b[3], 0xFF, 1), 1);
    }
    EXPECT_EQ(lit(blank.get()), Ints{});
    oxImageBoxFill(blank.get(), 0, 0, 0, 0, 9);  // all four 0: the whole image
    EXPECT_EQ(pixels(blank.get()), Bytes(30, 9));
}

TEST(BoxFill, PatternsPerDepth) {
    Handle rgb = make_image(3, 2, 24), argb = make_image(2, 1, 32), g8 = make_image(4, 1, 8);
    oxImageBoxFill(rgb.get(), 1, 1, 5, 5, 0xAABBCCDD);
    EXPECT_EQ(pixels(rgb.get()), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xDD, 0xCC, 0xBB, 0xDD, 0xCC, 0xBB}));
    oxImageBoxFill(argb.get(), 0, 0, 0, 0, 0xA1B2C3D4);
    EXPECT_EQ(pixels(argb.get()), (Bytes{0xA1, 0xD4, 0xC3, 0xB2, 0xA1, 0xD4, 0xC3, 0xB2}));
    oxImageBoxFill(g8.get(), 1, 0, 2, 1, 0x1234);
    EXPECT_EQ(pixels(g8.get()), (Bytes{0, 0x34, 0x34, 0}));

    // White gains the fourth channel on gray layers only, in whole and partial fills.
    for (int32_t w : {0, 2}) {
        Handle normal = make_image(4, 4, 32), gray = make_image(4, 4, 32, OX_LAYER_GRAY);
        oxImageBoxFill(normal.get(), 0, 0, w, w, 0x00FFFFFF);
        oxImageBoxFill(gray.get(), 0, 0, w, w, 0x00FFFFFF);
        EXPECT_EQ(get(normal.get(), 1, 1), 0x00FFFFFFu);
        EXPECT_EQ(get(gray.get(), 1, 1), 0xFFFFFFFFu);
        oxImageBoxFill(gray.get(), 0, 0, w, w, 0x00FFFFFE);
        EXPECT_EQ(get(gray.get(), 1, 1), 0x00FFFFFEu);
    }
}

TEST(BoxFill, OneBitWholeFillSetsSpareBitsPartialFillKeepsThem) {
    Handle mask = make_image(10, 2, 1, OX_LAYER_MASK), part = make_image(10, 2, 1, OX_LAYER_MASK);
    oxImageBoxFill(mask.get(), 0, 0, 0, 0, 1);
    EXPECT_EQ(pixels(mask.get()), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    oxImageBoxFill(mask.get(), -4, -4, 40, 40, 0);  // clipped to the whole image: also one pass
    EXPECT_EQ(pixels(mask.get()), (Bytes{0, 0, 0, 0}));
    oxImageBoxFill(part.get(), 0, 1, 10, 1, 1);
    EXPECT_EQ(pixels(part.get()), (Bytes{0x00, 0x00, 0xFF, 0xC0}));

    // Any non-zero colour sets the bit, where a pixel store would keep only bit 0.
    Handle one = make_image(9, 1, 1);
    oxImageBoxFill(one.get(), 3, 0, 5, 1, 2);
    oxImageBoxFill(one.get(), 4, 0, 2, 1, 0);
    EXPECT_EQ(pixels(one.get()), (Bytes{0x13, 0x00}));
}

TEST(XorBoxFill, InvertsColourBytesClearsTheFourthAndKeepsSpareBits) {
    Handle argb = image_with(32, 2, {0, 0, 0, 0xA1B2C3D4});
    oxXorImageBoxFill(argb.get(), 1, 1, 1, 1);
    EXPECT_EQ(values(argb.get()), (Values{0, 0, 0, 0x004D3C2B}));
    Handle mask = make_image(10, 1, 1, OX_LAYER_MASK);
    put(mask.get(), 2, 0, 1);
    oxXorImageBoxFill(mask.get(), 0, 0, 0, 0);
    EXPECT_EQ(pixels(mask.get()), (Bytes{0xDF, 0xC0}));
}

// Plain and fast fills share the choice of the byte, so only these examples hold it.
TEST(BoxFillEx, OneChannelPerDepth) {
    Handle argb = image_with(32, 2, {0x11223344, 0x11223344}), rgb = image_with(24, 1, {0x112233});
    oxImageBoxFillEx(argb.get(), 0, 0, 0, 0, 0xEE, 0);  // the fourth channel
    oxImageBoxFillEx(argb.get(), 1, 0, 1, 1, 0x99, 3);  // blue of the second pixel
    EXPECT_EQ(values(argb.get()), (Values{0xEE223344, 0xEE993344}));
    oxImageBoxFillEx(rgb.get(), 0, 0, 0, 0, 0x77, 2);  // green
    oxImageBoxFillEx(rgb.get(), 0, 0, 0, 0, 0x55, 0);  // no fourth byte: channel 0 is red
    EXPECT_EQ(values(rgb.get()), Values{0x117755});

    // Decided: channels above 3 write nothing on colour images, 8-bit images take the byte whatever the
    // channel, 1-bit images are left alone.
    EXPECT_EQ(oxImageBoxFillEx(argb.get(), 0, 0, 0, 0, 0, 4), 1);
    EXPECT_EQ(oxImageBoxFillEx(rgb.get(), 0, 0, 0, 0, 0, 0xFFFFFFFF), 1);
    EXPECT_EQ(values(argb.get()), (Values{0xEE223344, 0xEE993344}));
    EXPECT_EQ(values(rgb.get()), Values{0x117755});
    Handle g8 = make_image(2, 1, 8), bits = make_image(8, 1, 1);
    oxImageBoxFillEx(g8.get(), 1, 0, 1, 1, 0x42, 9);
    EXPECT_EQ(pixels(g8.get()), (Bytes{0, 0x42}));
    EXPECT_EQ(oxImageBoxFillEx(bits.get(), 0, 0, 0, 0, 0xFF, 0), 1);
    EXPECT_EQ(pixels(bits.get()), Bytes{0});
}

// The pixels an 8 x 6 24-bit image shows after oxImageLine.
Ints drawn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t pen) {
    Handle img = make_image(8, 6, 24);
    EXPECT_EQ(oxImageLine(img.get(), x1, y1, x2, y2, pen, 0xFFFFFF), 1);
    return lit(img.get());
}

TEST(Line, WalkAndSquarePen) {
    EXPECT_EQ(drawn(0, 0, 4, 2, 1), (Ints{0, 9, 10, 19, 20}));  // (0,0) (1,1) (2,1) (3,2) (4,2)
    EXPECT_EQ(drawn(0, 0, 4, 2, 2), (Ints{0, 1, 8, 9, 10, 11, 17, 18, 19, 20, 21, 27, 28, 29}));
    EXPECT_EQ(drawn(4, 2, 0, 0, 1), (Ints{0, 1, 10, 11, 20}));  // reversed: an error term of 0 steps y at once
    EXPECT_EQ(drawn(3, 0, 0, 3, 1), (Ints{3, 10, 17, 24}));     // |dx| = |dy|: a diagonal
    EXPECT_EQ(drawn(2, 1, 2, 1, 2), rect(8, 2, 1, 3, 2));       // zero length: one pen square
    EXPECT_EQ(drawn(2, 2, 2, 2, INT32_MAX), rect(8, 2, 2, 7, 5));
    EXPECT_EQ(drawn(INT32_MIN, 5, INT32_MAX, 5, 1), rect(8, 0, 5, 7, 5));
    EXPECT_EQ(drawn(6, INT32_MAX, 6, INT32_MIN, 1), (Ints{6, 14, 22, 30, 38, 46}));
    EXPECT_EQ(drawn(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1), (Ints{0, 9, 18, 27, 36, 45}));
    for (int32_t pen : {0, -1, INT32_MIN}) EXPECT_EQ(drawn(0, 0, 7, 5, pen), Ints{});

    // Long lines that start far outside, against the plain walk.
    const int32_t far[][4] = {{-100000, -3, 100000, 30}, {7, -90001, -5, 90000}, {-70000, 70010, 70000, -70000}};
    for (const auto &l : far) {
        Handle a = make_image(21, 17, 32), b = make_image(21, 17, 32);
        oxImageLine(a.get(), l[0], l[1], l[2], l[3], 3, 0x123456);
        ox::image::plain::line(b.get(), l[0], l[1], l[2], l[3], 3, 0x123456);
        EXPECT_EQ(pixels(a.get()), pixels(b.get()));
        EXPECT_FALSE(lit(a.get()).empty());
    }
}

TEST(Line, DepthsAndModes) {
    // Colour lines keep the fourth channel; 8-bit images draw nothing; 1-bit images store colour AND 1 and
    // oxImageLineEx leaves them alone.
    Handle argb = image_with(32, 4, {0x7F000000, 0x55010203, 0x66010204, 0x7F000000});
    Handle g8 = make_image(5, 5, 8), mask = make_image(12, 1, 1, OX_LAYER_MASK);
    oxImageLine(argb.get(), 3, 0, 3, 0, 1, 0xAA123456);
    EXPECT_EQ(get(argb.get(), 3, 0), 0x7F123456u);
    EXPECT_EQ(oxImageLine(g8.get(), 0, 0, 4, 4, 3, 0xFF), 1);
    EXPECT_EQ(oxImageLineEx(g8.get(), 0, 0, 4, 4, 3, 0xFF, 0, 0), 1);
    EXPECT_EQ(lit(g8.get()), Ints{});
    oxImageLine(mask.get(), 1, 0, 10, 0, 1, 3);
    oxImageLine(mask.get(), 2, 0, 3, 0, 1, 2);
    EXPECT_EQ(oxImageLineEx(mask.get(), 0, 0, 11, 0, 1, 1, 0, 0), 1);
    EXPECT_EQ(pixels(mask.get()), (Bytes{0x4F, 0xE0}));

    // Mode 1 paints where red, green and blue equal the key's (bits 24-31 of the key do not count); mode 2
    // makes white pixels' fourth channel 255 as well; other modes just paint.
    oxImageLineEx(argb.get(), 0, 0, 3, 0, 1, 0x00ABCDEF, 0xFF010203, 1);
    EXPECT_EQ(values(argb.get()), (Values{0x7F000000, 0x55ABCDEF, 0x66010204, 0x7F123456}));
    oxImageLineEx(argb.get(), 0, 0, 1, 0, 1, 0x00FFFFFF, 0, 2);
    oxImageLineEx(argb.get(), 2, 0, 2, 0, 1, 0x00FFFFFE, 0, 2);
    oxImageLineEx(argb.get(), 3, 0, 3, 0, 1, 0x00FFFFFF, 0, 7);
    EXPECT_EQ(values(argb.get()), (Values{0xFFFFFFFF, 0xFFFFFFFF, 0x66FFFFFE, 0x7FFFFFFF}));
}

TEST(XorLine, ClampsItsEndsAndInvertsEveryCoveredPixelOnce) {
    Handle img = make_image(10, 10, 24);
    oxXorImageLine(img.get(), -5, 3, 3, 3, 1);  // drawn from (0, 3)
    EXPECT_EQ(lit(img.get()), rect(10, 0, 3, 3, 3));
    oxXorImageLine(img.get(), -5, 3, 3, 3, 1);
    EXPECT_EQ(lit(img.get()), Ints{});
    Handle argb = make_image(3, 3, 32);
    oxImageBoxFill(argb.get(), 0, 0, 0, 0, 0x80102030);
    oxXorImageLine(argb.get(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1);  // clamped to (0,0)-(2,2)
    EXPECT_EQ(get(argb.get(), 1, 1), 0x80EFDFCFu);                              // the fourth channel is kept
    EXPECT_EQ(get(argb.get(), 1, 0), 0x80102030u);

    // The squares that cover one pixel belong to consecutive steps of the walk (both coordinates move
    // monotonically), so the one-step-back skip inverts every covered pixel exactly once, for any pen size:
    // never twice, even where squares three or more steps apart overlap. Inverting a black image therefore
    // paints the line white, in the plain walk as in the fast path.
    std::mt19937 rng(11);
    for (int i = 0; i < 300; ++i) {
        const int32_t w = in(rng, 1, 30), h = in(rng, 1, 30), pen = in(rng, 1, 9);
        const int32_t x1 = in(rng, 0, w - 1), y1 = in(rng, 0, h - 1), x2 = in(rng, 0, w - 1), y2 = in(rng, 0, h - 1);
        Handle fast = make_image(w, h, 24), plain = make_image(w, h, 24), painted = make_image(w, h, 24);
        oxXorImageLine(fast.get(), x1, y1, x2, y2, pen);
        ox::image::plain::xor_line(plain.get(), x1, y1, x2, y2, pen);
        oxImageLine(painted.get(), x1, y1, x2, y2, pen, 0xFFFFFF);
        ASSERT_EQ(pixels(fast.get()), pixels(painted.get())) << x1 << "," << y1 << " " << x2 << "," << y2;
        ASSERT_EQ(pixels(plain.get()), pixels(painted.get()));
    }
}

// Large fills store around the cache: from any start alignment the bytes must be those of the ordinary
// stores, and nothing outside the run may change.
TEST(PixelBytesOp, StreamingStoresMatchOrdinaryStores) {
    std::mt19937 rng(3);
    Bytes ordinary(1200), streamed(1200);
    for (int i = 0; i < 2000; ++i) {
        const int bpp = (int[]){1, 3, 4}[rng() % 3];
        uint8_t bytes[4];
        for (uint8_t &b : bytes) b = static_cast<uint8_t>(rng() % 3 == 0 ? 0x5A : rng());
        const auto op = ox::image::PixelBytesOp::store(bytes, bpp);
        const std::size_t start = rng() % 64, n = (rng() % (1100 / bpp)) * bpp;
        for (std::size_t j = 0; j < ordinary.size(); ++j) ordinary[j] = streamed[j] = static_cast<uint8_t>(rng());
        op.apply(ordinary.data() + start, n);
        op.apply(streamed.data() + start, n, true);
        ASSERT_EQ(ordinary, streamed) << "bpp " << bpp << " start " << start << " n " << n;
        for (std::size_t j = 0; j < n; ++j) ASSERT_EQ(ordinary[start + j], bytes[j % bpp]);
    }
}

// Read-modify-write runs: every vector width gives the bytes of the per-byte formula, from any start and
// length, and nothing outside the run changes.
TEST(PixelBytesOp, ReadModifyWriteKernelsMatchTheByteFormula) {
    std::mt19937 rng(4);
    Bytes before(1200), after(1200);
    for (int i = 0; i < 2000; ++i) {
        const int bpp = (int[]){1, 3, 4}[rng() % 3];
        uint8_t keep[4], set[4];
        for (int j = 0; j < 4; ++j) keep[j] = static_cast<uint8_t>(rng()), set[j] = static_cast<uint8_t>(rng());
        const ox::image::PixelBytesOp op(keep, set, bpp);
        const std::size_t start = rng() % 64, n = (rng() % (1100 / bpp)) * bpp;
        for (uint8_t &b : before) b = static_cast<uint8_t>(rng());
        Bytes expect = before;
        for (std::size_t j = 0; j < n; ++j)
            expect[start + j] = static_cast<uint8_t>((before[start + j] & keep[j % bpp]) ^ set[j % bpp]);
        for (const uint32_t level : ox::core::cpu_feature_levels(ox::core::kAvx2)) {
            const ox::core::CpuFeatureLimit limit(level);
            after = before;
            op.apply(after.data() + start, n);
            ASSERT_EQ(after, expect) << "bpp " << bpp << " start " << start << " n " << n << " features " << level;
        }
    }
}

// One operation of the differential test, with its arguments.
struct Step {
    int op;
    int32_t a[4], pen;
    uint32_t color, key, mode;
    uint8_t value;
};

uint32_t random_color(std::mt19937 &rng) {
    const uint32_t special[] = {0, 0xFFFFFF, 0xFFFFFFFF, 1, static_cast<uint32_t>(rng()) & 0xFFFFFF};
    const uint32_t pick = rng() % 6;
    return pick < 5 ? special[pick] : static_cast<uint32_t>(rng());
}

Step random_step(std::mt19937 &rng, OxHandle image) {
    const int32_t w = oxImageGetWidthDirect(image), h = oxImageGetHeightDirect(image);
    Step s{};
    s.op = static_cast<int>(rng() % 7);
    if (s.op <= 3) {  // erase or a box; all four 0 now and then
        if (rng() % 8) {
            s.a[0] = in(rng, -w - 3, w + 3), s.a[1] = in(rng, -h - 3, h + 3);
            s.a[2] = in(rng, -5, 2 * w + 5), s.a[3] = in(rng, -5, 2 * h + 5);
        }
        if (rng() % 40 == 0) s.a[rng() % 4] = rng() % 2 ? INT32_MIN : INT32_MAX;
    } else {  // a line, sometimes a point, sometimes long
        const int32_t reach = rng() % 10 ? 20 : 300;
        s.a[0] = in(rng, -w - reach, 2 * w + reach), s.a[1] = in(rng, -h - reach, 2 * h + reach);
        s.a[2] = rng() % 8 ? in(rng, -w - reach, 2 * w + reach) : s.a[0];
        s.a[3] = rng() % 8 ? in(rng, -h - reach, 2 * h + reach) : s.a[1];
        s.pen = rng() % 3 ? in(rng, -1, 20) : 1;
    }
    s.color = random_color(rng);
    // Key colours mostly taken from the image, with other bits 24-31.
    s.key = rng() % 4 ? get(image, in(rng, 0, w - 1), in(rng, 0, h - 1)) ^ (rng() & 0xFF000000u) : random_color(rng);
    s.mode = s.op == 3 && rng() % 10 == 0 ? static_cast<uint32_t>(rng()) : rng() % 5;  // mode, or the channel
    s.value = static_cast<uint8_t>(rng());
    return s;
}

int32_t run_step(const Step &s, OxHandle image, bool fast) {
    namespace plain = ox::image::plain;
    const int32_t *a = s.a;
    switch (s.op) {
    case 0: (fast ? oxImageErase : plain::erase)(image); return -1;
    case 1: return (fast ? oxImageBoxFill : plain::box_fill)(image, a[0], a[1], a[2], a[3], s.color);
    case 2: return (fast ? oxXorImageBoxFill : plain::xor_box_fill)(image, a[0], a[1], a[2], a[3]);
    case 3: return (fast ? oxImageBoxFillEx : plain::box_fill_ex)(image, a[0], a[1], a[2], a[3], s.value, s.mode);
    case 4: return (fast ? oxImageLine : plain::line)(image, a[0], a[1], a[2], a[3], s.pen, s.color);
    case 5:
        return (fast ? oxImageLineEx : plain::line_ex)(image, a[0], a[1], a[2], a[3], s.pen, s.color, s.key, s.mode);
    default: return (fast ? oxXorImageLine : plain::xor_line)(image, a[0], a[1], a[2], a[3], s.pen);
    }
}

// Three operations on one random picture per case, every depth and kind.
TEST(FillDifferential, FastPathsMatchThePlainVersions) {
    const uint64_t sum = differential(20240611, 1000, [](std::mt19937 &rng, std::ostream &what) {
        const int32_t depths[] = {1, 8, 24, 32};
        Handle img = random_image(rng, depths[rng() % 4], 64);
        std::vector<Step> steps;
        const OxImageHeader &h = header_of(img.get());
        what << h.width << "x" << h.height << "x" << h.bitCount << " layer " << h.layer;
        for (int i = 0; i < 3; ++i) {
            const Step s = steps.emplace_back(random_step(rng, img.get()));
            what << "; op " << s.op << " (" << s.a[0] << " " << s.a[1] << " " << s.a[2] << " " << s.a[3] << ") pen "
                 << s.pen << " colour " << s.color << " key " << s.key << " mode " << s.mode;
        }
        return [img = std::move(img), steps](bool fast) {
            Handle out = clone(img.get());
            Outcome o;
            for (const Step &s : steps) o.code = o.code * 4 + run_step(s, out.get(), fast) + 1;
            o.bytes = image_bytes(out.get());
            return o;
        };
    });
    // Pinned: any change to what these functions draw shows here first.
    EXPECT_EQ(sum, 0x321BB4DAF6BA113Eull);
}

// Boxes in rows wider than the chunks that the row walk hands out, so that runs are split mid-row.
TEST(FillDifferential, WideBoxesMatchThePlainVersions) {
    differential(20261205, 60, [](std::mt19937 &rng, std::ostream &what) {
        const int32_t bits = rng() % 2 ? 24 : 32;
        Handle img = make_image(in(rng, 250, 1400), in(rng, 1, 5), bits);
        fill_random(img.get(), rng);
        Step s = random_step(rng, img.get());
        s.op = 1 + static_cast<int>(rng() % 3);
        what << bits << " bits, op " << s.op << " (" << s.a[0] << " " << s.a[1] << " " << s.a[2] << " " << s.a[3]
             << ") channel " << s.mode;
        return [img = std::move(img), s](bool fast) {
            Handle out = clone(img.get());
            Outcome o;
            o.code = run_step(s, out.get(), fast);
            o.bytes = image_bytes(out.get());
            return o;
        };
    });
}

}  // namespace
