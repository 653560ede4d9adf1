// Marching outlines: the documented examples once each, the decisions (depths, the edge below the mask),
// then the word paths held to the per-pixel reference on random masks, images, rectangles and phases, with
// every drawing undone by a second call.
#include <random>
#include <set>
#include <utility>

#include "selection/merge.h"
#include "selection_masks.h"

using namespace oxtest;

namespace {

using Points = std::set<std::pair<int32_t, int32_t>>;

Handle filled(int32_t w, int32_t h, int32_t bits, uint32_t v) {
    Handle img = make_image(w, h, bits);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) put(img.get(), x, y, v);
    return img;
}

// The pixels whose value differs from `v`.
Points changed(OxHandle image, uint32_t v) {
    Points out;
    const OxImageHeader &h = header_of(image);
    for (int32_t y = 0; y < h.height; ++y)
        for (int32_t x = 0; x < h.width; ++x)
            if (get(image, x, y) != v) out.insert({x, y});
    return out;
}

// A 10 x 10 mask selecting the block x = 3..5, y = 3..5: its box, its outline per phase (the corners
// (5, 3), (3, 5) and (5, 5) are never outline pixels), and what drawing does at each depth.
TEST(ImageSelectionMerge, BlockOutlinePerPhaseAtEveryDepth) {
    Handle mask = make_image(10, 10, 1, OX_LAYER_MASK);
    oxImageErase(mask.get());
    for (int32_t y = 3; y <= 5; ++y)
        for (int32_t x = 3; x <= 5; ++x) put(mask.get(), x, y, 0);
    OxRect rect;
    ASSERT_EQ(oxGetSelection(mask.get(), &rect), 1);
    EXPECT_EQ((std::vector<int32_t>{rect.left, rect.top, rect.right, rect.bottom}), (std::vector<int32_t>{2, 2, 6, 6}));
    const Points by_phase[4] = {{{3, 3}, {4, 3}, {3, 4}}, {{4, 3}, {3, 4}, {5, 4}, {4, 5}}, {{5, 4}, {4, 5}}, {}};
    // Drawn: 32 bits keep the fourth byte, 8 bits invert the value, 1 bit flips.
    const uint32_t ground[][3] = {{32, 0x5A000000, 0x5AFFFFFF}, {24, 0x102030, 0xEFDFCF}, {8, 0x20, 0xDF}, {1, 0, 1}};
    for (const auto &g : ground) {
        for (uint32_t phase = 0; phase < 4; ++phase) {
            Handle img = filled(10, 10, static_cast<int32_t>(g[0]), g[1]);
            EXPECT_EQ(oxImageSelectionMerge(img.get(), mask.get(), &rect, phase), 1);
            EXPECT_EQ(changed(img.get(), g[1]), by_phase[phase]) << g[0] << " bits, phase " << phase;
            for (const auto &p : by_phase[phase]) EXPECT_EQ(get(img.get(), p.first, p.second), g[2]);
            // Phases above 3 use their low two bits.
            EXPECT_EQ(oxImageSelectionMerge(img.get(), mask.get(), &rect, phase + 4), 1);
            EXPECT_EQ(changed(img.get(), g[1]), Points{});
        }
    }
    EXPECT_EQ(oxImageSelectionMerge(0, mask.get(), &rect, 0), 0);
    EXPECT_EQ(oxImageSelectionMerge(mask.get(), 0, &rect, 0), 0);
    EXPECT_EQ(oxImageSelectionMerge(mask.get(), mask.get(), nullptr, 0), 0);
}

