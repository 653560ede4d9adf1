// Row converters of the DIB transfer: stored DIB pixels into surface pixels (blue, green, red, 0).
#pragma once

#include <cstddef>
#include <cstdint>

namespace ox::platform::rows {

// out[i] = the 3-byte pixel at src + 3i (blue, green, red) as a surface pixel, for i < n. Reads exactly
// 3n bytes. Eight pixels a step with AVX2 where the processor feature record allows it, else word code.
void bgr24_to_surface(const uint8_t *src, std::size_t n, uint32_t *out);

}  // namespace ox::platform::rows
