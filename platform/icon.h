// Icons of the platform stand-in: a monochrome mask and a colour picture, copied from two bitmaps when
// the icon is made, so the bitmaps stay the caller's. An icon is drawn by ANDing the mask onto the
// destination and XORing the picture: white mask pixels let the destination show through.
#pragma once

#include <cstddef>
#include <cstdint>

#include "oxw.h"

namespace ox::platform {

struct IconParts {
    bool is_icon = true;          // false: a cursor
    int32_t hot_x = 0, hot_y = 0;  // the hot spot (cursors)
    OxwBitmap mask = 0, color = 0;
};

// An icon from copies of the two bitmaps (the colour bitmap may be 0: a monochrome icon). 0 for a refused or
// missing mask or a refused colour bitmap (87), or without memory (8).
OxwIcon create_icon_indirect(const IconParts &parts);
// The icon's parts, with new bitmaps holding copies of its mask and picture (the colour one 0 for a
// monochrome icon), which the caller deletes. False for a refused handle, or without memory (8).
bool get_icon_info(OxwIcon icon, IconParts *parts);
// False for a refused handle.
bool destroy_icon(OxwIcon icon);
std::size_t live_icon_count();

}  // namespace ox::platform
