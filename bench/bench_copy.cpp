// Copies and conversions of a 4096x3072 picture against memcpy of the same bytes and against the per-pixel
// reference paths, measured in one run; the ratios are printed after the usual table.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "bench_support.h"
#include "image/convert.h"
#include "image/copy.h"
#include "ox.h"

namespace {

constexpr int32_t kW = 4096, kH = 3072;
constexpr int64_t kPixels = int64_t{kW} * kH;

// A 4096x3072 picture of pseudo-random bytes, seeded by its depth.
struct Image : oxbench::LockedImage {
    explicit Image(int32_t bits, int32_t layer = OX_LAYER_NORMAL) : LockedImage(kW, kH, bits, layer) {
        uint32_t x = 0x9E3779B9u * static_cast<uint32_t>(bits);
        for (uint32_t i = 0; i < lock.header->imageSize; ++i) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            lock.pixels[i] = static_cast<uint8_t>(x);
        }
    }
};

// A painted gray layer: runs of white (fourth channel 255), of ink without white share (0) and short
// anti-aliased edges with any share.
void paint_gray_layer(Image &img) {
    uint32_t x = 12345;
    auto next = [&] { return x ^= x << 13, x ^= x >> 17, x ^= x << 5; };
    uint8_t *p = img.lock.pixels;
    const size_t n = img.bytes() / 4;
    for (size_t i = 0; i < n;) {
        const uint32_t kind = next() % 10, run = kind < 8 ? 1 + next() % 200 : 1 + next() % 4;
        for (uint32_t k = 0; k < run && i < n; ++k, ++i) {
            const uint32_t c = next();
            uint8_t *q = p + 4 * i;
            if (kind < 6) {
                q[0] = q[1] = q[2] = q[3] = 0xFF;
            } else if (kind < 8) {
                q[0] = 0, q[1] = static_cast<uint8_t>(c), q[2] = static_cast<uint8_t>(c >> 8), q[3] = 0x20;
            } else {
                q[0] = static_cast<uint8_t>(c >> 24), q[1] = static_cast<uint8_t>(c), q[2] = 0x40, q[3] = 0x80;
            }
        }
    }
}

// Built once: the pictures are large enough that making them per benchmark would dominate the run.
struct Pictures {
    Pictures() { paint_gray_layer(painted); }
    Image src32{32}, dst32{32}, src24{24}, dst24{24}, src8{8}, dst8{8}, src1{1}, gray{32, OX_LAYER_GRAY},
        saved{32, OX_LAYER_GRAY}, painted{32, OX_LAYER_GRAY};
};
Pictures &pictures() {
    static Pictures p;
    return p;
}

void finish(benchmark::State &state) { state.SetItemsProcessed(state.iterations() * kPixels); }

void memcpy_of(benchmark::State &state, size_t bytes) {
    oxbench::memcpy_reference(state, pictures().dst32.lock.pixels, pictures().src32.lock.pixels, bytes);
}
void BM_Memcpy32(benchmark::State &state) { memcpy_of(state, pictures().src32.bytes()); }
void BM_Memcpy24(benchmark::State &state) { memcpy_of(state, pictures().src24.bytes()); }
void BM_Memcpy8(benchmark::State &state) { memcpy_of(state, pictures().src8.bytes()); }

void copy_image(benchmark::State &state, Image &dst, Image &src) {
    for (auto _ : state) {
        uint32_t err;
        OxHandle h = dst.handle;
        benchmark::DoNotOptimize(oxImageCopy(&h, src.handle, &err));
        benchmark::ClobberMemory();
    }
    finish(state);
}
void BM_CopySame32(benchmark::State &state) { copy_image(state, pictures().dst32, pictures().src32); }
void BM_CopySame24(benchmark::State &state) { copy_image(state, pictures().dst24, pictures().src24); }
void BM_CopySame8(benchmark::State &state) { copy_image(state, pictures().dst8, pictures().src8); }
void BM_Copy24to32(benchmark::State &state) { copy_image(state, pictures().dst32, pictures().src24); }
void BM_Copy32to24(benchmark::State &state) { copy_image(state, pictures().dst24, pictures().src32); }

