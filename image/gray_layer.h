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
// As the processor feature record allows: sixteen pixels at a time in integers with AVX-512BW and VBMI, eight
// with AVX2, else a looked-up table per pixel (whole quads of white, white-mixed or unmixed pixels at a time).

}  // namespace ox::image
