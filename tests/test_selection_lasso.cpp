// The lasso list, oxSelectWhiteOut and oxGetSelection: the list and the calls random cases never make, then
// the word paths held to the per-pixel reference on random masks, images and offsets (pinned).
#include <cstring>
#include <random>
#include <vector>

#include "core/cpu.h"
#include "selection/selection_mask.h"
#include "selection/white_words.h"
#include "selection_masks.h"

using namespace oxtest;

namespace {

TEST(LassoList, HoldsNineHundredNinetyEightPointsAndEmptiesOnTheNext) {
    oxInitializeLassoTool();
    const OxPoint *data = oxGetLassoPointData();
    for (int32_t i = 0; i < 998; ++i) ASSERT_EQ(oxAddLassoToolPoint(i, -i), 1u) << i;
    EXPECT_EQ(oxGetLassoPoint(), 998);
    EXPECT_EQ(oxGetLassoPointData(), data);
    // Slots are x then y, 8 bytes each, so the table goes as it is to a polygon fill.
    int32_t raw[2];
    std::memcpy(raw, reinterpret_cast<const uint8_t *>(data) + 8 * 500, 8);
    EXPECT_EQ(raw[0], 500);
    EXPECT_EQ(raw[1], -500);
    EXPECT_EQ(oxAddLassoToolPoint(7, 7), 0u);
    EXPECT_EQ(oxGetLassoPoint(), 0);
    EXPECT_EQ(oxAddLassoToolPoint(3, 4), 1u);
    EXPECT_EQ(oxGetLassoPoint(), 1);
    EXPECT_EQ(data[0].x, 3);
    oxInitializeLassoTool();
    EXPECT_EQ(oxGetLassoPoint(), 0);
}

// The calls the pinned random cases below never make.
TEST(LassoSelection, HandlesOfZeroAndNoRectangle) {
    Handle m = make_image(4, 2, 1, OX_LAYER_MASK);
    OxRect r{11, 22, 33, 44};
    EXPECT_EQ(oxGetSelection(0, &r), 0);
    EXPECT_EQ(r.left, 11);
    EXPECT_EQ(oxGetSelection(m.get(), nullptr), 0);
    EXPECT_EQ(oxSelectWhiteOut(0, 0, m.get(), 0, 0), 0);
    EXPECT_EQ(oxSelectWhiteOut(m.get(), 0, 0, 0, 0), 0);
}

// The white-pixel words at every level of processor features against the pixels one by one: rows with many
// whites, whites with any fourth byte, near-whites with one byte 254.
TEST(WhiteWords, EveryKernelFindsExactlyTheWhitePixels) {
    std::mt19937 rng(99);
    std::vector<uint8_t> row(64 * 4 + 8);
    for (int i = 0; i < 4000; ++i) {
        const int bytes = i % 2 ? 3 : 4;
        for (uint8_t &b : row) b = static_cast<uint8_t>(rng() % 4 ? 0xFF : rng());
        for (int k = 0; k < 64; ++k) {
            uint8_t *p = row.data() + k * bytes + (bytes == 4);
            if (rng() % 5 == 0) p[rng() % 3] = 0xFE;
        }
        const int64_t n = rng() % 3 ? 64 : in(rng, 1, 64);
        uint64_t want = 0;
        for (int64_t k = 0; k < n; ++k) {
            const uint8_t *p = row.data() + k * bytes + (bytes == 4);
            if ((p[0] & p[1] & p[2]) == 0xFF) want |= uint64_t{1} << (63 - k);
        }
        using namespace ox::selection;
        for (const uint32_t level : ox::core::cpu_feature_levels(ox::core::kAvx2 | ox::core::kBmi2)) {
            const ox::core::CpuFeatureLimit limit(level);
            const bool wide = has_wide_white_words();
            ASSERT_EQ(bytes == 3 ? white_bits<3>(row.data(), n, wide) : white_bits<4>(row.data(), n, wide), want)
                << i << ", features " << level;
        }
    }
}

// oxSelectWhiteOut with and without an outer mask at random offsets (images also smaller or larger than
// the mask, and the image itself as the outer mask), and oxGetSelection, against the per-pixel versions.
TEST(LassoDifferential, FastPathsMatchThePlainVersions) {
    namespace plain = ox::selection::plain;
    const uint64_t sum = differential(515, 1500, [](std::mt19937 &rng) {
        struct Case {
            int op;
            Handle img, mask, outer;
            int32_t ox, oy;
            bool outer_is_image;
        } c{static_cast<int>(rng() % 2), {}, {}, {}, 0, 0, false};
        const int32_t mw = in(rng, 1, 150), mh = in(rng, 1, 40);
        c.mask = random_mask(rng, mw, mh);
        const int32_t bits = kDepths[rng() % 4];
        c.img = rng() % 3 ? make_image(mw, mh, bits) : random_image(rng, bits, 150);
        fill_random(c.img.get(), rng);
        {  // make a good share of the pixels white
            const Locked l(c.img.get());
            for (int32_t y = 0; y <= l->maxY; ++y)
                for (int32_t x = 0; x <= l->maxX; ++x)
                    if (rng() % 2) oxImagePutPixelEx(l.get(), x, y, 0xFFFFFF, 0xFFFFFF);
        }
        if (rng() % 2) {  // one draw per statement: the draws feed the pinned checksum
            const int32_t ow = in(rng, 1, 200), oh = in(rng, 1, 60);
            c.outer = random_mask(rng, ow, oh);
        }
        c.outer_is_image = c.outer && rng() % 10 == 0;
        c.ox = in(rng, -60, 60), c.oy = in(rng, -20, 20);
        return [c = std::move(c)](bool fast) {
            Outcome o;
            Handle m = clone(c.mask.get());
            const Fence fm(m.get());
            if (c.op == 1) {
                OxRect r{7, 7, 7, 7};
                o.code = (fast ? oxGetSelection : plain::get_selection)(m.get(), &r);
                o.bytes.resize(sizeof r);
                std::memcpy(o.bytes.data(), &r, sizeof r);
                return o;
            }
            Handle img = clone(c.img.get());
            Handle outer = c.outer && !c.outer_is_image ? clone(c.outer.get()) : Handle();
            const OxHandle outer_h = c.outer_is_image ? img.get() : outer.get();
            const Fence fi(img.get()), fo(outer.get());
            o.code = (fast ? oxSelectWhiteOut : plain::select_white_out)(img.get(), outer_h, m.get(), c.ox, c.oy);
            for (OxHandle h : {m.get(), outer.get(), img.get()}) {
                const Bytes b = image_bytes(h);
                o.bytes.insert(o.bytes.end(), b.begin(), b.end());
            }
            return o;
        };
    });
    EXPECT_EQ(sum, 2768848242809849312ull);  // pinned: a change in what both paths draw shows here
}

}  // namespace
