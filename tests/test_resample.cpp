// oxImageChangeResolution: the ways it chooses, the arithmetic the random cases do not reach, and the fast
// paths against the per-pixel reference on random images, with their results pinned.
#include <cmath>

#include "core/cpu.h"
#include "image/resample.h"
#include "image_compare.h"

namespace {

using namespace oxtest;

// ---- choosing the way ------------------------------------------------------------------------------------

// Calls that leave the destination as it was, each with the error code 0: no image (result 0; equal sizes
// would be the copy shortcut, other sizes the samplers), an empty destination rectangle (1), and a source
// whose depth no constructor makes (0). Nothing is made or freed: the destination keeps its pixels.
TEST(ResampleDispatch, CallsThatChangeNothing) {
    std::mt19937 rng(9);
    Handle src = noisy_image(rng, 8, 8, 8), odd = make_image(8, 8, 8), dst = noisy_image(rng, 4, 4, 8);
    header_of(odd.get()).bitCount = 16;
    const auto before = pixels(dst.get());
    const struct {
        OxHandle dst, src;
        int32_t dw, dh, sw, sh, result;
    } calls[] = {
        {dst.get(), 0, 4, 4, 4, 4, 0},         {dst.get(), 0, 2, 2, 4, 4, 0},
        {0, src.get(), 4, 4, 4, 4, 0},         {0, src.get(), 2, 2, 4, 4, 0},
        {dst.get(), src.get(), 0, 4, 8, 8, 1}, {dst.get(), src.get(), 4, -1, 8, 8, 1},
        {dst.get(), src.get(), -2, -2, -4, -4, 1},  // a 1:2 ratio
        {dst.get(), odd.get(), 2, 2, 8, 8, 0},
    };
    for (int32_t mode : {0, 1})
        for (const auto &c : calls) {
            uint32_t err = 0xDEAD;
            EXPECT_EQ(oxImageChangeResolution(c.dst, 0, 0, c.dw, c.dh, c.src, 0, 0, c.sw, c.sh, mode, &err), c.result)
                << "mode " << mode << ", call " << &c - calls;
            EXPECT_EQ(err, 0u);
        }
    EXPECT_EQ(pixels(dst.get()), before);
}

TEST(ResampleDispatch, EqualSizesAreCopiedInEveryMode) {
    std::mt19937 rng(7);
    Handle src = noisy_image(rng, 6, 4, 24);
    Handle dst = noisy_image(rng, 5, 5, 32);

    // Zero offsets: the whole common area, as oxImageCopy copies it, whatever the rectangles say.
    Handle whole = clone(dst.get());
    OxHandle h = whole.get();
    uint32_t err;
    ASSERT_EQ(oxImageCopy(&h, src.get(), &err), 1);
    // With an offset: the rectangle, as oxImageCopyEx copies it.
    Handle block = clone(dst.get());
    ASSERT_EQ(oxImageCopyEx(block.get(), 1, 2, 3, 2, src.get(), 2, 1), 1);

    for (int32_t mode : {0, 1, 9}) {
        Handle a = clone(dst.get()), b = clone(dst.get());
        EXPECT_EQ(oxImageChangeResolution(a.get(), 0, 0, 2, 3, src.get(), 0, 0, 2, 3, mode, &err), 1);
        EXPECT_EQ(pixels(a.get()), pixels(whole.get())) << "mode " << mode;
        EXPECT_EQ(oxImageChangeResolution(b.get(), 1, 2, 3, 2, src.get(), 2, 1, 3, 2, mode, &err), 1);
        EXPECT_EQ(pixels(b.get()), pixels(block.get())) << "mode " << mode;
    }
}

// ---- what the random cases below do not reach -----------------------------------------------------------

TEST(AreaSampling, CellEdgesAreRunningSums) {
    // A row 0, 1, ..., 255, 0, 1, ... of 2000 pixels enlarged to 2211 and to 2057: these two cells have
    // means within a hair of a rounding boundary, where the accumulated edges x1 = x1 + rx give 108 and 15;
    // edges computed as i * rx would give 109 and 14. (The random rows below come nowhere near a boundary.)
    Handle src = make_image(2000, 1, 8), a = make_image(2211, 1, 8), b = make_image(2057, 1, 8);
    for (int32_t x = 0; x < 2000; ++x) put(src.get(), x, 0, static_cast<uint32_t>(x % 256));
    uint32_t err;
    EXPECT_EQ(oxImageChangeResolution(a.get(), 0, 0, 2211, 1, src.get(), 0, 0, 2000, 1, 0, &err), 1);
    EXPECT_EQ(oxImageChangeResolution(b.get(), 0, 0, 2057, 1, src.get(), 0, 0, 2000, 1, 0, &err), 1);
    EXPECT_EQ(get(a.get(), 120, 0), 108u);
    EXPECT_EQ(get(b.get(), 1858, 0), 15u);
}

TEST(AreaSampling, InlineRoundingAgreesWithTheLibraryRounding) {
    // The fast path rounds its means inline; over [0, 255] that must be oxDouble2Int exactly. Near every
    // thousandths boundary of every whole part, where rounding to thousandths can go either way (the random
    // cases below hold it to oxDouble2Int on the means they meet).
    for (int whole = 0; whole < 256; ++whole) {
        for (double frac : {0.0, 0.0005, 0.4995, 0.5, 0.5004, 0.5005, 0.5006, 0.9994, 0.9995, 0.9996}) {
            double v = whole + frac;
            for (int k = 0; k < 64; ++k) v = std::nextafter(v, 0.0);
            for (int k = 0; k < 128 && v <= 255.0; ++k, v = std::nextafter(v, 256.0))
                ASSERT_EQ(ox::image::round_mean(v), oxDouble2Int(v)) << v;
        }
    }
}

// ---- fast paths against the reference ---------------------------------------------------------------------

// One random call: images, rectangles and mode, drawn so that every rectangle lies inside its image (area
// sampling may also run off the right and bottom edges, which it reads nothing beyond).
struct Case {
    int32_t sbits, dbits, sw_img, sh_img, dw_img, dh_img;
    int32_t dx, dy, dw, dh, sx, sy, sw, sh, mode;
};

uint32_t below(std::mt19937 &rng, uint32_t n) { return rng() % n; }

// A size for an axis of a destination rectangle from a source size: reduced, enlarged or equal.
int32_t target_size(std::mt19937 &rng, int32_t s) {
    switch (below(rng, 7)) {
    case 0: return s;                                                        // equal (a shortcut on this axis only)
    case 1: return std::max(1, s / 2);                                       // half
    case 2: return 1 + static_cast<int32_t>(below(rng, std::max(1, s)));      // reduction
    case 3: return 1 + static_cast<int32_t>(below(rng, std::max(1, s / 9)));  // cells over eight pixels wide
    default: return 1 + static_cast<int32_t>(below(rng, 3 * s + 4));         // anything, enlargement often
    }
}

Case random_case(std::mt19937 &rng) {
    Case c{};
    c.mode = below(rng, 2) ? 1 : static_cast<int32_t>(below(rng, 4)) - 1;  // 1, or -1, 0, 1, 2
    const bool bytes_only = c.mode != 1 && below(rng, 8) != 0;            // 1-bit images mostly in mode 1
    do {
        c.sbits = kDepths[below(rng, 4)];
        c.dbits = kDepths[below(rng, 4)];
    } while (bytes_only && (c.sbits == 1 || c.dbits == 1));

    const bool half = c.mode != 1 && below(rng, 5) == 0;
    // Mostly small; now and then wide enough for cells of more than eight columns or rows.
    const uint32_t most = below(rng, 8) == 0 ? 80 : 24;
    c.sw = 1 + static_cast<int32_t>(below(rng, most));
    c.sh = 1 + static_cast<int32_t>(below(rng, most));
    if (half) {
        // The half-size test: sizes exactly 2:1 and no offsets; sometimes with a destination image larger
        // than the rectangle, a source image too small for the shortcut, or two depths.
        c.dw = std::max(1, c.sw / 2);
        c.dh = std::max(1, c.sh / 2);
        c.sw = 2 * c.dw;
        c.sh = 2 * c.dh;
        c.dw_img = c.dw + static_cast<int32_t>(below(rng, 3));
        c.dh_img = c.dh + static_cast<int32_t>(below(rng, 3));
        // One draw per statement: the order of draws is part of the pinned checksum.
        const int32_t short_w = static_cast<int32_t>(below(rng, 2));
        c.sw_img = std::max(c.sw, 2 * c.dw_img - short_w) + static_cast<int32_t>(below(rng, 3));
        const int32_t short_h = static_cast<int32_t>(below(rng, 2));
        c.sh_img = std::max(c.sh, 2 * c.dh_img - short_h) + static_cast<int32_t>(below(rng, 3));
        if (below(rng, 4)) c.dbits = c.sbits;
        return c;
    }
    c.dw = target_size(rng, c.sw);
    c.dh = target_size(rng, c.sh);
    if (below(rng, 16) == 0) c.dw = c.sw == 1 ? 2 : c.sw - 1;  // near-equal sizes
    c.sx = static_cast<int32_t>(below(rng, 4));
    c.sy = static_cast<int32_t>(below(rng, 4));
    c.dx = static_cast<int32_t>(below(rng, 4));
    c.dy = static_cast<int32_t>(below(rng, 4));
    c.sw_img = c.sx + c.sw + static_cast<int32_t>(below(rng, 3));
    c.sh_img = c.sy + c.sh + static_cast<int32_t>(below(rng, 3));
    c.dw_img = c.dx + c.dw + static_cast<int32_t>(below(rng, 3));
    c.dh_img = c.dy + c.dh + static_cast<int32_t>(below(rng, 3));
    const bool boxed = c.mode == 1 || c.sbits == 1 || c.dbits == 1;
    if (boxed && below(rng, 8) == 0) {
        // Source size 0: the image's size less one, read from sx; sx must stay at most 1 for that.
        if (below(rng, 2)) {
            c.sx = static_cast<int32_t>(below(rng, 2));
            c.sw_img = c.sw + 1;
            c.sw = 0;
        } else {
            c.sy = static_cast<int32_t>(below(rng, 2));
            c.sh_img = c.sh + 1;
            c.sh = 0;
        }
    } else if (!boxed && below(rng, 8) == 0) {
        // Running off the right and bottom edges, or a source size of 0 (cells of area 0).
        if (below(rng, 2)) {
            c.sw_img = c.sx + std::max(1, c.sw - static_cast<int32_t>(below(rng, 3)));
            c.sh_img = c.sy + std::max(1, c.sh - static_cast<int32_t>(below(rng, 3)));
        } else {
            c.sw = 0;
        }
    }
    return c;
}

// Runs one case through both paths on identical destinations; returns the fast path's destination bytes,
// the whole image: a pixel written outside the destination rectangle changes the pinned checksum.
std::vector<uint8_t> run_both(const Case &c, std::mt19937 &rng) {
    Handle src = noisy_image(rng, c.sw_img, c.sh_img, c.sbits);
    Handle before = noisy_image(rng, c.dw_img, c.dh_img, c.dbits);
    Handle ref = clone(before.get());
    const Fence fs(src.get()), fr(ref.get());
    uint32_t e2 = 0xDEAD;
    const int32_t r2 = ox::image::plain::change_resolution(ref.get(), c.dx, c.dy, c.dw, c.dh, src.get(), c.sx,
                                                           c.sy, c.sw, c.sh, c.mode, &e2);
    EXPECT_EQ(r2, 1);
    EXPECT_EQ(e2, 0u);
    // The fast path at every level of processor features; the widest is the one checked further below.
    std::vector<uint8_t> out;
    for (const uint32_t level : ox::core::cpu_feature_levels(ox::core::kAvx512Vbmi)) {
        const ox::core::CpuFeatureLimit limit(level);
        Handle fast = clone(before.get());
        const Fence ff(fast.get());
        uint32_t e1 = 0xDEAD;
        EXPECT_EQ(oxImageChangeResolution(fast.get(), c.dx, c.dy, c.dw, c.dh, src.get(), c.sx, c.sy, c.sw, c.sh,
                                          c.mode, &e1),
                  1);
        EXPECT_EQ(e1, 0u);
        EXPECT_EQ(pixels(fast.get()), pixels(ref.get())) << "features " << level;
        if (out.empty()) out = pixels(fast.get());
    }
    return out;
}

TEST(ResampleFastPath, MatchesThePlainPathOnRandomCases) {
    std::mt19937 rng(20240611);
    uint64_t h = kChecksumStart;
    for (int n = 0; n < 4000; ++n) {
        SCOPED_TRACE(testing::Message() << "case " << n);
        const Case c = random_case(rng);
        const auto out = run_both(c, rng);
        // Equal sizes go to the copy functions, whose own tests pin them.
        if (c.dw != c.sw || c.dh != c.sh) h = fold(h, out);
        if (HasFailure()) break;
    }
    // Pinned: any change to what the samplers write for these cases shows up here.
    EXPECT_EQ(h, 15860737666580896166ull);
}

TEST(ResampleFastPath, MatchesThePlainPathAcrossTableAndBufferLimits) {
    // Sizes that cross the fast paths' stack limits: more than 1024 destination columns (two column tables),
    // a box block wider than the column sums hold, vertical runs too long for 16-bit column sums, and
    // area cells more than 100 pixels across, every one of whose columns and rows is summed (pinned).
    const Case cases[] = {
        {24, 24, 1500, 3, 2600, 2, 0, 0, 2600, 2, 0, 0, 1500, 3, 1},
        {32, 32, 5000, 4, 3, 2, 0, 0, 1, 2, 0, 0, 5000, 4, 1},
        {8, 8, 20000, 2, 2, 1, 0, 0, 1, 1, 0, 0, 20000, 2, 1},
        {1, 8, 20000, 2, 3, 1, 0, 0, 1, 1, 0, 0, 20000, 2, 1},
        {24, 32, 3, 700, 2, 3, 0, 0, 2, 2, 1, 0, 2, 700, 1},
        {8, 24, 2100, 5, 1100, 2, 3, 0, 1050, 2, 0, 0, 2100, 5, 0},
        {32, 8, 1200, 3, 1300, 7, 0, 0, 1300, 7, 0, 0, 1200, 3, 0},
        {24, 24, 900, 400, 3, 2, 0, 0, 3, 2, 0, 0, 900, 400, 0},
        {32, 32, 2048, 2, 1024, 1, 0, 0, 1024, 1, 0, 0, 2048, 2, 0},
        {24, 24, 2601, 4, 1300, 2, 0, 0, 1300, 2, 0, 0, 2600, 4, 0},
        {8, 8, 3000, 2, 1500, 1, 0, 0, 1500, 1, 0, 0, 3000, 2, 0},
        // Long rows of enlargements with many cells.
        {8, 8, 2000, 1, 2057, 1, 0, 0, 2057, 1, 0, 0, 2000, 1, 0},
        {8, 24, 2000, 3, 2211, 5, 0, 0, 2211, 5, 0, 0, 2000, 3, 2},
        {32, 32, 2000, 2, 2393, 2, 0, 0, 2393, 1, 0, 1, 2000, 1, 0},
    };
    std::mt19937 rng(3);
    uint64_t h = kChecksumStart;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        h = fold(h, run_both(c, rng));
    }
    EXPECT_EQ(h, 13522465758109529735ull);  // pinned: what the samplers write for these sizes
}

}  // namespace
