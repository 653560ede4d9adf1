// Outline blocks of vector tags on arbitrary bytes, from both ends: the input is an outline block for
// oxdoc's reader and its SVG drawing, and it describes a small image for the vectorizer, whose block the
// reader must then take too. The image:
//   byte 0: width - 1 (mod 64), byte 1: height - 1 (mod 64),
//   byte 2: bits 0-1 pick the depth (24, 32, 8, 1); bit 2 set: the rest is one bit per pixel, row by row,
//           1 for black ink and 0 for white (shapes); clear: the rest is the raw pixel bytes (mostly ink).
//   Pixels the input does not reach are white.
// Beyond not crashing or reading past the block:
// - an outline that parses accounts for its stated length exactly (header, a count per contour, four bytes
//   per point), and its SVG holds one polygon or box per contour with points;
// - 1- and 8-bit images are refused with code 0; an image without ink fails with the code untouched and any
//   other succeeds; its block parses, with a header zero behind the count, every polygon ending where it
//   starts and every point in the image; and the reference tracer gives the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/vectorize.h"
#include "ox.h"
#include "outline_svg.h"
#include "fuzz_support.h"

namespace {

constexpr uint32_t kUntouched = 0xC0DE;

using ox::core::load_be16;
using ox::core::load_be32;
using ox::core::OwnedHandle;

// Parses `size` bytes as an outline and checks what the reader gives; false when they do not parse.
bool read_outline(const uint8_t *data, std::size_t size, oxdoc::Outline &outline) {
    std::string error;
    if (!oxdoc::parse_outline(data, size, outline, error)) {
        FUZZ_CHECK(!error.empty());
        return false;
    }
    uint64_t bytes = 32;
    for (const auto &c : outline.contours) bytes += 2 + 4 * static_cast<uint64_t>(c.size());
    const uint64_t total = load_be32(data);
    FUZZ_CHECK(bytes == total && total <= size);
    FUZZ_CHECK(outline.contours.size() == load_be16(data + 4));
    uint32_t w, h;
    oxdoc::outline_extent(outline, w, h);
    const std::string svg = oxdoc::outline_to_svg(outline, w, h);
    std::size_t shapes = 0, drawn = 0;  // the background is a rect too
    for (const char *tag : {"<polygon", "<rect"})
        for (std::size_t at = svg.find(tag); at != std::string::npos; at = svg.find(tag, at + 1)) ++shapes;
    for (const auto &c : outline.contours) drawn += !c.empty();
    FUZZ_CHECK(shapes == drawn + 1);
    return true;
}

std::vector<uint8_t> run(OxHandle img, bool reference, uint32_t *err) {
    *err = kUntouched;
    const OwnedHandle block(reference ? ox::document::plain::image_to_vector(img, err) : oxImageToVector(img, err));
    if (!block) return {};
    const uint8_t *p = block.bytes();
    const uint32_t total = load_be32(p);
    const uint32_t size = oxGetHandleSize(block.get());
    FUZZ_CHECK(total >= 32 && total <= size);
    for (uint32_t i = total; i < size; ++i) FUZZ_CHECK(p[i] == 0);
    return std::vector<uint8_t>(p, p + total);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    oxdoc::Outline outline;
    read_outline(data, size, outline);
    if (size < 3) return 0;
    const int32_t w = 1 + data[0] % 64, h = 1 + data[1] % 64;
    static constexpr int32_t kDepths[4] = {24, 32, 8, 1};
    const int32_t bits = kDepths[data[2] & 3];
    const bool shapes = data[2] & 4;
    data += 3;
    size -= 3;

    uint32_t err = 0;
    const OwnedHandle img(oxImageCreate(w, h, bits, &err));
    FUZZ_CHECK(img);
    OxImageLockRec lock;
    oxImageLock(img.get(), &lock);
    std::memset(lock.pixels, 0xFF, lock.header->imageSize);
    if (shapes) {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const std::size_t bit = std::size_t(y) * w + x;
                if (bit / 8 < size && (data[bit / 8] >> (bit % 8)) & 1) oxImagePutPixel(&lock, x, y, 0);
            }
    } else {
        std::memcpy(lock.pixels, data, size < lock.header->imageSize ? size : lock.header->imageSize);
    }
    bool ink = false;
    for (int32_t y = 0; y < h && (bits == 24 || bits == 32); ++y)
        for (int32_t x = 0; x < w; ++x) ink = ink || (oxImageGetPixel(&lock, x, y) & 0xFFFFFFu) != 0xFFFFFFu;
    oxImageUnlock(&lock);

    uint32_t fast_err, ref_err;
    const std::vector<uint8_t> fast = run(img.get(), false, &fast_err);
    const std::vector<uint8_t> ref = run(img.get(), true, &ref_err);
    FUZZ_CHECK(fast == ref && fast_err == ref_err);
    if (bits == 1 || bits == 8) {
        FUZZ_CHECK(fast.empty() && fast_err == 0);
    } else if (!ink) {
        FUZZ_CHECK(fast.empty() && fast_err == kUntouched);
    } else {
        FUZZ_CHECK(read_outline(fast.data(), fast.size(), outline) && !outline.contours.empty());
        for (std::size_t i = 6; i < 32; ++i) FUZZ_CHECK(fast[i] == 0);
        for (const auto &c : outline.contours) {
            FUZZ_CHECK(!c.empty() && c.front().x == c.back().x && c.front().y == c.back().y);
            for (const auto &p : c) FUZZ_CHECK(p.x < w && p.y < h);
        }
    }
    return 0;
}
