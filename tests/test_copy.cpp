// Block copies: duplication and overwrite, copies with depth conversion, exchange. The decisions random
// images never reach, then the row-pointer paths held to the per-pixel reference on random images, blocks
// and depths, with the outputs pinned.
#include <random>
#include <vector>

#include "image/copy.h"
#include "image_compare.h"

using namespace oxtest;

namespace {

// What the random cases below never draw: an 8-bit image labelled a mask, a source of 0, handles of 0, odd
// depths.
TEST(ImageCopy, LabelledBytesHandlesOfZeroAndOddDepths) {
    // Decided: an 8-bit image with layer 2 duplicates into a mask, its values thresholded.
    Handle levels = image_with(8, 2, {127, 128}), dup;
    header_of(levels.get()).layer = OX_LAYER_MASK;
    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxImageCopy(dup.out(), levels.get(), &err), 1);
    EXPECT_EQ(header_of(dup.get()).bitCount, 1);
    EXPECT_EQ(values(dup.get()), (Values{0, 1}));
    // A source of 0: result 1 and 0 in the destination.
    OxHandle h = make_image(4, 4, 24).release();
    err = 0xDEAD;
    EXPECT_EQ(oxImageCopy(&h, 0, &err), 1);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(err, 0u);
    Handle src = make_image(4, 4, 8);
    EXPECT_EQ(oxImageCopyEx(0, 0, 0, 1, 1, src.get(), 0, 0) + oxImageCopyEx(src.get(), 0, 0, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(oxSwapImage(src.get(), 0) + oxSwapImage(0, src.get()), 0);
    // A depth other than 1, 8, 24 and 32 is refused; a gray layer made for such a source is freed again.
    Handle odd = make_image(4, 4, 8);
    header_of(odd.get()).bitCount = 16;
    OxHandle made = 0;
    h = odd.get();
    err = 0xDEAD;
    EXPECT_EQ(oxImageCopy(&h, src.get(), &err), 0);
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(oxImageCopyEx(odd.get(), 0, 0, 4, 4, src.get(), 0, 0), 0);
    EXPECT_EQ(oxImageCopyEx(src.get(), 0, 0, 4, 4, odd.get(), 0, 0), 0);
    header_of(odd.get()).layer = OX_LAYER_GRAY;
    EXPECT_EQ(oxImageCopy(&made, odd.get(), &err), 0);
    EXPECT_EQ(made, 0u);
}

// oxImageCopyEx on random blocks (within one image a quarter of the time), oxImageCopy into new and existing
// images, and oxSwapImage. A copy within one image is held to the plain copy from an untouched duplicate:
// whatever the overlap, every pixel must be read before it is overwritten.
TEST(CopyDifferential, FastPathsMatchThePlainVersions) {
    namespace plain = ox::image::plain;
    const uint64_t sum = differential(20240611, 4000, [](std::mt19937 &rng) {
        struct Case {
            int op;
            bool same, fresh;
            int32_t dx, dy, w, h, sx, sy;
            Handle src, dst;
        } c{static_cast<int>(rng() % 3), false, false, 0, 0, 0, 0, 0, 0, {}, {}};
        c.src = random_image(rng, kDepths[rng() % 4], 45);
        c.same = c.op == 0 && rng() % 4 == 0;
        const int32_t dbits = kDepths[rng() % 4], sw = header_of(c.src.get()).width, sh = header_of(c.src.get()).height;
        c.dst = c.same                   ? clone(c.src.get())
                : c.op == 2 && rng() % 5 ? make_image(sw, sh, dbits)  // swaps need equal sizes
                                         : random_image(rng, dbits, 45);
        if (c.op == 2) fill_random(c.dst.get(), rng);
        c.fresh = c.op == 1 && rng() % 5 == 0;
        const OxImageHeader &dh = header_of(c.dst.get());
        auto pick = [&](int32_t side) { return in(rng, -6, side + 5); };
        c.dx = pick(dh.width), c.dy = pick(dh.height), c.w = in(rng, -2, 57), c.h = in(rng, -2, 27);
        c.sx = c.same ? c.dx + in(rng, -9, 9) : pick(sw);
        c.sy = c.same ? c.dy + in(rng, -1, 1) : pick(sh);
        if (rng() % 4 == 0) c.dx = c.dy = c.sx = c.sy = 0, c.w = c.h = 1000;  // well inside, the common use
        return [c = std::move(c)](bool fast) {
            Outcome o;
            Handle d = c.fresh ? Handle() : clone(c.op == 2 ? c.src.get() : c.dst.get());
            const OxHandle s = c.same && fast ? d.get() : c.src.get();
            if (c.op == 0) {
                o.code = (fast ? oxImageCopyEx : plain::image_copy_ex)(d.get(), c.dx, c.dy, c.w, c.h, s, c.sx, c.sy);
            } else if (c.op == 1) {
                uint32_t err = 0xDEAD;
                o.code = (fast ? oxImageCopy : plain::image_copy)(d.out(), s, &err) * 0x100000000ll + err;
            } else {
                Handle b = clone(c.dst.get());
                o.code = (fast ? oxSwapImage : plain::swap_image)(d.get(), b.get());
                o.bytes = image_bytes(b.get());
            }
            const Bytes out = image_bytes(d.get());
            o.bytes.insert(o.bytes.end(), out.begin(), out.end());
            return o;
        };
    });
    // Pins the outputs of this seed: a change here means the arithmetic changed.
    EXPECT_EQ(sum, 0x119D101DC456E1B7ull);
}

}  // namespace
