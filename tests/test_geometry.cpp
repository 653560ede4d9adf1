// Rectangle and point arithmetic, and points on a quadratic curve.
#include <cmath>
#include <limits>

#include "support.h"

namespace {

OxRect rect(int32_t l, int32_t t, int32_t r, int32_t b) { return OxRect{l, t, r, b}; }

void expect_rect(const OxRect &got, const OxRect &want) {
    EXPECT_TRUE(oxEqualRect(&got, &want)) << "{" << got.left << ", " << got.top << ", " << got.right << ", "
                                          << got.bottom << "}";
}

}  // namespace

TEST(Rect, PointsInsideAreHalfOpen) {
    const OxRect r = rect(0, 0, 10, 10);
    EXPECT_EQ(oxPtInRect(&r, 0, 0), 1);
    EXPECT_EQ(oxPtInRect(&r, 9, 9), 1);
    EXPECT_EQ(oxPtInRect(&r, 10, 5), 0);
    EXPECT_EQ(oxPtInRect(&r, 5, 10), 0);
    EXPECT_EQ(oxPtInRect(&r, -1, 5), 0);
    const OxRect inverted = rect(10, 10, 0, 0);
    EXPECT_EQ(oxPtInRect(&inverted, 5, 5), 0);
}

TEST(Rect, TwoCornersMakeARectangle) {
    OxRect r;
    oxMyPt2Rect(&r, 5, 5, 5, 5);
    expect_rect(r, rect(5, 5, 6, 6));
    oxMyPt2Rect(&r, 8, 2, 3, 7);
    expect_rect(r, rect(3, 2, 8, 7));
    oxMyPt2Rect(&r, 3, 7, 8, 2);
    expect_rect(r, rect(3, 2, 8, 7));
    oxMyPt2Rect(&r, -4, 9, -4, -9);  // a zero extent on one axis only
    expect_rect(r, rect(-4, -9, -3, 9));
}

TEST(Rect, EdgeArithmeticKeepsOrientation) {
    OxRect r = rect(0, 0, 10, 10);
    oxInsetRect(&r, 2, 3);
    expect_rect(r, rect(2, 3, 8, 7));
    r = rect(0, 0, 10, 10);
    oxInsetRect(&r, -1, -1);
    expect_rect(r, rect(-1, -1, 11, 11));
    r = rect(10, 10, 0, 0);  // inverted rectangles are carried through, not normalised
    oxOffsetRect(&r, -3, 4);
    expect_rect(r, rect(7, 14, -3, 4));
    oxReformRect(&r, 1, 2, 3, 4);
    expect_rect(r, rect(8, 16, 0, 8));
}

