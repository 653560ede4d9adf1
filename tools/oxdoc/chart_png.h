// A picture of a colour chart for people: every colour as a framed swatch with its index and name.
#pragma once

#include <string>

#include "ox.h"

namespace oxdoc::chart {

// Writes the 1280 swatches as an RGB PNG of 3072 x 2560 pixels (32 columns, 40 rows). Names are drawn
// with a built-in 5x7 font; bytes outside printable ASCII show as '?'. False with a message on failure.
bool write_swatch_png(const std::string &path, const OxColorChart &chart, std::string &error);

}  // namespace oxdoc::chart
