// oxImageToVector: ink classification, refusals and limits, and random images checked for the block's
// invariants and for equal bytes from both tracers, with the blocks pinned.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "document/vectorize.h"
#include "image_compare.h"
#include "ox.h"

using oxtest::Handle;
using oxtest::make_image;
using oxtest::put;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kUntouched = 0x5EED;

struct Pt {
    int x, y;
    bool operator==(const Pt &) const = default;
};
using Contour = std::vector<Pt>;

void PrintTo(const Pt &p, std::ostream *os) { *os << "(" << p.x << "," << p.y << ")"; }

uint32_t be16(const uint8_t *p) { return (p[0] << 8) | p[1]; }
uint32_t be32(const uint8_t *p) { return (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// Reads an outline block, checking its framing: contours of at least one point account for the stated
// length exactly, and the reserved bytes and everything behind that length are zero.
std::vector<Contour> parse(OxHandle block) {
    const auto *p = static_cast<const uint8_t *>(oxLock(block));
    const uint32_t size = oxGetHandleSize(block), total = be32(p), count = be16(p + 4);
    const uint32_t end = std::min(total, size);
    std::vector<Contour> out;
    std::size_t o = 32;
    for (uint32_t c = 0; c < count && o + 2 <= end; ++c) {
        const uint32_t n = be16(p + o);
        o += 2;
        if (n == 0 || o + 4 * n > end) break;
        Contour contour;
        for (uint32_t k = 0; k < n; ++k, o += 4) contour.push_back({int(be16(p + o)), int(be16(p + o + 2))});
        out.push_back(contour);
    }
    EXPECT_EQ(out.size(), count) << "contours missing or empty";
    EXPECT_EQ(o, total) << "the contours do not account for the stated length";
    auto zero = [](uint8_t b) { return b == 0; };
    EXPECT_TRUE(std::all_of(p + 6, p + 32, zero)) << "reserved bytes";
    EXPECT_TRUE(std::all_of(p + end, p + size, zero)) << "bytes behind the outline";
    oxUnlock(block);
    return out;
}

Handle white_image(int32_t w, int32_t h, int32_t bits = 24) {
    Handle img = make_image(w, h, bits);
    const oxtest::Locked lock(img.get());
    std::memset(lock->pixels, 0xFF, lock->header->imageSize);
    return img;
}

// The entry point under test: oxImageToVector, or the same with the plain tracer (the fixture chooses).
OxHandle (*to_vector)(OxHandle, uint32_t *) = oxImageToVector;

std::vector<uint8_t> block_bytes(OxHandle img, uint32_t *err) {
    *err = kUntouched;
    Handle block(to_vector(img, err));
    if (!block) return {};
    const auto *p = static_cast<const uint8_t *>(oxLock(block.get()));
    return {p, p + be32(p)};
}

// Every test of this fixture runs with the tracer in use and with the plain tracer.
class Vectorize : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { to_vector = GetParam() ? ox::document::plain::image_to_vector : oxImageToVector; }
    void TearDown() override { to_vector = oxImageToVector; }
};

INSTANTIATE_TEST_SUITE_P(Tracers, Vectorize, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool> &tracer) {
                             return tracer.param ? "Reference" : "Fast";
                         });

// Traces a white image with ink where ink(x, y) says; expects a refusal with 87 when `too_many`, otherwise an outline.
template <class Ink>
std::vector<Contour> trace(int32_t w, int32_t h, bool too_many, Ink ink) {
    Handle img = white_image(w, h);
    {
        const oxtest::Locked lock(img.get());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (ink(x, y)) oxImagePutPixel(lock.get(), x, y, 0);
    }
    uint32_t err = kUntouched;
    Handle block(to_vector(img.get(), &err));
    if (too_many) {
        EXPECT_FALSE(block);
        EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
        return {};
    }
    EXPECT_TRUE(block);
    return block ? parse(block.get()) : std::vector<Contour>{};
}

