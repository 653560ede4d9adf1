// Helpers of the bitmap and window tests: bitmaps owned by the test and their pixels, a check that calls
// release what they make, and bitmap files written for resource modules.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dib_blocks.h"
#include "file_bytes.h"
#include "oxw.h"
#include "platform/gdi.h"
#include "support.h"

namespace oxtest {

using Bytes = std::vector<uint8_t>;
using Pixels = std::vector<OxColorRef>;

// A bitmap's pixels as colour values, top row first.
inline Pixels pixels_of(OxwBitmap bmp) {
    int32_t w = 0, h = 0;
    EXPECT_EQ(oxwHostGetBitmapSize(bmp, &w, &h, nullptr), 1);
    Pixels px(static_cast<std::size_t>(w) * h);
    EXPECT_EQ(oxwHostReadBitmapPixels(bmp, 0, 0, w, h, px.data()), 1);
    return px;
}

// Checks at scope end that the calls in between left no context or drawing object behind.
struct NoLeaks {
    std::size_t objects = ox::platform::live_object_count(), dcs = ox::platform::live_dc_count();
    ~NoLeaks() {
        EXPECT_EQ(ox::platform::live_object_count(), objects);
        EXPECT_EQ(ox::platform::live_dc_count(), dcs);
    }
};

// A bitmap owned by the test.
struct Bitmap {
    explicit Bitmap(OxwBitmap b) : h(b) {}
    ~Bitmap() {
        if (h) {
            EXPECT_EQ(oxwHostDeleteObject(h), 1);
        }
    }
    OxwBitmap h;
};

// Writes `bytes` as file `name` of `dir`; its path.
inline std::string write_file(const TempDir &dir, const std::string &name, const Bytes &bytes) {
    const std::string path = dir.file(name);
    write_bytes(path, bytes);
    return path;
}

// A 24-bit bitmap file of w x h from colour values (0x00BBGGRR), top row first.
inline std::string write_bmp24(const TempDir &dir, const std::string &name, int32_t w, int32_t h,
                               const Pixels &pixels) {
    Bytes rows;
    for (int32_t y = h - 1; y >= 0; --y) {  // stored bottom row first, rows padded to 4 bytes
        for (int32_t x = 0; x < w; ++x) {
            const OxColorRef c = pixels[static_cast<std::size_t>(y) * w + x];
            rows.insert(rows.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
        }
        rows.resize((rows.size() + 3) / 4 * 4, 0);
    }
    return write_file(dir, name, bmp_file(dib_bytes(w, h, 24, {}, rows)));
}

}  // namespace oxtest
