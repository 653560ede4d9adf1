// Palette chrome: the caption bitmap's geometry and properties, the caption copied to the window, the close
// button, rolling up and down against the frame, sunken edges, transparency pairs and the icons made of
// them, control glyphs, and what each call refuses; every call releases what it made.
#include <tuple>

#include "display_support.h"
#include "platform/frame_drawing.h"
#include "platform/icon.h"

using namespace oxtest;

namespace {

constexpr OxColorRef kFace = 0xC8D0D4, kActive = 0x6A240A, kInactive = 0x808080;

std::vector<int32_t> rect_of(uintptr_t prop) {
    const auto *r = reinterpret_cast<const OxRect *>(prop);
    return r ? std::vector{r->left, r->top, r->right, r->bottom} : std::vector<int32_t>{};
}

OxColorRef pixel(OxwBitmap b, int32_t x, int32_t y) {
    OxColorRef c = 0xDEAD;
    EXPECT_EQ(oxwHostReadBitmapPixels(b, x, y, 1, 1, &c), 1);
    return c;
}

TEST(PaletteChrome, CaptionGeometryPropertiesAndCopy) {
    NoLeaks guard;
    const Window w(10, 10, 100, 60);
    uint32_t err = 0;
    const OxwBitmap b = oxwCreatePaletteBitmap(w, 100, 60, 100, 80, 1, 1, &err);
    ASSERT_NE(b, 0u);
    EXPECT_EQ(oxwHostGetProp(w, "Color3DFace"), kFace);
    EXPECT_EQ(rect_of(oxwHostGetProp(w, "PaletteRect")), (std::vector{0, 0, 100, 80}));
    EXPECT_EQ(rect_of(oxwHostGetProp(w, "CloseRectOnCaption")), (std::vector{81, 1, 93, 14}));
    EXPECT_EQ(rect_of(oxwHostGetProp(w, "CloseRectOnPalette")), (std::vector{82, 2, 12, 13}));
    // Caption strip, the button's raised corners at (81, 1) and (92, 13), the face below the strip.
    const std::tuple<int32_t, int32_t, OxColorRef> probes[] = {
        {0, 0, kActive}, {80, 5, kActive}, {93, 14, kActive}, {81, 1, kFace}, {92, 13, 0x404040}, {50, 15, kFace}};
    for (auto [x, y, c] : probes) EXPECT_EQ(pixel(b, x, y), c) << x << "," << y;

    // A pushed button looks different; rect 0 takes the property; copy puts 15 rows on the window.
    const Pixels up = pixels_of(b);
    EXPECT_EQ(oxwDrawCloseButton(w, 0, b, nullptr, 1, 1), 1);
    const Pixels pushed = pixels_of(b);
    EXPECT_NE(pushed, up);
    EXPECT_EQ(window_pixels(w, 0, 14, 100, 1), Pixels(pushed.begin() + 1400, pushed.begin() + 1500));

    // Inactive, without a button: the close properties go; the redraw copies the x = 94 columns only.
    const Window fresh(0, 0, 100, 60);
    const OxwBitmap b2 = oxwCreatePaletteBitmap(w, 100, 60, 100, 80, 0, 0, &err);
    EXPECT_EQ(oxwHostGetProp(w, "CloseRectOnCaption") | oxwHostGetProp(w, "CloseRectOnPalette"), 0u);
    EXPECT_EQ(pixel(b2, 90, 5), kInactive);
    oxwDrawPaletteCaption(fresh, b2, 1, 0);
    EXPECT_EQ(window_pixels(fresh, 93, 5, 2, 1), (Pixels{kInactive, 0xFFFFFF}));
    EXPECT_EQ(oxwDeletePalette(w, b2), 1);
    EXPECT_EQ(oxwHostGetProp(w, "PaletteRect") | oxwHostGetProp(w, "Color3DFace"), 0u);
    EXPECT_EQ(oxwDeletePalette(w, b), 1);
    EXPECT_EQ(oxwCreatePaletteBitmap(0, 100, 60, 100, 80, 1, 1, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(oxwCreatePaletteBitmap(fresh, 0, 60, 100, 80, 1, 1, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(oxwHostGetProp(fresh, "Color3DFace"), 0u);
}

// The frame's inner bottom is 300 - 2: a palette on it keeps its bottom there, one above keeps its top.
TEST(PaletteChrome, RollUpAndDown) {
    const Window frame(0, 0, 400, 300);
    uint32_t err = 0;
    for (auto [top, rolled_top, unrolled_top] : {std::tuple{218, 277, 218}, std::tuple{100, 100, 100}}) {
        const Window p(50, top, 100, 80);
        const OxwBitmap b = oxwCreatePaletteBitmap(p, 100, 80, 100, 80, 1, 1, &err);
        int32_t rolled = 0;
        EXPECT_EQ(oxwPaletteShard(p, frame, &rolled), 1);
        EXPECT_EQ(rolled, 1);
        EXPECT_EQ(window_corners(p), (std::vector{50, rolled_top, 150, rolled_top + 21}));
        EXPECT_EQ(oxwPaletteShard(p, frame, &rolled), 1);
        EXPECT_EQ(rolled, 0);
        EXPECT_EQ(window_corners(p), (std::vector{50, unrolled_top, 150, unrolled_top + 80}));
        EXPECT_EQ(oxwPaletteShard(p, frame, nullptr), 0);
        oxwDeletePalette(p, b);
        EXPECT_EQ(oxwPaletteShard(p, frame, &rolled), 0);  // no "PaletteRect" any more
        EXPECT_EQ(rolled, 0);
    }
}

// A sunken edge's two rings; the gradient caption (a system kind this layer never reports) runs from the
// caption colour at its left end to the gradient colour at its right end.
TEST(PaletteChrome, SunkenEdgeAndGradientCaption) {
    NoLeaks guard;
    uint32_t err = 0;
    Bitmap b(oxwCreateDDB(0, 0, 6, 6, 24, &err));
    const OxRect r{0, 0, 6, 6};
    EXPECT_EQ(oxwDrawSunkenEdge(0, b.h, &r), 1);
    const std::tuple<int32_t, int32_t, OxColorRef> probes[] = {
        {0, 0, 0x808080}, {1, 1, 0x404040}, {5, 5, 0xFFFFFF}, {4, 4, kFace}, {5, 0, 0xFFFFFF}, {2, 2, 0xFFFFFF}};
    for (auto [x, y, c] : probes) EXPECT_EQ(pixel(b.h, x, y), c) << x << "," << y;
    EXPECT_EQ(oxwDrawSunkenEdge(0, b.h, nullptr), 0);

    const OxwDC dc = ox::platform::create_compatible_dc(0);
    ox::platform::select_object(dc, b.h);
    const OxRect strip{0, 0, 6, 3};
    ox::platform::draw_caption(0, dc, &strip, ox::platform::kDcActive | ox::platform::kDcGradient);
    ox::platform::delete_dc(dc);  // the bitmap stays, free to delete
    EXPECT_EQ((std::vector{pixel(b.h, 0, 2), pixel(b.h, 5, 2), pixel(b.h, 5, 3)}),
              (std::vector<OxColorRef>{kActive, oxwHostGetSysColor(27), 0xFFFFFF}));  // row 3: the edge stays
}

// White is the only transparent colour: the mask is white there and the picture black, the pair that the
// masked transfer puts on a background.
TEST(PaletteChrome, MasksIconsAndTheirFailures) {
    NoLeaks guard;
    const std::size_t icons = ox::platform::live_icon_count();
    TempDir dir;
    const Pixels picture = {0x111111, 0x222222, 0x333333, 0x444444, 0x555555,
                            0x666666, 0xFFFFFF, 0xFEFEFE, 0x123456, 0x000000};
    write_bmp24(dir, "3.bmp", 5, 2, picture);
    uint32_t err = 0;
    const OxwModule module = oxwHostRegisterModule(dir.path().c_str(), &err);
    const Window w(0, 0, 8, 8);
    oxwHostSetWindowModule(w, module);
    OxwBitmap mask = 0, color = 0;
    int32_t width = 4, height = 1;
    ASSERT_EQ(oxwCreateMaskAndBitmap(w, 0, &mask, &color, 3, 1, 1, &width, &height, &err), 1);
    EXPECT_EQ(pixels_of(mask), (Pixels{0xFFFFFF, 0, 0, 0}));
    EXPECT_EQ(pixels_of(color), (Pixels{0, 0xFEFEFE, 0x123456, 0}));
    oxwHostDeleteObject(mask);
    oxwHostDeleteObject(color);

    // An icon keeps copies of the pair, sized from the picture when asked with 0.
    Bitmap pict(oxLoadPictResource(module, 3, nullptr, nullptr));
    width = height = 0;
    const OxwIcon icon = oxwCreateIconFromBitmapEx(0, pict.h, 0, 0, 0, &width, &height, &err);
    ASSERT_NE(icon, 0u);
    EXPECT_EQ((std::vector{width, height}), (std::vector{5, 2}));
    ASSERT_EQ(oxwHostGetIconBitmaps(icon, &mask, &color), 1);
    EXPECT_EQ(pixels_of(mask), (Pixels{0, 0, 0, 0, 0, 0, 0xFFFFFF, 0, 0, 0}));
    EXPECT_EQ(pixels_of(color)[6], 0u);
    oxwHostDeleteObject(mask);
    oxwHostDeleteObject(color);
    EXPECT_EQ(oxwHostDestroyIcon(icon), 1);
    const OxwIcon from_resource = oxwCreateIconFromBitmap(w, 0, 3, 0, 0, &err);
    ASSERT_NE(from_resource, 0u);
    oxwHostGetIconBitmaps(from_resource, &mask, nullptr);
    EXPECT_EQ((std::vector{pixel(mask, 1, 1), pixel(mask, 31, 31)}), (std::vector<OxColorRef>{0xFFFFFF, 0}));
    oxwHostDeleteObject(mask);
    oxwHostDestroyIcon(from_resource);

    const OxwWindow gone = gone_window();
    int32_t one = 1;
    const std::tuple<OxwWindow, OxwBitmap, uint16_t, int32_t *, uint32_t> failures[] = {
        {gone, 0, 3, &one, OX_ERROR_INVALID_WINDOW_HANDLE},  {w, 0, 4, &one, OX_ERROR_RESOURCE_NAME_NOT_FOUND},
        {w, 0x4242, 0, &one, OX_ERROR_INVALID_HANDLE},       {w, 0, 3, nullptr, OX_ERROR_INVALID_PARAMETER},
        {0, 0, 3, &one, OX_ERROR_RESOURCE_NAME_NOT_FOUND},  // window 0: the library's own module
    };
    for (auto [win, picture_handle, id, size, code] : failures) {
        err = 0;
        EXPECT_EQ(oxwCreateMaskAndBitmap(win, picture_handle, &mask, &color, id, 0, 0, size, size, &err), 0);
        EXPECT_EQ(err, code) << id;
    }
    EXPECT_EQ(oxwCreateIconFromBitmap(gone, 0, 3, 0, 0, &err), 0u);
    EXPECT_EQ(ox::platform::live_icon_count(), icons);
    oxwHostUnregisterModule(module);
}

// A glyph polygon on the face or on white; a resource's white area joined to its corner takes the face.
TEST(PaletteChrome, ControlBitmaps) {
    NoLeaks guard;
    uint32_t err = 0;
    const OxPoint triangle[] = {{0, 0}, {8, 0}, {0, 8}};
    Bitmap glyph(oxwCreateCtrlBitmapIndirect(0, 0, 8, 8, triangle, 3, 0x0000FF, 1, &err));
    EXPECT_EQ((std::vector{pixel(glyph.h, 1, 1), pixel(glyph.h, 7, 7)}), (std::vector{0x0000FFu, kFace}));
    EXPECT_EQ(oxwCreateCtrlBitmapIndirect(0, 0, 8, 8, nullptr, 3, 0, 1, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);

    TempDir dir;
    constexpr OxColorRef W = 0xFFFFFF, K = 0;
    write_bmp24(dir, "9.bmp", 5, 5, {W, W, W, W, W, W, K, K, K, W, W, K, W, K, W, W, K, K, K, W, W, W, W, W, W});
    write_bmp24(dir, "10.bmp", 2, 1, {K, W});
    const OxwModule module = oxwHostRegisterModule(dir.path().c_str(), &err);
    const Window w(0, 0, 8, 8);
    oxwHostSetWindowModule(w, module);
    Bitmap ring(oxwCreateCtrlBitmapFromResource(w, 0, 9, 7, 7, 1, &err));
    EXPECT_EQ((std::vector{pixel(ring.h, 0, 0), pixel(ring.h, 4, 4), pixel(ring.h, 1, 1), pixel(ring.h, 2, 2)}),
              (std::vector{kFace, kFace, K, W}));
    Bitmap dark(oxwCreateCtrlBitmapFromResource(w, 0, 10, 0, 0, 1, &err));
    EXPECT_EQ(pixels_of(dark.h), (Pixels{K, W}));
    EXPECT_EQ(oxwCreateCtrlBitmapFromResource(w, 0, 11, 0, 0, 1, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_RESOURCE_NAME_NOT_FOUND);
    oxwHostUnregisterModule(module);
}

// Windows and bitmaps of 0 or gone: the documented results, nothing touched through a missing property.
TEST(PaletteChrome, ZeroAndDestroyedHandles) {
    NoLeaks guard;
    const OxwWindow gone = gone_window();
    const Window bare(0, 0, 50, 50);  // a window without palette properties
    uint32_t err = 0;
    int32_t rolled = 0;
    const OxRect r{0, 0, 4, 4};
    for (OxwWindow w : {OxwWindow{0}, gone, bare.handle}) {
        EXPECT_EQ(oxwCreatePaletteBitmap(w == bare ? gone : w, 50, 50, 50, 50, 1, 1, &err), 0u);
        oxwDrawPaletteCaption(w, 0, 1, 1);
        EXPECT_EQ(oxwDrawCloseButton(w, 0, 0, nullptr, 0, 1), 0);
        EXPECT_EQ(oxwDrawCloseButton(w, 0, 0, &r, 0, 1), w ? 1 : 0);
        EXPECT_EQ(oxwPaletteShard(w, bare, &rolled), 0);
        EXPECT_EQ(oxwDeletePalette(w, 0), 0);
        EXPECT_EQ(oxwCreateCtrlBitmapFromResource(w, 0, 1, 0, 0, 1, &err), 0u);
    }
    EXPECT_EQ(rolled, 0);
    EXPECT_EQ(oxwDrawSunkenEdge(0, 0, &r), 1);
    EXPECT_EQ(oxwDrawSunkenEdge(0x4242, 0, &r), 0);
}

}  // namespace
