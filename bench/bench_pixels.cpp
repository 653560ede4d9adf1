// Reading every pixel of a 4096x3072 image through oxImageGetPixel against a row-pointer walk over the
// same bytes, at each depth. Both sum the pixel values so that neither loop can be optimised away.
#include <benchmark/benchmark.h>

#include "image/pixel.h"
#include "ox.h"

namespace {

constexpr int32_t kW = 4096, kH = 3072;

struct Image {
    explicit Image(int32_t bits) {
        uint32_t err;
        handle = oxImageCreate(kW, kH, bits, &err);
        oxImageLock(handle, &lock);
        for (uint32_t i = 0; i < lock.header->imageSize; ++i) lock.pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
    }
    ~Image() {
        oxImageUnlock(&lock);
        oxFree(handle);
    }
    OxHandle handle;
    OxImageLockRec lock;
};

void BM_GetPixel(benchmark::State &state) {
    Image img(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) sum += oxImageGetPixel(&img.lock, x, y);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kW} * kH);
}

template <int Bits>
void row_walk(benchmark::State &state) {
    Image img(Bits);
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int32_t y = 0; y < kH; ++y) {
            const uint8_t *row = ox::image::row_ptr(img.lock, y);
            for (int32_t x = 0; x < kW; ++x) sum += ox::image::PixelCodec<Bits>::get(row, x);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kW} * kH);
}

void BM_RowWalk(benchmark::State &state) {
    switch (state.range(0)) {
    case 1: row_walk<1>(state); break;
    case 8: row_walk<8>(state); break;
    case 24: row_walk<24>(state); break;
    default: row_walk<32>(state); break;
    }
}

BENCHMARK(BM_GetPixel)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowWalk)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
