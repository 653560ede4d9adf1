// Device-dependent bitmaps: the recorded size, bitmap files (and the files that are refused), the four
// copy cases, masked transfer, boxes, fills and the polygon marked into a mask, read back pixel by pixel
// through the host calls; every call releases the contexts and objects it made.
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "display_support.h"
#include "image_compare.h"
#include "win/ddb.h"

using namespace oxtest;

namespace {

// A bitmap of w x h whose pixel (x, y) is `colour(x, y)`, drawn with oxwDrawFillDDB one pixel at a time.
template <class F>
OxwBitmap painted(int32_t w, int32_t h, F colour) {
    uint32_t err = 0;
    const OxwBitmap b = oxwCreateDDB(0, 0, w, h, 24, &err);
    EXPECT_NE(b, 0u);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) oxwDrawFillDDB(0, 0, b, x, y, x + 2, y + 2, colour(x, y));
    return b;
}

OxColorRef tag(int32_t x, int32_t y) { return static_cast<OxColorRef>(0x010000 * (x + 1) + 0x100 * (y + 1) + 7); }

// The files that are refused, with their codes (the other codes of a missing path: the file tests). A
// block that does not hold up is refused with code 13 as in the DIB tests, and what loaded files hold is
// held to the DIB block conversion, by the DIB fuzzer's replay.
TEST(Ddb, BitmapFilesThatAreRefused) {
    NoLeaks guard;
    TempDir dir;
    const struct {
        const char *what;
        std::string path;
        uint32_t code;
    } refused[] = {
        {"missing", dir.file("none.bmp"), OX_ERROR_FILE_NOT_FOUND},
        {"folder", dir.path().string(), OX_ERROR_ACCESS_DENIED},
        {"header only", write_file(dir, "head.bmp", bmp_file({})), OX_ERROR_INVALID_DATA},
        {"short header", write_file(dir, "bm.bin", {'B', 'M', 0, 0}), OX_ERROR_INVALID_DATA},
        {"no BM", write_file(dir, "aaa.bin", Bytes(200, 'A')), OX_ERROR_INVALID_DATA},
    };
    for (const auto &c : refused) {
        uint32_t err = 0;
        EXPECT_EQ(oxwOpenFileDDB(0, 0, c.path.c_str(), &err), 0u) << c.what;
        EXPECT_EQ(err, c.code) << c.what;
    }
}