TEST_P(Vectorize, CountLimits) {
    // Contours: 65535 separate dots fit the 16-bit count; one more is refused with 87, not wrapped.
    for (bool one_more : {false, true}) {
        const auto contours = trace(512, 512, one_more, [&, dots = 0](int x, int y) mutable {
            return x % 2 == 0 && y % 2 == 0 && (one_more || dots++ < 65535);
        });
        EXPECT_EQ(contours.size(), one_more ? 0u : 65535u);
    }
    // Points: a comb of one-pixel teeth 14 pixels long, one tooth every two pixels, gives three points per
    // two teeth; 43690 pixels of comb make exactly 65535 points (start point included), 43691 one too many.
    for (int32_t w : {43690, 43691}) {
        const auto contours = trace(w, 15, w == 43691, [](int x, int y) { return y == 0 || x % 2 == 0; });
        EXPECT_EQ(contours.empty() ? 0u : contours[0].size(), w == 43691 ? 0u : 65535u);
    }
}

TEST_P(Vectorize, WideImagesKeepSixteenBitCoordinates) {
    // Coordinates above 32767 are written as unsigned 16-bit values, up to 65535 in a 65536-wide image.
    for (int32_t w : {40000, 65536}) {
        SCOPED_TRACE(w);
        const auto contours =
            trace(w, 2, false, [w](int x, int y) { return (x == w - 1 && y == 1) || (x == w / 2 && y == 0); });
        EXPECT_EQ(contours, (std::vector<Contour>{{{w / 2, 0}, {w / 2, 0}}, {{w - 1, 0}, {w - 1, 0}}}));
    }
}

TEST_P(Vectorize, RandomImagesKeepInvariantsAndTracersAgree) {
    // Random pictures of every density: the image is only read, and the other tracer gives the same bytes.
    // (The fuzz target checks the block's framing and its polygons on such pictures; here the checksum pins
    // the blocks and codes.)
    // Half of them are noise, half white pictures with random bars and diagonal strokes, whose rings are long.
    std::mt19937 rng(20240611u + GetParam());
    uint64_t sum = oxtest::kChecksumStart;
    for (int iter = 0; iter < 1500; ++iter) {
        const bool noise = iter % 2 == 0;
        const int32_t w = 1 + int32_t(rng() % (noise ? 37 : 64)), h = 1 + int32_t(rng() % (noise ? 29 : 64));
        const int32_t bits = rng() % 2 ? 24 : 32;
        Handle img = make_image(w, h, bits);
        OxImageLockRec lock;
        oxImageLock(img.get(), &lock);
        if (noise) {
            const unsigned density = rng() % 101;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    oxImagePutPixel(&lock, x, y, rng() % 100 < density ? rng() : 0xFFFFFFFFu);
        } else {
            std::memset(lock.pixels, 0xFF, lock.header->imageSize);
            for (int shapes = int(rng() % 8); shapes > 0; --shapes) {
                const int x0 = int(rng() % w), y0 = int(rng() % h);
                const int x1 = std::min(w, x0 + 1 + int(rng() % 20)), y1 = std::min(h, y0 + 1 + int(rng() % 20));
                const bool bar = rng() % 2;
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x)
                        if (bar || (x - x0) == (y - y0) || (x - x0) == (y - y0) + 1) oxImagePutPixel(&lock, x, y, 0);
            }
        }
        oxImageUnlock(&lock);
        SCOPED_TRACE(testing::Message() << "iteration " << iter << ": " << w << "x" << h << "x" << bits);

        const oxtest::Bytes before = oxtest::image_bytes(img.get());
        uint32_t err;
        const std::vector<uint8_t> here = block_bytes(img.get(), &err);
        sum = oxtest::fold(sum ^ err, here);
        ASSERT_EQ(oxtest::image_bytes(img.get()), before) << "the image was written";
        to_vector = GetParam() ? oxImageToVector : ox::document::plain::image_to_vector;
        uint32_t other_err;
        const std::vector<uint8_t> other = block_bytes(img.get(), &other_err);
        SetUp();
        ASSERT_EQ(here, other);
        ASSERT_EQ(err, other_err);
    }
    // Pinned: the blocks of all these pictures (two seeds), so that the walk, its reduction to edges and the
    // block's bytes cannot change unseen.
    EXPECT_EQ(sum, GetParam() ? 4152258556323871208ull : 6907245805684792292ull);
}

