// The Shift snap of a dragged line: the key is read from the display's keyboard state.
#include "geometry/curve.h"
#include "ox.h"
#include "platform/input.h"

extern "C" {

OX_API void oxGetShiftLinePoint(const OxPoint *start, OxPoint *end, int32_t width, int32_t height) {
    using namespace ox::platform;
    if (get_key_state(kVkShift) & 0x8000) ox::geometry::snap_line(start, end, width, height);
}

}  // extern "C"