TEST(Rect, EmptyAndEqual) {
    const OxRect cases[] = {rect(5, 0, 5, 10), rect(0, 3, 10, 3), rect(0, 0, -1, -1), rect(0, 0, 1, 1)};
    const int32_t empty[] = {1, 1, 0, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(oxEmptyRect(&cases[i]), empty[i]) << i;

    const OxRect a = rect(1, 2, 3, 4);
    for (int field = 0; field < 4; ++field) {
        OxRect b = a;
        (&b.left)[field] += 1;
        EXPECT_EQ(oxEqualRect(&a, &b), 0) << field;
    }
    EXPECT_EQ(oxEqualRect(&a, &a), 1);
}

TEST(Rect, UnionTakesInclusiveCornersOfBoth) {
    OxRect a = rect(0, 0, 10, 10), b = rect(20, 20, 30, 30), dst;
    oxUnionRect(&dst, &a, &b);
    expect_rect(dst, rect(0, 0, 30, 30));
    a = rect(10, 10, 0, 0);  // inverted: corners (10, 10) and (-1, -1)
    b = rect(0, 0, 1, 1);
    oxUnionRect(&dst, &a, &b);
    expect_rect(dst, rect(-1, -1, 11, 11));
    a = rect(0, 0, 0, 0);  // empty rectangles are not skipped
    b = rect(5, 5, 10, 10);
    oxUnionRect(&a, &a, &b);  // the destination may be an input
    expect_rect(a, rect(-1, -1, 10, 10));
}

TEST(Rect, IntersectionOverlapOrZeros) {
    const OxRect big = rect(0, 0, 10, 10);
    const struct {
        OxRect other, want;
        bool overlap;
    } cases[] = {
        {rect(5, 5, 20, 20), rect(5, 5, 10, 10), true},
        {rect(2, -5, 4, 50), rect(2, 0, 4, 10), true},
        {rect(10, 0, 20, 10), rect(0, 0, 0, 0), false},   // touching edges share no pixel
        {rect(30, 30, 40, 40), rect(0, 0, 0, 0), false},
        {rect(5, 5, 5, 8), rect(0, 0, 0, 0), false},      // empty input inside the other
        {rect(8, 8, 2, 2), rect(0, 0, 0, 0), false},      // inverted input
    };
    for (const auto &c : cases) {
        OxRect dst = rect(99, 99, 99, 99);
        EXPECT_EQ(oxIntersectRect(&dst, &big, &c.other) != 0, c.overlap);
        expect_rect(dst, c.want);
        EXPECT_EQ(oxIntersectRect(&dst, &c.other, &big) != 0, c.overlap);  // symmetric
        expect_rect(dst, c.want);
    }
    OxRect a = rect(0, 0, 10, 10), b = rect(4, 6, 12, 8);
    EXPECT_NE(oxIntersectRect(&a, &a, &b), 0);
    expect_rect(a, rect(4, 6, 10, 8));
}

TEST(Rect, RegionGrowsAnInclusiveBox) {
    OxRect box = rect(3, 4, 3, 4);
    for (const OxPoint &p : {OxPoint{3, 4}, OxPoint{1, 9}, OxPoint{7, 2}}) oxGetRegion(&p, &box);
    expect_rect(box, rect(1, 2, 7, 9));
    OxRect start = rect(10000, 10000, -10000, -10000);  // every first point overrides this start
    const OxPoint p{-20, 30};
    oxGetRegion(&p, &start);
    expect_rect(start, rect(-20, 30, -20, 30));
}

TEST(Curve, QuadraticPointsRoundAndWrap) {
    OxPoint p;
    oxBezPoint(10, 10, 0, 0, 20, 0, 0.5, &p);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 5);
    oxBezPoint(10, 10, -3, 7, 20, 0, 0.0, &p);
    EXPECT_EQ(p.x, -3);
    EXPECT_EQ(p.y, 7);
    oxBezPoint(10, 10, -3, 7, 20, -6, 1.0, &p);
    EXPECT_EQ(p.x, 20);
    EXPECT_EQ(p.y, -6);
    // 3.5 and -3.5 round toward zero by the library's rule, unlike round() or rint().
    oxBezPoint(0, 0, 0, 0, 14, -14, 0.5, &p);
    EXPECT_EQ(p.x, 3);
    EXPECT_EQ(p.y, -3);
    // Outside 0..1 the construction extrapolates: u = -1 at t = 2.
    oxBezPoint(10, 10, 0, 0, 20, 0, 2.0, &p);
    EXPECT_EQ(p.x, 40);
    EXPECT_EQ(p.y, -40);
    // Only the low 16 bits survive, as a signed number.
    oxBezPoint(0, 0, 40000, -40000, 0, 0, 0.0, &p);
    EXPECT_EQ(p.x, 40000 - 65536);
    EXPECT_EQ(p.y, -40000 + 65536);
    oxBezPoint(0, 0, 32767, 65536 + 5, 0, 0, 0.0, &p);
    EXPECT_EQ(p.x, 32767);
    EXPECT_EQ(p.y, 5);
    oxBezPoint(0, 0, 0, 0, 0, 0, std::numeric_limits<double>::quiet_NaN(), &p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
}

TEST(Rect, EdgeArithmeticWrapsAtInt32Limits) {
    // Rectangles can come from files; at the limits the edges wrap like 32-bit machine arithmetic
    // rather than overflow (which the sanitizer build would stop on).
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();
    OxRect r = rect(kMax, 0, kMax, 0);
    oxOffsetRect(&r, 1, -1);
    expect_rect(r, rect(kMin, -1, kMin, -1));
    oxInsetRect(&r, -1, 0);
    expect_rect(r, rect(kMax, -1, kMin + 1, -1));
    oxReformRect(&r, 1, 0, -2, 0);
    expect_rect(r, rect(kMin, -1, kMax, -1));
    oxMyPt2Rect(&r, kMax, 0, kMax, 0);
    expect_rect(r, rect(kMax, 0, kMin, 1));
    const OxRect a = rect(kMin, kMin, kMin, kMin), b = rect(0, 0, 1, 1);
    oxUnionRect(&r, &a, &b);  // right - 1 wraps to the largest value, + 1 back to the smallest
    expect_rect(r, rect(kMin, kMin, kMin, kMin));
}
