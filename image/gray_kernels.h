// The order-A gray value of whole runs of pixels in integer arithmetic, exactly equal to the double formula
// of gray.h.
//
// The double sum (blue x 0.11 + green x 0.59) + red x 0.3 lies within 1e-12 of n / 100 with
// n = 30r + 59g + 11b. Truncating it therefore gives the integer quotient n / 100 whenever n is not a
// multiple of 100 (the fraction is then at least 0.01 away from a whole number). Only for multiples may
// the double land just below the whole number, as (23, 23, 23) does; those colours, about one in a
// hundred, take the double formula. A test runs every colour through the kernels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ox::image {

// out[i] = the order-A gray value of pixel i of a run of n pixels of bpp bytes (3 or 4); red is at byte
// bpp - 3 of each pixel, then green and blue.
void gray_order_a_run(const uint8_t *pixels, std::size_t n, int bpp, uint8_t *out);
// Sixteen pixels a step with AVX2, eight with SSSE3, else one, as the processor feature record allows.

}  // namespace ox::image
