// Encoding and decoding image tags: a 1920x1080 flat-colour picture and a 4096x3072 photo-like picture,
// in bytes of raw pixels per second, beside memcpy of the same bytes and the plain reference paths. The
// full calls (BM_Encode, BM_Decode) include making their result block or image; BM_FreshImage shows what
// fresh pages of that size cost on this machine, and BM_EncodeStream / BM_DecodePixels the codec's own
// work into memory that is reused. Then the whole tag write (start, set, close) into a file on tmpfs and
// the read of that tag, beside Pillow's run-length TGA save and load of the same pictures in this run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "bench_support.h"
#include "document/tag_codec.h"
#include "ox.h"

namespace {

using namespace ox::document;

struct Picture {
    OxHandle image = 0;
    OxHandle block = 0;
    std::size_t raw = 0;
    ~Picture() {
        oxFree(image);
        oxFree(block);
    }
};

// Flat: one colour. Photo-like: smooth gradients with sensor noise in most places and flat, saturated
// areas (sky, shadows) where neighbours repeat, so both packet kinds occur in long stretches.
void make_picture(Picture &p, int32_t w, int32_t h, int32_t bits, bool photo) {
    uint32_t err;
    p.image = oxImageCreate(w, h, bits, &err);
    OxImageLockRec lock;
    oxImageLock(p.image, &lock);
    std::mt19937 rng(5);
    const int bpp = bits / 8;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t *row = lock.pixels + static_cast<std::size_t>(y) * lock.rowBytes;
        for (int32_t x = 0; x < w; ++x) {
            uint8_t *px = row + static_cast<std::size_t>(x) * bpp;
            if (!photo) {
                std::memset(px, 0x5A, bpp);
                continue;
            }
            const double g = 128 + 100 * std::sin(x * 0.003) * std::cos(y * 0.004);
            const bool flat = g > 200 || g < 50;
            for (int c = 0; c < bpp; ++c) {
                const int v =
                    flat ? (g > 200 ? 250 : 20) : static_cast<int>(g) + c * 7 + static_cast<int>(rng() % 9) - 4;
                px[c] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    oxImageUnlock(&lock);
    p.raw = lock.header->imageSize;
    p.block = encode_tag_image(p.image, 0x1234, &err);
}

Picture &picture(int which) {
    static Picture flat, photo;
    Picture &p = which == 0 ? flat : photo;
    if (p.image == 0) {
        if (which == 0)
            make_picture(p, 1920, 1080, 24, false);
        else
            make_picture(p, 4096, 3072, 24, true);
    }
    return p;
}

void label(benchmark::State &state, const Picture &p) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(p.raw));
    state.SetLabel(state.range(0) == 0 ? "flat 1920x1080" : "photo 4096x3072");
    state.counters["stream_ratio"] = static_cast<double>(oxGetHandleSize(p.block)) / static_cast<double>(p.raw);
}

void BM_Memcpy(benchmark::State &state) {
    Picture &p = picture(static_cast<int>(state.range(0)));
    std::vector<uint8_t> dst(p.raw);
    const auto *src = static_cast<const uint8_t *>(oxLock(p.image)) + OX_IMAGE_HEADER_SIZE;
    oxbench::memcpy_reference(state, dst.data(), src, p.raw);
    label(state, p);
}

// A new image of the picture's size with every byte written: what any call that returns a new image
// pays for fresh zero pages, before it decodes anything.
void BM_FreshImage(benchmark::State &state) {
    Picture &p = picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        uint32_t err;
        OxHandle img = oxImageCreate(oxImageGetWidthDirect(p.image), oxImageGetHeightDirect(p.image), 24, &err);
        std::memset(static_cast<uint8_t *>(oxLock(img)) + OX_IMAGE_HEADER_SIZE, 1, p.raw);
        benchmark::ClobberMemory();
        oxFree(img);
    }
    label(state, p);
}

// The codec's own work: the stream into a buffer that is reused, the pixels into an image that is reused.
void BM_EncodeStream(benchmark::State &state) {
    Picture &p = picture(static_cast<int>(state.range(0)));
    std::vector<uint8_t> out(p.raw / 3 * 4);
    OxImageLockRec lock;
    oxImageLock(p.image, &lock);
    for (auto _ : state) benchmark::DoNotOptimize(encode_tag_stream(lock, 24, out.data()));
    oxImageUnlock(&lock);
    label(state, p);
}