// (A bitmap without a recorded size copies nothing at size 0: the resource tests below.)
TEST(Ddb, CopyCasesAndTheRecordedSizeDefault) {
    NoLeaks guard;
    const HostWindow win(12, 10);
    Bitmap src(painted(6, 5, tag));
    uint32_t err;
    Bitmap dst(oxwCreateDDB(0, 0, 8, 8, 24, &err));
    // Bitmap onto the window's context, at the recorded size.
    oxwCopyDDB(win.handle, 0, 0, 3, 4, 0, 0, src.h, 0, 0, 0);
    Pixels px = win.pixels();
    const auto at = [&](int32_t x, int32_t y) { return px[static_cast<std::size_t>(y) * 12 + x]; };
    EXPECT_EQ((Pixels{at(3, 4), at(8, 8), at(9, 8), at(8, 9), at(2, 4)}),
              (Pixels{tag(0, 0), tag(5, 4), 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));
    // Masked transfer over two of those pixels: the mask's white shows the window, its black the picture.
    Bitmap mask(painted(2, 1, [](int32_t x, int32_t) { return x ? 0u : 0xFFFFFFu; }));
    Bitmap picture(painted(2, 1, [](int32_t x, int32_t) { return x ? 0x123456u : 0u; }));
    EXPECT_EQ(oxwTransparentBlt(win.dc, 3, 4, 2, 1, ox::win::BitmapDC(win.dc, picture.h).get(), 0, 0, mask.h), 1);
    px = win.pixels();
    EXPECT_EQ((Pixels{at(3, 4), at(4, 4)}), (Pixels{tag(0, 0), 0x123456}));
    // Stretching from the recorded size: 6 x 5 onto 12 x 10 (the sampling: the drawing layer's tests).
    Bitmap big(oxwCreateDDB(0, 0, 12, 10, 24, &err));
    oxwCopyDDBEx(win.handle, 0, big.h, 0, 0, 12, 10, src.h, 0, 0, 0, 0, 0);
    const Pixels b = pixels_of(big.h);
    EXPECT_EQ((Pixels{b[2 * 12 + 3], b[9 * 12 + 11]}), (Pixels{tag(1, 1), tag(5, 4)}));
    // From the context into a bitmap; bitmap to bitmap; within one bitmap (overlapping).
    oxwCopyDDB(win.handle, 0, dst.h, 0, 0, 2, 2, 0, 4, 5, 0);
    EXPECT_EQ(pixels_of(dst.h)[0], tag(1, 1));
    oxwCopyDDB(win.handle, 0, dst.h, 5, 5, 3, 3, src.h, 2, 1, 0);
    EXPECT_EQ(pixels_of(dst.h)[7 * 8 + 7], tag(4, 3));
    oxwCopyDDB(win.handle, 0, src.h, 1, 0, 5, 5, src.h, 0, 0, 0);
    EXPECT_EQ(pixels_of(src.h)[2 * 6 + 5], tag(4, 2));
}

// A new bitmap records its size and is white; a box and a fill on it. (A bitmap without a recorded size
// gives an empty rectangle: the resource tests below.)
TEST(Ddb, CreateBoxAndFill) {
    NoLeaks guard;
    uint32_t err = 0xDEAD;
    Bitmap b(oxwCreateDDB(0, 0, 8, 7, 24, &err));
    EXPECT_EQ(err, 0xDEADu);
    OxRect r{9, 9, 9, 9};
    EXPECT_EQ(oxGetPictRect(b.h, &r), &r);
    EXPECT_EQ((std::vector{r.left, r.top, r.right, r.bottom}), (std::vector{0, 0, 8, 7}));
    oxwDrawFillDDB(0, 0, b.h, 1, 1, 6, 5, 0x0000FF);
    oxwDrawBoxDDB(0, 0, b.h, 2, 2, 7, 6, 1, 0x00FF00);
    const Pixels px = pixels_of(b.h);
    const auto at = [&](int32_t x, int32_t y) { return px[static_cast<std::size_t>(y) * 8 + x]; };
    // The box's outline at both ends and its inside left alone; the fill without an outline, one pixel short
    // each way; white around both (the drawing layer's tests check the rectangles pixel by pixel).
    EXPECT_EQ((Pixels{at(2, 2), at(6, 5), at(7, 6), at(3, 3), at(1, 1), at(4, 3), at(5, 4), at(0, 0)}),
              (Pixels{0x00FF00, 0x00FF00, 0xFFFFFF, 0x0000FF, 0x0000FF, 0x0000FF, 0xFFFFFF, 0xFFFFFF}));
    for (auto [w, d] : {std::pair{4, 7}, std::pair{0, 24}}) {
        EXPECT_EQ(oxwCreateDDB(0, 0, w, 4, d, &err), 0u);
        EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    }
}

// The mask bits a polygon marks, worked out by drawing the same polygon, moved into its clipped box, with
// the drawing layer directly (black brush and pen on white).
std::vector<uint8_t> expected_marks(int32_t iw, int32_t ih, std::vector<OxPoint> pts) {
    int32_t l = 10000, t = 10000, r = -10000, b = -10000;
    for (const OxPoint &p : pts) l = std::min(l, p.x), t = std::min(t, p.y), r = std::max(r, p.x), b = std::max(b, p.y);
    l = std::max(l, 0), t = std::max(t, 0), r = std::min(r, iw - 1), b = std::min(b, ih - 1);
    std::vector<uint8_t> marks(static_cast<std::size_t>(iw) * ih, 0);
    if (r - l + 1 < 2 || b - t + 1 < 2) return marks;
    for (OxPoint &p : pts) p.x = std::max(p.x - l, 0), p.y = std::max(p.y - t, 0);
    using namespace ox::platform;
    const Bitmap bmp(create_bitmap(r - l + 1, b - t + 1, 32));
    const ox::win::BitmapDC mem(0, bmp.h);
    select_object(mem.get(), get_stock_object(kBlackBrush));
    select_object(mem.get(), get_stock_object(kBlackPen));
    polygon(mem.get(), pts);
    const Pixels px = pixels_of(bmp.h);
    for (int32_t y = t; y <= b; ++y)
        for (int32_t x = l; x <= r; ++x)
            marks[static_cast<std::size_t>(y) * iw + x] = px[(y - t) * (r - l + 1) + x - l] == 0;
    return marks;
}

TEST(PolygonFill, MarksTheCoveredPixelsInsideTheImage) {
    NoLeaks guard;
    // A square, x 2..6 and y 2..5: its points come back moved into its box. What is marked, the random
    // polygons below hold to the drawing layer.
    Handle mask = make_image(10, 8, 1, OX_LAYER_MASK);
    std::vector<OxPoint> sq = {{2, 2}, {6, 2}, {6, 5}, {2, 5}};
    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxwPolygonFill(0, mask.get(), sq.data(), 4, 2, &err), 1);
    EXPECT_EQ(err, 0xDEADu);
    EXPECT_EQ((std::vector<int32_t>{sq[0].x, sq[0].y, sq[2].x, sq[2].y}), (std::vector<int32_t>{0, 0, 4, 3}));

    // Boxes under 2 pixels: all vertices at one point, lines one pixel wide or high, a polygon beside the image.
    for (std::vector<OxPoint> pts :
         {std::vector<OxPoint>{{3, 3}, {3, 3}, {3, 3}}, std::vector<OxPoint>{{4, 0}, {4, 7}, {4, 3}},
          std::vector<OxPoint>{{0, 4}, {9, 4}, {3, 4}}, std::vector<OxPoint>{{20, 1}, {30, 5}, {25, 9}}}) {
        err = 0;
        EXPECT_EQ(oxwPolygonFill(0, mask.get(), pts.data(), 3, 2, &err), 0);
        EXPECT_EQ(err, OX_ERR_POLYGON_TOO_SMALL);
    }
    EXPECT_EQ(oxwPolygonFill(0, 0, sq.data(), 4, 2, &err), 0);
    EXPECT_EQ(oxwHostGetCursor(), 32514u);  // the wait cursor
}

