// Block copies: duplication and overwrite, copies with depth conversion, exchange. The conversions and
// decisions on small images, then the row-pointer paths held to the per-pixel reference on random images,
// blocks and depths.
#include <random>
#include <vector>

#include "image/copy.h"
#include "image_compare.h"

using namespace oxtest;

namespace {

constexpr int32_t kDepths[] = {1, 8, 24, 32};

TEST(ImageCopy, DuplicatesEveryKindAndFreesForASourceOfZero) {
    std::mt19937 rng(7);
    const int32_t kinds[][2] = {{1, OX_LAYER_NORMAL},  {1, OX_LAYER_MASK},  {8, OX_LAYER_NORMAL},
                                {24, OX_LAYER_NORMAL}, {32, OX_LAYER_NORMAL}, {32, OX_LAYER_GRAY}};
    for (const auto &k : kinds) {
        Handle src = make_image(13, 5, k[0], k[1]), dup;
        fill_random(src.get(), rng);  // spare bits of 1-bit rows too
        uint32_t err = 0xDEAD;
        ASSERT_EQ(oxImageCopy(dup.out(), src.get(), &err), 1);
        EXPECT_EQ(err, 0u);
        EXPECT_EQ(image_bytes(dup.get()), image_bytes(src.get())) << k[0] << " bits, layer " << k[1];
    }
    // Decided: an 8-bit image with layer 2 duplicates into a mask, its values thresholded.
    Handle levels = image_with(8, 2, {127, 128}), dup;
    header_of(levels.get()).layer = OX_LAYER_MASK;
    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxImageCopy(dup.out(), levels.get(), &err), 1);
    EXPECT_EQ(header_of(dup.get()).bitCount, 1);
    EXPECT_EQ(values(dup.get()), (Values{0, 1}));

    OxHandle h = make_image(4, 4, 24).release();
    err = 0xDEAD;
    EXPECT_EQ(oxImageCopy(&h, 0, &err), 1);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(err, 0u);
}

// Into an existing image of another size: the colour bytes of the common area (2 x 1 here); the fourth
// channel, the other pixels, the depth and the layer stay.
TEST(ImageCopy, IntoAnImageOfAnotherSize) {
    Handle src = image_with(24, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C});
    Handle dst = image_with(32, 3, {0x11AAAAAA, 0x22BBBBBB, 0x33CCCCCC}, OX_LAYER_GRAY);
    OxHandle h = dst.get();
    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxImageCopy(&h, src.get(), &err), 1);
    EXPECT_EQ(h, dst.get());
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(values(dst.get()), (Values{0x11010203, 0x22040506, 0x33CCCCCC}));
    EXPECT_EQ(header_of(dst.get()).layer, OX_LAYER_GRAY);
}

// One value through oxImageCopyEx from a row of nine such pixels at sbits into nine pixels holding `old` at
// dbits: the whole-byte kernels convert the first eight, the single-pixel code the ninth, and both must agree.
uint32_t converted(int32_t sbits, uint32_t v, int32_t dbits, uint32_t old = 0) {
    Handle s = make_image(9, 1, sbits), d = make_image(9, 1, dbits);
    for (int32_t x = 0; x < 9; ++x) put(s.get(), x, 0, v), put(d.get(), x, 0, old);
    EXPECT_EQ(oxImageCopyEx(d.get(), 0, 0, 9, 1, s.get(), 0, 0), 1);
    const Values out = values(d.get());
    EXPECT_EQ(out, Values(9, out[0])) << sbits << " -> " << dbits;
    return out[0];
}

TEST(ImageCopyEx, DepthConversions) {
    EXPECT_EQ(converted(24, 0x171717, 8), 23u);  // order B: (23, 23, 23) gives 23 (order A: 22)
    EXPECT_EQ(converted(24, 0x393939, 8), 56u);
    EXPECT_EQ(converted(32, 0xFF0000FF, 8), 76u);  // 255 x 0.3 truncated; the fourth channel is no colour
    EXPECT_EQ(converted(24, 0xFFFFFF, 1), 1u);
    EXPECT_EQ(converted(32, 0x7F7F7F, 1, 1), 0u);
    EXPECT_EQ(converted(8, 127, 1, 1), 0u);  // above 127 sets the bit
    EXPECT_EQ(converted(8, 128, 1), 1u);
    EXPECT_EQ(converted(1, 1, 8), 255u);
    EXPECT_EQ(converted(1, 1, 24), 0xFFFFFFu);
    EXPECT_EQ(converted(1, 0, 32, 0x5A123456), 0x5A000000u);  // colour bytes only into 32 bits
    EXPECT_EQ(converted(1, 1, 32, 0xA5123456), 0xA5FFFFFFu);
    EXPECT_EQ(converted(8, 0x7F, 32, 0x5A000000), 0x5A7F7F7Fu);
    EXPECT_EQ(converted(8, 0x12, 24), 0x121212u);
    // Between colour depths the fourth channel moves only from 32 to 32 bits.
    EXPECT_EQ(converted(32, 0x11223344, 32, 0x99000000), 0x11223344u);
    EXPECT_EQ(converted(24, 0x123456, 32, 0x5A000000), 0x5A123456u);
    EXPECT_EQ(converted(32, 0x11223344, 24), 0x223344u);
}