void BM_DecodePixels(benchmark::State &state) {
    Picture &p = picture(static_cast<int>(state.range(0)));
    uint32_t err;
    OxHandle img = oxImageCreate(oxImageGetWidthDirect(p.image), oxImageGetHeightDirect(p.image), 24, &err);
    OxImageLockRec lock;
    oxImageLock(img, &lock);
    const auto *data = static_cast<const uint8_t *>(oxLock(p.block));
    for (auto _ : state) {
        benchmark::DoNotOptimize(decode_tag_pixels(data, oxGetHandleSize(p.block), 0x1234, lock));
        benchmark::ClobberMemory();
    }
    oxImageUnlock(&lock);
    oxFree(img);
    label(state, p);
}

void BM_Encode(benchmark::State &state) {
    Picture &p = picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        uint32_t err;
        OxHandle b = encode_tag_image(p.image, 0x1234, &err);
        benchmark::DoNotOptimize(b);
        oxFree(b);
    }
    label(state, p);
}

void BM_EncodeReference(benchmark::State &state) {
    Picture &p = picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        uint32_t err;
        OxHandle b = plain::encode_tag_image(p.image, 0x1234, &err);
        benchmark::DoNotOptimize(b);
        oxFree(b);
    }
    label(state, p);
}

void BM_Decode(benchmark::State &state) {
    Picture &p = picture(static_cast<int>(state.range(0)));
    const auto *data = static_cast<const uint8_t *>(oxLock(p.block));
    for (auto _ : state) {
        uint32_t err;
        OxHandle img = decode_tag_image(data, oxGetHandleSize(p.block), 0x1234, &err);
        benchmark::DoNotOptimize(img);
        oxFree(img);
    }
    label(state, p);
}

void BM_DecodeReference(benchmark::State &state) {
    Picture &p = picture(static_cast<int>(state.range(0)));
    const auto *data = static_cast<const uint8_t *>(oxLock(p.block));
    for (auto _ : state) {
        uint32_t err;
        OxHandle img = plain::decode_tag_image(data, oxGetHandleSize(p.block), 0x1234, &err);
        benchmark::DoNotOptimize(img);
        oxFree(img);
    }
    label(state, p);
}

BENCHMARK(BM_Memcpy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreshImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeStream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePixels)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeReference)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeReference)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

void peer_table() {
    const char *path = "/dev/shm/oxbench-tag.doc";
    std::printf("\nwhole calls against Pillow, medians of processor time\n");
    for (int which : {1, 0}) {
        const Picture &p = picture(which);
        const int32_t w = oxImageGetWidthDirect(p.image), h = oxImageGetHeightDirect(p.image);
        const auto *rgb = static_cast<const uint8_t *>(oxLock(p.image)) + OX_IMAGE_HEADER_SIZE;
        const int reps = which == 1 ? 15 : 40;
        const std::string name = which == 1 ? "photo 4096x3072" : "flat 1920x1080";
        const double write = oxbench::median_seconds(
            reps,
            [&] {
                uint32_t err;
                if (!oxSaveStartKavelFile(path, &err) || !oxSetKavelTag(p.image, 0x1234, &err) ||
                    !oxCloseKavelTag(1, &err))
                    std::printf("tag write failed: %u\n", err);
            },
            [&] { std::fclose(std::fopen(path, "wb")); });
        oxbench::peer_line("tag write, " + name, write,
                           oxbench::pillow_seconds("tga-save", rgb, w, h, reps), which == 1 ? 2.0 : 0);
        const double read = oxbench::median_seconds(reps, [&] {
            uint32_t err;
            oxFree(oxGetKavelTag(path, 0x1234, &err));
        });
        oxbench::peer_line("tag read, " + name, read, oxbench::pillow_seconds("tga-load", rgb, w, h, reps), 0);
    }
    std::remove(path);
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    peer_table();
    benchmark::Shutdown();
    return 0;
}
