// Fills, lines and erase on a 4096x3072 picture, each against a reference measured in the same run:
// erase and whole-image fills against memset of the same bytes, box fills against the plain per-pixel
// versions, lines against the plain walk (reported as lines per second). A summary of the ratios follows
// the usual table.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "image/fill.h"
#include "ox.h"

namespace {

constexpr int32_t kW = 4096, kH = 3072;
// An inner box with odd edges: rows do not start or end on word boundaries.
constexpr int32_t kBoxX = 101, kBoxY = 77, kBoxW = 3001, kBoxH = 2203;

// One picture per depth, made and touched once so that page faults stay out of the timings.
OxImageLockRec &picture(int32_t bits) {
    static std::map<int32_t, OxImageLockRec> pictures;
    auto it = pictures.find(bits);
    if (it == pictures.end()) {
        uint32_t err;
        OxHandle h = oxImageCreate(kW, kH, bits, &err);
        OxImageLockRec lock;
        oxImageLock(h, &lock);
        for (uint32_t i = 0; i < lock.header->imageSize; ++i) lock.pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
        it = pictures.emplace(bits, lock).first;
    }
    return it->second;
}

int32_t depth(const benchmark::State &state) { return static_cast<int32_t>(state.range(0)); }

void set_bytes(benchmark::State &state, const OxImageLockRec &lock) {
    state.SetBytesProcessed(state.iterations() * int64_t{lock.header->imageSize});
}

// ---- Whole image against memset -------------------------------------------------------------------------

void BM_Memset(benchmark::State &state) {
    OxImageLockRec &img = picture(depth(state));
    int v = 0;
    for (auto _ : state) {
        std::memset(img.pixels, ++v & 0xFF, img.header->imageSize);
        benchmark::ClobberMemory();
    }
    set_bytes(state, img);
}

void BM_Erase(benchmark::State &state) {
    OxImageLockRec &img = picture(depth(state));
    for (auto _ : state) {
        oxImageErase(img.handle);
        benchmark::ClobberMemory();
    }
    set_bytes(state, img);
}

// A colour whose bytes differ, so that 24- and 32-bit pixels cannot be written as one repeated byte.
void BM_BoxFillWhole(benchmark::State &state) {
    OxImageLockRec &img = picture(depth(state));
    for (auto _ : state) {
        oxImageBoxFill(img.handle, 0, 0, 0, 0, 0x78563412);
        benchmark::ClobberMemory();
    }
    set_bytes(state, img);
}

// ---- Boxes against the plain versions -------------------------------------------------------------------

template <bool Fast>
void BM_BoxFillInner(benchmark::State &state) {
    OxImageLockRec &img = picture(depth(state));
    auto fill = Fast ? oxImageBoxFill : ox::image::plain::box_fill;
    uint32_t c = 0x78563412;
    for (auto _ : state) {
        fill(img.handle, kBoxX, kBoxY, kBoxW, kBoxH, c++);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kBoxW} * kBoxH);
}

template <bool Fast>
void BM_BoxFillEx(benchmark::State &state) {
    OxImageLockRec &img = picture(depth(state));
    auto fill = Fast ? oxImageBoxFillEx : ox::image::plain::box_fill_ex;
    uint8_t v = 0;
    for (auto _ : state) {
        fill(img.handle, kBoxX, kBoxY, kBoxW, kBoxH, ++v, 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kBoxW} * kBoxH);
}

template <bool Fast>
void BM_XorBoxFill(benchmark::State &state) {
    OxImageLockRec &img = picture(depth(state));
    auto fill = Fast ? oxXorImageBoxFill : ox::image::plain::xor_box_fill;
    for (auto _ : state) {
        fill(img.handle, kBoxX, kBoxY, kBoxW, kBoxH);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kBoxW} * kBoxH);
}

// ---- Lines against the plain walk -----------------------------------------------------------------------

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