TEST(ImageCopyEx, OneBitPositionsActAsWholeBytes) {
    // x = 13 in a 1-bit source is the byte holding pixels 8..15, so the block starts at pixel 8.
    Handle src = make_image(16, 1, 1), dst = make_image(4, 1, 8), bits = make_image(16, 1, 1);
    put(src.get(), 8, 0, 1);
    put(src.get(), 10, 0, 1);
    ASSERT_EQ(oxImageCopyEx(dst.get(), 0, 0, 4, 1, src.get(), 13, 0), 1);
    EXPECT_EQ(values(dst.get()), (Values{255, 0, 255, 0}));
    // Into a 1-bit destination at x = 7: the block lands at pixel 0.
    ASSERT_EQ(oxImageCopyEx(bits.get(), 7, 0, 4, 1, dst.get(), 0, 0), 1);
    EXPECT_EQ(pixels(bits.get()), (Bytes{0xA0, 0x00}));
}

TEST(ImageCopyEx, LimitsAndRefusals) {
    Handle src = make_image(4, 4, 8), dst = make_image(6, 2, 8);
    for (int32_t i = 0; i < 16; ++i) put(src.get(), i % 4, i / 4, 10 + i);
    EXPECT_EQ(oxImageCopyEx(0, 0, 0, 1, 1, src.get(), 0, 0), 0);
    EXPECT_EQ(oxImageCopyEx(dst.get(), 0, 0, 1, 1, 0, 0, 0), 0);
    // w and h are limited to the smaller image (4 wide, 2 high) first.
    ASSERT_EQ(oxImageCopyEx(dst.get(), 0, 0, 100, 100, src.get(), 0, 0), 1);
    EXPECT_EQ(values(dst.get()), (Values{10, 11, 12, 13, 0, 0, 14, 15, 16, 17, 0, 0}));

    // A depth other than 1, 8, 24 and 32 is refused; a gray layer made for such a source is freed again.
    Handle odd = make_image(4, 4, 8);
    header_of(odd.get()).bitCount = 16;
    OxHandle h = odd.get(), made = 0;
    uint32_t err = 0xDEAD;
    EXPECT_EQ(oxImageCopy(&h, src.get(), &err), 0);
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(oxImageCopyEx(odd.get(), 0, 0, 4, 4, src.get(), 0, 0), 0);
    EXPECT_EQ(oxImageCopyEx(src.get(), 0, 0, 4, 4, odd.get(), 0, 0), 0);
    header_of(odd.get()).layer = OX_LAYER_GRAY;
    EXPECT_EQ(oxImageCopy(&made, odd.get(), &err), 0);
    EXPECT_EQ(made, 0u);
}

TEST(ImageSwap, ExchangesColourBytesOfEqualSizes) {
    Handle a = image_with(24, 2, {0x010203, 0x040506}), b = image_with(32, 2, {0x11AAAAAA, 0x22BBBBBB}, OX_LAYER_GRAY);
    ASSERT_EQ(oxSwapImage(a.get(), b.get()), 1);
    EXPECT_EQ(values(a.get()), (Values{0xAAAAAA, 0xBBBBBB}));
    EXPECT_EQ(values(b.get()), (Values{0x11010203, 0x22040506}));  // the fourth channel and the layer stay
    EXPECT_EQ(header_of(b.get()).layer, OX_LAYER_GRAY);

    // Other sizes, a handle of 0, and a colour image with an 8-bit one: refused, nothing changes.
    const Bytes before = image_bytes(a.get());
    EXPECT_EQ(oxSwapImage(a.get(), make_image(5, 6, 24).get()), 0);
    EXPECT_EQ(oxSwapImage(a.get(), make_image(5, 3, 8).get()), 0);
    EXPECT_EQ(oxSwapImage(a.get(), 0), 0);
    EXPECT_EQ(oxSwapImage(0, a.get()), 0);
    EXPECT_EQ(image_bytes(a.get()), before);
}

// oxImageCopyEx on random blocks (within one image a quarter of the time), oxImageCopy into new and existing
// images, and oxSwapImage. A copy within one image is held to the plain copy from an untouched duplicate:
// whatever the overlap, every pixel must be read before it is overwritten.
TEST(CopyDifferential, FastPathsMatchThePlainVersions) {
    namespace plain = ox::image::plain;
    const uint64_t sum = differential(20240611, 4000, [](std::mt19937 &rng, std::ostream &what) {
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
        what << "op " << c.op << ", " << header_of(c.src.get()).bitCount << " -> " << dh.bitCount << " bits"
             << (c.same ? " within one image" : "") << ", block " << c.dx << "," << c.dy << " " << c.w << "x" << c.h
             << " from " << c.sx << "," << c.sy;
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