// A mask that selects the whole image: the outline is the image's edge, dashed. (0, 5) is drawn in phase 0
// and (0, 4) is not. Decided: the pixel below the mask's bottom row counts as selected, so the two bottom
// corners are drawn like the rest of the edge; over the four phases every edge pixel is drawn.
TEST(ImageSelectionMerge, WholeSelectionOutlinesTheImageEdge) {
    const int32_t W = 13, H = 9;
    Handle mask = make_image(W, H, 1, OX_LAYER_MASK);
    OxRect rect;
    ASSERT_EQ(oxGetSelection(mask.get(), &rect), 1);
    Points edge, seen;
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            if (x == 0 || y == 0 || x == W - 1 || y == H - 1) edge.insert({x, y});
    for (uint32_t phase = 0; phase < 4; ++phase) {
        Handle img = filled(W, H, 24, 0);
        ASSERT_EQ(oxImageSelectionMerge(img.get(), mask.get(), &rect, phase), 1);
        Points expect;
        for (const auto &p : edge)
            if (((p.first + p.second - 2 * static_cast<int32_t>(phase)) & 7) >= 5) expect.insert(p);
        const Points drawn = changed(img.get(), 0);
        EXPECT_EQ(drawn, expect) << "phase " << phase;
        if (phase == 0) {
            EXPECT_TRUE(drawn.count({0, 5}));
            EXPECT_FALSE(drawn.count({0, 4}));
        }
        seen.insert(drawn.begin(), drawn.end());
    }
    EXPECT_EQ(seen, edge);
}

// The rows of an image as text: '#' where the pixel differs from `v`.
std::vector<std::string> drawn_rows(OxHandle image, uint32_t v) {
    const OxImageHeader &h = header_of(image);
    std::vector<std::string> rows(static_cast<size_t>(h.height), std::string(static_cast<size_t>(h.width), '.'));
    for (const auto &p : changed(image, v)) rows[static_cast<size_t>(p.second)][static_cast<size_t>(p.first)] = '#';
    return rows;
}

TEST(ImageMoveSelectionMerge, FrameAndInnerOutline) {
    Handle mask = mask_from({"..###.", ".####.", "######", ".####.", "..##.."});
    // Well inside: the region's border lines wherever selected, the inner outline elsewhere.
    Handle img = filled(12, 9, 24, 0);
    OxRect b{3, 2, 9, 7};
    EXPECT_EQ(oxImageMoveSelectionMergeEx(img.get(), mask.get(), &b), 1);
    EXPECT_EQ(drawn_rows(img.get(), 0), (std::vector<std::string>{"............", "............", ".....###....",
                                                                   "....#..#....", "...#....#...", "....#..#....",
                                                                   ".....##.....", "............", "............"}));
    // The same region of the mask through the rectangle form, at the image's left edge: nothing in column 0.
    img = filled(12, 9, 24, 0);
    const OxRect a{0, 0, 6, 5};
    b = OxRect{0, 2, 6, 7};
    EXPECT_EQ(oxImageMoveSelectionMerge(img.get(), mask.get(), &a, &b), 1);
    for (int32_t y = 0; y < 9; ++y) EXPECT_EQ(get(img.get(), 0, y), 0u) << y;
    EXPECT_NE(changed(img.get(), 0), Points{});
    // A whole 7 x 7 selection at (3, 2) in a 10 x 12 image: clipped to columns 3..8; rows 2 and 8 and
    // column 3 drawn, column 8 only in rows 2 and 8, column 9 untouched.
    Handle full = make_image(7, 7, 1, OX_LAYER_MASK);
    img = filled(10, 12, 32, 0x77000000);
    b = OxRect{3, 2, 10, 9};
    EXPECT_EQ(oxImageMoveSelectionMergeEx(img.get(), full.get(), &b), 1);
    EXPECT_EQ(drawn_rows(img.get(), 0x77000000),
              (std::vector<std::string>{"..........", "..........", "...######.", "...#......", "...#......",
                                        "...#......", "...#......", "...#......", "...######.", "..........",
                                        "..........", ".........."}));
    // At the image's left edge with a top below the first row, the region's top-left pixel is still drawn
    // when it is selected: the first-column class excepts only the rows below it. (The documented example
    // says such a call draws nothing in the image's first column; that holds only for a mask whose top-left
    // pixel is unselected, as above. The class table is followed.)
    img = filled(10, 12, 24, 0);
    b = OxRect{0, 2, 7, 9};
    EXPECT_EQ(oxImageMoveSelectionMergeEx(img.get(), full.get(), &b), 1);
    for (int32_t y = 0; y < 12; ++y) EXPECT_EQ(get(img.get(), 0, y), y == 2 ? 0xFFFFFFu : 0u) << y;
    // Failures: no image gives 0; no mask, or a region right of the image, 1 with nothing drawn.
    EXPECT_EQ(oxImageMoveSelectionMergeEx(0, full.get(), &b), 0);
    EXPECT_EQ(oxImageMoveSelectionMergeEx(img.get(), 0, &b), 1);
    b = OxRect{10, 0, 17, 7};
    const Bytes before = image_bytes(img.get());
    EXPECT_EQ(oxImageMoveSelectionMergeEx(img.get(), full.get(), &b), 1);
    EXPECT_EQ(image_bytes(img.get()), before);
}

