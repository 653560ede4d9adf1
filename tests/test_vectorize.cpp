// oxImageToVector: outlines of hand-made shapes, the block's bytes, refusals and limits, and random images
// checked for the block's invariants, for placement, and for equal bytes from both tracers.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <array>
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

// Reads an outline block, checking its framing: the total length agrees with the contours it holds, the
// reserved bytes and everything behind the total are zero, and every contour has at least one point.
std::vector<Contour> parse(OxHandle block) {
    std::vector<Contour> out;
    const auto *p = static_cast<const uint8_t *>(oxLock(block));
    const uint32_t size = oxGetHandleSize(block);
    const uint32_t total = be32(p);
    EXPECT_GE(total, 32u);
    EXPECT_LE(total, size);
    if (total < 32 || total > size) return out;
    for (int i = 6; i < 32; ++i) EXPECT_EQ(p[i], 0) << "reserved byte " << i;
    const uint32_t count = be16(p + 4);
    std::size_t o = 32;
    for (uint32_t c = 0; c < count; ++c) {
        EXPECT_LE(o + 2, total);
        if (o + 2 > total) return out;
        const uint32_t n = be16(p + o);
        EXPECT_GE(n, 1u);
        o += 2;
        EXPECT_LE(o + 4 * n, total);
        if (o + 4 * n > total) return out;
        Contour contour;
        for (uint32_t k = 0; k < n; ++k, o += 4) contour.push_back({int(be16(p + o)), int(be16(p + o + 2))});
        out.push_back(contour);
    }
    EXPECT_EQ(o, total) << "total length does not match the contours";
    for (uint32_t i = total; i < size; ++i) {
        if (p[i] != 0) {
            ADD_FAILURE() << "non-zero byte behind the outline at " << i;
            break;
        }
    }
    oxUnlock(block);
    return out;
}

// An image drawn from rows of text: '#' is black ink, anything else white.
Handle image_from(const std::vector<std::string> &rows, int32_t bits = 24) {
    Handle img = make_image(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()), bits);
    const oxtest::Locked lock(img.get());
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            oxImagePutPixel(lock.get(), int32_t(x), int32_t(y), rows[y][x] == '#' ? 0 : kWhite);
    return img;
}

// Rows of a w x h picture whose box x0..x1-1 x y0..y1-1 is ink.
std::vector<std::string> box_rows(int w, int h, int x0, int y0, int x1, int y1) {
    std::vector<std::string> rows(h, std::string(w, '.'));
    for (int y = y0; y < y1; ++y) rows[y].replace(x0, x1 - x0, x1 - x0, '#');
    return rows;
}

Handle white_image(int32_t w, int32_t h, int32_t bits = 24) {
    Handle img = make_image(w, h, bits);
    const oxtest::Locked lock(img.get());
    std::memset(lock->pixels, 0xFF, lock->header->imageSize);
    return img;
}

// The entry point under test: oxImageToVector, or the same with the plain tracer (the fixture chooses).
OxHandle (*to_vector)(OxHandle, uint32_t *) = oxImageToVector;

std::vector<Contour> outline(OxHandle img) {
    uint32_t err = kUntouched;
    Handle block(to_vector(img, &err));
    EXPECT_TRUE(block) << "error code " << err;
    if (!block) return {};
    return parse(block.get());
}

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

