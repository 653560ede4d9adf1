// Fills, lines and erase: clipping and coordinate extremes on small images, the store kernels, then the fast
// paths held to the plain per-pixel versions over thousands of random images, boxes and lines (pinned).
#include <climits>
#include <vector>

#include "core/cpu.h"
#include "image/fill.h"
#include "image/runs.h"
#include "image_compare.h"

namespace {

using namespace oxtest;

// Calls that draw nothing, which the random cases below do not make: handle 0 (result 0), and boxes clipped
// to nothing (result 1): a zero size beside zero offsets (not the all-zero box that means the whole image),
// and sums that wrap around in 32 bits.
TEST(BoxFill, CallsThatDrawNothing) {
    oxImageErase(0);
    EXPECT_EQ(oxImageBoxFill(0, 0, 0, 0, 0, 1) + oxXorImageBoxFill(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(oxImageBoxFillEx(0, 0, 0, 0, 0, 7, 1) + oxImageLine(0, 0, 0, 5, 5, 1, 1), 0);
    EXPECT_EQ(oxImageLineEx(0, 0, 0, 5, 5, 1, 1, 0, 1) + oxXorImageLine(0, 0, 0, 5, 5, 1), 0);
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
    EXPECT_EQ(pixels(blank.get()), Bytes(30, 0));
}

// The random cases below do not catch a gray-layer white stored without its fourth channel; this does.
TEST(BoxFill, GrayLayerWhiteGainsTheFourthChannel) {
    for (int32_t w : {0, 2}) {  // whole and partial fills
        Handle normal = make_image(4, 4, 32), gray = make_image(4, 4, 32, OX_LAYER_GRAY);
        oxImageBoxFill(normal.get(), 0, 0, w, w, 0x00FFFFFF);
        oxImageBoxFill(gray.get(), 0, 0, w, w, 0x00FFFFFF);
        EXPECT_EQ(get(normal.get(), 1, 1), 0x00FFFFFFu);
        EXPECT_EQ(get(gray.get(), 1, 1), 0xFFFFFFFFu);
        oxImageBoxFill(gray.get(), 0, 0, w, w, 0x00FFFFFE);
        EXPECT_EQ(get(gray.get(), 1, 1), 0x00FFFFFEu);
    }
}

// The random cases below stay near the image and use small pens; these reach the ends of the coordinate
// range and of the pen size (pinned): a whole-image pen, lines across the whole range in each direction, and
// far starts, which the per-pixel walk also draws (across the whole range it would take billions of steps).
TEST(Line, ExtremeEndsAndFarStarts) {
    const struct {
        int32_t x1, y1, x2, y2, pen;
        bool walk;
    } lines[] = {{2, 2, 2, 2, INT32_MAX, false},
                 {INT32_MIN, 5, INT32_MAX, 5, 1, false},
                 {6, INT32_MAX, 6, INT32_MIN, 1, false},
                 {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1, false},
                 {-100000, -3, 100000, 30, 3, true},
                 {7, -90001, -5, 90000, 3, true},
                 {-70000, 70010, 70000, -70000, 3, true}};
    uint64_t sum = kChecksumStart;
    for (const auto &l : lines) {
        Handle a = make_image(21, 17, 32), b = make_image(21, 17, 32);
        EXPECT_EQ(oxImageLine(a.get(), l.x1, l.y1, l.x2, l.y2, l.pen, 0x123456), 1);
        if (l.walk) {
            ox::image::plain::line(b.get(), l.x1, l.y1, l.x2, l.y2, l.pen, 0x123456);
            EXPECT_EQ(pixels(a.get()), pixels(b.get())) << l.x1 << "," << l.y1 << " " << l.x2 << "," << l.y2;
        }
        sum = fold(sum, pixels(a.get()));
    }
    EXPECT_EQ(sum, 13782052035109128341ull);
}

// The run operation from any start and length, at every vector width: the bytes of the per-byte formula,
// nothing outside the run changed. Half of the operations are stores (some of one repeated byte), which also
// run around the cache as fills larger than the cache do; the random fills below are far too small for that.
TEST(PixelBytesOp, EveryKernelGivesTheByteFormula) {
    std::mt19937 rng(4);
    Bytes before(1200), after(1200);
    for (int i = 0; i < 4000; ++i) {
        const int bpp = (int[]){1, 3, 4}[rng() % 3];
        const bool store = i % 2;
        uint8_t keep[4], set[4];
        for (int j = 0; j < 4; ++j) {
            keep[j] = store ? 0 : static_cast<uint8_t>(rng());
            set[j] = static_cast<uint8_t>(store && rng() % 3 == 0 ? 0x5A : rng());
        }
        const ox::image::PixelBytesOp op(keep, set, bpp);
        const std::size_t start = rng() % 64, n = (rng() % (1100 / bpp)) * bpp;
        for (uint8_t &b : before) b = static_cast<uint8_t>(rng());
        Bytes expect = before;
        for (std::size_t j = 0; j < n; ++j)
            expect[start + j] = static_cast<uint8_t>((before[start + j] & keep[j % bpp]) ^ set[j % bpp]);
        for (const uint32_t level : ox::core::cpu_feature_levels(ox::core::kAvx2))
            for (const bool stream : {false, true}) {
                const ox::core::CpuFeatureLimit limit(level);
                after = before;
                op.apply(after.data() + start, n, stream);
                ASSERT_EQ(after, expect) << "bpp " << bpp << " start " << start << " n " << n << " features " << level
                                         << (stream ? " streamed" : "");
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

// The steps applied in turn to a copy of `img`; the code holds every step's result.
Outcome replay(OxHandle img, const std::vector<Step> &steps, bool fast) {
    Handle out = clone(img);
    Outcome o;
    for (const Step &s : steps) o.code = o.code * 4 + run_step(s, out.get(), fast) + 1;
    o.bytes = image_bytes(out.get());
    return o;
}

// Three operations on one random picture per case, every depth and kind.
TEST(FillDifferential, FastPathsMatchThePlainVersions) {
    const uint64_t sum = differential(20240611, 1000, [](std::mt19937 &rng) {
        Handle img = random_image(rng, kDepths[rng() % 4], 64);
        std::vector<Step> steps;
        for (int i = 0; i < 3; ++i) steps.push_back(random_step(rng, img.get()));
        return [img = std::move(img), steps](bool fast) { return replay(img.get(), steps, fast); };
    });
    // Pinned: any change to what these functions draw shows here first.
    EXPECT_EQ(sum, 0x321BB4DAF6BA113Eull);
}

// Boxes in rows wider than the chunks that the row walk hands out, so that runs are split mid-row.
TEST(FillDifferential, WideBoxesMatchThePlainVersions) {
    differential(20261205, 60, [](std::mt19937 &rng) {
        const int32_t bits = rng() % 2 ? 24 : 32;
        Handle img = noisy_image(rng, in(rng, 250, 1400), in(rng, 1, 5), bits);
        Step s = random_step(rng, img.get());
        s.op = 1 + static_cast<int>(rng() % 3);
        return [img = std::move(img), s](bool fast) { return replay(img.get(), {s}, fast); };
    });
}

}  // namespace
