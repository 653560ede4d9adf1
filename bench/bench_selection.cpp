// Selections on a 4096x3072 canvas with a large irregular selection (overlapping discs with holes, 88% of
// the canvas in runs of every length), each operation timed in turn with its plain per-pixel reference inside one benchmark
// loop, so that both meet the same load on the machine. Each benchmark reports "x_ref" (its speed over the
// reference's); a summary with the targets follows the table, and the outline drawing is given in frames
// per second (a frame erases the last phase and draws the next: two calls).
#include <benchmark/benchmark.h>

#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "ox.h"
#include "selection/selection_mask.h"
#include "selection/merge.h"
#include "selection/transfer.h"

namespace {

namespace plain = ox::selection::plain;

constexpr int32_t kW = 4096, kH = 3072;

struct Image {
    OxHandle handle = 0;
    OxImageLockRec lock{};
};

Image make(int32_t bits, int32_t layer = OX_LAYER_NORMAL) {
    uint32_t err;
    Image img;
    img.handle = layer == OX_LAYER_MASK ? oxImageCreateMask(kW, kH, &err)
                 : layer == OX_LAYER_GRAY ? oxImageCreateGray(kW, kH, &err)
                                          : oxImageCreate(kW, kH, bits, &err);
    oxImageLock(img.handle, &img.lock);
    return img;
}

// Bits a..b-1 of a mask row set to `bit`.
void set_span(uint8_t *row, int32_t a, int32_t b, int bit) {
    for (int32_t x = std::max(a, 0); x < std::min(b, kW); ++x) {
        const uint8_t m = static_cast<uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>(bit ? row[x >> 3] | m : row[x >> 3] & ~m);
    }
}

// The selection: 40 discs selected on an unselected ground, then 12 holes cut out of them.
const Image &mask() {
    static const Image m = [] {
        Image img = make(1, OX_LAYER_MASK);
        std::memset(img.lock.pixels, 0xFF, img.lock.header->imageSize);
        std::mt19937 rng(11);
        for (int i = 0; i < 52; ++i) {
            const int32_t cx = static_cast<int32_t>(rng() % kW), cy = static_cast<int32_t>(rng() % kH);
            const int32_t r = i < 40 ? 150 + static_cast<int32_t>(rng() % 550) : 40 + static_cast<int32_t>(rng() % 120);
            for (int32_t y = std::max(cy - r, 0); y < std::min(cy + r + 1, kH); ++y) {
                const auto half = static_cast<int32_t>(std::sqrt(double(r) * r - double(y - cy) * (y - cy)));
                set_span(img.lock.pixels + static_cast<size_t>(y) * img.lock.rowBytes, cx - half, cx + half + 1,
                         i < 40 ? 0 : 1);
            }
        }
        return img;
    }();
    return m;
}

// A picture of random pixels; `white` of every 8 pixels are white (0xFFFFFF colour bytes).
Image picture(int32_t bits, int white, int32_t layer = OX_LAYER_NORMAL) {
    Image img = make(bits, layer);
    std::mt19937 rng(bits * 7 + white);
    uint8_t *p = img.lock.pixels;
    const int bpp = bits / 8;
    for (size_t i = 0; i < static_cast<size_t>(kW) * kH; ++i, p += bpp) {
        const uint32_t v = rng();
        std::memcpy(p, &v, static_cast<size_t>(bpp));
        if (static_cast<int>(i % 8) < white) std::memset(p + (bpp == 4), 0xFF, 3);
    }
    return img;
}

const Image &canvas(int32_t bits) {
    static std::map<int32_t, Image> all;
    auto it = all.find(bits);
    if (it == all.end()) it = all.emplace(bits, picture(bits, 1)).first;
    return it->second;
}

OxRect selection_box() {
    OxRect r;
    oxGetSelection(mask().handle, &r);
    return r;
}

// range(0): phase.
void BM_SelectionMerge(benchmark::State &state) {
    const Image &img = canvas(32);
    const OxRect r = selection_box();
    const auto phase = static_cast<uint32_t>(state.range(0));
    oxbench::paired(
        state, [&] { plain::image_selection_merge(img.handle, mask().handle, &r, phase); },
        [&] { oxImageSelectionMerge(img.handle, mask().handle, &r, phase); }, 16, 1);
}

void BM_MoveSelectionMergeEx(benchmark::State &state) {
    const Image &img = canvas(32);
    const OxRect b{37, 23, 37 + kW, 23 + kH};
    oxbench::paired(
        state, [&] { plain::image_move_selection_merge_ex(img.handle, mask().handle, &b); },
        [&] { oxImageMoveSelectionMergeEx(img.handle, mask().handle, &b); }, 16, 1);
}

// range(0): depth of both images. The whole canvas under the mask.
void BM_SelectImageToImage(benchmark::State &state) {
    const auto bits = static_cast<int32_t>(state.range(0));
    static std::map<int32_t, Image> dsts;
    if (!dsts.count(bits)) dsts[bits] = picture(bits, 0);
    const Image &src = canvas(bits), &dst = dsts[bits];
    oxbench::paired(
        state,
        [&] { plain::select_image_to_image(dst.handle, 0, 0, 0, 0, 0, mask().handle, 0, 0, src.handle, 0, 0, 0, 0); },
        [&] { oxSelectImageToImage(dst.handle, 0, 0, 0, 0, 0, mask().handle, 0, 0, src.handle, 0, 0, 0, 0); }, 8, 1);
}

// A transfer between depths (24-bit source into a 32-bit destination), pixel by pixel through the codecs:
// reported, without a target.
void BM_SelectImageToImageDepths(benchmark::State &state) {
    static const Image dst = picture(32, 0);
    const Image &src = canvas(24);
    oxbench::paired(
        state,
        [&] { plain::select_image_to_image(dst.handle, 0, 0, 0, 0, 0, mask().handle, 0, 0, src.handle, 0, 0, 0, 0); },
        [&] { oxSelectImageToImage(dst.handle, 0, 0, 0, 0, 0, mask().handle, 0, 0, src.handle, 0, 0, 0, 0); }, 8, 1);
}

// range(0): depth of both images; range(1): 1 for two gray layers with the darker-wins flag.
void BM_SelectImageToImageEx(benchmark::State &state) {
    const auto bits = static_cast<int32_t>(state.range(0));
    const bool gray = state.range(1) != 0;
    static std::map<int32_t, Image> srcs, dsts;
    const int32_t key = bits * 2 + gray;
    if (!srcs.count(key)) {
        srcs[key] = picture(bits, 2, gray ? OX_LAYER_GRAY : OX_LAYER_NORMAL);
        dsts[key] = picture(bits, 0, gray ? OX_LAYER_GRAY : OX_LAYER_NORMAL);
    }
    const Image &src = srcs[key], &dst = dsts[key];
    oxbench::paired(
        state,
        [&] {
            plain::select_image_to_image_ex(dst.handle, 0, 0, 0, 0, 0, mask().handle, 0, 0, src.handle, 0, 0, 0, 0,
                                            gray);
        },
        [&] {
            oxSelectImageToImageEx(dst.handle, 0, 0, 0, 0, 0, mask().handle, 0, 0, src.handle, 0, 0, 0, 0, gray);
        },
        8, 1);
}

// range(0): depth.
void BM_SelectImageBoxFill(benchmark::State &state) {
    const auto bits = static_cast<int32_t>(state.range(0));
    const Image &dst = canvas(bits);
    uint32_t v = 0x12345678;
    oxbench::paired(
        state, [&] { plain::select_image_box_fill(dst.handle, 0, mask().handle, 0, 0, 0, 0, v++); },
        [&] { oxSelectImageBoxFill(dst.handle, 0, mask().handle, 0, 0, 0, 0, v++); }, 8, 1);
}

// White pixels (a quarter of them) leave a fresh copy of the selection before every call. range(0): depth;
// range(1): 1 with an outer mask of the same size at an offset.
void BM_SelectWhiteOut(benchmark::State &state) {
    static std::map<int64_t, Image> images;
    if (!images.count(state.range(0))) images[state.range(0)] = picture(static_cast<int32_t>(state.range(0)), 2);
    const Image &img = images[state.range(0)];
    static const Image work = make(1, OX_LAYER_MASK), outer = make(1, OX_LAYER_MASK);
    const bool with_outer = state.range(1) != 0;
    const size_t bytes = mask().lock.header->imageSize;
    oxbench::paired(
        state, [&] { plain::select_white_out(img.handle, with_outer ? outer.handle : 0, work.handle, 5, -3); },
        [&] { oxSelectWhiteOut(img.handle, with_outer ? outer.handle : 0, work.handle, 5, -3); }, 8, 1,
        [&] { std::memcpy(work.lock.pixels, mask().lock.pixels, bytes); });
}

void BM_GetSelection(benchmark::State &state) {
    OxRect r;
    oxbench::paired(
        state, [&] { plain::get_selection(mask().handle, &r); }, [&] { oxGetSelection(mask().handle, &r); }, 64, 1);
}

BENCHMARK(BM_SelectionMerge)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveSelectionMergeEx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectImageToImage)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectImageToImageDepths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectImageToImageEx)->Args({24, 0})->Args({32, 0})->Args({32, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectImageBoxFill)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectWhiteOut)->ArgsProduct({{24, 32}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetSelection)->Unit(benchmark::kMillisecond);

constexpr double kTarget = 8;

void line_out(const oxbench::SummaryReporter &rep, const std::string &run, const char *what) {
    oxbench::ratio_line(rep, run, what, kTarget, "ms", oxbench::call_ms);
}

}  // namespace