TEST_P(Vectorize, SinglePixelBlockBytes) {
    // The ring of boundary cells around one pixel is 4 straight cells per side joined by diagonal corners:
    // 0 0 0 7 6 6 6 5 4 4 4 3 2 2 2 1. Each run of three is dropped, leaving 7 5 3 1, which never turns six
    // eighths from its first code and so is one edge, from the start cell's pixel (0, -1) back to (0, -1).
    // Both points are written clamped to (0, 0).
    Handle img = image_from({"#"});
    uint32_t err;
    const std::vector<uint8_t> bytes = block_bytes(img.get(), &err);
    std::vector<uint8_t> expected = {0, 0, 0, 42, 0, 1};
    expected.resize(32, 0);
    const uint8_t contour[] = {0, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    expected.insert(expected.end(), contour, contour + sizeof contour);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(err, kUntouched);
    // The 20 x 10 rectangle below: one contour of seven points, 62 bytes.
    const std::vector<uint8_t> rect = block_bytes(image_from(box_rows(20, 10, 0, 0, 20, 10)).get(), &err);
    ASSERT_EQ(rect.size(), 62u);
    EXPECT_EQ(be32(rect.data()), 62u);
    EXPECT_EQ(be16(rect.data() + 4), 1u);

    // A lone pixel anywhere starts one row above itself (clamped at the top) and collapses to that point.
    const Pt where[] = {{1, 1}, {4, 0}, {0, 3}, {6, 4}, {3, 2}};
    for (const Pt &p : where) {
        SCOPED_TRACE(testing::Message() << "pixel " << p.x << "," << p.y);
        Handle lone = white_image(7, 5);
        put(lone.get(), p.x, p.y, 0x123456);
        const Pt start{p.x, p.y > 0 ? p.y - 1 : 0};
        EXPECT_EQ(outline(lone.get()), (std::vector<Contour>{{start, start}}));
    }
}

TEST_P(Vectorize, OutlinesOfDrawnShapes) {
    struct Drawing {
        const char *what;
        std::vector<std::string> rows;
        std::vector<Contour> want;
    } const drawings[] = {
        // A rectangle's ring is 4w-1 cells east, a diagonal, 4h-1 south, a diagonal, 4w-1 west, a diagonal,
        // 4h-1 north and the closing diagonal. For 20 x 10 that reduces to 19 x "0", 7, 9 x "6", 5, 19 x "4",
        // 3, 9 x "2", 1. From (0, -1) the edges end: after the straight run of more than ten 0s at (19, -1);
        // after six right turns at (20, 5); after six more at (15, 10); after fourteen 4s at (0, 10); after six
        // turns at (-1, 4); the last at the chain's end at (0, -1). Clamped into the image these are the points.
        {"20 x 10 filling the image", box_rows(20, 10, 0, 0, 20, 10),
         {{{0, 0}, {19, 0}, {19, 5}, {15, 9}, {0, 9}, {0, 4}, {0, 0}}}},
        {"the same inside a larger picture: the same walk without clamping", box_rows(30, 16, 5, 3, 25, 13),
         {{{5, 2}, {24, 2}, {25, 8}, {20, 13}, {5, 13}, {4, 7}, {5, 2}}}},
        // Widths 12 and 13 (height 10) at (2, 2): the top side reduces to w - 1 codes "0", so the first edge
        // ends on the 7 only when more than ten repeats precede it, at 13 pixels. At 12 the 7 and four 6s
        // follow before six right turns: (0, -1), (12, 4), (7, 10), (-1, 5), (0, -1) relative to the
        // rectangle. At 13: (0, -1), (12, -1), (13, 5), (8, 10), (-1, 5), (0, -1).
        {"width 12", box_rows(17, 14, 2, 2, 14, 12), {{{2, 1}, {14, 6}, {9, 12}, {1, 7}, {2, 1}}}},
        {"width 13", box_rows(17, 14, 2, 2, 15, 12), {{{2, 1}, {14, 1}, {15, 7}, {10, 12}, {1, 7}, {2, 1}}}},
        // Small blocks never turn six eighths away from their first code: one edge back to the start.
        {"small block", {"....", ".##.", ".##.", "...."}, {{{1, 0}, {1, 0}}}},
        // Outer ring as for a 6 x 6 rectangle: 5 x "0", 7, 5 x "6", 5, 5 x "4", 3, 5 x "2", 1 from (0, -1);
        // edges end after six right turns at (6, 4), (1, 6) and (-1, 1), and the chain ends at (0, -1).
        // The hole's ring starts at the boundary cell in the hole's left column on the cell row above pixel
        // row 2, so its pixel is (1, 1); it reduces to 6 6 6 0 0 0 2 2 2 4 4 4, one edge back to (1, 1).
        {"ring with a hole", {"######", "#....#", "#....#", "#....#", "#....#", "######"},
         {{{0, 0}, {5, 4}, {1, 5}, {0, 1}, {0, 0}}, {{1, 1}, {1, 1}}}},
        // Separate blobs are found in the order of their top rows, then left to right.
        {"two blobs",
         {"..........", "..####....", "..####....", "..####....", "..........", ".......##.", ".......##."},
         {{{2, 0}, {2, 0}}, {{7, 4}, {7, 4}}}},
    };
    for (const Drawing &d : drawings) EXPECT_EQ(outline(image_from(d.rows).get()), d.want) << d.what;

    // An 8 x 2 hole: its ring reduces to 6, 7 x "0", 2, 7 x "4". From (1, 1) the first edge ends after six
    // left turns at (6, 2); the second runs on through the reversal (its code before the 4 is a 2, not the
    // edge's 0) back to (1, 1).
    const auto contours = outline(image_from({"##########", "#........#", "#........#", "##########"}).get());
    ASSERT_EQ(contours.size(), 2u);
    EXPECT_EQ(contours[1], (Contour{{1, 1}, {6, 2}, {1, 1}}));

    auto side_by_side = outline(image_from({"#.#", "#.#"}).get());
    ASSERT_EQ(side_by_side.size(), 2u);
    EXPECT_EQ(side_by_side[0].front(), (Pt{0, 0}));
    EXPECT_EQ(side_by_side[1].front(), (Pt{2, 0}));

    // Pixels that touch only at a corner are one area, in both diagonal directions.
    EXPECT_EQ(outline(image_from({"#...", ".#..", "..#.", "...#"}).get()).size(), 1u);
    EXPECT_EQ(outline(image_from({"...#", "..#.", ".#..", "#..."}).get()).size(), 1u);
    EXPECT_EQ(outline(image_from({"##..", "##..", "..##", "..##"}).get()).size(), 1u);
    EXPECT_EQ(outline(image_from({"##...", "##...", "...##", "...##"}).get()).size(), 2u);
}

TEST_P(Vectorize, InkClassification) {
    // 32-bit pixels: bits 24-31 (the first byte) never matter; 24-bit pixels: any byte below 0xFF is ink.
    struct Case {
        int32_t bits;
        uint32_t value;
        bool ink;
    } cases[] = {
        {32, 0x00FFFFFF, false}, {32, 0x7FFFFFFF, false}, {32, 0xFFFFFFFF, false}, {32, 0xFFFFFFFE, true},
        {32, 0xFFFEFFFF, true},  {32, 0x00FFFF7F, true},  {24, 0xFFFFFE, true},    {24, 0xFEFFFF, true},
        {24, 0xFFFFFF, false},   {24, 0x000000, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, value " << std::hex << c.value);
        Handle img = white_image(5, 4, c.bits);
        put(img.get(), 0, 0, 0);  // one certain contour, so that success is independent of the case
        put(img.get(), 3, 2, c.value);
        const auto contours = outline(img.get());
        ASSERT_EQ(contours.size(), c.ink ? 2u : 1u);
        if (c.ink) {
            EXPECT_EQ(contours[1].front(), (Pt{3, 1}));
        }
    }
}

TEST_P(Vectorize, WideImagesKeepSixteenBitCoordinates) {
    // Coordinates above 32767 are written as unsigned 16-bit values, up to 65535 in a 65536-wide image.
    for (int32_t w : {40000, 65536}) {
        SCOPED_TRACE(w);
        Handle img = white_image(w, 2);
        put(img.get(), w - 1, 1, 0);
        put(img.get(), w / 2, 0, 0);
        EXPECT_EQ(outline(img.get()), (std::vector<Contour>{{{w / 2, 0}, {w / 2, 0}}, {{w - 1, 0}, {w - 1, 0}}}));
    }
}

// Traces an image with ink where ink(x, y) says; expects a refusal with 87 when `too_many`, otherwise an outline.
template <class Ink>
std::vector<Contour> trace_at_limit(int32_t w, int32_t h, bool too_many, Ink ink) {
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
        const auto contours = trace_at_limit(512, 512, one_more, [&, dots = 0](int x, int y) mutable {
            return x % 2 == 0 && y % 2 == 0 && (one_more || dots++ < 65535);
        });
        if (!one_more) {
            EXPECT_EQ(contours.size(), 65535u);
        }
    }
    // Points: a comb of one-pixel teeth 14 pixels long, one tooth every two pixels, gives three points per
    // two teeth; 43690 pixels of comb make exactly 65535 points (start point included), 43691 one too many.
    for (int32_t w : {43690, 43691}) {
        const auto contours = trace_at_limit(w, 15, w == 43691, [](int x, int y) { return y == 0 || x % 2 == 0; });
        if (w == 43690) {
            ASSERT_FALSE(contours.empty());
            EXPECT_EQ(contours[0].size(), 65535u);
        }
    }
}

TEST_P(Vectorize, RandomImagesKeepInvariantsAndTracersAgree) {
    // Random pictures of every density: the image is only read, the block frames correctly (checked in
    // parse), every polygon ends where it starts, every point lies in the image, and the other tracer gives
    // the same bytes.
    // Half of them are noise, half white pictures with random bars and diagonal strokes, whose rings are long.
    std::mt19937 rng(20240611u + GetParam());
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

        std::vector<uint8_t> before(oxGetHandleSize(img.get()));
        std::memcpy(before.data(), oxLock(img.get()), before.size());
        uint32_t err;
        const std::vector<uint8_t> here = block_bytes(img.get(), &err);
        ASSERT_EQ(std::memcmp(before.data(), oxLock(img.get()), before.size()), 0) << "the image was written";
        if (here.empty()) {
            EXPECT_EQ(err, kUntouched);
        } else {
            for (const Contour &c : outline(img.get())) {
                EXPECT_EQ(c.front(), c.back());
                for (const Pt &p : c) {
                    ASSERT_TRUE(p.x < w && p.y < h) << p.x << "," << p.y;
                }
            }
        }
        to_vector = GetParam() ? oxImageToVector : ox::document::plain::image_to_vector;
        uint32_t other_err;
        const std::vector<uint8_t> other = block_bytes(img.get(), &other_err);
        SetUp();
        ASSERT_EQ(here, other);
        ASSERT_EQ(err, other_err);
    }
}

