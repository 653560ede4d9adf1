// Rectangle and point records and their arithmetic. Rectangles are half-open except where a function says
// otherwise (oxUnionRect works on inclusive corners, oxGetRegion builds an inclusive box).
#include <algorithm>

#include "ox.h"

namespace {

// Empty in the intersection sense: no pixel inside (inverted rectangles included).
bool has_no_area(const OxRect &r) { return r.left >= r.right || r.top >= r.bottom; }

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
        rect->right = x1 == x2 ? x1 + 1 : x2;
    } else {
        rect->left = x2;
        rect->right = x1;
    }
    if (y1 <= y2) {
        rect->top = y1;
        rect->bottom = y1 == y2 ? y1 + 1 : y2;
    } else {
        rect->top = y2;
        rect->bottom = y1;
    }
}

OX_API void oxOffsetRect(OxRect *rect, int32_t dx, int32_t dy) {
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
}

OX_API void oxInsetRect(OxRect *rect, int32_t dx, int32_t dy) {
    rect->left += dx;
    rect->right -= dx;
    rect->top += dy;
    rect->bottom -= dy;
}

OX_API void oxReformRect(OxRect *rect, int32_t dLeft, int32_t dTop, int32_t dRight, int32_t dBottom) {
    rect->left += dLeft;
    rect->top += dTop;
    rect->right += dRight;
    rect->bottom += dBottom;
}

OX_API void oxUnionRect(OxRect *dst, const OxRect *a, const OxRect *b) {
    // Each rectangle contributes its two inclusive corners, whatever its orientation.
    const auto [minx, maxx] = std::minmax({a->left, a->right - 1, b->left, b->right - 1});
    const auto [miny, maxy] = std::minmax({a->top, a->bottom - 1, b->top, b->bottom - 1});
    *dst = OxRect{minx, miny, maxx + 1, maxy + 1};
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
