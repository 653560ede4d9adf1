// Tracing a generated line drawing (brush strokes, curves, ellipses and closed polygons, about 7% ink) with
// oxImageToVector, at 4096x3072 and 1920x1080, beside the plain reference tracer on the same pictures.
// Counters: the ink fraction, the contours and bytes of the outline, and the work memory of one call
// (classification array plus cell grid). BM_SaveRoad times the whole save road of a host for the same
// picture: start tagging a document, store both thumbnails and the vector tag, close the trailer.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "document/vectorize.h"
#include "ox.h"

namespace {

class Drawing {
public:
    Drawing(int32_t w, int32_t h, double target_ink) : w_(w), h_(h), ink_(std::size_t(w) * h, 0) {
        std::mt19937 rng(4242u + uint32_t(w));
        auto uni = [&rng](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
        const double scale = w / 4096.0;
        while (fraction() < target_ink) {
            const double r = uni(1.0, 2.6) * std::max(scale, 0.6);  // brush radius: strokes 2 to 5 pixels wide
            switch (rng() % 4) {
            case 0: {  // straight stroke
                const double x0 = uni(0, w), y0 = uni(0, h);
                stroke_line(x0, y0, x0 + uni(-400, 400) * scale, y0 + uni(-400, 400) * scale, r);
                break;
            }
            case 1: {  // quadratic curve
                const double x0 = uni(0, w), y0 = uni(0, h), s = 500 * scale;
                const double cx = x0 + uni(-s, s), cy = y0 + uni(-s, s), x1 = x0 + uni(-s, s), y1 = y0 + uni(-s, s);
                double px = x0, py = y0;
                for (int i = 1; i <= 48; ++i) {
                    const double t = i / 48.0, u = 1 - t;
                    const double qx = u * u * x0 + 2 * u * t * cx + t * t * x1, qy = u * u * y0 + 2 * u * t * cy + t * t * y1;
                    stroke_line(px, py, qx, qy, r);
                    px = qx;
                    py = qy;
                }
                break;
            }
            case 2: {  // ellipse outline
                const double cx = uni(0, w), cy = uni(0, h), a = uni(20, 260) * scale, b = uni(20, 260) * scale;
                double px = cx + a, py = cy;
                for (int i = 1; i <= 64; ++i) {
                    const double t = i * 2 * M_PI / 64;
                    stroke_line(px, py, cx + a * std::cos(t), cy + b * std::sin(t), r);
                    px = cx + a * std::cos(t);
                    py = cy + b * std::sin(t);
                }
                break;
            }
            default: {  // closed polygon, sometimes filled
                const double cx = uni(0, w), cy = uni(0, h), s = uni(15, 120) * scale;
                const int n = 3 + int(rng() % 5);
                std::vector<std::pair<double, double>> pts;
                for (int i = 0; i < n; ++i) {
                    const double t = i * 2 * M_PI / n + uni(-0.3, 0.3);
                    pts.emplace_back(cx + s * std::cos(t), cy + s * std::sin(t));
                }
                for (int i = 0; i < n; ++i)
                    stroke_line(pts[i].first, pts[i].second, pts[(i + 1) % n].first, pts[(i + 1) % n].second, r);
                if (rng() % 3 == 0) fill_disc(cx, cy, s * 0.5);
                break;
            }
            }
        }
    }

    double fraction() const { return double(count_) / double(ink_.size()); }

    // A 24-bit image: black ink on white.
    OxHandle make_image() const {
        uint32_t err;
        const OxHandle img = oxImageCreate(w_, h_, 24, &err);
        OxImageLockRec lock;
        oxImageLock(img, &lock);
        for (std::size_t i = 0; i < ink_.size(); ++i) std::memset(lock.pixels + 3 * i, ink_[i] ? 0x00 : 0xFF, 3);
        oxImageUnlock(&lock);
        return img;
    }

private:
    void fill_disc(double cx, double cy, double r) {
        const int y0 = std::max(0, int(cy - r)), y1 = std::min(h_ - 1, int(cy + r));
        const int x0 = std::max(0, int(cx - r)), x1 = std::min(w_ - 1, int(cx + r));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
                    uint8_t &p = ink_[std::size_t(y) * w_ + x];
                    count_ += !p;
                    p = 1;
                }
    }
    void stroke_line(double x0, double y0, double x1, double y1, double r) {
        const int steps = std::max(1, int(std::hypot(x1 - x0, y1 - y0)));
        for (int i = 0; i <= steps; ++i) fill_disc(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, r);
    }

    int32_t w_, h_;
    std::vector<uint8_t> ink_;
    std::size_t count_ = 0;
};

struct Picture {
    OxHandle image;
    double ink;
};

const Picture &picture(int32_t w, int32_t h) {
    static std::map<std::pair<int32_t, int32_t>, Picture> cache;
    auto it = cache.find({w, h});
    if (it == cache.end()) {
        const Drawing d(w, h, 0.07);
        it = cache.emplace(std::make_pair(w, h), Picture{d.make_image(), d.fraction()}).first;
    }
    return it->second;
}

void run(benchmark::State &state, bool reference) {
    const int32_t w = int32_t(state.range(0)), h = int32_t(state.range(1));
    const Picture &pic = picture(w, h);
    uint32_t total = 0, contours = 0;
    for (auto _ : state) {
        uint32_t err = 0;
        const OxHandle block =
            reference ? ox::document::plain::image_to_vector(pic.image, &err) : oxImageToVector(pic.image, &err);
        if (block == 0) {
            state.SkipWithError("oxImageToVector failed");
            break;
        }
        const auto *p = static_cast<const uint8_t *>(oxLock(block));
        total = (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        contours = (p[4] << 8) | p[5];
        oxFree(block);
    }
    state.counters["ink_%"] = 100 * pic.ink;
    state.counters["contours"] = contours;
    state.counters["outline_KB"] = total / 1024.0;
    state.counters["work_MB"] =
        double(ox::document::ink_map_bytes(w, h) + ox::document::cell_grid_bytes(w, h)) / (1 << 20);
    state.counters["Mpixel/s"] = benchmark::Counter(double(w) * h / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// The document's own content is a small file rewritten before each save, so every iteration tags a file of
// the same size in new mode.
void BM_SaveRoad(benchmark::State &state) {
    const Picture &pic = picture(int32_t(state.range(0)), int32_t(state.range(1)));
    const std::string path = "/tmp/oxwutl-bench-road-" + std::to_string(getpid()) + ".doc";
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(4096, 'c');
        state.ResumeTiming();
        uint32_t err = 0;
        const bool ok = oxSaveStartKavelFile(path.c_str(), &err) && oxSetFileThumbnailTag(pic.image, &err) &&
                        oxSetFileVectorTag(pic.image, &err) && oxCloseKavelTag(1, &err);
        if (!ok) {
            state.SkipWithError("the save road failed");
            break;
        }
    }
    unlink(path.c_str());
    state.counters["ink_%"] = 100 * pic.ink;
}

void BM_Vectorize(benchmark::State &state) { run(state, false); }
void BM_VectorizeReference(benchmark::State &state) { run(state, true); }

BENCHMARK(BM_SaveRoad)->Args({4096, 3072})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vectorize)->Args({4096, 3072})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VectorizeReference)->Args({4096, 3072})->Args({1920, 1080})->Unit(benchmark::kMillisecond)
    ->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
