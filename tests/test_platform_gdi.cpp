// The headless drawing layer: raster-operation copies, stretching, rectangles, polygons and DIB transfer,
// checked pixel by pixel through the host's read-back calls.
#include <array>
#include <random>
#include <tuple>
#include <vector>

#include "oxw.h"
#include "core/cpu.h"
#include "platform/dib_rows.h"
#include "platform/gdi.h"
#include "ddb_support.h"

namespace {

using namespace ox::platform;
using oxtest::pixels_of;

// A colour bitmap of random pixels selected into its own memory context, and the pens and brushes handed
// to own(); the context is deleted at scope end, which lets go of what it holds, and then the objects.
struct Canvas {
    OxwBitmap bmp;
    OxwDC dc;
    std::vector<GdiObject> owned;
    Canvas(int32_t w, int32_t h, std::mt19937 *rng = nullptr, int bits = 32) {
        bmp = create_bitmap(w, h, bits);
        dc = create_compatible_dc(0);
        EXPECT_NE(select_object(dc, bmp), 0u);
        for (int32_t y = 0; rng && y < h; ++y)
            for (int32_t x = 0; x < w; ++x) set_bitmap_pixel(bmp, x, y, (*rng)() & 0xFFFFFF);
    }
    ~Canvas() {
        EXPECT_TRUE(delete_dc(dc));
        EXPECT_TRUE(delete_object(bmp));
        for (const GdiObject o : owned) EXPECT_TRUE(delete_object(o));
    }
    GdiObject own(GdiObject object) {
        owned.push_back(object);
        return object;
    }
    uint32_t at(int32_t x, int32_t y) const {
        uint32_t c = 0xDEADBEEF;
        get_bitmap_pixel(bmp, x, y, &c);
        return c;
    }
};

// Every operation, offsets partly outside both surfaces: each destination pixel is the operation on the
// source pixel it lines up with, untouched where the source or destination lies outside.
TEST(PlatformBlit, RasterOperationsAndClipping) {
    std::mt19937 rng(7);
    const uint32_t brush_color = 0x3366CC;
    const struct {
        uint32_t rop;
        uint32_t (*op)(uint32_t p, uint32_t s, uint32_t d);
    } ops[] = {
        {kSrcCopy, [](uint32_t, uint32_t s, uint32_t) { return s; }},
        {kSrcAnd, [](uint32_t, uint32_t s, uint32_t d) { return s & d; }},
        {kSrcPaint, [](uint32_t, uint32_t s, uint32_t d) { return s | d; }},
        {kSrcInvert, [](uint32_t, uint32_t s, uint32_t d) { return s ^ d; }},
        {kDstInvert, [](uint32_t, uint32_t, uint32_t d) { return ~d & 0xFFFFFF; }},
        {kNotSrcCopy, [](uint32_t, uint32_t s, uint32_t) { return ~s & 0xFFFFFF; }},
        {kPatCopy, [](uint32_t p, uint32_t, uint32_t) { return p; }},
        // no shortcut for this one: the general sum over the eight bit combinations
        {0x00B80000, [](uint32_t p, uint32_t s, uint32_t d) { return ((s & d) | (~s & p)) & 0xFFFFFF; }},
    };
    const oxtest::NoLeaks no_leaks;
    for (const auto &o : ops) {
        Canvas src(9, 7, &rng), dst(8, 6, &rng);
        select_object(dst.dc, dst.own(create_solid_brush(brush_color)));
        const std::vector<uint32_t> before = pixels_of(dst.bmp);
        const int32_t x = -2, y = 3, sx = 4, sy = -1, w = 9, h = 6;  // the operations not reading the source
                                                                  // are not clipped by it
        ASSERT_TRUE(bit_blt(dst.dc, x, y, w, h, src.dc, sx, sy, o.rop));
        for (int32_t dy = 0; dy < 6; ++dy)
            for (int32_t dx = 0; dx < 8; ++dx) {
                const int32_t X = dx - x, Y = dy - y, px = sx + X, py = sy + Y;
                const bool src_in = !rop_uses_source(o.rop) || (px >= 0 && px < 9 && py >= 0 && py < 7);
                const bool hit = X >= 0 && X < w && Y >= 0 && Y < h && src_in;
                const uint32_t d = before[dy * 8 + dx];
                const uint32_t want = hit ? o.op(brush_color, src.at(px, py), d) : d;
                ASSERT_EQ(dst.at(dx, dy), want) << std::hex << o.rop << " at " << std::dec << dx << "," << dy;
            }
    }
}

// Overlapping copy within one surface reads the source as it was; monochrome and colour meet through the
// contexts' text and background colours.
TEST(PlatformBlit, OverlapAndMonochromeConversion) {
    std::mt19937 rng(3);
    Canvas c(10, 4, &rng);
    const std::vector<uint32_t> before = pixels_of(c.bmp);
    ASSERT_TRUE(bit_blt(c.dc, 2, 1, 8, 3, c.dc, 0, 0, kSrcCopy));  // a row read after the one above it is written
    for (int32_t y = 1; y < 4; ++y)
        for (int32_t x = 2; x < 10; ++x) EXPECT_EQ(c.at(x, y), before[(y - 1) * 10 + x - 2]);

    Canvas mono(4, 1, nullptr, 1), color(4, 1);
    set_bitmap_pixel(mono.bmp, 1, 0, 0xFFFFFF);
    set_bitmap_pixel(mono.bmp, 3, 0, 0xFFFFFF);
    set_text_color(color.dc, 0x0000FF);
    set_bk_color(color.dc, 0x00FF00);
    ASSERT_TRUE(bit_blt(color.dc, 0, 0, 4, 1, mono.dc, 0, 0, kSrcCopy));  // 0 bits: text colour, 1: background
    EXPECT_EQ(pixels_of(color.bmp), (std::vector<uint32_t>{0x0000FF, 0x00FF00, 0x0000FF, 0x00FF00}));
    set_bk_color(color.dc, 0x0000FF);  // colour to monochrome: the source's background colour becomes white
    ASSERT_TRUE(bit_blt(mono.dc, 0, 0, 4, 1, color.dc, 0, 0, kSrcCopy));
    EXPECT_EQ(pixels_of(mono.bmp), (std::vector<uint32_t>{0xFFFFFF, 0, 0xFFFFFF, 0}));
}

TEST(PlatformBlit, StretchSamplesNearestPixel) {
    std::mt19937 rng(11);
    Canvas src(5, 4, &rng);
    for (const auto &[w, h, sw, sh] : {std::tuple{7, 9, 3, 4}, {2, 2, 5, 4}, {10, 8, 5, 4}, {4, 3, 4, 3}}) {
        Canvas dst(12, 10);
        ASSERT_TRUE(stretch_blt(dst.dc, 1, 1, w, h, src.dc, 1, 0, sw, sh, kSrcCopy));
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 12; ++x) {
                const int32_t px = 1 + (x - 1) * sw / w, py = (y - 1) * sh / h;  // source pixels past x 4 skipped
                const bool in = x >= 1 && x < 1 + w && y >= 1 && y < 1 + h && px < 5;
                const uint32_t want = in ? src.at(px, py) : 0xFFFFFF;
                ASSERT_EQ(dst.at(x, y), want) << w << "x" << h << " from " << sw << "x" << sh << " at " << x << ","
                                              << y;
            }
    }
    Canvas dst(4, 4);
    EXPECT_FALSE(stretch_blt(dst.dc, 0, 0, -4, 4, src.dc, 0, 0, 4, 4, kSrcCopy));  // no mirroring
}

