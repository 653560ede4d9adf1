// Masked transfers and the selected box fill: the calls random cases never make, then the run paths held to
// the per-pixel reference on random images, masks, offsets and depths (pinned).
#include <random>

#include "selection/transfer.h"
#include "selection_masks.h"

using namespace oxtest;

namespace {

constexpr int32_t kDepths[] = {1, 8, 24, 32};

// The calls the pinned random cases below never make.
TEST(SelectTransfer, HandlesOfZero) {
    Handle img = make_image(3, 2, 24);
    EXPECT_EQ(oxSelectImageToImage(0, 0, 0, 0, 0, 0, 0, 0, 0, img.get(), 0, 0, 3, 2), 0);
    EXPECT_EQ(oxSelectImageToImage(img.get(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 2), 0);
    EXPECT_EQ(oxSelectImageBoxFill(0, 0, 0, 0, 0, 0, 0, 1), 0);
}

// The random conditions hold white or random pixels, never one byte short of white.
TEST(SelectTransfer, ConditionPixelsAreWhiteOnlyWithAllThreeBytes) {
    Handle src = image_with(24, 4, {1, 2, 3, 4}), dst = image_with(24, 4, {9, 9, 9, 9});
    Handle cond = image_with(24, 4, {0xFFFFFF, 0xFEFFFF, 0xFFFEFF, 0xFFFFFE});
    EXPECT_EQ(oxSelectImageToImage(dst.get(), 0, 0, cond.get(), 0, 0, 0, 0, 0, src.get(), 0, 0, 4, 1), 1);
    EXPECT_EQ(values(dst.get()), (Values{1, 9, 9, 9}));
}

// The three functions on random images of every depth, random masks and condition images at random
// offsets (partly or wholly outside), sizes of 0 and below; copies within one image, and a destination
// that is also the mask or the condition image.
TEST(TransferDifferential, FastPathsMatchThePlainVersions) {
    namespace plain = ox::selection::plain;
    const uint64_t sum = differential(4242, 3000, [](std::mt19937 &rng, std::ostream &what) {
        struct Case {
            int op, alias;  // alias: 0 none, 1 source is dst, 2 mask is dst, 3 condition is dst
            bool flag;
            int32_t dx, dy, cx, cy, mx, my, sx, sy, w, h;
            uint32_t value;
            Handle dst, src, cond, mask;
        } c{};
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
        if (rng() % 4 == 0) {
            c.cond = random_image(rng, kDepths[2 + rng() % 2], 140);
            const Locked l(c.cond.get());  // plenty of exact whites
            for (int32_t y = 0; y <= l->maxY; ++y)
                for (int32_t x = 0; x <= l->maxX; ++x)
                    if (rng() % 3) oxImagePutPixel(l.get(), x, y, 0xFFFFFF);
        }
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
        what << "op " << c.op << ", " << header_of(c.src.get()).bitCount << " -> " << dh.bitCount << " bits, alias "
             << c.alias << (c.mask ? ", mask" : "") << (c.cond ? ", condition" : "") << ", flag " << c.flag << ", "
             << c.w << "x" << c.h << " at " << c.dx << "," << c.dy << " from " << c.sx << "," << c.sy;
        return [c = std::move(c)](bool fast) {
            Outcome o;
            Handle d = clone(c.dst.get());
            Handle m = c.mask ? clone(c.mask.get()) : Handle();
            const OxHandle s = c.alias == 1 ? d.get() : c.src.get();
            const OxHandle mk = c.alias == 2 ? d.get() : m.get();
            const OxHandle cd = c.alias == 3 ? d.get() : c.cond.get();
            const Fence fd(d.get()), fm(m.get()), fc(c.cond.get()), fs(c.alias == 1 ? 0 : c.src.get());
            if (c.op == 0)
                o.code = (fast ? oxSelectImageToImage : plain::select_image_to_image)(
                    d.get(), c.dx, c.dy, cd, c.cx, c.cy, mk, c.mx, c.my, s, c.sx, c.sy, c.w, c.h);
            else if (c.op == 1)
                o.code = (fast ? oxSelectImageToImageEx : plain::select_image_to_image_ex)(
                    d.get(), c.dx, c.dy, cd, c.cx, c.cy, mk, c.mx, c.my, s, c.sx, c.sy, c.w, c.h, c.flag);
            else
                o.code = (fast ? oxSelectImageBoxFill : plain::select_image_box_fill)(d.get(), cd, mk, c.dx, c.dy,
                                                                                       c.w, c.h, c.value);
            o.bytes = image_bytes(d.get());
            return o;
        };
    });
    EXPECT_EQ(sum, 14105957354990685152ull);  // pinned: a change in what both paths draw shows here
}

// The eight-pixel groups of the Ex transfers between equal 24- or 32-bit depths, and the box fill's stores
// around the cache (turned on for every size here): wide images at small offsets, so that most rows hold
// whole groups and long runs; whites with any fourth byte; copies within one row a few pixels apart.
TEST(TransferDifferential, GroupsAndStreamedFillsMatchThePlainVersions) {
    namespace plain = ox::selection::plain;
    struct StreamAlways {
        StreamAlways() { ox::selection::set_streaming_fill_bytes(1); }
        ~StreamAlways() { ox::selection::set_streaming_fill_bytes(0); }
    } stream_always;
    const uint64_t sum = differential(777, 800, [](std::mt19937 &rng, std::ostream &what) {
        struct Case {
            bool fill, alias, flag;
            int32_t dx, dy, cx, cy, mx, my, sx, sy, w, h;
            uint32_t value;
            Handle dst, src, cond, mask;
        } c{};
        c.fill = rng() % 3 == 0;
        const bool gray = !c.fill && rng() % 3 == 0;
        const int32_t bits = gray ? 32 : c.fill ? kDepths[1 + rng() % 3] : kDepths[2 + rng() % 2];
        const int32_t W = in(rng, 1, 260), H = in(rng, 1, 12);
        auto picture = [&] {
            const int32_t iw = W + in(rng, 0, 9), ih = H + in(rng, 0, 2);
            Handle img = make_image(iw, ih, bits, gray ? OX_LAYER_GRAY : OX_LAYER_NORMAL);
            fill_random(img.get(), rng);
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
        if (rng() % 4 == 0) {
            c.cond = random_image(rng, kDepths[2 + rng() % 2], 270);
            const Locked l(c.cond.get());
            for (int32_t y = 0; y <= l->maxY; ++y)
                for (int32_t x = 0; x <= l->maxX; ++x)
                    if (rng() % 4) oxImagePutPixel(l.get(), x, y, 0xFFFFFF);
        }
        auto near = [&] { return in(rng, -12, 12); };
        c.dx = near(), c.dy = near() / 4, c.sx = near(), c.sy = near() / 4, c.mx = near(), c.my = near() / 4;
        c.cx = near(), c.cy = near() / 4;
        c.w = in(rng, 1, 280), c.h = in(rng, 1, 14);
        if (rng() % 4 == 0) c.w = c.h = 0;
        c.alias = !c.fill && rng() % 5 == 0;
        if (c.alias) c.sx = c.dx + in(rng, -9, 9), c.sy = c.dy + in(rng, -1, 1);
        c.flag = gray;
        c.value = static_cast<uint32_t>(rng());
        what << (c.fill ? "fill " : "transfer ") << bits << " bits" << (gray ? " gray" : "")
             << (c.alias ? ", alias" : "") << (c.cond ? ", condition" : "") << ", " << c.w << "x" << c.h << " at "
             << c.dx << "," << c.dy << " from " << c.sx << "," << c.sy << ", mask at " << c.mx << "," << c.my;
        return [c = std::move(c)](bool fast) {
            Outcome o;
            Handle d = clone(c.dst.get());
            const OxHandle s = c.alias ? d.get() : c.src.get();
            const Fence fd(d.get()), fm(c.mask.get()), fc(c.cond.get()), fs(c.alias ? 0 : c.src.get());
            if (c.fill)
                o.code = (fast ? oxSelectImageBoxFill : plain::select_image_box_fill)(
                    d.get(), c.cond.get(), c.mask.get(), c.dx, c.dy, c.w, c.h, c.value);
            else
                o.code = (fast ? oxSelectImageToImageEx : plain::select_image_to_image_ex)(
                    d.get(), c.dx, c.dy, c.cond.get(), c.cx, c.cy, c.mask.get(), c.mx, c.my, s, c.sx, c.sy, c.w, c.h,
                    c.flag);
            o.bytes = image_bytes(d.get());
            return o;
        };
    });
    EXPECT_EQ(sum, 8003897897507913071ull);  // pinned: a change in what both paths draw shows here
}

}  // namespace
