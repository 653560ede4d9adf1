// PNG pictures for the oxdoc tests: written and read with libpng's simplified interface.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace oxtest {

struct Rgb {
    int32_t w = 0, h = 0;
    std::vector<uint8_t> px;  // red, green, blue; rows top first
    const uint8_t *at(int32_t x, int32_t y) const { return &px[3 * (static_cast<std::size_t>(y) * w + x)]; }
};

inline void save_png(const std::string &path, const Rgb &p) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(p.w);
    image.height = static_cast<png_uint_32>(p.h);
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, p.px.data(), 0, nullptr)) << image.message;
}

inline Rgb load_png(const std::string &path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Rgb p;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    image.format = PNG_FORMAT_RGB;
    p.w = static_cast<int32_t>(image.width);
    p.h = static_cast<int32_t>(image.height);
    p.px.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.px.data(), 0, nullptr)) return Rgb{};
    return p;
}

}  // namespace oxtest
