// Points on a quadratic curve for the drawing tools.
#include <cstdint>

#include "ox.h"

namespace {

// de Casteljau's construction for one coordinate, in this order of operations, rounded by the library's
// rule; the result keeps only its low 16 bits, as a signed value.
int32_t curve_coordinate(int32_t control, int32_t start, int32_t end, double t) {
    const double u = 1.0 - t;
    const double v = ((end * t + control * u) * t) + ((start * u + control * t) * u);
    return static_cast<int16_t>(static_cast<uint16_t>(oxDouble2Int(v)));
}

}  // namespace

extern "C" {

OX_API void oxBezPoint(int32_t cx, int32_t cy, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double t,
                       OxPoint *result) {
    result->x = curve_coordinate(cx, x1, x2, t);
    result->y = curve_coordinate(cy, y1, y2, t);
}

}  // extern "C"
