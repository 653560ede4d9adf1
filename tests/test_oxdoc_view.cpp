// oxdoc view: a picture drawn by the display layer at a zoom and written as PNG, checked pixel by pixel
// against what oxImageDraw's ways put on a window.
#include <cstring>

#include "oxdoc_runner.h"
#include "png_files.h"

using namespace oxtest;

namespace {

// A picture whose every pixel differs from its neighbours, so that a wrong sample shows.
Rgb pattern(int32_t w, int32_t h) {
    Rgb p{w, h, std::vector<uint8_t>(static_cast<std::size_t>(w) * h * 3)};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t *o = &p.px[3 * (static_cast<std::size_t>(y) * w + x)];
            o[0] = static_cast<uint8_t>(x * 37 + y * 11), o[1] = static_cast<uint8_t>(y * 53 + 7),
            o[2] = static_cast<uint8_t>((x ^ y) * 29);
        }
    return p;
}

}  // namespace

TEST_F(OxdocCommands, ViewDrawsThePictureAsTheDisplayLayerDoesAtEachZoom) {
    const Rgb in = pattern(12, 8);
    save_png(file("in.png"), in);

    // One to one, enlargement by 3, reduction by 2 (written with the four fraction digits allowed) and a size
    // with no whole factor.
    expect_runs({{{"view", "in.png", "-o", "same.png"}, 0},
                 {{"view", "in.png", "--zoom", "3", "-o", "big.png"}, 0, "36x24"},
                 {{"view", "in.png", "--zoom", "0.5000", "-o", "half.png"}, 0},
                 {{"view", "in.png", "--size", "5x3", "-o", "odd.png"}, 0}});

    // Reduced by 2, each pixel is the average of a 2 x 2 block, truncated (a row of the picture is 36 bytes);
    // otherwise the nearest pixel: column (X * 12) div width, row (Y * 8) div height, so that enlarged by 3 every
    // pixel is a 3 x 3 block.
    const struct {
        const char *name;
        int32_t w, h;
    } outputs[] = {{"same.png", 12, 8}, {"big.png", 36, 24}, {"half.png", 6, 4}, {"odd.png", 5, 3}};
    for (const auto &o : outputs) {
        std::vector<uint8_t> want;
        for (int32_t y = 0; y < o.h; ++y)
            for (int32_t x = 0; x < o.w; ++x) {
                const uint8_t *p = in.at(x * 12 / o.w, y * 8 / o.h);  // halved: the block's top left
                for (int c = 0; c < 3; ++c)
                    want.push_back(o.w == 6 ? (p[c] + p[c + 3] + p[c + 36] + p[c + 39]) >> 2 : p[c]);
            }
        EXPECT_EQ(load_png(file(o.name)).px, want) << o.name;
    }
}

TEST_F(OxdocCommands, ViewRefusesBadZoomsAndSizesClearly) {
    save_png(file("in.png"), pattern(40, 30));
    std::vector<Expected> table = {
        {{"view", "in.png", "--size", "10", "-o", "out.png"}, 2},
        {{"view", "in.png", "--size", "4x4", "--zoom", "2", "-o", "out.png"}, 2},
        {{"view", "in.png"}, 2},
        // Too large for a window: a failure that names the size, and no file left behind.
        {{"view", "in.png", "--zoom", "1000", "-o", "out.png"}, 1, "40000x30000"},
        // A tiny zoom keeps at least one pixel a side.
        {{"view", "in.png", "--zoom", "1/100", "-o", "dot.png"}, 0},
    };
    for (const char *zoom : {"0", "-2", "1/0", "x", "1.", ".00001", "2/3/4"})
        table.push_back({{"view", "in.png", "--zoom", zoom, "-o", "out.png"}, 2, "not a zoom"});
    expect_runs(table);
    EXPECT_FALSE(fs::exists(file("out.png")));
    EXPECT_EQ(load_png(file("dot.png")).px.size(), 3u);  // one pixel
}