// Random polygons over a mask, some reaching outside it: the marks are the drawing layer's pixels, set with
// mode 2 on a clear mask and cleared with mode 0 on a set one.
TEST(PolygonFill, RandomPolygonsMatchTheDrawingLayer) {
    std::mt19937 rng(21);
    for (int i = 0; i < 150; ++i) {
        const int32_t w = in(rng, 2, 40), h = in(rng, 2, 40), mode = i % 3 ? 2 : 0;
        const uint32_t flip = mode == 0;
        Handle mask = make_image(w, h, 1, OX_LAYER_MASK);
        if (mode == 0) oxImageErase(mask.get());
        std::vector<OxPoint> pts(static_cast<std::size_t>(in(rng, 3, 8)));
        for (OxPoint &p : pts) p = {in(rng, -10, w + 10), in(rng, -10, h + 10)};
        const std::vector<uint8_t> want = expected_marks(w, h, pts);
        uint32_t err = 0;
        const int32_t r = oxwPolygonFill(0, mask.get(), pts.data(), static_cast<int32_t>(pts.size()), mode, &err);
        if (r == 0) {
            ASSERT_EQ(err, OX_ERR_POLYGON_TOO_SMALL);
            continue;
        }
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                ASSERT_EQ(get(mask.get(), x, y), want[y * w + x] ^ flip) << "case " << i << " " << x << "," << y;
    }
}

// Bitmap resources of a registered module, by number and by name, and bitmaps of a system colour.
TEST(Ddb, ResourcesAndSystemColours) {
    NoLeaks guard;
    TempDir dir;
    uint32_t err = 0;
    write_file(dir, "7.bmp", bmp_file(dib_bytes(2, 1, 24, {}, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0, 0})));
    write_file(dir, "Logo.bmp", bmp_file(dib_bytes(3, 2, 1, {0x000000, 0xFFFFFF}, {0x40, 0, 0, 0, 0xA0, 0, 0, 0})));
    write_file(dir, "bad.bmp", bmp_file(dib_bytes(2, 2, 8, {}, Bytes(2000, 0), 300)));  // 300 table entries
    const OxwModule module = oxwHostRegisterModule(dir.path().c_str(), &err);
    ASSERT_NE(module, 0u) << err;

    Bitmap logo(oxwOpenResourceDDB(0, 0, "LOGO", 0, module, &err));
    EXPECT_EQ(pixels_of(logo.h), (Pixels{0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF, 0}));  // top row stored last
    OxRect r;
    oxGetPictRect(logo.h, &r);
    EXPECT_EQ((std::vector{r.right, r.bottom}), (std::vector{3, 2}));
    Bitmap seven(oxwOpenResourceDDB(0, 0, reinterpret_cast<const char *>(uintptr_t{7}), 0, module, &err));
    EXPECT_EQ(pixels_of(seven.h), (Pixels{0x112233, 0x445566}));

    // oxLoadPictResource reports the size but records none: a copy at size 0 copies nothing.
    int32_t w = 0, h = 0;
    Bitmap loaded(oxLoadPictResource(module, 7, &w, &h));
    EXPECT_EQ((std::vector{w, h}), (std::vector{2, 1}));
    oxGetPictRect(loaded.h, &r);
    EXPECT_EQ(r.right | r.bottom, 0);
    Bitmap target(painted(2, 1, tag));
    oxwCopyDDB(0, 0, target.h, 0, 0, 0, 0, loaded.h, 0, 0, 0);
    EXPECT_EQ(pixels_of(target.h), (Pixels{tag(0, 0), tag(1, 0)}));

    // A missing resource: the palette chrome tests.
    for (auto [name, mod, code] :
         {std::tuple{"bad", module, OX_ERROR_INVALID_DATA}, std::tuple{"logo", module + 1, OX_ERROR_INVALID_HANDLE}}) {
        err = 0;
        EXPECT_EQ(oxwOpenResourceDDB(0, 0, name, 0, mod, &err), 0u) << name;
        EXPECT_EQ(err, code) << name;
    }
    EXPECT_EQ(oxwHostUnregisterModule(module), 1);

    // The button face (index 15) over an existing bitmap (into a new one: the progress bar tests).
    EXPECT_EQ(oxwCreateSysColorDDB(0, target.h, 1, 1, 15, &err), target.h);
    EXPECT_EQ(pixels_of(target.h), (Pixels{0xC8D0D4, tag(1, 0)}));
    err = 0;
    EXPECT_EQ(oxwCreateSysColorDDB(0, 0, 0, 2, 15, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
}

}  // namespace
