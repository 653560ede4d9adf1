// Fills, lines and erase on a 4096x3072 picture, each timed in turn with its reference inside one
// benchmark loop, so that both meet the same load on the machine: erase and whole-image fills against
// memset of the same bytes, box fills against the plain per-pixel versions, lines against the plain walk.
// Each benchmark reports the ratio as the counter "x_ref" (its speed over the reference's); a summary
// with the targets follows the table.
#include <benchmark/benchmark.h>

#include <time.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "image/fill.h"
#include "bench_support.h"
#include "ox.h"

namespace {

constexpr int32_t kW = 4096, kH = 3072;
// An inner box with odd edges: rows do not start or end on word boundaries.
struct BoxArgs {
    int32_t x, y, w, h;
};
constexpr BoxArgs kBox{101, 77, 3001, 2203};
// The same operations on a picture that the caches hold (1024x768), where memory bandwidth does not set
// the pace.
constexpr int32_t kSmallW = 1024, kSmallH = 768;
constexpr BoxArgs kSmallBox{25, 19, 751, 551};

// One picture per depth and size, made and touched once so that page faults stay out of the timings.
OxImageLockRec &picture(int32_t bits, bool small = false) {
    static std::map<std::pair<int32_t, bool>, OxImageLockRec> pictures;
    auto it = pictures.find({bits, small});
    if (it == pictures.end()) {
        uint32_t err;
        OxHandle h = oxImageCreate(small ? kSmallW : kW, small ? kSmallH : kH, bits, &err);
        OxImageLockRec lock;
        oxImageLock(h, &lock);
        for (uint32_t i = 0; i < lock.header->imageSize; ++i) lock.pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
        it = pictures.emplace(std::make_pair(bits, small), lock).first;
    }
    return it->second;
}

int32_t depth(const benchmark::State &state) { return static_cast<int32_t>(state.range(0)); }

// ---- Whole image against memset (rates in bytes per second) ---------------------------------------------

void BM_Erase(benchmark::State &state) {
    OxImageLockRec &img = picture(depth(state));
    int v = 0;
    oxbench::paired(
        state, [&] { std::memset(img.pixels, ++v & 0x7F, img.header->imageSize); },
        [&] { oxImageErase(img.handle); }, 1, img.header->imageSize);
}

// A colour whose bytes differ, so that 24- and 32-bit pixels cannot be written as one repeated byte.
void BM_BoxFillWhole(benchmark::State &state) {
    OxImageLockRec &img = picture(depth(state));
    int v = 0;
    oxbench::paired(
        state, [&] { std::memset(img.pixels, ++v & 0x7F, img.header->imageSize); },
        [&] { oxImageBoxFill(img.handle, 0, 0, 0, 0, 0x78563412); }, 1, img.header->imageSize);
}

// ---- Boxes against the plain versions (rates in pixels per second) --------------------------------------

// range(0): depth; range(1): 1 for the small picture.
struct BoxCase {
    explicit BoxCase(const benchmark::State &state)
        : img(picture(depth(state), state.range(1) != 0)), b(state.range(1) ? kSmallBox : kBox) {}
    double pixels() const { return static_cast<double>(b.w) * b.h; }
    OxImageLockRec &img;
    BoxArgs b;
};

void BM_BoxFillInner(benchmark::State &state) {
    BoxCase c(state);
    uint32_t color = 0x78563412;
    oxbench::paired(
        state, [&] { ox::image::plain::box_fill(c.img.handle, c.b.x, c.b.y, c.b.w, c.b.h, color++); },
        [&] { oxImageBoxFill(c.img.handle, c.b.x, c.b.y, c.b.w, c.b.h, color++); }, 4, c.pixels());
}

void BM_BoxFillEx(benchmark::State &state) {
    BoxCase c(state);
    uint8_t v = 0;
    oxbench::paired(
        state, [&] { ox::image::plain::box_fill_ex(c.img.handle, c.b.x, c.b.y, c.b.w, c.b.h, ++v, 2); },
        [&] { oxImageBoxFillEx(c.img.handle, c.b.x, c.b.y, c.b.w, c.b.h, ++v, 2); }, 4, c.pixels());
}

void BM_XorBoxFill(benchmark::State &state) {
    BoxCase c(state);
    oxbench::paired(
        state, [&] { ox::image::plain::xor_box_fill(c.img.handle, c.b.x, c.b.y, c.b.w, c.b.h); },
        [&] { oxXorImageBoxFill(c.img.handle, c.b.x, c.b.y, c.b.w, c.b.h); }, 4, c.pixels());
}

// ---- Lines against the plain walk (rates in lines per second) -------------------------------------------

// Seeded end points, some inside the picture and some well outside it, in every direction.
const std::vector<std::array<int32_t, 4>> &lines() {
    static const auto all = [] {
        std::vector<std::array<int32_t, 4>> v;
        std::mt19937 rng(5);
        auto coord = [&](int32_t n) { return static_cast<int32_t>(rng() % (n + n / 2)) - n / 4; };
        for (int i = 0; i < 16; ++i) v.push_back({coord(kW), coord(kH), coord(kW), coord(kH)});
        return v;
    }();
    return all;
}

// range(0): pen size.
void BM_Line(benchmark::State &state) {
    OxImageLockRec &img = picture(32);
    const int32_t pen = static_cast<int32_t>(state.range(0));
    uint32_t c = 0x102030;
    oxbench::paired(
        state,
        [&] {
            for (const auto &l : lines()) ox::image::plain::line(img.handle, l[0], l[1], l[2], l[3], pen, c++);
        },
        [&] {
            for (const auto &l : lines()) oxImageLine(img.handle, l[0], l[1], l[2], l[3], pen, c++);
        },
        4, static_cast<double>(lines().size()));
}

void BM_XorLine(benchmark::State &state) {
    OxImageLockRec &img = picture(32);
    const int32_t pen = static_cast<int32_t>(state.range(0));
    oxbench::paired(
        state, [&] { for (const auto &l : lines()) ox::image::plain::xor_line(img.handle, l[0], l[1], l[2], l[3], pen); },
        [&] { for (const auto &l : lines()) oxXorImageLine(img.handle, l[0], l[1], l[2], l[3], pen); }, 4,
        static_cast<double>(lines().size()));
}

BENCHMARK(BM_Erase)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxFillWhole)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxFillInner)->ArgsProduct({{1, 8, 24, 32}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxFillEx)->ArgsProduct({{8, 24, 32}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XorBoxFill)->ArgsProduct({{1, 8, 24, 32}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Line)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XorLine)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    oxbench::SummaryReporter rep;
    if (!oxbench::run_benchmarks(argc, argv, rep)) return 1;
    std::printf("\nSpeed over the reference timed beside it (4096x3072; thread CPU time):\n");
    for (const char *d : {"8", "24", "32"}) {
        const auto gbs = oxbench::per(1e9);
        oxbench::ratio_line(rep, std::string("BM_Erase/") + d, "oxImageErase vs memset", 0.6, "GB/s", gbs);
        oxbench::ratio_line(rep, std::string("BM_BoxFillWhole/") + d, "whole oxImageBoxFill vs memset", 0.6, "GB/s",
                            gbs);
    }
    for (const char *size : {"0", "1"}) {
        if (size[0] == '1') std::printf("  the same on a 1024x768 picture that the caches hold:\n");
        for (const char *d : {"1", "8", "24", "32"}) {
            const std::string s = std::string("/") + d + "/" + size;
            const auto mpx = oxbench::per(1e6);
            oxbench::ratio_line(rep, "BM_BoxFillInner" + s, "inner oxImageBoxFill vs plain", 10, "Mpx/s", mpx);
            oxbench::ratio_line(rep, "BM_BoxFillEx" + s, "oxImageBoxFillEx vs plain", 10, "Mpx/s", mpx);
            oxbench::ratio_line(rep, "BM_XorBoxFill" + s, "oxXorImageBoxFill vs plain", 10, "Mpx/s", mpx);
        }
    }
    for (const char *pen : {"1", "16"}) {
        const auto per_s = oxbench::per(1);
        oxbench::ratio_line(rep, std::string("BM_Line/") + pen, "oxImageLine (32 bits) vs plain", 0, "lines/s", per_s);
        oxbench::ratio_line(rep, std::string("BM_XorLine/") + pen, "oxXorImageLine (32 bits) vs plain", 0, "lines/s",
                            per_s);
    }
    benchmark::Shutdown();
    return 0;
}
