// Masked transfers and the selected box fill: the calls random cases never make, then the run paths held to
// the per-pixel reference on random images, masks, offsets and depths (pinned).
#include <random>

#include "selection/transfer.h"
#include "selection_masks.h"

using namespace oxtest;

namespace {

// The calls the pinned random cases below never make: handles of 0, and condition pixels one byte short of
// white (the random conditions hold white or random pixels).
TEST(SelectTransfer, HandlesOfZeroAndNearWhiteConditions) {
    Handle img = make_image(3, 2, 24);
    EXPECT_EQ(oxSelectImageToImage(0, 0, 0, 0, 0, 0, 0, 0, 0, img.get(), 0, 0, 3, 2), 0);
    EXPECT_EQ(oxSelectImageToImage(img.get(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 2), 0);
    EXPECT_EQ(oxSelectImageBoxFill(0, 0, 0, 0, 0, 0, 0, 1), 0);
    Handle src = image_with(24, 4, {1, 2, 3, 4}), dst = image_with(24, 4, {9, 9, 9, 9});
    Handle cond = image_with(24, 4, {0xFFFFFF, 0xFEFFFF, 0xFFFEFF, 0xFFFFFE});
    EXPECT_EQ(oxSelectImageToImage(dst.get(), 0, 0, cond.get(), 0, 0, 0, 0, 0, src.get(), 0, 0, 4, 1), 1);
    EXPECT_EQ(values(dst.get()), (Values{1, 9, 9, 9}));
}

// A random 24- or 32-bit condition image up to `side` pixels each way, about (n - 1) / n of it exact white.
Handle condition(std::mt19937 &rng, int32_t side, uint32_t n) {
    Handle img = random_image(rng, kDepths[2 + rng() % 2], side);
    const Locked l(img.get());
    for (int32_t y = 0; y <= l->maxY; ++y)
        for (int32_t x = 0; x <= l->maxX; ++x)
            if (rng() % n) oxImagePutPixel(l.get(), x, y, 0xFFFFFF);
    return img;
}

// One call of the differential tests: op 0 oxSelectImageToImage, 1 oxSelectImageToImageEx, 2 the box fill;
// alias 1, 2 or 3 makes the source, the mask or the condition image the destination itself.
struct Transfer {
    int op = 0, alias = 0;
    bool flag = false;
    int32_t dx = 0, dy = 0, cx = 0, cy = 0, mx = 0, my = 0, sx = 0, sy = 0, w = 0, h = 0;
    uint32_t value = 0;
    Handle dst, src, cond, mask;

    Outcome run(bool fast) const {
        namespace plain = ox::selection::plain;
        Outcome o;
        Handle d = clone(dst.get());
        Handle m = mask ? clone(mask.get()) : Handle();
        const OxHandle s = alias == 1 ? d.get() : src.get();
        const OxHandle mk = alias == 2 ? d.get() : m.get();
        const OxHandle cd = alias == 3 ? d.get() : cond.get();
        const Fence fd(d.get()), fm(m.get()), fc(cond.get()), fs(alias == 1 ? 0 : src.get());
        if (op == 0)
            o.code = (fast ? oxSelectImageToImage : plain::select_image_to_image)(d.get(), dx, dy, cd, cx, cy, mk,
                                                                                   mx, my, s, sx, sy, w, h);
        else if (op == 1)
            o.code = (fast ? oxSelectImageToImageEx : plain::select_image_to_image_ex)(
                d.get(), dx, dy, cd, cx, cy, mk, mx, my, s, sx, sy, w, h, flag);
        else
            o.code = (fast ? oxSelectImageBoxFill : plain::select_image_box_fill)(d.get(), cd, mk, dx, dy, w, h, value);
        o.bytes = image_bytes(d.get());
        return o;
    }
};

// The three functions on random images of every depth, random masks and condition images at random
// offsets (partly or wholly outside), sizes of 0 and below; copies within one image, and a destination
// that is also the mask or the condition image.
TEST(TransferDifferential, FastPathsMatchThePlainVersions) {
    const uint64_t sum = differential(4242, 3000, [](std::mt19937 &rng) {
        Transfer c;
        c.op = static_cast<int>(rng() % 3);
        const bool gray_pair = rng() % 4 == 0;
        c.dst = random_image(rng, gray_pair ? 32 : kDepths[rng() % 4], 140);
        const OxImageHeader &dh = header_of(c.dst.get());
        if (gray_pair) header_of(c.dst.get()).layer = OX_LAYER_GRAY;
        c.src = random_image(rng, gray_pair ? 32 : kDepths[rng() % 4], 140);
        if (gray_pair) header_of(c.src.get()).layer = OX_LAYER_GRAY;
        if (rng() % 5) {  // one draw per statement: the draws feed the pinned checksum
            const int32_t mw = in(rng, 1, 160), mh = in(rng, 1, 60);
            c.mask = random_mask(rng, mw, mh);
        }
        if (rng() % 4 == 0) c.cond = condition(rng, 140, 3);
        c.alias = rng() % 8 == 0 ? static_cast<int>(1 + rng() % 3) : 0;
        if (c.alias == 2 && dh.bitCount != 1) c.alias = 0;
        if (c.alias == 3) c.cond = Handle();  // the destination stands for it
        c.flag = rng() % 2;
        const int32_t W = dh.width, H = dh.height;
        auto pick = [&](int32_t side) { return in(rng, -20, side + 5); };
        c.dx = pick(W), c.dy = pick(H), c.sx = pick(W), c.sy = pick(H), c.mx = pick(W), c.my = pick(H);
        c.cx = pick(W), c.cy = pick(H);
        c.w = in(rng, -2, 150), c.h = in(rng, -2, 60);
        if (c.alias == 1) c.sx = c.dx + in(rng, -9, 9), c.sy = c.dy + in(rng, -2, 2);
        if (rng() % 6 == 0) c.w = c.h = 0;
        if (c.op == 2 && rng() % 6 == 0) c.dx = c.dy = 0;
        c.value = static_cast<uint32_t>(rng());
        return [c = std::move(c)](bool fast) { return c.run(fast); };
    });
    EXPECT_EQ(sum, 14105957354990685152ull);  // pinned: a change in what both paths draw shows here
}

// The eight-pixel groups of the Ex transfers between equal 24- or 32-bit depths, and the box fill's stores
// around the cache (turned on for every size here): wide images at small offsets, so that most rows hold
// whole groups and long runs; whites with any fourth byte; copies within one row a few pixels apart.
TEST(TransferDifferential, GroupsAndStreamedFillsMatchThePlainVersions) {
    struct StreamAlways {
        StreamAlways() { ox::selection::set_streaming_fill_bytes(1); }
        ~StreamAlways() { ox::selection::set_streaming_fill_bytes(0); }
    } stream_always;
    const uint64_t sum = differential(777, 800, [](std::mt19937 &rng) {
        Transfer c;
        c.op = rng() % 3 == 0 ? 2 : 1;
        const bool gray = c.op == 1 && rng() % 3 == 0;
        const int32_t bits = gray ? 32 : c.op == 2 ? kDepths[1 + rng() % 3] : kDepths[2 + rng() % 2];
        const int32_t W = in(rng, 1, 260), H = in(rng, 1, 12);
        auto picture = [&] {
            const int32_t iw = W + in(rng, 0, 9), ih = H + in(rng, 0, 2);
            Handle img = noisy_image(rng, iw, ih, bits, gray ? OX_LAYER_GRAY : OX_LAYER_NORMAL);
            const Locked l(img.get());
            const uint32_t common = static_cast<uint32_t>(rng());
            for (int32_t y = 0; y <= l->maxY; ++y)
                for (int32_t x = 0; x <= l->maxX; ++x)
                    if (rng() % 3 == 0) oxImagePutPixel(l.get(), x, y, rng() % 2 ? common : 0xFFFFFFu | rng() << 24);
            return img;
        };
        c.dst = picture();
        c.src = picture();
        const int32_t mw = W + in(rng, 0, 20), mh = H + in(rng, 0, 2);
        c.mask = random_mask(rng, mw, mh);
        if (rng() % 4 == 0) c.cond = condition(rng, 270, 4);
        auto near = [&] { return in(rng, -12, 12); };
        c.dx = near(), c.dy = near() / 4, c.sx = near(), c.sy = near() / 4, c.mx = near(), c.my = near() / 4;
        c.cx = near(), c.cy = near() / 4;
        c.w = in(rng, 1, 280), c.h = in(rng, 1, 14);
        if (rng() % 4 == 0) c.w = c.h = 0;
        c.alias = c.op == 1 && rng() % 5 == 0;
        if (c.alias) c.sx = c.dx + in(rng, -9, 9), c.sy = c.dy + in(rng, -1, 1);
        c.flag = gray;
        c.value = static_cast<uint32_t>(rng());
        return [c = std::move(c)](bool fast) { return c.run(fast); };
    });
    EXPECT_EQ(sum, 8003897897507913071ull);  // pinned: a change in what both paths draw shows here
}

}  // namespace
