// Rectangle and point arithmetic, and points on a quadratic curve.
#include <array>
#include <limits>
#include <string>
#include <tuple>

#include "support.h"

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();

std::string text(const OxRect &r) {
    return "{" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + "}";
}

// Each call on `in` must give `want`. Inverted rectangles are carried through, not normalised; at the int32
// limits edges wrap like 32-bit machine arithmetic instead of overflowing (the sanitizer build would stop).
TEST(Rect, EdgeArithmeticCornersUnionAndRegion) {
    const struct {
        void (*op)(OxRect *);
        OxRect in, want;
    } cases[] = {
        {[](OxRect *r) { oxInsetRect(r, 2, 3); }, {0, 0, 10, 10}, {2, 3, 8, 7}},
        {[](OxRect *r) { oxInsetRect(r, -1, -1); }, {0, 0, 10, 10}, {-1, -1, 11, 11}},
        {[](OxRect *r) { oxOffsetRect(r, -3, 4); }, {10, 10, 0, 0}, {7, 14, -3, 4}},
        {[](OxRect *r) { oxReformRect(r, 1, 2, 3, 4); }, {7, 14, -3, 4}, {8, 16, 0, 8}},
        {[](OxRect *r) { oxMyPt2Rect(r, 5, 5, 5, 5); }, {}, {5, 5, 6, 6}},
        {[](OxRect *r) { oxMyPt2Rect(r, 8, 2, 3, 7); }, {}, {3, 2, 8, 7}},
        {[](OxRect *r) { oxMyPt2Rect(r, 3, 7, 8, 2); }, {}, {3, 2, 8, 7}},
        {[](OxRect *r) { oxMyPt2Rect(r, -4, 9, -4, -9); }, {}, {-4, -9, -3, 9}},  // zero extent on one axis
        {[](OxRect *r) { oxOffsetRect(r, 1, -1); }, {kMax, 0, kMax, 0}, {kMin, -1, kMin, -1}},
        {[](OxRect *r) { oxInsetRect(r, -1, 0); }, {kMin, -1, kMin, -1}, {kMax, -1, kMin + 1, -1}},
        {[](OxRect *r) { oxReformRect(r, 1, 0, -2, 0); }, {kMax, -1, kMin + 1, -1}, {kMin, -1, kMax, -1}},
        {[](OxRect *r) { oxMyPt2Rect(r, kMax, 0, kMax, 0); }, {}, {kMax, 0, kMin, 1}},
        // Union of inclusive corners, the destination being an input: empty and inverted ones count.
        {[](OxRect *r) { const OxRect b{20, 20, 30, 30}; oxUnionRect(r, r, &b); }, {0, 0, 10, 10}, {0, 0, 30, 30}},
        {[](OxRect *r) { const OxRect b{0, 0, 1, 1}; oxUnionRect(r, r, &b); }, {10, 10, 0, 0}, {-1, -1, 11, 11}},
        {[](OxRect *r) { const OxRect b{5, 5, 10, 10}; oxUnionRect(r, &b, r); }, {0, 0, 0, 0}, {-1, -1, 10, 10}},
        {[](OxRect *r) { const OxRect b{0, 0, 1, 1}; oxUnionRect(r, r, &b); }, {kMin, kMin, kMin, kMin},
         {kMin, kMin, kMin, kMin}},  // right - 1 wraps to the largest value, + 1 back to the smallest
        // Region grows an inclusive box; every first point overrides an inverted start.
        {[](OxRect *r) { for (OxPoint p : {OxPoint{3, 4}, {1, 9}, {7, 2}}) oxGetRegion(&p, r); }, {3, 4, 3, 4},
         {1, 2, 7, 9}},
        {[](OxRect *r) { const OxPoint p{-20, 30}; oxGetRegion(&p, r); }, {10000, 10000, -10000, -10000},
         {-20, 30, -20, 30}},
    };
    for (const auto &c : cases) {
        OxRect r = c.in;
        c.op(&r);
        EXPECT_EQ(text(r), text(c.want)) << "from " << text(c.in);
    }
}

TEST(Rect, PointInsideEmptyAndEqual) {
    const OxRect r{0, 0, 10, 10}, inverted{10, 10, 0, 0};
    for (const auto &[x, y, in] : {std::tuple{0, 0, 1}, {9, 9, 1}, {10, 5, 0}, {5, 10, 0}, {-1, 5, 0}})
        EXPECT_EQ(oxPtInRect(&r, x, y), in) << x << "," << y;
    EXPECT_EQ(oxPtInRect(&inverted, 5, 5), 0);
    const OxRect zero_w{5, 0, 5, 10}, zero_h{0, 3, 10, 3}, unit{0, 0, 1, 1};
    EXPECT_EQ((std::array{oxEmptyRect(&zero_w), oxEmptyRect(&zero_h), oxEmptyRect(&inverted), oxEmptyRect(&unit)}),
              (std::array{1, 1, 0, 0}));
    for (int field = 0; field < 4; ++field) {
        OxRect b = unit;
        (&b.left)[field] += 1;
        EXPECT_EQ(oxEqualRect(&unit, &b), 0) << field;
    }
    EXPECT_EQ(oxEqualRect(&unit, &unit), 1);
}

TEST(Rect, IntersectionOverlapOrZeros) {
    const OxRect big{0, 0, 10, 10}, none{0, 0, 0, 0};
    const struct {
        OxRect other, want;
    } cases[] = {
        {{5, 5, 20, 20}, {5, 5, 10, 10}},
        {{2, -5, 4, 50}, {2, 0, 4, 10}},
        {{10, 0, 20, 10}, none},  // touching edges share no pixel
        {{5, 5, 5, 8}, none},     // empty input inside the other
        {{8, 8, 2, 2}, none},     // inverted input
    };
    for (const auto &c : cases) {
        const bool overlap = !oxEqualRect(&c.want, &none);
        for (int order = 0; order < 2; ++order) {  // symmetric; the destination may be an input
            OxRect a = order ? c.other : big, b = order ? big : c.other;
            EXPECT_EQ(oxIntersectRect(&a, &a, &b) != 0, overlap) << text(c.other);
            EXPECT_EQ(text(a), text(c.want));
        }
    }
}

TEST(Curve, QuadraticPointsRoundAndWrap) {
    const struct {
        int32_t cx, cy, x1, y1, x2, y2;
        double t;
        int32_t x, y;
    } cases[] = {
        {10, 10, 0, 0, 20, 0, 0.5, 10, 5},
        {10, 10, -3, 7, 20, -6, 0.0, -3, 7},
        {10, 10, -3, 7, 20, -6, 1.0, 20, -6},
        {0, 0, 0, 0, 14, -14, 0.5, 3, -3},  // 3.5 and -3.5 go toward zero by the library's rule
        {10, 10, 0, 0, 20, 0, 2.0, 40, -40},  // outside 0..1 the construction extrapolates
        {0, 0, 40000, -40000, 0, 0, 0.0, 40000 - 65536, -40000 + 65536},  // the low 16 bits, signed
        {0, 0, 32767, 65536 + 5, 0, 0, 0.0, 32767, 5},
        {0, 0, 0, 0, 0, 0, std::numeric_limits<double>::quiet_NaN(), 0, 0},
    };
    for (const auto &c : cases) {
        OxPoint p{};
        oxBezPoint(c.cx, c.cy, c.x1, c.y1, c.x2, c.y2, c.t, &p);
        EXPECT_EQ((std::array{p.x, p.y}), (std::array{c.x, c.y})) << c.t << " from " << c.x1 << "," << c.y1;
    }
}

}  // namespace
