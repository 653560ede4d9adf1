// Drawing a 4096x3072 picture into a 1920x1080 window with oxImageDraw, against the per-pixel reference
// path putting the same tiles on the same window, at one to one, enlargement by 2, reduction by 2 and 4
// and two scales without a whole factor (the whole picture fitted into the window, and a zoom of 1.5);
// and the conversions between images and DIB blocks against memcpy of the same bytes. Each
// benchmark times its reference and its operation in turn inside one loop, so that both meet the same
// load on the machine, and reports "x_ref" (the operation's speed over the reference's); a summary with
// the targets follows the table.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "image/draw.h"
#include "win/image_draw.h"
#include "bench_support.h"
#include "ox.h"
#include "oxw.h"

namespace {

constexpr int32_t kW = 4096, kH = 3072;
constexpr int32_t kWinW = 1920, kWinH = 1080;

// One picture per depth, made and touched once so that page faults stay out of the timings.
OxHandle picture(int32_t bits) {
    static std::map<int32_t, OxHandle> pictures;
    auto it = pictures.find(bits);
    if (it == pictures.end()) {
        uint32_t err;
        OxHandle h = oxImageCreate(kW, kH, bits, &err);
        OxImageLockRec lock;
        oxImageLock(h, &lock);
        for (uint32_t i = 0; i < lock.header->imageSize; ++i)
            lock.pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
        oxImageUnlock(&lock);
        it = pictures.emplace(bits, h).first;
    }
    return it->second;
}

struct Window {
    OxwWindow wnd = oxwHostCreateWindow(0, 0, 0, kWinW, kWinH, 1);
    OxwDC dc = oxwHostGetDC(wnd);
};
Window &window() {
    static Window w;
    return w;
}

// range(0): depth; range(1): the case.
struct DrawCase {
    const char *name;
    ox::image::DrawArgs args;  // image filled in per depth
};
const DrawCase kCases[] = {
    {"1:1", {0, 0, kWinW, kWinH, 0, 1000, 900, kWinW, kWinH, 0}},
    {"enlarge x2", {0, 0, kWinW, kWinH, 0, 1000, 900, kWinW / 2, kWinH / 2, 0}},
    {"reduce /2", {0, 0, kWinW, kWinH, 0, 100, 200, 2 * kWinW, 2 * kWinH, 0}},
    {"reduce /4", {0, 0, kW / 4, kH / 4, 0, 0, 0, 0, 0, 0}},
    {"whole picture to 1440x1080", {0, 0, 1440, kWinH, 0, 0, 0, 0, 0, 0}},
    {"zoom 1.5 (1280x720 to 1920x1080)", {0, 0, kWinW, kWinH, 0, 700, 500, 1280, 720, 0}},
};

void BM_ImageDraw(benchmark::State &state) {
    ox::image::DrawArgs a = kCases[state.range(1)].args;
    a.image = picture(static_cast<int32_t>(state.range(0)));
    OxwDC dc = window().dc;
    oxbench::paired(
        state, [&] { ox::image::plain::image_draw(a, ox::win::put_tile, &dc); },
        [&] { oxImageDraw(dc, a.dx, a.dy, a.dw, a.dh, a.image, a.sx, a.sy, a.sw, a.sh, a.gray); }, 8, 1.0);
}

// The bytes a case must move, moved by the C library and timed against oxImageDraw: every source row it
// samples (both rows of a reduction) read once with memcpy, and the window pixels it covers written once
// with memset. Where oxImageDraw runs as fast as that, the case is bound by the machine's memory, not by
// its code.
void BM_ImageDrawMemory(benchmark::State &state) {
    ox::image::DrawArgs a = kCases[state.range(1)].args;
    const int32_t bits = static_cast<int32_t>(state.range(0));
    a.image = picture(bits);
    const int32_t sw = a.sw ? a.sw : kW, sh = a.sh ? a.sh : kH, dw = a.dw ? a.dw : kW, dh = a.dh ? a.dh : kH;
    const int32_t d = sw > dw && sw % dw == 0 && sh % dh == 0 && sw / dw == sh / dh ? sw / dw / 2 : 0;
    std::vector<int32_t> rows;
    for (int64_t Y = 0; Y < dh; ++Y) {
        const int32_t y = static_cast<int32_t>(a.sy + Y * sh / dh);
        if (rows.empty() || rows.back() != y) rows.push_back(y);
        if (d && rows.back() != y + d) rows.push_back(y + d);
    }
    OxImageLockRec l;
    oxImageLock(a.image, &l);
    const std::size_t first = static_cast<std::size_t>(a.sx) * bits / 8, span = static_cast<std::size_t>(sw) * bits / 8;
    std::vector<uint8_t> scratch(span);
    static std::vector<uint32_t> surface(static_cast<std::size_t>(kWinW) * kWinH, 1);
    OxwDC dc = window().dc;
    oxbench::paired(
        state,
        [&] {
            for (const int32_t y : rows)
                std::memcpy(scratch.data(), l.pixels + std::size_t{l.rowBytes} * y + first, span);
            const std::size_t covered = 4 * static_cast<std::size_t>(std::min(dw, kWinW));
            for (int32_t Y = 0; Y < std::min(dh, kWinH); ++Y)
                std::memset(&surface[static_cast<std::size_t>(Y) * kWinW], 0, covered);
            benchmark::DoNotOptimize(scratch.data());
        },
        [&] { oxImageDraw(dc, a.dx, a.dy, a.dw, a.dh, a.image, a.sx, a.sy, a.sw, a.sh, a.gray); }, 1, 1.0);
    oxImageUnlock(&l);
}

// The same tiles through the DIB transfer, as oxImageDraw puts them on a monochrome bitmap (a window gets
// its pixels written straight in): what drawing the tiles and transferring them costs.
void BM_ImageDrawTiles(benchmark::State &state) {
    ox::image::DrawArgs a = kCases[state.range(1)].args;
    a.image = picture(static_cast<int32_t>(state.range(0)));
    OxwDC dc = window().dc;
    const OxRect visible{0, 0, kWinW, kWinH};
    oxbench::paired(
        state, [&] { ox::image::plain::image_draw(a, ox::win::put_tile, &dc); },
        [&] { ox::image::image_draw_visible(a, &visible, ox::win::put_tile, &dc); }, 8, 1.0);
}

// Conversions against memcpy of the image's pixel bytes into a buffer touched beforehand (range(0): the
// image's depth). The conversions include making (and here freeing) their result, as a caller pays for it.
void BM_ImageToDib(benchmark::State &state) {
    const auto bits = static_cast<int32_t>(state.range(0));
    const OxHandle img = picture(bits);
    static std::map<int32_t, std::vector<uint8_t>> buffers;
    std::vector<uint8_t> &buffer = buffers[bits];
    buffer.assign(static_cast<std::size_t>(kW) * kH * (bits / 8), 1);
    const auto *pixels = static_cast<const uint8_t *>(oxLock(img)) + OX_IMAGE_HEADER_SIZE;
    uint32_t err;
    oxbench::paired(
        state, [&] { std::memcpy(buffer.data(), pixels, buffer.size()); },
        [&] { oxwGlobalFree(oxwImageToDib(img, &err)); }, 2, static_cast<double>(buffer.size()));
}

void BM_DibToImage(benchmark::State &state) {
    uint32_t err;
    static const OxwGlobal dib = oxwImageToDib(picture(24), &err);
    static std::vector<uint8_t> buffer(static_cast<std::size_t>(kW) * kH * 3, 1);
    const auto *bits = static_cast<const uint8_t *>(oxwGlobalLock(dib)) + 40;
    oxwGlobalUnlock(dib);
    oxbench::paired(
        state, [&] { std::memcpy(buffer.data(), bits, buffer.size()); }, [&] { oxFree(oxwDibToImage(dib, 24, &err)); },
        2, static_cast<double>(buffer.size()));
}

BENCHMARK(BM_ImageDraw)->ArgsProduct({{24, 32}, {0, 1, 2, 3, 4, 5}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageDrawMemory)->ArgsProduct({{24, 32}, {0, 1, 2, 3, 4, 5}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageDrawTiles)->ArgsProduct({{24, 32}, {0, 4}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageToDib)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DibToImage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    oxbench::SummaryReporter rep;
    if (!oxbench::run_benchmarks(argc, argv, rep)) return 1;
    std::printf(
        "\noxImageDraw of a %dx%d picture into a %dx%d window, against the per-pixel path "
        "(thread CPU time; frames per second):\n",
        kW, kH, kWinW, kWinH);
    for (const char *d : {"24", "32"})
        for (int c = 0; c < 6; ++c)
            oxbench::ratio_line(rep, std::string("BM_ImageDraw/") + d + "/" + std::to_string(c),
                                std::string(d) + "-bit " + kCases[c].name, 10, "fps", oxbench::per(1));
    std::printf("oxImageDraw against memcpy reading the source rows it samples and memset writing the window "
                "pixels it covers (1x: as fast):\n");
    for (const char *d : {"24", "32"})
        for (int c = 0; c < 6; ++c)
            oxbench::ratio_line(rep, std::string("BM_ImageDrawMemory/") + d + "/" + std::to_string(c),
                                std::string(d) + "-bit " + kCases[c].name, 0, "fps", oxbench::per(1));
    std::printf("The same tiles through the DIB transfer (the way to a monochrome bitmap), for comparison:\n");
    for (const char *d : {"24", "32"})
        for (int c : {0, 4})
            oxbench::ratio_line(rep, std::string("BM_ImageDrawTiles/") + d + "/" + std::to_string(c),
                                std::string(d) + "-bit " + kCases[c].name, 0, "fps", oxbench::per(1));
    std::printf("Conversions of the same picture against memcpy of its pixel bytes (%d at 24 bits):\n", kW * kH * 3);
    oxbench::ratio_line(rep, "BM_ImageToDib/24", "oxwImageToDib", 0.25, "GB/s", oxbench::per(1e9));
    oxbench::ratio_line(rep, "BM_ImageToDib/32", "oxwImageToDib of a 32-bit image (no target)", 0, "GB/s",
                        oxbench::per(1e9));
    oxbench::ratio_line(rep, "BM_DibToImage", "oxwDibToImage", 0.25, "GB/s", oxbench::per(1e9));
    benchmark::Shutdown();
    return 0;
}