using CopyExFn = int32_t (*)(OxHandle, int32_t, int32_t, int32_t, int32_t, OxHandle, int32_t, int32_t);
template <CopyExFn F>
void copy_ex(benchmark::State &state, Image &dst, Image &src) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(F(dst.handle, 0, 0, kW, kH, src.handle, 0, 0));
        benchmark::ClobberMemory();
    }
    finish(state);
}
constexpr CopyExFn kFastCopyEx = oxImageCopyEx, kPlainCopyEx = ox::image::plain::image_copy_ex;
void BM_CopyEx24to8(benchmark::State &s) { copy_ex<kFastCopyEx>(s, pictures().dst8, pictures().src24); }
void BM_CopyEx24to8_plain(benchmark::State &s) { copy_ex<kPlainCopyEx>(s, pictures().dst8, pictures().src24); }
void BM_CopyEx8to1(benchmark::State &s) {
    Image &dst = pictures().src1;  // the 1-bit picture is only ever a destination here and a source below
    copy_ex<kFastCopyEx>(s, dst, pictures().src8);
}
void BM_CopyEx8to1_plain(benchmark::State &s) { copy_ex<kPlainCopyEx>(s, pictures().src1, pictures().src8); }
void BM_CopyEx1to24(benchmark::State &s) { copy_ex<kFastCopyEx>(s, pictures().dst24, pictures().src1); }
void BM_CopyEx1to24_plain(benchmark::State &s) { copy_ex<kPlainCopyEx>(s, pictures().dst24, pictures().src1); }

template <OxHandle (*F)(OxHandle, uint32_t *)>
void to_gray_scale(benchmark::State &state) {
    for (auto _ : state) {
        uint32_t err;
        const OxHandle g = F(pictures().src24.handle, &err);
        benchmark::DoNotOptimize(g);
        oxFree(g);
    }
    finish(state);
}
// What making and freeing the 8-bit result costs by itself: the floor under both paths below.
void BM_Create8Free(benchmark::State &state) {
    for (auto _ : state) {
        uint32_t err;
        const OxHandle g = oxImageCreate(kW, kH, 8, &err);
        OxImageLockRec lock;
        oxImageLock(g, &lock);
        for (uint32_t i = 0; i < lock.header->imageSize; i += 4096) lock.pixels[i] = 1;  // touch every page
        benchmark::DoNotOptimize(g);
        oxFree(g);
    }
    finish(state);
}
void BM_FullColorToGrayScale(benchmark::State &s) { to_gray_scale<oxImageFullColorToGrayScale>(s); }
void BM_FullColorToGrayScale_plain(benchmark::State &s) {
    to_gray_scale<ox::image::plain::image_full_color_to_gray_scale>(s);
}

// Both gray conversions work in place; each iteration starts again from the same gray layer, random bytes
// or a painted layer.
template <void (*F)(OxHandle), bool Painted = false>
void convert_in_place(benchmark::State &state) {
    Pictures &p = pictures();
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(p.gray.lock.pixels, (Painted ? p.painted : p.saved).lock.pixels, p.gray.bytes());
        state.ResumeTiming();
        F(p.gray.handle);
        benchmark::ClobberMemory();
    }
    finish(state);
}
void BM_NormaltoGray(benchmark::State &s) { convert_in_place<oxImageConvertNormaltoGray>(s); }
void BM_NormaltoGray_plain(benchmark::State &s) { convert_in_place<ox::image::plain::image_convert_normal_to_gray>(s); }
void BM_GraytoNormal(benchmark::State &s) { convert_in_place<oxImageConvertGraytoNormal>(s); }
void BM_GraytoNormal_plain(benchmark::State &s) { convert_in_place<ox::image::plain::image_convert_gray_to_normal>(s); }
void BM_GraytoNormalPainted(benchmark::State &s) { convert_in_place<oxImageConvertGraytoNormal, true>(s); }
void BM_GraytoNormalPainted_plain(benchmark::State &s) {
    convert_in_place<ox::image::plain::image_convert_gray_to_normal, true>(s);
}

