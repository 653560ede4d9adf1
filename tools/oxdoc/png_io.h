// PNG files to and from images of the library (libpng).
#pragma once

#include <string>

#include "ox.h"

namespace oxdoc {

// Reads a PNG of any colour type and depth into a new 24-bit image (alpha is composed over white). A
// picture of more than max_pixels() pixels is refused before its pixels are decoded. Returns 0 and sets
// `error` ("PATH: reason") on failure. The caller frees the image with oxFree.
OxHandle read_png(const std::string &path, std::string &error);

// Writes an image as PNG: 24- and 32-bit normal images as RGB, gray layers as 8-bit gray from their
// fourth channel, 8-bit images as 8-bit gray, 1-bit images as black (0) and white (1).
bool write_png(const std::string &path, OxHandle image, std::string &error);

// Writes width x height pixels of `channels` bytes each (3: red, green, blue; 1: gray), rows top first and
// packed, as a PNG. Both writers encode row by row into an Output (file_io.h): "-" is standard output, and
// the message in `error` names the file.
bool write_pixels_png(const std::string &path, int32_t width, int32_t height, int channels, const uint8_t *pixels,
                      std::string &error);

// Writes width x height colour values (0x00BBGGRR, as the display layer reads them back), rows top first,
// as an RGB PNG.
bool write_colors_png(const std::string &path, int32_t width, int32_t height, const uint32_t *colors,
                      std::string &error);

}  // namespace oxdoc
