// oxImageDraw's binding to a device context: the tiles of image/draw.h put on the context, or its 32-bit
// surface written straight.
#pragma once

#include "image/draw.h"

namespace ox::win {

// The tile sink for a context without a surface: `context` points to the OxwDC, and the tile's rows go there
// as a bottom-up 24-bit DIB 128 pixels wide and `height` rows high (scan lines 0 to height - 1) through one
// DIB transfer without scaling.
void put_tile(void *context, const ox::image::Tile &tile);

}  // namespace ox::win