// All three functions on random images (every depth), random masks (some smaller than the image),
// rectangles partly or wholly outside, inconsistent image rectangles and every phase: the word paths must
// write what the per-pixel versions write, a second call must restore the image, and byte 0 of 32-bit
// pixels never changes.
TEST(MergeDifferential, FastPathsMatchThePlainVersionsAndDrawingTwiceRestores) {
    namespace plain = ox::selection::plain;
    const int32_t depths[] = {1, 8, 24, 32};
    const uint64_t sum = differential(90210, 2500, [&](std::mt19937 &rng, std::ostream &what) {
        struct Case {
            int op;
            uint32_t phase;
            OxRect a, b;
            Handle img, mask;
        } c{};
        c.op = static_cast<int>(rng() % 3);
        c.img = random_image(rng, depths[rng() % 4], 150);
        const int32_t W = header_of(c.img.get()).width, H = header_of(c.img.get()).height;
        const bool same_size = c.op == 0 && rng() % 4;
        c.mask = same_size ? random_mask(rng, W, H) : random_mask(rng, in(rng, 1, 160), in(rng, 1, 160));
        const int32_t mw = header_of(c.mask.get()).width, mh = header_of(c.mask.get()).height;
        c.phase = static_cast<uint32_t>(rng() % 6);
        auto pick = [&](int32_t side) { return in(rng, -12, side + 6); };
        if (c.op == 0) {
            if (rng() % 3 == 0 || oxGetSelection(c.mask.get(), &c.a) == 0)
                c.a = OxRect{pick(W), pick(H), pick(W), pick(H)};
        } else {
            c.a = OxRect{pick(mw), pick(mh), 0, 0};
            c.a.right = c.a.left + in(rng, -2, mw + 4), c.a.bottom = c.a.top + in(rng, -2, mh + 4);
            if (c.op == 2 || rng() % 2) c.a = OxRect{0, 0, mw, mh};
            c.b.left = pick(W), c.b.top = pick(H);
            c.b.right = c.b.left + c.a.right - c.a.left, c.b.bottom = c.b.top + c.a.bottom - c.a.top;
            if (rng() % 5 == 0) c.b.right = pick(W), c.b.bottom = pick(H);  // not matching the region
        }
        what << "op " << c.op << ", " << header_of(c.img.get()).bitCount << " bits " << W << "x" << H << ", mask "
             << mw << "x" << mh << ", a " << c.a.left << "," << c.a.top << "," << c.a.right << "," << c.a.bottom
             << ", b " << c.b.left << "," << c.b.top << "," << c.b.right << "," << c.b.bottom << ", phase " << c.phase;
        return [c = std::move(c)](bool fast) {
            Outcome o;
            Handle img = clone(c.img.get());
            const Fence fi(img.get()), fm(c.mask.get());
            auto draw = [&] {
                if (c.op == 0)
                    return (fast ? oxImageSelectionMerge : plain::image_selection_merge)(img.get(), c.mask.get(), &c.a,
                                                                                         c.phase);
                if (c.op == 1)
                    return (fast ? oxImageMoveSelectionMerge : plain::image_move_selection_merge)(
                        img.get(), c.mask.get(), &c.a, &c.b);
                return (fast ? oxImageMoveSelectionMergeEx : plain::image_move_selection_merge_ex)(img.get(),
                                                                                                   c.mask.get(), &c.b);
            };
            o.code = draw();
            o.bytes = image_bytes(img.get());
            if (fast) {
                const Bytes original = image_bytes(c.img.get());
                if (header_of(img.get()).bitCount == 32)
                    for (size_t i = OX_IMAGE_HEADER_SIZE; i < original.size(); i += 4)
                        if (o.bytes[i] != original[i]) ADD_FAILURE() << "fourth byte changed at " << i;
                draw();
                EXPECT_EQ(image_bytes(img.get()), original) << "drawing twice did not restore";
            }
            return o;
        };
    });
    EXPECT_NE(sum, 0u);
}

}  // namespace