#define OX_BENCH(fn) BENCHMARK(fn)->Unit(benchmark::kMillisecond)
OX_BENCH(BM_Memcpy32);
OX_BENCH(BM_Memcpy24);
OX_BENCH(BM_Memcpy8);
OX_BENCH(BM_CopySame32);
OX_BENCH(BM_CopySame24);
OX_BENCH(BM_CopySame8);
OX_BENCH(BM_Copy24to32);
OX_BENCH(BM_Copy32to24);
OX_BENCH(BM_CopyEx24to8);
OX_BENCH(BM_CopyEx24to8_plain);
OX_BENCH(BM_CopyEx8to1);
OX_BENCH(BM_CopyEx8to1_plain);
OX_BENCH(BM_CopyEx1to24);
OX_BENCH(BM_CopyEx1to24_plain);
OX_BENCH(BM_Create8Free);
OX_BENCH(BM_FullColorToGrayScale);
OX_BENCH(BM_FullColorToGrayScale_plain);
OX_BENCH(BM_NormaltoGray);
OX_BENCH(BM_NormaltoGray_plain);
OX_BENCH(BM_GraytoNormal);
OX_BENCH(BM_GraytoNormal_plain);
OX_BENCH(BM_GraytoNormalPainted);
OX_BENCH(BM_GraytoNormalPainted_plain);

void print_ratios(const std::map<std::string, double> &t) {
    auto have = [&](const std::string &n) { return t.count(n) != 0; };
    std::printf("\n%-28s %-22s %10s %10s\n", "operation", "measured against", "ratio", "target");
    // Speed as a share of memcpy's over the same bytes (memcpy time / operation time).
    auto vs_memcpy = [&](const char *op, const char *base, double target) {
        if (!have(op) || !have(base)) return;
        const double r = t.at(base) / t.at(op);
        std::printf("%-28s %-22s %9.0f%% %9.0f%% %s\n", op + 3, base + 3, 100 * r, 100 * target,
                    r >= target ? "" : "MISSED");
    };
    // Speed-up over the per-pixel reference.
    auto vs_plain = [&](const std::string &op, double target) {
        const std::string base = op + "_plain";
        if (!have(op) || !have(base)) return;
        const double r = t.at(base) / t.at(op);
        std::printf("%-28s %-22s %9.1fx %9.0fx %s\n", op.c_str() + 3, "per-pixel reference", r, target,
                    r >= target ? "" : "MISSED");
    };
    vs_memcpy("BM_CopySame32", "BM_Memcpy32", 0.60);
    vs_memcpy("BM_CopySame24", "BM_Memcpy24", 0.60);
    vs_memcpy("BM_CopySame8", "BM_Memcpy8", 0.60);
    // The conversions are held to memcpy of the smaller (24-bit) side, the stricter reading.
    vs_memcpy("BM_Copy24to32", "BM_Memcpy24", 0.25);
    vs_memcpy("BM_Copy32to24", "BM_Memcpy24", 0.25);
    for (const char *op : {"BM_CopyEx24to8", "BM_CopyEx8to1", "BM_CopyEx1to24", "BM_FullColorToGrayScale",
                           "BM_NormaltoGray", "BM_GraytoNormal", "BM_GraytoNormalPainted"})
        vs_plain(op, 8);
    // The new image's allocation and first touch is the same for both paths; without it:
    if (have("BM_Create8Free") && have("BM_FullColorToGrayScale") && have("BM_FullColorToGrayScale_plain")) {
        const double floor = t.at("BM_Create8Free");
        const double r = (t.at("BM_FullColorToGrayScale_plain") - floor) / (t.at("BM_FullColorToGrayScale") - floor);
        std::printf("%-28s %-22s %9.1fx %9.0fx (allocation of %.2f ms taken off both)\n",
                    "FullColorToGrayScale", "reference, same alloc", r, 8.0, floor * 1e3);
    }
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    pictures();  // built before any timing starts
    oxbench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print_ratios(reporter.seconds);
    benchmark::Shutdown();
    return 0;
}
