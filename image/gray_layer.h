// Gray-layer pixels back to normal ones, in place over runs of 32-bit pixels: byte 0 of each pixel is the
// share of white a (0-255) mixed into the colour, bytes 1-3 the colour.
//
// A colour byte c of a non-white pixel becomes gray_layer_byte(a, c) of convert.h, a function of a and c
// alone. In integers that is c + floor(a (255 - c) / 255): the double formula lies within 1e-12 of the
// exact value, so the two agree wherever a (255 - c) is no multiple of 255, and at multiples the double may
// land just below the whole number. That happens for 48 pairs (a, c), all with a in a set of 30 values: the
// AVX2 kernel looks up again every colour byte where such an a meets a multiple, the AVX-512 kernel exactly
// the colour bytes of those pairs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ox::image {

// Fourth channel 0 for every pixel; white pixels (colour bytes all 255) and pixels with a = 255 become
// white, pixels with a = 0 black, the others gray_layer_byte(a, c) per colour byte.
void gray_layer_to_normal(uint8_t *pixels, std::size_t n);

namespace kernels {
// The variants behind gray_layer_to_normal, for the tests: a looked-up table per pixel (whole quads of
// white, white-mixed or unmixed pixels at a time), and eight pixels at a time in integers with AVX2 (when
// has_avx2() of gray_kernels.h says so), sixteen at a time with AVX-512BW and VBMI (when has_avx512vbmi()
// there says so).
void gray_layer_to_normal_table(uint8_t *pixels, std::size_t n);
void gray_layer_to_normal_avx2(uint8_t *pixels, std::size_t n);
void gray_layer_to_normal_avx512(uint8_t *pixels, std::size_t n);
}  // namespace kernels

}  // namespace ox::image