int main(int argc, char **argv) {
    oxbench::SummaryReporter rep;
    if (!oxbench::run_benchmarks(argc, argv, rep)) return 1;
    const OxRect box = selection_box();
    std::printf("\nSpeed over the plain per-pixel path timed beside it (4096x3072, selection box %d,%d-%d,%d; "
                "thread CPU time):\n", box.left, box.top, box.right, box.bottom);
    for (const char *p : {"0", "1", "2", "3"})
        line_out(rep, std::string("BM_SelectionMerge/") + p, "oxImageSelectionMerge (32 bits), phase");
    line_out(rep, "BM_MoveSelectionMergeEx", "oxImageMoveSelectionMergeEx (32 bits)");
    line_out(rep, "BM_SelectImageToImage/24", "oxSelectImageToImage, whole canvas, 24 bits");
    line_out(rep, "BM_SelectImageToImage/32", "oxSelectImageToImage, whole canvas, 32 bits");
    if (const double r = rep.get("BM_SelectImageToImageDepths", "x_ref"); r > 0)
        std::printf("  %-30s %-44s %8.1fx  (no target)        %8.2f ms (reference %.1f ms)\n",
                    "BM_SelectImageToImageDepths", "oxSelectImageToImage, 24 into 32 bits", r,
                    1e3 / rep.get("BM_SelectImageToImageDepths", "rate"),
                    1e3 / rep.get("BM_SelectImageToImageDepths", "ref_rate"));
    line_out(rep, "BM_SelectImageToImageEx/24/0", "oxSelectImageToImageEx, 24 bits, white skipped");
    line_out(rep, "BM_SelectImageToImageEx/32/0", "oxSelectImageToImageEx, 32 bits, white skipped");
    line_out(rep, "BM_SelectImageToImageEx/32/1", "oxSelectImageToImageEx, gray, darker wins");
    for (const char *d : {"8", "24", "32"})
        line_out(rep, std::string("BM_SelectImageBoxFill/") + d,
                 (std::string("oxSelectImageBoxFill, ") + d + " bits").c_str());
    for (const char *d : {"24", "32"}) {
        line_out(rep, std::string("BM_SelectWhiteOut/") + d + "/0",
                 (std::string("oxSelectWhiteOut, ") + d + " bits").c_str());
        line_out(rep, std::string("BM_SelectWhiteOut/") + d + "/1",
                 (std::string("oxSelectWhiteOut, ") + d + " bits, outer mask").c_str());
    }
    line_out(rep, "BM_GetSelection", "oxGetSelection");
    std::printf("\nOutline animation, one frame = erase the last phase + draw the next (two calls):\n");
    for (const char *p : {"0", "1", "2", "3"}) {
        const std::string run = std::string("BM_SelectionMerge/") + p;
        if (rep.get(run, "rate") > 0)
            std::printf("  oxImageSelectionMerge phase %s: %8.1f frames/s (plain path %.2f frames/s)\n", p,
                        rep.get(run, "rate") / 2, rep.get(run, "ref_rate") / 2);
    }
    if (rep.get("BM_MoveSelectionMergeEx", "rate") > 0)
        std::printf("  oxImageMoveSelectionMergeEx:    %8.1f frames/s (plain path %.2f frames/s)\n",
                    rep.get("BM_MoveSelectionMergeEx", "rate") / 2, rep.get("BM_MoveSelectionMergeEx", "ref_rate") / 2);
    benchmark::Shutdown();
    return 0;
}
