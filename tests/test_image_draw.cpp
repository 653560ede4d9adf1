// Drawing images as 128 x 128 tiles: the position checks, the row kernels held to the per-pixel reference
// tile for tile on random calls (tile layout, ways and sampling pinned by a checksum), and the drawing
// straight into a surface held to the reference's tiles put on a window.
#include <algorithm>
#include <random>
#include <vector>

#include "core/cpu.h"
#include "image/draw.h"
#include "platform/gdi.h"
#include "win/ddb.h"
#include "win/image_draw.h"
#include "display_support.h"
#include "image_compare.h"

using namespace oxtest;
using ox::image::DrawArgs;
using ox::image::Tile;

namespace {

// A tile as drawn: where, how large, the colour-table flag and its used bytes, top row first.
struct DrawnTile {
    int32_t x, y, w, h;
    uint32_t color_use;
    Bytes rows;
    bool operator==(const DrawnTile &) const = default;
};

struct Recording {
    std::vector<DrawnTile> tiles;

    static void sink(void *context, const Tile &t) {
        DrawnTile d{t.x, t.y, t.width, t.height, t.color_use, {}};
        for (int32_t r = t.height - 1; r >= 0; --r) {
            const uint8_t *row = t.bits + static_cast<std::size_t>(r) * ox::image::kTileRowBytes;
            d.rows.insert(d.rows.end(), row, row + 3 * t.width);
        }
        static_cast<Recording *>(context)->tiles.push_back(std::move(d));
    }
};

Recording draw(const DrawArgs &a, bool fast = true, int32_t *result = nullptr) {
    Recording rec;
    const int32_t r =
        fast ? ox::image::image_draw(a, Recording::sink, &rec) : ox::image::plain::image_draw(a, Recording::sink, &rec);
    if (result) *result = r;
    return rec;
}

// The calls the pinned random cases below never make: no image, a source start past the image.
TEST(ImageDraw, SourcePositionChecks) {
    Handle img = make_image(8, 6, 24);
    int32_t result = -1;
    const OxHandle i = img.get();
    for (auto [image, sx, sy] : {std::tuple{i, 9, 0}, {i, 0, 7}, {i, -1, 0}, {i, 0, -1}, {OxHandle{0}, 0, 0}}) {
        EXPECT_TRUE(draw({0, 0, 4, 4, image, sx, sy, 0, 0, 0}, true, &result).tiles.empty());
        EXPECT_EQ(result, 0);
    }
}

// A random oxImageDraw call on `img`. The destination starts up to `reach` pixels either side of the
// origin; the source rectangle may run off the image or be empty. The scale is one to one, enlargement by
// 2 or by 2 to 5, an exact reduction by 2 to 5 (the source cut to a multiple), unequal whole factors, no
// common factor, or any size up to `widest` x 300 (0 standing for the image's size).
DrawArgs random_call(std::mt19937 &rng, OxHandle img, int32_t reach, int32_t widest) {
    const int32_t w = oxImageGetWidthDirect(img), h = oxImageGetHeightDirect(img);
    DrawArgs a{in(rng, -reach, reach), in(rng, -reach, reach), 0, 0, img, in(rng, 0, w), in(rng, 0, h),
               in(rng, 0, w + 5), in(rng, 0, h + 5), static_cast<uint32_t>(rng() % 2)};
    const int32_t sw = a.sw ? std::min(a.sw, w - a.sx) : w - a.sx, sh = a.sh ? std::min(a.sh, h - a.sy) : h - a.sy;
    const int32_t k = in(rng, 2, 5);
    switch (rng() % 7) {
    case 0: a.dw = sw, a.dh = sh; break;
    case 1: a.dw = sw * 2, a.dh = sh * 2; break;
    case 2: a.dw = sw * k, a.dh = sh * k; break;
    case 3:
        a.dw = std::max(sw / k, 1), a.dh = std::max(sh / k, 1);
        if (sw >= k && sh >= k) a.sw = a.dw * k, a.sh = a.dh * k;
        break;
    case 4: a.dw = sw * 2, a.dh = sh * 3; break;
    case 5: a.dw = sw * 2 + 1, a.dh = sh; break;
    default: a.dw = in(rng, 0, widest), a.dh = in(rng, 0, 300); break;
    }
    return a;
}

// Random images and calls through both sets of row kernels and the per-pixel reference: the same tiles.
// Images up to 300 pixels wide give the vector kernels whole groups and rows that end inside a tile.
TEST(ImageDraw, RowKernelsMatchTheReference) {
    std::mt19937 rng(9);
    uint64_t sum = kChecksumStart;
    for (int i = 0; i < 700; ++i) {
        const int32_t bits = kDepths[rng() % 4];
        Handle img = random_image(rng, bits, rng() % 2 ? 150 : 300);
        DrawArgs a = random_call(rng, img.get(), 50, 300);
        if (rng() % 8 == 0) a.sx = in(rng, -2, oxImageGetWidthDirect(img.get()) + 2);
        int32_t r2 = -2;
        const Recording plain = draw(a, false, &r2);
        sum = fold(sum, {static_cast<uint8_t>(r2 + 2)});
        for (const DrawnTile &t : plain.tiles) {
            const int32_t place[5] = {t.x, t.y, t.w, t.h, static_cast<int32_t>(t.color_use)};
            const auto *bytes = reinterpret_cast<const uint8_t *>(place);
            sum = fold(fold(sum, Bytes(bytes, bytes + sizeof place)), t.rows);
        }
        for (const uint32_t kv : ox::core::cpu_feature_levels(ox::core::kAvx2)) {
            const ox::core::CpuFeatureLimit limit(kv);
            Recording fast;
            const int32_t r1 = ox::image::image_draw_visible(a, nullptr, Recording::sink, &fast);
            ASSERT_EQ(r1, r2) << "case " << i << " kernels " << kv;
            ASSERT_TRUE(fast.tiles == plain.tiles) << "case " << i << " depth " << bits << " kernels " << kv;
        }
    }    // Pinned: the tiles' places, flags and pixels of these calls; a change in the sampling shows here.
    EXPECT_EQ(sum, 2356883268713861809ull);
}

TEST(ImageDraw, TilesOutsideTheDeviceAreLeftOut) {
    Handle img = make_image(600, 400, 24);
    // Tiles end exactly on the device's right and bottom edges: the next ones are not drawn.
    const DrawArgs a{-284, 72, 600, 400, img.get(), 0, 0, 0, 0, 0};
    const Recording all = draw(a);
    Recording seen;
    const OxRect device{0, 0, 100, 200};
    ASSERT_EQ(ox::image::image_draw_visible(a, &device, Recording::sink, &seen), 1);
    std::vector<DrawnTile> want;
    for (const DrawnTile &t : all.tiles)
        if (t.x < device.right && t.x + t.w > device.left && t.y < device.bottom && t.y + t.h > device.top)
            want.push_back(t);
    EXPECT_EQ(want.size(), 1u);
    EXPECT_TRUE(seen.tiles == want);
    // A destination of two billion pixels a side costs only the tiles that meet the device.
    Recording huge;
    const DrawArgs big{-5, -5, 2000000000, 2000000000, img.get(), 0, 0, 0, 0, 0};
    ASSERT_EQ(ox::image::image_draw_visible(big, &device, Recording::sink, &huge), 1);
    EXPECT_EQ(huge.tiles.size(), 2u);
}

// Random calls drawn straight into a window, with both sets of row kernels, leave the window exactly as
// the per-pixel reference's tiles put on another one do: every way, depth and gray setting, destinations
// cut by any window edge, odd starts of an enlargement by 2, rows wider than one strip of tile columns.
TEST(ImageDraw, StraightIntoASurfaceLikeTheTiles) {
    std::mt19937 rng(21);
    for (int i = 0; i < 600; ++i) {
        const int32_t bits = kDepths[rng() % 4];
        Handle img = random_image(rng, bits, rng() % 4 ? 120 : 400);
        const DrawArgs a = random_call(rng, img.get(), rng() % 4 ? 40 : 150, 2300);
        const bool wide = rng() % 8 == 0;  // wider than one strip of tile columns
        HostWindow want(wide ? in(rng, 2049, 2400) : in(rng, 1, 300), wide ? in(rng, 1, 30) : in(rng, 1, 200));
        const int32_t r = ox::image::plain::image_draw(a, ox::win::put_tile, &want.dc);
        for (const uint32_t kernels : ox::core::cpu_feature_levels(ox::core::kAvx2)) {
            const ox::core::CpuFeatureLimit limit(kernels);
            HostWindow got(want.width, want.height);
            ASSERT_NE(ox::platform::SurfacePixels(got.dc).pixels, nullptr);  // so drawn straight into it
            ASSERT_EQ(oxImageDraw(got.dc, a.dx, a.dy, a.dw, a.dh, a.image, a.sx, a.sy, a.sw, a.sh, a.gray), r);
            ASSERT_TRUE(got.pixels() == want.pixels())
                << "case " << i << " depth " << bits << " kernels " << kernels;
        }
    }
}

// Destinations of about two billion pixels a side, far off the window's origin: the direct drawing
// visits only the window's pixels and gives what the tiles that meet the window give.
TEST(ImageDraw, HugeDestinationsStraightIntoASurface) {
    std::mt19937 rng(5);
    Handle img = noisy_image(rng, 300, 200, 24);  // random pixels: a misplaced source shows
    const OxRect device{0, 0, 64, 48};
    for (const DrawArgs &a : {DrawArgs{-1000000000, -500000000, 2000000000, 1500000000, img.get(), 0, 0, 0, 0, 0},
                              DrawArgs{-2147483000, 7, 2147483647, 100, img.get(), 5, 5, 0, 0, 0},
                              DrawArgs{-299, -199, 300, 200, img.get(), 0, 0, 0, 0, 0}}) {
        HostWindow got(device.right, device.bottom), want(device.right, device.bottom);
        ASSERT_EQ(oxImageDraw(got.dc, a.dx, a.dy, a.dw, a.dh, a.image, a.sx, a.sy, a.sw, a.sh, a.gray), 1);
        ASSERT_EQ(ox::image::image_draw_visible(a, &device, ox::win::put_tile, &want.dc), 1);
        const Pixels pixels = got.pixels();
        EXPECT_TRUE(pixels == want.pixels()) << a.dx << "," << a.dy;
        EXPECT_NE(std::count(pixels.begin(), pixels.end(), 0xFFFFFFu), static_cast<std::ptrdiff_t>(pixels.size()));
    }
    HostWindow win(4, 4);
    EXPECT_EQ(oxImageDraw(win.dc, 0, 0, 0, 0, img.get(), 301, 0, 0, 0, 0), 0);  // a source start past the image
    EXPECT_EQ(oxImageDraw(0, 0, 0, 0, 0, img.get(), 0, 0, 0, 0, 0), 1);  // no context: nothing to put tiles on
}

// A monochrome bitmap has no words to write: oxImageDraw puts the tiles on it through the DIB transfer.
TEST(ImageDraw, OnAMonochromeBitmapThroughTheTiles) {
    std::mt19937 rng(1);
    Handle img = noisy_image(rng, 300, 200, 24);  // light and dark pixels everywhere: a tile left out shows
    const DrawArgs a{-10, 5, 250, 150, img.get(), 3, 4, 125, 75, 0};
    Pixels pixels[2];
    for (int way = 0; way < 2; ++way) {
        const Bitmap bmp(ox::platform::create_bitmap(200, 100, 1));
        const ox::win::BitmapDC mem(0, bmp.h);
        OxwDC dc = mem.get();
        EXPECT_EQ(ox::platform::SurfacePixels(dc).pixels, nullptr);
        if (way == 0)
            ASSERT_EQ(oxImageDraw(dc, a.dx, a.dy, a.dw, a.dh, a.image, a.sx, a.sy, a.sw, a.sh, a.gray), 1);
        else
            ASSERT_EQ(ox::image::plain::image_draw(a, ox::win::put_tile, &dc), 1);
        pixels[way] = pixels_of(bmp.h);
    }
    EXPECT_TRUE(pixels[0] == pixels[1]);
    EXPECT_NE(std::count(pixels[0].begin(), pixels[0].end(), 0u), 0);  // the picture is there, not all white
}

}  // namespace
