// `oxdoc text TEXT -o OUT.png [--edition j|e|c] [--points N] [--style bold,italic,underline,strike]
// [--color RRGGBB]`: a UTF-8 text drawn by oxwImageDrawString_* into a white picture, written as PNG; and
// the demo's pictures of captions in the three editions and of a status bar halfway through a counter bar.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "command_line.h"
#include "commands.h"
#include "file_io.h"
#include "ox.h"
#include "oxw.h"
#include "png_io.h"

namespace oxdoc {
namespace {

using ImageDraw = int32_t (*)(OxwWindow, OxwDC, OxHandle, int32_t, int32_t, const char *, int32_t, OxColorRef,
                              int32_t, uint32_t *);

ImageDraw edition_of(const std::string &name) {
    if (name == "j") return oxwImageDrawString_J;
    if (name == "e") return oxwImageDrawString_E;
    if (name == "c") return oxwImageDrawString_C;
    return nullptr;
}

bool parse_style(const std::string &text, int32_t &style) {
    style = 0;
    std::stringstream in(text);
    for (std::string word; std::getline(in, word, ',');) {
        if (word == "bold") style |= 1;
        else if (word == "italic") style |= 0x100;
        else if (word == "underline") style |= 0x10000;
        else if (word == "strike") style |= 0x1000000;
        else return false;
    }
    return true;
}

// "RRGGBB" as a colour value (red in the low byte).
bool parse_color(const std::string &text, OxColorRef &color) {
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    const unsigned long rgb = std::strtoul(text.c_str(), nullptr, 16);
    color = static_cast<OxColorRef>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    return true;
}

// The code points of a UTF-8 text (bytes that do not start one are not counted).
size_t count_chars(const std::string &s) {
    return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The library's text functions read UTF-8 while this lives, then the page before comes back.
class Utf8Text {
public:
    Utf8Text() : before_(oxSetCodePage(65001)) {}
    ~Utf8Text() { oxSetCodePage(before_); }
    Utf8Text(const Utf8Text &) = delete;
    Utf8Text &operator=(const Utf8Text &) = delete;

private:
    uint32_t before_;
};

// A window's client pixels written as PNG.
bool write_window_png(OxwWindow window, int32_t w, int32_t h, const std::string &path, std::string &error) {
    std::vector<OxColorRef> colors(static_cast<size_t>(w) * static_cast<size_t>(h));
    if (!oxwHostReadWindowPixels(window, 0, 0, w, h, colors.data())) {
        error = "the window's pixels could not be read back";
        return false;
    }
    return write_colors_png(path, w, h, colors.data(), error);
}

}  // namespace

int cmd_text(const Invocation &a) {
    std::string error;
    const ImageDraw draw = edition_of(a.has("--edition") ? a.value("--edition") : "e");
    if (!draw) return a.usage_error("the edition is j, e or c");
    const std::string points_text = a.has("--points") ? a.value("--points") : "12";
    const long points = std::strtol(points_text.c_str(), nullptr, 10);
    if (points < 1 || points > 200 || points_text.find_first_not_of("0123456789") != std::string::npos)
        return a.usage_error("the points are a whole number from 1 to 200");
    int32_t style = 0;
    if (!parse_style(a.value("--style"), style))
        return a.usage_error("the style is a comma list of bold, italic, underline, strike");
    OxColorRef color = 0;
    if (a.has("--color") && !parse_color(a.value("--color"), color))
        return a.usage_error("the colour is six hex digits RRGGBB");

    const std::string &text = a.positional[0];
    // Room for every character at a full em and a line and a half, with a margin.
    const int64_t em = (points * 96 + 71) / 72;
    const int64_t w = std::min<int64_t>(16 + em * static_cast<int64_t>(std::max<size_t>(count_chars(text), 1)), 16384);
    const int64_t h = 16 + em * 3 / 2;
    uint32_t err = 0;
    OwnedHandle image(oxImageCreate(static_cast<int32_t>(w), static_cast<int32_t>(h), 24, &err));
    if (!image) return fail("text", "no memory for a " + std::to_string(w) + "x" + std::to_string(h) + " picture");
    oxImageBoxFill(image.get(), 0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h), 0xFFFFFF);
    {
        Utf8Text utf8;
        if (!draw(0, 0, image.get(), 8, static_cast<int32_t>(8 + em), text.c_str(), static_cast<int32_t>(points), color,
                  style, &err))
            return fail("text", "the text could not be drawn (code " + std::to_string(err) + ")");
    }
    if (!write_png(a.value("-o"), image.get(), error)) return fail("text", error);
    if (!is_stdout(a.value("-o")))
        std::printf("\"%s\" at %ld points -> %s\n", text.c_str(), points, a.value("-o").c_str());
    return kOk;
}

bool write_demo_text(const std::string &dir, std::string &error) {
    Utf8Text utf8;
    uint32_t err = 0;
    OwnedHandle image(oxImageCreate(480, 150, 24, &err));
    if (!image) {
        error = "no memory for the captions picture";
        return false;
    }
    oxImageBoxFill(image.get(), 0, 0, 480, 150, 0xECF0F4);
    const struct {
        ImageDraw draw;
        const char *text;
        OxColorRef color;
    } captions[] = {
        {oxwImageDrawString_J, "\xE3\x82\xBB\xE3\x83\xAB\xE7\x94\xBB\xE3\x81\xAE\xE4\xBB\x95\xE4\xB8\x8A\xE3\x81\x92",
         0x202020},  // Japanese: finishing the cel drawing
        {oxwImageDrawString_E, "Cel layer 3: ink and paint", 0x802000},
        {oxwImageDrawString_C, "\xE8\xB5\x9B\xE7\x92\x90\xE7\x94\xBB\xE5\xB1\x82\xE4\xB8\x8A\xE8\x89\xB2",
         0x0000A0},  // Chinese: colouring the cel layer
    };
    int32_t y = 40;
    for (const auto &c : captions) {
        if (!c.draw(0, 0, image.get(), 16, y, c.text, 20, c.color, 0, &err)) {
            error = "a caption could not be drawn (code " + std::to_string(err) + ")";
            return false;
        }
        y += 45;
    }
    if (!write_png(dir + "/captions.png", image.get(), error)) return false;

    // A host window with its status bar, halfway through a counter bar of 12 steps.
    const OxwWindow host = oxwHostCreateWindow(0, 0, 0, 480, 60, 1);
    if (!host || !oxwCreateStatusBar(host)) {
        error = "the display layer refused the status bar's window";
        oxwHostDestroyWindow(host);
        return false;
    }
    const OxwWindow bar = oxwGetStatusBarHandle();
    OxRect rect;
    const int32_t edges[] = {360, -1};
    oxwBarSize(60, &rect, 2, 480, 22, edges);
    oxwSetBarText("Ready", 1);
    oxCreateBar_E("Tracing outlines", 12, 0, 1);
    for (int i = 0; i < 6; ++i) oxBarStep();
    const bool ok = write_window_png(bar, 480, 22, dir + "/status-bar.png", error);
    oxDeleteBar(0);
    oxwHostDestroyWindow(host);
    return ok;
}

}  // namespace oxdoc
