// Points for the drawing tools that need no display.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::geometry {

// Moves `end` so that the line from `start` runs along the nearest of the eight directions, as
// oxGetShiftLinePoint does while Shift is down (its contract in ox.h gives the rule).
void snap_line(const OxPoint *start, OxPoint *end, int32_t width, int32_t height);

}  // namespace ox::geometry
