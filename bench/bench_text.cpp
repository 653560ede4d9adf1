// Text: oxwImageDrawString_J of a 16-character caption into a 4096x3072 picture against the same call on a
// 320x240 one (the cost must not grow with the picture); counter bar steps per second on a 400-pixel pane
// with a 30-character caption; and glyph rendering (the font layer's, uncached) against FreeType's own bare
// loading and rendering of the same glyphs in the same run.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "ox.h"
#include "oxw.h"
#include "platform/font_face.h"

namespace {

// 16 characters in Shift-JIS: "セル画 Layer 12 仕上げ" in the Japanese edition's page.
constexpr const char *kCaption = "\x83\x5A\x83\x8B\x89\xE6 Layer 12 \x8E\x64\x8F\xE3\x82\xB0";

OxHandle image_of(int32_t w, int32_t h) {
    uint32_t err;
    OxHandle img = oxImageCreate(w, h, 24, &err);
    oxImageBoxFill(img, 0, 0, w, h, 0xFFFFFF);
    return img;
}

void BM_ImageDrawString(benchmark::State &state) {
    oxSetCodePage(932);
    static const OxHandle small = image_of(320, 240), large = image_of(4096, 3072);
    uint32_t err;
    oxbench::paired(
        state, [&] { oxwImageDrawString_J(0, 0, small, 10, 100, kCaption, 12, 0x0000FF, 0, &err); },
        [&] { oxwImageDrawString_J(0, 0, large, 2000, 1500, kCaption, 12, 0x0000FF, 0, &err); }, 1, 1);
}
BENCHMARK(BM_ImageDrawString);

void BM_CounterBarStep(benchmark::State &state) {
    const OxwWindow host = oxwHostCreateWindow(0, 0, 0, 640, 80, 1);
    oxwCreateStatusBar(host);
    OxRect r;
    const int32_t edges[] = {400, -1};
    oxwBarSize(80, &r, 2, 640, 22, edges);
    oxCreateBar_E("Tracing the outlines of cel 12", 1 << 30, 0, 1);  // 30 characters
    for (auto _ : state) oxBarStep();
    state.counters["rate"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    oxDeleteBar(0);
    oxwHostDestroyWindow(host);
}
BENCHMARK(BM_CounterBarStep);

// The Japanese edition's 12-point face, and the code points of a mixed text to render.
void BM_GlyphRender(benchmark::State &state) {
    ox::platform::LogFont rec;
    rec.height = -16;
    rec.weight = 400;
    rec.char_set = ox::platform::kShiftJisCharset;
    rec.pitch_and_family = 0x32;
    auto face = ox::platform::detail::FontFace::of(rec);
    std::vector<char32_t> codes;
    for (char32_t c = 0x21; c < 0x7F; ++c) codes.push_back(c);
    for (char32_t c = 0x3041; c < 0x3097; ++c) codes.push_back(c);  // hiragana
    for (char32_t c = 0x4E00; c < 0x4E60; ++c) codes.push_back(c);  // kanji
    FT_Library lib;
    FT_Init_FreeType(&lib);
    FT_Face bare;
    if (FT_New_Face(lib, face->info().file.c_str(), 0, &bare) != 0) {
        state.SkipWithError("no Japanese face installed");
        return;
    }
    FT_Set_Pixel_Sizes(bare, 0, 16);
    ox::platform::detail::Glyph g;
    oxbench::paired(
        state,
        [&] {
            for (char32_t c : codes) {
                FT_Load_Glyph(bare, FT_Get_Char_Index(bare, c), FT_LOAD_TARGET_MONO);
                FT_Render_Glyph(bare->glyph, FT_RENDER_MODE_MONO);
            }
        },
        [&] {
            auto lock = face->lock();
            for (char32_t c : codes) face->render(c, g);
        },
        1, static_cast<double>(codes.size()));
    FT_Done_Face(bare);
    FT_Done_FreeType(lib);
}
BENCHMARK(BM_GlyphRender);

}  // namespace

int main(int argc, char **argv) {
    oxbench::SummaryReporter rep;
    if (!oxbench::run_benchmarks(argc, argv, rep)) return 1;
    std::printf("\noxwImageDrawString_J of a 16-character caption (thread CPU time):\n");
    oxbench::ratio_line(rep, "BM_ImageDrawString", "4096x3072 image, against 320x240", 0.5, "ms/call",
                        oxbench::call_ms);
    if (const double rate = rep.get("BM_CounterBarStep", "rate"); rate > 0)
        std::printf("  %-30s %-44s %8.0f steps/s  %-5s (target 2000)\n", "BM_CounterBarStep",
                    "400-pixel pane, 30-character caption", rate, rate >= 2000 ? "ok" : "BELOW");
    std::printf("Glyph rendering, uncached, against FreeType's bare load and render of the same glyphs:\n");
    oxbench::ratio_line(rep, "BM_GlyphRender", "12-point Japanese face, monochrome", 0, "kglyphs/s",
                        oxbench::per(1e3));
    benchmark::Shutdown();
    return 0;
}
