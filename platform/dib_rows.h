// Row converters of the DIB transfer: stored DIB pixels into surface pixels (blue, green, red, 0).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/cpu.h"

namespace ox::platform::rows {

// out[i] = the 3-byte pixel at src + 3i (blue, green, red) as a surface pixel, for i < n. Reads exactly
// 3n bytes.
void bgr24_to_surface(const uint8_t *src, std::size_t n, uint32_t *out);

// The variants behind it, for the tests: portable word code, and eight pixels a step with AVX2
// (has_avx2() says whether that one may run here).
void bgr24_to_surface_portable(const uint8_t *src, std::size_t n, uint32_t *out);
void bgr24_to_surface_avx2(const uint8_t *src, std::size_t n, uint32_t *out);
using core::has_avx2;

}  // namespace ox::platform::rows