// Picture of a canvas: '#' black, '.' white.
std::string picture(const Canvas &c, int32_t w, int32_t h) {
    std::string s;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) s += c.at(x, y) == 0 ? '#' : c.at(x, y) == 0xFFFFFF ? '.' : '?';
        s += '\n';
    }
    return s;
}

// Corners come in either order; a pen of width 2 grows the outline (left..right-1, top..bottom-1) outward.
TEST(PlatformShapes, RectangleCornersAndWidePen) {
    Canvas c(8, 6);
    select_object(c.dc, c.own(create_pen(kPenSolid, 2, 0)));
    select_object(c.dc, get_stock_object(kNullBrush));
    ASSERT_TRUE(rectangle(c.dc, 7, 5, 2, 2));
    EXPECT_EQ(picture(c, 8, 6), "........\n.#######\n.#######\n.##...##\n.#######\n.#######\n");
}

// Even-odd interior with top-left ownership, then the one-pixel outline through every vertex.
TEST(PlatformShapes, PolygonEvenOddAndOutline) {
    Canvas c(11, 11);
    const GdiObject black = c.own(create_solid_brush(0));
    select_object(c.dc, black);
    select_object(c.dc, get_stock_object(kNullPen));
    const OxPoint square[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
    ASSERT_TRUE(polygon(c.dc, square));
    EXPECT_EQ(picture(c, 7, 6), ".......\n.####..\n.####..\n.####..\n.......\n.......\n");

    select_object(c.dc, get_stock_object(kBlackPen));
    select_object(c.dc, get_stock_object(kNullBrush));
    ASSERT_TRUE(fill_rect(c.dc, {0, 0, 11, 11}, get_stock_object(kWhiteBrush)));
    const OxPoint triangle[] = {{0, 0}, {6, 3}, {0, 5}};
    ASSERT_TRUE(polygon(c.dc, triangle));
    EXPECT_EQ(picture(c, 7, 6), "#......\n###....\n#..##..\n#....##\n#.###..\n##.....\n");

    // A bow tie crossing itself: both lobes are inside, its hole between two crossings stays white. A
    // five-pointed star keeps its centre white by the even-odd rule.
    select_object(c.dc, black);
    select_object(c.dc, get_stock_object(kNullPen));
    ASSERT_TRUE(fill_rect(c.dc, {0, 0, 11, 11}, get_stock_object(kWhiteBrush)));
    const OxPoint star[] = {{5, 0}, {8, 10}, {0, 3}, {10, 3}, {2, 10}};
    ASSERT_TRUE(polygon(c.dc, star));
    EXPECT_EQ(c.at(5, 5), 0xFFFFFFu);  // the centre pentagon, crossed twice
    EXPECT_EQ(c.at(5, 2), 0u);         // the top point
    EXPECT_EQ(c.at(1, 3), 0u);         // the left point
    EXPECT_EQ(c.at(7, 8), 0u);         // the lower right point

    // Far-away vertices cost nothing and still give the visible edge pixels.
    select_object(c.dc, get_stock_object(kBlackPen));
    const OxPoint far[] = {{-2000000000, 5}, {2000000000, 5}, {0, 2000000000}};
    ASSERT_TRUE(polygon(c.dc, far));
    for (int32_t x = 0; x < 11; ++x) EXPECT_EQ(c.at(x, 5), 0u) << x;
}

// Random DIBs of every depth, either row order and short colour tables, drawn one to one and stretched
// with clipping on every side, into colour and monochrome bitmaps: each destination pixel is the
// operation on the stored pixel that nearest sampling names, untouched where it names none.
TEST(PlatformDib, TransferMatchesNearestSampling) {
    std::mt19937 rng(11);
    const auto in = [&](int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(rng() % (hi - lo + 1)); };
    for (int round = 0; round < 500; ++round) {
        const int bits = std::array{1, 4, 8, 24, 32}[rng() % 5];
        const int32_t dib_w = in(1, 75) * (rng() % 2 ? 4 : 1), rows = in(1, 12);
        const bool bottom_up = rng() % 2;
        const uint32_t row_bytes = dib_row_bytes(dib_w, bits);
        std::vector<uint8_t> store(static_cast<std::size_t>(row_bytes) * rows);  // exactly the rows
        for (uint8_t &b : store) b = static_cast<uint8_t>(rng());
        std::vector<uint8_t> colors(256 * 4);
        for (uint8_t &b : colors) b = static_cast<uint8_t>(rng());
        const uint32_t count = bits <= 8 ? in(0, 1 << bits) : 0;
        const DibView v{dib_w, bottom_up ? rows : -rows, bits, colors.data(), count, store.data(), store.size()};
        const bool mono = rng() % 6 == 0;
        const uint32_t rop = std::array{kSrcCopy, kSrcCopy, kSrcInvert, kSrcAnd}[rng() % 4];
        Canvas c(in(1, 280), in(1, 20), &rng, mono ? 1 : 32);
        int32_t W = 0, H = 0;
        oxwHostGetBitmapSize(c.bmp, &W, &H, nullptr);
        const bool same = rng() % 2;
        const int32_t w = in(1, 320), h = in(1, 25), sw = same ? w : in(1, 320), sh = same ? h : in(1, 25);
        // Half the sources end at the DIB's last column, where word loads meet the row's end.
        const int32_t x = in(-20, 30), y = in(-5, 10), sy = in(-3, rows + 2);
        const int32_t sx = rng() % 2 ? in(-10, dib_w + 3) : dib_w - sw;
        std::vector<uint32_t> want = pixels_of(c.bmp);
        for (int32_t Y = 0; Y < h; ++Y)
            for (int32_t X = 0; X < w; ++X) {
                const int64_t dx = int64_t{x} + X, dy = int64_t{y} + Y, px = sx + int64_t{X} * sw / w;
                const int64_t oy = int64_t{Y} * sh / h, stored = bottom_up ? sy + sh - 1 - oy : sy + oy;
                if (dx < 0 || dx >= W || dy < 0 || dy >= H || px < 0 || px >= dib_w || stored < 0 || stored >= rows)
                    continue;
                const uint8_t *row = store.data() + stored * row_bytes;
                uint32_t s;
                if (bits >= 24) {
                    const uint8_t *p = row + px * (bits / 8);
                    s = p[2] | p[1] << 8 | p[0] << 16;
                } else {
                    const uint32_t index = (row[px * bits / 8] >> (8 - bits - px * bits % 8)) & ((1u << bits) - 1);
                    const uint8_t *e = colors.data() + 4 * index;
                    s = index < count ? e[2] | e[1] << 8 | e[0] << 16 : 0;
                }
                if (mono) s = (s & 0xFF) + (s >> 8 & 0xFF) + (s >> 16) >= 384 ? 0xFFFFFF : 0;
                uint32_t &d = want[dy * W + dx];
                d = (rop == kSrcCopy ? s : rop == kSrcInvert ? s ^ d : s & d) & 0xFFFFFF;
            }
        ASSERT_TRUE(stretch_dib_bits(c.dc, x, y, w, h, sx, sy, sw, sh, v, rop));
        ASSERT_EQ(pixels_of(c.bmp), want) << "round " << round << " depth " << bits;
        const DibView cut{v.width, v.height, v.bit_count, v.colors, v.color_count, v.bits, v.bits_size - 1};
        EXPECT_FALSE(stretch_dib_bits(c.dc, x, y, w, h, sx, sy, sw, sh, cut, rop));  // rows run past the store
    }
}

// Both variants of the row converter give every length the bytes of each pixel, reading only its rows.
TEST(PlatformDib, RowConvertersAgree) {
    std::mt19937 rng(3);
    for (std::size_t n = 0; n < 70; ++n) {
        std::vector<uint8_t> src(3 * n);
        for (uint8_t &b : src) b = static_cast<uint8_t>(rng());
        std::vector<uint32_t> want(n);
        for (std::size_t i = 0; i < n; ++i) want[i] = src[3 * i] | src[3 * i + 1] << 8 | src[3 * i + 2] << 16;
        for (const uint32_t variant : ox::core::cpu_feature_levels(ox::core::kAvx2)) {
            const ox::core::CpuFeatureLimit limit(variant);
            std::vector<uint32_t> out(n + 1, 0xABCDEF01);
            rows::bgr24_to_surface(src.data(), n, out.data());
            EXPECT_EQ(out[n], 0xABCDEF01u) << "wrote past the run, variant " << variant;
            out.resize(n);
            EXPECT_EQ(out, want) << n << " pixels, variant " << variant;
        }
    }
}

// Stale and made-up handles are refused everywhere; selected objects cannot be deleted.
TEST(PlatformHandles, RefusedHandles) {
    const OxwBitmap bmp = create_bitmap(4, 4, 32);
    const OxwDC dc = create_compatible_dc(0);
    ASSERT_NE(select_object(dc, bmp), 0u);
    EXPECT_FALSE(delete_object(bmp));
    const OxwDC other = create_compatible_dc(dc);
    EXPECT_EQ(select_object(other, bmp), 0u);  // one context at a time
    EXPECT_FALSE(invert_rect(other, {0, 0, 1, 1}));  // its shared stock bitmap takes no drawing
    EXPECT_TRUE(delete_dc(other));
    EXPECT_TRUE(delete_dc(dc));
    EXPECT_TRUE(delete_object(bmp));
    for (uintptr_t h : {uintptr_t{bmp}, uintptr_t{dc}, uintptr_t{0}, uintptr_t{12345}, ~uintptr_t{0}}) {
        EXPECT_FALSE(delete_object(h));
        EXPECT_FALSE(delete_dc(h));
        EXPECT_EQ(select_object(h, get_stock_object(kBlackPen)), 0u);
        EXPECT_FALSE(bit_blt(h, 0, 0, 1, 1, h, 0, 0, kSrcCopy));
        EXPECT_FALSE(rectangle(h, 0, 0, 2, 2));
        EXPECT_FALSE(invert_rect(h, {0, 0, 2, 2}));
        EXPECT_EQ(oxwHostGetBitmapSize(h, nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(oxwHostReleaseDC(0, h), 0);
    }
    EXPECT_EQ(create_bitmap(0, 5, 32), 0u);
    EXPECT_EQ(create_bitmap(70000, 1, 32), 0u);
    EXPECT_TRUE(delete_object(get_stock_object(kWhiteBrush)));  // stock objects stay
    EXPECT_TRUE(is_object(get_stock_object(kWhiteBrush)));
}

}  // namespace