// range(0): pen size; range(1): 1 for the plain walk.
template <bool Xor>
void BM_Line(benchmark::State &state) {
    OxImageLockRec &img = picture(32);
    const int32_t pen = static_cast<int32_t>(state.range(0));
    const bool plain = state.range(1) != 0;
    const std::size_t count = lines().size();
    uint32_t c = 0x102030;
    for (auto _ : state) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto &l = lines()[i];
            if (Xor) (plain ? ox::image::plain::xor_line : oxXorImageLine)(img.handle, l[0], l[1], l[2], l[3], pen);
            else (plain ? ox::image::plain::line : oxImageLine)(img.handle, l[0], l[1], l[2], l[3], pen, c++);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(state.iterations() * count),
                                                   benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Memset)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Erase)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxFillWhole)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxFillInner<true>)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxFillInner<false>)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxFillEx<true>)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxFillEx<false>)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XorBoxFill<true>)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XorBoxFill<false>)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Line<false>)->Args({1, 0})->Args({1, 1})->Args({16, 0})->Args({16, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Line<true>)->Args({1, 0})->Args({1, 1})->Args({16, 0})->Args({16, 1})->Unit(benchmark::kMillisecond);

// Keeps each run's time per item (per byte, pixel or line) for the summary.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
            double items = 1;
            if (auto it = r.counters.find("items_per_second"); it != r.counters.end()) items = it->second.value;
            else if (auto jt = r.counters.find("bytes_per_second"); jt != r.counters.end()) items = jt->second.value;
            rate_[r.benchmark_name()] = items;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double rate(const std::string &name) const {
        auto it = rate_.find(name);
        return it == rate_.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> rate_;
};

void print_ratio(const RatioReporter &rep, const std::string &what, const std::string &fast, const std::string &ref,
                 double target) {
    const double f = rep.rate(fast), r = rep.rate(ref);
    if (f == 0 || r == 0) return;  // filtered out
    const double ratio = f / r;
    std::printf("  %-44s %8.2fx %s", what.c_str(), ratio, target > 0 ? (ratio >= target ? "ok" : "BELOW TARGET") : "");
    if (target > 0) std::printf(" (target %.2fx)", target);
    std::printf("\n");
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    std::printf("\nSpeed against the reference of the same run:\n");
    for (const char *d : {"8", "24", "32"}) {
        const std::string memset_name = std::string("BM_Memset/") + d;
        print_ratio(rep, std::string("oxImageErase ") + d + " bits vs memset", std::string("BM_Erase/") + d,
                    memset_name, 0.6);
        print_ratio(rep, std::string("whole oxImageBoxFill ") + d + " bits vs memset",
                    std::string("BM_BoxFillWhole/") + d, memset_name, 0.6);
    }
    for (const char *d : {"1", "8", "24", "32"}) {
        const std::string s = std::string("/") + d;
        print_ratio(rep, std::string("inner oxImageBoxFill ") + d + " bits vs plain", "BM_BoxFillInner<true>" + s,
                    "BM_BoxFillInner<false>" + s, 10);
        print_ratio(rep, std::string("oxImageBoxFillEx ") + d + " bits vs plain", "BM_BoxFillEx<true>" + s,
                    "BM_BoxFillEx<false>" + s, 10);
        print_ratio(rep, std::string("oxXorImageBoxFill ") + d + " bits vs plain", "BM_XorBoxFill<true>" + s,
                    "BM_XorBoxFill<false>" + s, 10);
    }
    for (const char *pen : {"1", "16"}) {
        const std::string p = std::string("/") + pen;
        print_ratio(rep, std::string("oxImageLine pen ") + pen + " (32 bits) vs plain", "BM_Line<false>" + p + "/0",
                    "BM_Line<false>" + p + "/1", 0);
        print_ratio(rep, std::string("oxXorImageLine pen ") + pen + " (32 bits) vs plain", "BM_Line<true>" + p + "/0",
                    "BM_Line<true>" + p + "/1", 0);
    }
    std::printf("\nLines per second (32 bits, 16 seeded lines across and beyond the picture):\n");
    for (const char *name : {"BM_Line<false>/1/0", "BM_Line<false>/16/0", "BM_Line<true>/1/0", "BM_Line<true>/16/0",
                             "BM_Line<false>/1/1", "BM_Line<false>/16/1", "BM_Line<true>/1/1", "BM_Line<true>/16/1"})
        if (rep.rate(name) > 0) std::printf("  %-24s %12.0f lines/s\n", name, rep.rate(name));
    benchmark::Shutdown();
    return 0;
}
