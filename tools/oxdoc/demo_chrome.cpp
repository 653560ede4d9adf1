// The demo's window chrome: a splash made from the bundled picture with the version and a message drawn on
// it (splash.png), and a tool palette with its caption, close button and control glyphs, unrolled and
// rolled up (palette.png).
#include <cstring>
#include <filesystem>
#include <vector>

#include "cli.h"
#include "commands.h"
#include "file_io.h"
#include "ox.h"
#include "oxw.h"
#include "png_io.h"

namespace oxdoc {
namespace {

constexpr int32_t kSplashW = 420, kSplashH = 330;

// The splash picture: a title band and the cel drawing on a light ground, as bitmap file 1.bmp of `folder`.
bool write_splash_resource(const std::string &picture, const std::string &folder, std::string &error) {
    OwnedHandle cel(read_png(picture, error));
    if (!cel) return false;
    uint32_t err = 0;
    OwnedHandle image(oxImageCreate(kSplashW, kSplashH, 24, &err));
    if (!image) {
        error = "no memory for the splash picture";
        return false;
    }
    oxImageBoxFill(image.get(), 0, 0, kSplashW, kSplashH, 0xF4ECE4);
    oxImageBoxFill(image.get(), 0, 0, kSplashW, 30, 0x803010);
    // Near white: pure white would draw nothing.
    oxwImageDrawString_E(0, 0, image.get(), 10, 22, "oxwUtl demo", 14, 0xF8F0E8, 1, &err);
    oxImageCopyEx(image.get(), 50, 62, oxImageGetWidthDirect(cel.get()), oxImageGetHeightDirect(cel.get()), cel.get(),
                  0, 0);
    const OxwGlobal dib = oxwImageToDib(image.get(), &err);
    if (!dib) {
        error = "the splash picture could not be made into a bitmap";
        return false;
    }
    const uint32_t size = oxwGlobalSize(dib);
    std::vector<uint8_t> file(14 + size, 0);
    file[0] = 'B';
    file[1] = 'M';
    for (int i = 0; i < 4; ++i) file[2 + i] = static_cast<uint8_t>((14 + size) >> (8 * i));
    std::memcpy(file.data() + 14, oxwGlobalLock(dib), size);
    oxwGlobalUnlock(dib);
    oxwGlobalFree(dib);
    return ensure_dir(folder, error) && write_output(folder + "/1.bmp", file.data(), file.size(), error);
}

bool write_splash(const std::string &picture, const std::string &dir, std::string &error) {
    const std::string folder = dir + "/splash-resources";
    bool ok = write_splash_resource(picture, folder, error);
    uint32_t err = 0;
    const OxwModule module = ok ? oxwHostRegisterModule(folder.c_str(), &err) : 0;
    const char *loading = "Loading brushes and colour charts...";
    const OxwWindow splash = module ? oxCreateSplashWindow_E(0, module, 1, loading, 0) : 0;
    if (ok && !splash) {
        error = "the display layer refused the splash window";
        ok = false;
    }
    if (splash) {
        oxDrawSplashWindowString("Ready: 3 cel layers, 2 colour charts");
        std::vector<OxColorRef> pixels(static_cast<size_t>(kSplashW) * kSplashH);
        oxwHostReadWindowPixels(splash, 0, 0, kSplashW, kSplashH, pixels.data());
        ok = write_colors_png(dir + "/splash.png", kSplashW, kSplashH, pixels.data(), error);
        oxDestroySplashWindow();
    }
    oxwHostUnregisterModule(module);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return ok;
}

// Copies a window's pixels into a canvas of colour values `canvas_w` wide at (x, y).
void paste_window(OxwWindow window, int32_t w, int32_t h, std::vector<OxColorRef> &canvas, int32_t canvas_w,
                  int32_t x, int32_t y) {
    std::vector<OxColorRef> px(static_cast<size_t>(w) * h);
    if (!oxwHostReadWindowPixels(window, 0, 0, w, h, px.data())) return;
    for (int32_t row = 0; row < h; ++row)
        std::memcpy(&canvas[static_cast<size_t>(y + row) * canvas_w + x], &px[static_cast<size_t>(row) * w],
                    static_cast<size_t>(w) * sizeof(OxColorRef));
}

bool write_palette(const std::string &dir, std::string &error) {
    constexpr int32_t kW = 132, kH = 92, kGlyph = 24, kCanvasW = 2 * kW + 32, kCanvasH = kH + 16;
    const OxwWindow frame = oxwHostCreateWindow(0, 0, 0, 640, 400, 1);
    const OxwWindow palette = oxwHostCreateWindow(0, 100, 60, kW, kH, 1);
    oxwHostSetWindowText(palette, "Tools");
    uint32_t err = 0;
    const OxwBitmap bitmap = palette ? oxwCreatePaletteBitmap(palette, kW, kH, kW, kH, 1, 1, &err) : 0;
    if (!bitmap) {
        error = "the display layer refused the palette's bitmap";
        oxwHostDestroyWindow(palette);
        oxwHostDestroyWindow(frame);
        return false;
    }
    // Eight glyphs in two rows, each in a sunken well: the four arrows, then a square, a diamond, a flag and
    // a chevron.
    const std::vector<std::vector<OxPoint>> shapes = {
        {{16, 5}, {16, 19}, {7, 12}},   {{8, 5}, {8, 19}, {17, 12}},   {{5, 16}, {19, 16}, {12, 7}},
        {{5, 8}, {19, 8}, {12, 17}},    {{6, 6}, {18, 6}, {18, 18}, {6, 18}}, {{12, 4}, {20, 12}, {12, 20}, {4, 12}},
        {{6, 4}, {18, 8}, {8, 12}, {8, 20}, {6, 20}}, {{5, 6}, {12, 13}, {19, 6}, {19, 11}, {12, 18}, {5, 11}},
    };
    const OxColorRef colors[] = {0, 0, 0, 0, 0x2050C0, 0x30A040, 0x2020D0, 0x905020};
    for (size_t i = 0; i < shapes.size(); ++i) {
        const int32_t x = 8 + static_cast<int32_t>(i % 4) * 30, y = 23 + static_cast<int32_t>(i / 4) * 32;
        const OxwBitmap glyph = oxwCreateCtrlBitmapIndirect(0, 0, kGlyph, kGlyph, shapes[i].data(),
                                                            static_cast<int32_t>(shapes[i].size()), colors[i], 1, &err);
        oxwCopyDDB(0, 0, bitmap, x, y, kGlyph, kGlyph, glyph, 0, 0, 0);
        oxwHostDeleteObject(glyph);
        const OxRect well{x - 2, y - 2, x + kGlyph + 2, y + kGlyph + 2};
        oxwDrawSunkenEdge(0, bitmap, &well);
    }
    oxwCopyDDB(palette, 0, 0, 0, 0, kW, kH, bitmap, 0, 0, 0);
    std::vector<OxColorRef> canvas(static_cast<size_t>(kCanvasW) * kCanvasH, 0xE0E0E0);
    paste_window(palette, kW, kH, canvas, kCanvasW, 8, 8);
    // Rolled up to its caption, drawn inactive.
    int32_t rolled = 0;
    oxwPaletteShard(palette, frame, &rolled);
    oxwDrawPaletteCaption(palette, bitmap, 1, 0);
    paste_window(palette, kW, 21, canvas, kCanvasW, kW + 24, 8);
    oxwDeletePalette(palette, bitmap);
    oxwHostDestroyWindow(palette);
    oxwHostDestroyWindow(frame);
    return write_colors_png(dir + "/palette.png", kCanvasW, kCanvasH, canvas.data(), error);
}

}  // namespace

bool write_demo_chrome(const std::string &picture, const std::string &dir, std::string &error) {
    return write_splash(picture, dir, error) && write_palette(dir, error);
}

}  // namespace oxdoc