TEST(VectorizeRefusals, ArgumentsAndEmptyImages) {
    uint32_t err = kUntouched;
    EXPECT_EQ(oxImageToVector(0, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);

    Handle noisy = white_image(9, 7, 32);  // white, with the fourth byte of each pixel random
    {
        const oxtest::Locked lock(noisy.get());
        for (uint32_t i = 0; i < lock->header->imageSize; i += 4) lock->pixels[i] = uint8_t(i * 37);
    }
    Handle lying = make_image(4, 4, 24);
    static_cast<OxImageHeader *>(oxLock(lying.get()))->height = 100000;
    struct Case {
        const char *what;
        Handle image;
        uint32_t code;
    } const cases[] = {
        {"1 bit", make_image(4, 4, 1), 0},
        {"8 bits", make_image(4, 4, 8), 0},
        {"mask", make_image(4, 4, 0, OX_LAYER_MASK), 0},
        {"no ink: no contour, the code left alone", white_image(9, 7, 24), kUntouched},
        {"no ink in 32 bits", std::move(noisy), kUntouched},
        {"too wide for 16-bit coordinates", make_image(65537, 1, 24), 0},
        {"more rows claimed than the block holds", std::move(lying), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        err = kUntouched;
        EXPECT_EQ(oxImageToVector(c.image.get(), &err), 0u);
        EXPECT_EQ(err, c.code);
    }
}

#ifndef __SANITIZE_ADDRESS__
// Caps the address space of the calling process at what it uses plus `headroom_mb`, then vectorizes: 0 when
// the call fails with code 8.
int vectorize_with_capped_memory(OxHandle img, long headroom_mb) {
    long pages = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    const rlim_t cap = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(headroom_mb) << 20);
    struct rlimit lim = {cap, cap};
    if (pages == 0 || setrlimit(RLIMIT_AS, &lim) != 0) return 3;
    uint32_t code = kUntouched;
    const OxHandle block = oxImageToVector(img, &code);
    return block == 0 && code == OX_ERROR_NOT_ENOUGH_MEMORY ? 0 : 1;
}
#endif

TEST(VectorizeRefusals, MemoryExhaustionGivesCodeEight) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "address space limits do not mix with the sanitizer's shadow memory";
#else
    // In a child process whose address space is capped a little above what it uses: first too tight for the
    // 9 MB classification array, then room for that but not for the 36 MB cell grid.
    Handle img = white_image(3000, 3000);
    for (int i = 0; i < 3000; i += 7) put(img.get(), i, i, 0);
    for (long headroom_mb : {4L, 20L}) {
        SCOPED_TRACE(headroom_mb);
        EXPECT_EXIT(_exit(vectorize_with_capped_memory(img.get(), headroom_mb)), testing::ExitedWithCode(0), "");
    }
#endif
}

TEST(VectorizeConcurrency, CallsFromSeveralThreadsGiveTheirOwnResults) {
    // The grid is module-wide for one call; calls from several threads wait for each other and each gets
    // the outline of its own picture.
    std::mt19937 rng(9);
    std::vector<Handle> images;
    std::vector<std::vector<uint8_t>> expected;
    for (int i = 0; i < 4; ++i) {
        Handle img = white_image(120 + 10 * i, 90);
        for (int k = 0; k < 400; ++k) put(img.get(), int(rng() % (120 + 10 * i)), int(rng() % 90), 0);
        uint32_t err;
        expected.push_back(block_bytes(img.get(), &err));
        images.push_back(std::move(img));
    }
    std::atomic<int> differing{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&, i] {
            for (int round = 0; round < 20; ++round) {
                uint32_t err;
                differing += block_bytes(images[i].get(), &err) != expected[i];
            }
        });
    for (auto &t : threads) t.join();
    EXPECT_EQ(differing, 0);
}

}  // namespace
