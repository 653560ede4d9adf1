// Points for the drawing tools: a quadratic curve, and the snap of a dragged line to the nearest of the
// eight directions (win/shift_line.cpp applies it while Shift is down).
#include "geometry/curve.h"

#include <cmath>
#include <cstdint>

namespace {

// de Casteljau's construction for one coordinate, in this order of operations, rounded by the library's
// rule; the result keeps only its low 16 bits, as a signed value.
int32_t curve_coordinate(int32_t control, int32_t start, int32_t end, double t) {
    const double u = 1.0 - t;
    const double v = ((end * t + control * u) * t) + ((start * u + control * t) * u);
    return static_cast<int16_t>(static_cast<uint16_t>(oxDouble2Int(v)));
}

// Slides a diagonal end back toward the start by k steps; (sx, sy) is the forward step.
void slide_back(OxPoint *end, int64_t k, int sx, int sy) {
    end->x = static_cast<int32_t>(end->x - sx * k);
    end->y = static_cast<int32_t>(end->y - sy * k);
}

}  // namespace

extern "C" {

OX_API void oxBezPoint(int32_t cx, int32_t cy, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double t,
                       OxPoint *result) {
    result->x = curve_coordinate(cx, x1, x2, t);
    result->y = curve_coordinate(cy, y1, y2, t);
}

}  // extern "C"

namespace ox::geometry {

void snap_line(const OxPoint *start, OxPoint *end, int32_t width, int32_t height) {
    const int64_t dx = int64_t{end->x} - start->x, dy = int64_t{end->y} - start->y;
    const double s = dx == 0 ? 100.0 : static_cast<double>(dy) / static_cast<double>(dx);
    const double pi = 3.14159265358979323846;
    const double t_m1 = std::tan(-pi / 8), t_1 = std::tan(pi / 8), t_3 = std::tan(3 * pi / 8),
                 t_5 = std::tan(5 * pi / 8);
    if (t_m1 < s && s <= t_1) {
        end->y = start->y;
        return;
    }
    if (s > t_3 || s < t_5) {
        end->x = start->x;
        return;
    }
    // Falling (+1, +1) for t1 < s <= t3, otherwise rising (+1, -1).
    const int sy = s > t_1 ? 1 : -1;
    const double fx = static_cast<double>(dx), fy = static_cast<double>(dy);
    const int64_t d = static_cast<int64_t>(std::sqrt((fx * fx + fy * fy) * 0.5));
    const bool forward = end->x > start->x;
    const int64_t k = forward ? d : -d;
    end->x = static_cast<int32_t>(start->x + k);
    end->y = static_cast<int32_t>(start->y + sy * k);
    // Back along the diagonal, toward the start: only the limits this direction can cross, x first.
    const int step_x = forward ? 1 : -1, step_y = forward ? sy : -sy;
    if (forward ? end->x >= width : end->x < 0)
        slide_back(end, forward ? int64_t{end->x} - width + 1 : -int64_t{end->x}, step_x, step_y);
    if (step_y > 0 ? end->y >= height : end->y < 0)
        slide_back(end, step_y > 0 ? int64_t{end->y} - height + 1 : -int64_t{end->y}, step_x, step_y);
}

}  // namespace ox::geometry
