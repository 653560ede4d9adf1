// oxImageChangeResolution on a 4096x3072 source: box sampling to the two thumbnail sizes, area sampling
// (reductions by a non-integer and an integer-free factor, and enlargement by 2.5) and the half-size
// shortcut, each beside its yardstick measured in the same run: memcpy of the source bytes, or the plain
// per-pixel reference path. A table of ratios follows the usual output.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "image/resample.h"
#include "ox.h"

namespace {

constexpr int32_t kW = 4096, kH = 3072;

struct Image : oxbench::LockedImage {
    Image(int32_t w, int32_t h, int32_t bits) : LockedImage(w, h, bits) {
        // A smooth picture with noise, so that sums and rounding see varied values.
        for (uint32_t i = 0; i < lock.header->imageSize; ++i)
            lock.pixels[i] = static_cast<uint8_t>((i / 7) ^ (i * 2654435761u >> 27));
    }
};

Image &source(int32_t bits) {
    static Image s24(kW, kH, 24), s32(kW, kH, 32);
    return bits == 24 ? s24 : s32;
}

void BM_Memcpy(benchmark::State &state) {
    const Image &src = source(static_cast<int32_t>(state.range(0)));
    std::vector<uint8_t> to(src.bytes());
    oxbench::memcpy_reference(state, to.data(), src.lock.pixels, src.bytes());
}

// Arguments: bits, destination width, destination height, mode, plain (1) or fast (0).
void BM_Resample(benchmark::State &state) {
    const int32_t bits = static_cast<int32_t>(state.range(0)), dw = static_cast<int32_t>(state.range(1)),
                  dh = static_cast<int32_t>(state.range(2)), mode = static_cast<int32_t>(state.range(3));
    const bool plain = state.range(4) != 0;
    const Image &src = source(bits);
    Image dst(dw, dh, bits);
    uint32_t err;
    for (auto _ : state) {
        const int32_t r =
            plain ? ox::image::plain::change_resolution(dst.handle, 0, 0, dw, dh, src.handle, 0, 0, kW, kH, mode, &err)
                  : oxImageChangeResolution(dst.handle, 0, 0, dw, dh, src.handle, 0, 0, kW, kH, mode, &err);
        if (r != 1) state.SkipWithError("oxImageChangeResolution failed");
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.bytes()));
    state.counters["dst_MP/s"] =
        benchmark::Counter(static_cast<double>(dw) * dh * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Memcpy)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

// Box sampling to the thumbnail sizes.
BENCHMARK(BM_Resample)
    ->ArgNames({"bits", "dw", "dh", "mode", "plain"})
    ->Args({24, 160, 120, 1, 0})->Args({24, 160, 120, 1, 1})
    ->Args({24, 64, 48, 1, 0})->Args({24, 64, 48, 1, 1})
    ->Args({32, 160, 120, 1, 0})->Args({32, 160, 120, 1, 1})
    ->Args({32, 64, 48, 1, 0})->Args({32, 64, 48, 1, 1})
    // Area sampling: factor 3.0007 and 4.096, and enlargement by 2.5.
    ->Args({24, 1365, 1024, 0, 0})->Args({24, 1365, 1024, 0, 1})
    ->Args({24, 1000, 750, 0, 0})->Args({24, 1000, 750, 0, 1})
    ->Args({24, 10240, 7680, 0, 0})->Args({24, 10240, 7680, 0, 1})
    // The half-size shortcut.
    ->Args({24, 2048, 1536, 0, 0})->Args({24, 2048, 1536, 0, 1})
    ->Args({32, 2048, 1536, 0, 0})->Args({32, 2048, 1536, 0, 1})
    ->Unit(benchmark::kMillisecond);

std::string resample_name(int bits, int dw, int dh, int mode, int plain) {
    return "BM_Resample/bits:" + std::to_string(bits) + "/dw:" + std::to_string(dw) + "/dh:" + std::to_string(dh) +
           "/mode:" + std::to_string(mode) + "/plain:" + std::to_string(plain);
}

void print_ratios(const std::map<std::string, double> &t) {
    auto find = [&](const std::string &name) {
        auto it = t.find(name);
        return it == t.end() ? 0.0 : it->second;
    };
    std::printf("\n%-36s %12s %12s %10s %8s\n", "operation", "fast ms", "yardstick ms", "ratio", "target");
    auto line = [&](const char *what, double fast, double yard, double ratio, const char *target) {
        std::printf("%-36s %12.2f %12.2f %10.2f %8s\n", what, fast * 1e3, yard * 1e3, ratio, target);
    };
    for (int bits : {24, 32}) {
        const double mem = find("BM_Memcpy/" + std::to_string(bits));
        for (auto [dw, dh] : {std::pair{160, 120}, std::pair{64, 48}}) {
            const double fast = find(resample_name(bits, dw, dh, 1, 0));
            const double plain = find(resample_name(bits, dw, dh, 1, 1));
            const std::string what =
                "box " + std::to_string(bits) + " bit to " + std::to_string(dw) + "x" + std::to_string(dh);
            if (fast > 0) {
                line((what + " vs memcpy").c_str(), fast, mem, mem / fast, ">=0.25");
                line((what + " vs plain").c_str(), fast, plain, plain / fast, ">=10");
            }
        }
    }
    for (auto [dw, dh] : {std::pair{1365, 1024}, std::pair{1000, 750}, std::pair{10240, 7680}}) {
        const double fast = find(resample_name(24, dw, dh, 0, 0)), plain = find(resample_name(24, dw, dh, 0, 1));
        const std::string what = "area 24 bit to " + std::to_string(dw) + "x" + std::to_string(dh) + " vs plain";
        if (fast > 0) {
            line(what.c_str(), fast, plain, plain / fast, ">=5");
            const double dst_mp = dw * double(dh) / 1e6, src_mp = kW * double(kH) / 1e6;
            std::printf("%-36s %.1f destination MP/s, %.1f source MP/s (plain %.1f / %.1f)\n", "", dst_mp / fast,
                        src_mp / fast, dst_mp / plain, src_mp / plain);
        }
    }
    for (int bits : {24, 32}) {
        const double mem = find("BM_Memcpy/" + std::to_string(bits));
        const double fast = find(resample_name(bits, 2048, 1536, 0, 0));
        const double plain = find(resample_name(bits, 2048, 1536, 0, 1));
        const std::string what = "half size " + std::to_string(bits) + " bit";
        if (fast > 0) {
            line((what + " vs memcpy").c_str(), fast, mem, mem / fast, ">=0.30");
            line((what + " vs plain").c_str(), fast, plain, plain / fast, "");
        }
    }
}

// Area sampling of the 24-bit source beside Pillow's resize(BOX) of the same picture in this run.
void peer_table() {
    const Image &src = source(24);
    std::printf("\nagainst Pillow, medians of processor time\n");
    for (auto [dw, dh] : {std::pair{1365, 1024}, std::pair{1000, 750}}) {
        Image dst(dw, dh, 24);
        uint32_t err;
        const double ours = oxbench::median_seconds(15, [&] {
            oxImageChangeResolution(dst.handle, 0, 0, dw, dh, src.handle, 0, 0, kW, kH, 0, &err);
        });
        const double pillow = oxbench::pillow_seconds(
            "box " + std::to_string(dw) + " " + std::to_string(dh), src.lock.pixels, kW, kH, 15);
        oxbench::peer_line("area 24 bit to " + std::to_string(dw) + "x" + std::to_string(dh), ours, pillow,
                           dw == 1365 ? 2.0 : 0);
    }
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    oxbench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print_ratios(reporter.seconds);
    peer_table();
    benchmark::Shutdown();
    return 0;
}
