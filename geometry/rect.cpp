// Rectangle and point records and their arithmetic. Rectangles are half-open except where a function says
// otherwise (oxUnionRect works on inclusive corners, oxGetRegion builds an inclusive box).
#include <algorithm>

#include "ox.h"

namespace {

// Empty in the intersection sense: no pixel inside (inverted rectangles included).
bool has_no_area(const OxRect &r) { return r.left >= r.right || r.top >= r.bottom; }

// Edge arithmetic wraps at the int32 limits as 32-bit machine arithmetic does, instead of overflowing.
int32_t add(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + uint32_t(b)); }
int32_t sub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - uint32_t(b)); }

}  // namespace

extern "C" {

OX_API void oxSetRect(OxRect *rect, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    *rect = OxRect{left, top, right, bottom};
}

OX_API void oxSetPt(OxPoint *point, int32_t x, int32_t y) { *point = OxPoint{x, y}; }

OX_API void oxMyPt2Rect(OxRect *rect, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    // Only a zero extent is widened by one; for distinct values the larger is the exclusive edge.
    if (x1 <= x2) {
        rect->left = x1;
        rect->right = x1 == x2 ? add(x1, 1) : x2;
    } else {
        rect->left = x2;
        rect->right = x1;
    }
    if (y1 <= y2) {
        rect->top = y1;
        rect->bottom = y1 == y2 ? add(y1, 1) : y2;
    } else {
        rect->top = y2;
        rect->bottom = y1;
    }
}

OX_API void oxOffsetRect(OxRect *rect, int32_t dx, int32_t dy) {
    rect->left = add(rect->left, dx);
    rect->right = add(rect->right, dx);
    rect->top = add(rect->top, dy);
    rect->bottom = add(rect->bottom, dy);
}

OX_API void oxInsetRect(OxRect *rect, int32_t dx, int32_t dy) {
    rect->left = add(rect->left, dx);
    rect->right = sub(rect->right, dx);
    rect->top = add(rect->top, dy);
    rect->bottom = sub(rect->bottom, dy);
}

OX_API void oxReformRect(OxRect *rect, int32_t dLeft, int32_t dTop, int32_t dRight, int32_t dBottom) {
    rect->left = add(rect->left, dLeft);
    rect->top = add(rect->top, dTop);
    rect->right = add(rect->right, dRight);
    rect->bottom = add(rect->bottom, dBottom);
}

OX_API void oxUnionRect(OxRect *dst, const OxRect *a, const OxRect *b) {
    // Each rectangle contributes its two inclusive corners, whatever its orientation.
    const auto [minx, maxx] = std::minmax({a->left, sub(a->right, 1), b->left, sub(b->right, 1)});
    const auto [miny, maxy] = std::minmax({a->top, sub(a->bottom, 1), b->top, sub(b->bottom, 1)});
    *dst = OxRect{minx, miny, add(maxx, 1), add(maxy, 1)};
}

OX_API int32_t oxIntersectRect(OxRect *dst, const OxRect *a, const OxRect *b) {
    OxRect r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
             std::min(a->bottom, b->bottom)};
    if (has_no_area(*a) || has_no_area(*b) || has_no_area(r)) {
        *dst = OxRect{0, 0, 0, 0};
        return 0;
    }
    *dst = r;
    return 1;
}

OX_API int32_t oxPtInRect(const OxRect *rect, int32_t x, int32_t y) {
    return rect->left <= x && x < rect->right && rect->top <= y && y < rect->bottom;
}

OX_API int32_t oxEmptyRect(const OxRect *rect) { return rect->left == rect->right || rect->top == rect->bottom; }

OX_API int32_t oxEqualRect(const OxRect *a, const OxRect *b) {
    return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

OX_API void oxGetRegion(const OxPoint *point, OxRect *rect) {
    if (rect->left >= point->x) rect->left = point->x;
    if (rect->right <= point->x) rect->right = point->x;
    if (rect->top >= point->y) rect->top = point->y;
    if (rect->bottom <= point->y) rect->bottom = point->y;
}

}  // extern "C"
