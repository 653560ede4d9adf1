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
    EXPECT_EQ(load_png(file("same.png")).px, in.px);

    // Enlarged, every pixel is a 3 x 3 block.
    const Rgb b = load_png(file("big.png"));
    ASSERT_EQ(b.w, 36);
    ASSERT_EQ(b.h, 24);
    for (int32_t y = 0; y < b.h; ++y)
        for (int32_t x = 0; x < b.w; ++x)
            ASSERT_EQ(std::memcmp(b.at(x, y), in.at(x / 3, y / 3), 3), 0) << x << "," << y;

    // Reduced by 2, each pixel is the average of a 2 x 2 block, truncated.
    const Rgb s = load_png(file("half.png"));
    ASSERT_EQ(s.w, 6);
    ASSERT_EQ(s.h, 4);
    for (int32_t y = 0; y < s.h; ++y)
        for (int32_t x = 0; x < s.w; ++x)
            for (int c = 0; c < 3; ++c) {
                const int sum = in.at(2 * x, 2 * y)[c] + in.at(2 * x + 1, 2 * y)[c] + in.at(2 * x, 2 * y + 1)[c] +
                                in.at(2 * x + 1, 2 * y + 1)[c];
                ASSERT_EQ(s.at(x, y)[c], sum >> 2) << x << "," << y << " channel " << c;
            }

    // A size with no whole factor samples the nearest pixel: column (X * 12) div 5, row (Y * 8) div 3.
    const Rgb o = load_png(file("odd.png"));
    ASSERT_EQ(o.w, 5);
    ASSERT_EQ(o.h, 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(std::memcmp(o.at(x, y), in.at(x * 12 / 5, y * 8 / 3), 3), 0) << x << "," << y;
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
    const Rgb dot = load_png(file("dot.png"));
    EXPECT_EQ(dot.w, 1);
    EXPECT_EQ(dot.h, 1);
}