TEST_P(Vectorize, PlacementInALargerCanvas) {
    // The walk does not depend on where a drawing lies: the same picture framed by white and traced again
    // gives the same points shifted by the frame, and clamping them back into the original picture gives the
    // original outline exactly.
    std::mt19937 rng(77u + GetParam());
    for (int iter = 0; iter < 300; ++iter) {
        const int32_t w = 1 + int32_t(rng() % 24), h = 1 + int32_t(rng() % 18), m = 1 + int32_t(rng() % 3);
        Handle small = white_image(w, h), big = white_image(w + 2 * m, h + 2 * m);
        const unsigned density = 10 + rng() % 80;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (rng() % 100 < density) {
                    put(small.get(), x, y, 0);
                    put(big.get(), x + m, y + m, 0);
                }
        uint32_t e1 = kUntouched, e2 = kUntouched;
        Handle a(to_vector(small.get(), &e1)), b(to_vector(big.get(), &e2));
        ASSERT_EQ(bool(a), bool(b));
        if (!a) continue;
        std::vector<Contour> moved = parse(b.get());
        for (Contour &c : moved)
            for (Pt &p : c) p = {std::clamp(p.x - m, 0, w - 1), std::clamp(p.y - m, 0, h - 1)};
        ASSERT_EQ(parse(a.get()), moved) << "iteration " << iter;
    }
}

