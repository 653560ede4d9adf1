// Marching outlines: the calls random cases never make, then the word paths held to the per-pixel reference
// on random masks, images, rectangles and phases (pinned), with every drawing undone by a second call.
// Decided: the pixel below the mask's bottom row counts as selected, so a whole selection's bottom corners
// are drawn like the rest of the edge.
#include <random>

#include "selection/merge.h"
#include "selection_masks.h"

using namespace oxtest;

namespace {

// The random cases below are pinned; these are the calls they never make, and one decision.
TEST(ImageMoveSelectionMerge, FirstColumnAndRefusals) {
    Handle full = make_image(7, 7, 1, OX_LAYER_MASK);
    // At the image's left edge with a top below the first row, the region's top-left pixel is still drawn
    // when it is selected: the first-column class excepts only the rows below it. (The documented example
    // says such a call draws nothing in the image's first column; that holds only for a mask whose top-left
    // pixel is unselected. The class table is followed.)
    Handle img = make_image(10, 12, 24);  // all black
    OxRect b{0, 2, 7, 9};
    EXPECT_EQ(oxImageMoveSelectionMergeEx(img.get(), full.get(), &b), 1);
    for (int32_t y = 0; y < 12; ++y) EXPECT_EQ(get(img.get(), 0, y), y == 2 ? 0xFFFFFFu : 0u) << y;
    // Failures: no image gives 0; no mask, or a region right of the image, 1 with nothing drawn.
    EXPECT_EQ(oxImageMoveSelectionMergeEx(0, full.get(), &b), 0);
    EXPECT_EQ(oxImageMoveSelectionMergeEx(img.get(), 0, &b), 1);
    b = OxRect{10, 0, 17, 7};
    const Bytes before = image_bytes(img.get());
    EXPECT_EQ(oxImageMoveSelectionMergeEx(img.get(), full.get(), &b), 1);
    EXPECT_EQ(image_bytes(img.get()), before);
    EXPECT_EQ(oxImageSelectionMerge(0, full.get(), &b, 0), 0);
    EXPECT_EQ(oxImageSelectionMerge(full.get(), 0, &b, 0), 0);
    EXPECT_EQ(oxImageSelectionMerge(full.get(), full.get(), nullptr, 0), 0);
}

// All three functions on random images (every depth), random masks (some smaller than the image),
// rectangles partly or wholly outside, inconsistent image rectangles and every phase: the word paths must
// write what the per-pixel versions write, a second call must restore the image, and byte 0 of 32-bit
// pixels never changes.
TEST(MergeDifferential, FastPathsMatchThePlainVersionsAndDrawingTwiceRestores) {
    namespace plain = ox::selection::plain;
    const uint64_t sum = differential(90210, 2500, [](std::mt19937 &rng) {
        struct Case {
            int op;
            uint32_t phase;
            OxRect a, b;
            Handle img, mask;
        } c{};
        c.op = static_cast<int>(rng() % 3);
        c.img = random_image(rng, kDepths[rng() % 4], 150);
        const int32_t W = header_of(c.img.get()).width, H = header_of(c.img.get()).height;
        const bool same_size = c.op == 0 && rng() % 4;
        // One draw per statement: argument order is unspecified, and the draws feed the pinned checksum.
        const int32_t rw = same_size ? W : in(rng, 1, 160), rh = same_size ? H : in(rng, 1, 160);
        c.mask = random_mask(rng, rw, rh);
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
    EXPECT_EQ(sum, 12281250282271135007ull);  // pinned: a change in what both paths draw shows here
}

}  // namespace
