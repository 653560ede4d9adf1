// Rectangle and point arithmetic, and points on a quadratic curve.
#include <array>
#include <cmath>
#include <limits>

#include "image_compare.h"

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();

// The bytes of a call's results, folded into `sum`.
template <class T>
void fold(uint64_t &sum, const T &results) {
    const auto *b = reinterpret_cast<const uint8_t *>(&results);
    sum = oxtest::fold(sum, oxtest::Bytes(b, b + sizeof results));
}

// Every rectangle call on random rectangles, offsets and points (mostly small values that meet each other's
// edges, sometimes the int32 limits), the destinations being inputs too, folded into a pinned checksum.
// Rectangles are half-open except for oxUnionRect's and oxGetRegion's inclusive corners; inverted ones are
// carried through, not normalised; at the limits edges wrap like 32-bit machine arithmetic (the sanitizer
// build would stop at an overflow). Spelled out: the right edge is outside, touching rectangles share no
// pixel, and an edge moved past the largest value comes back at the smallest.
TEST(Rect, EveryCallOnRandomRectanglesPinned) {
    std::mt19937 rng(28);
    const int32_t limits[] = {kMin, kMin + 1, kMax - 1, kMax};
    const auto v = [&] { return rng() % 8 ? static_cast<int32_t>(rng() % 9) - 3 : limits[rng() % 4]; };
    uint64_t sum = oxtest::kChecksumStart;
    for (int i = 0; i < 20000; ++i) {
        const OxRect a{v(), v(), v(), v()}, b{v(), v(), v(), v()};
        const OxPoint p{v(), v()};
        std::array<OxRect, 8> r = {a, a, a, a, a, b, a, a};
        oxInsetRect(&r[0], p.x, p.y);
        oxOffsetRect(&r[1], p.x, p.y);
        oxReformRect(&r[2], p.x, p.y, b.left, b.bottom);
        const bool wide = rng() % 4, high = rng() % 4;  // else a zero extent
        oxMyPt2Rect(&r[3], a.left, a.top, wide ? b.right : a.left, high ? b.bottom : a.top);
        oxUnionRect(&r[4], &r[4], &b);
        oxUnionRect(&r[5], &a, &r[5]);
        const int32_t met = oxIntersectRect(&r[6], &r[6], &b);
        oxGetRegion(&p, &r[7]);
        const std::array<int32_t, 5> answers = {met, oxPtInRect(&a, p.x, p.y), oxEmptyRect(&a), oxEqualRect(&a, &b),
                                                oxEqualRect(&a, &r[1])};
        fold(sum, r);
        fold(sum, answers);
    }
    EXPECT_EQ(sum, 0x7124fa6c0743e462ull);
    OxRect wrapped{0, 0, kMax, 1}, left{0, 0, 10, 10}, right{10, 0, 20, 10}, out;
    oxOffsetRect(&wrapped, 1, 0);
    EXPECT_EQ((std::array{oxPtInRect(&left, 10, 5), oxIntersectRect(&out, &left, &right), wrapped.right}),
              (std::array{0, 0, kMin}));
}

// Points of quadratic curves, rounded by the library's rule and kept to their low 16 bits, signed; outside
// 0..1 the construction extrapolates. Folded into a pinned checksum; spelled out: 3.5 and -3.5 go toward zero.
TEST(Curve, QuadraticPointsPinned) {
    std::mt19937 rng(29);
    const double ts[] = {0, 0.25, 0.5, 1, 2, -1, std::numeric_limits<double>::quiet_NaN()};
    const auto v = [&] { return rng() % 4 ? static_cast<int32_t>(rng() % 41) - 20 : static_cast<int32_t>(rng()); };
    uint64_t sum = oxtest::kChecksumStart;
    for (int i = 0; i < 20000; ++i) {
        const std::array<int32_t, 6> c = {v(), v(), v(), v(), v(), v()};  // control, start, end
        const double t = rng() % 2 ? ts[rng() % 7] : (rng() % 1000) / 500.0;
        OxPoint p{};
        oxBezPoint(c[0], c[1], c[2], c[3], c[4], c[5], t, &p);
        fold(sum, p);
    }
    EXPECT_EQ(sum, 0x6e0a839f8f5f70aaull);
    OxPoint p{};
    oxBezPoint(0, 0, 0, 0, 14, -14, 0.5, &p);
    EXPECT_EQ((std::array{p.x, p.y}), (std::array{3, -3}));
}

}  // namespace