TEST(VectorizeRefusals, ArgumentsAndEmptyImages) {
    uint32_t err = kUntouched;
    EXPECT_EQ(oxImageToVector(0, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);

    // 1- and 8-bit images are refused with code 0 whatever they hold.
    for (int32_t bits : {1, 8}) {
        Handle img = make_image(4, 4, bits);
        err = kUntouched;
        EXPECT_EQ(oxImageToVector(img.get(), &err), 0u);
        EXPECT_EQ(err, 0u);
    }
    Handle mask = make_image(4, 4, 0, OX_LAYER_MASK);
    err = kUntouched;
    EXPECT_EQ(oxImageToVector(mask.get(), &err), 0u);
    EXPECT_EQ(err, 0u);

    // No ink: no contour, and the code is left alone. Also with the fourth byte of 32-bit pixels random.
    for (int32_t bits : {24, 32}) {
        Handle img = white_image(9, 7, bits);
        if (bits == 32) {
            const oxtest::Locked lock(img.get());
            for (uint32_t i = 0; i < lock->header->imageSize; i += 4) lock->pixels[i] = uint8_t(i * 37);
        }
        err = kUntouched;
        EXPECT_EQ(oxImageToVector(img.get(), &err), 0u);
        EXPECT_EQ(err, kUntouched);
    }

    // Too wide for 16-bit coordinates.
    Handle wide = make_image(65537, 1, 24);
    err = kUntouched;
    EXPECT_EQ(oxImageToVector(wide.get(), &err), 0u);
    EXPECT_EQ(err, 0u);

    // A record that claims more rows than its block holds is not read.
    Handle img = make_image(4, 4, 24);
    static_cast<OxImageHeader *>(oxLock(img.get()))->height = 100000;
    err = kUntouched;
    EXPECT_EQ(oxImageToVector(img.get(), &err), 0u);
    EXPECT_EQ(err, 0u);
}

#if defined(__SANITIZE_ADDRESS__)
#define OX_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OX_UNDER_ASAN 1
#endif
#endif

#ifndef OX_UNDER_ASAN
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
#ifdef OX_UNDER_ASAN
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
    std::array<bool, 4> same{};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&, i] {
            bool ok = true;
            for (int round = 0; round < 20; ++round) {
                uint32_t err;
                ok = ok && block_bytes(images[i].get(), &err) == expected[i];
            }
            same[i] = ok;
        });
    for (auto &t : threads) t.join();
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(same[i]) << i;
}

}  // namespace
