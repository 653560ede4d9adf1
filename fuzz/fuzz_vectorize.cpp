// The vectorizer on small images described by the input bytes:
//   byte 0: width - 1 (mod 64), byte 1: height - 1 (mod 64),
//   byte 2: bits 0-1 pick the depth (24, 32, 8, 1); bit 2 set: the rest is one bit per pixel, row by row,
//           1 for black ink and 0 for white (shapes); clear: the rest is the raw pixel bytes (mostly ink).
//   Pixels the input does not reach are white.
// Beyond not crashing: 1- and 8-bit images are refused with code 0; an image without ink fails with the
// code untouched and any other succeeds; the block frames correctly, every polygon ends where it starts and
// every point lies in the image; and the reference tracer gives the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "document/vectorize.h"
#include "ox.h"
#include "fuzz_support.h"

namespace {

constexpr uint32_t kUntouched = 0xC0DE;

using oxfuzz::load_be16;
using oxfuzz::load_be32;

std::vector<uint8_t> run(OxHandle img, bool reference, uint32_t *err) {
    *err = kUntouched;
    const OxHandle block = reference ? ox::document::plain::image_to_vector(img, err) : oxImageToVector(img, err);
    if (block == 0) return {};
    const auto *p = static_cast<const uint8_t *>(oxLock(block));
    const uint32_t total = load_be32(p);
    const uint32_t size = oxGetHandleSize(block);
    FUZZ_CHECK(total >= 32 && total <= size);
    for (uint32_t i = total; i < size; ++i) FUZZ_CHECK(p[i] == 0);
    std::vector<uint8_t> bytes(p, p + total);
    oxFree(block);
    return bytes;
}

void check_outline(const std::vector<uint8_t> &b, int32_t w, int32_t h) {
    for (int i = 6; i < 32; ++i) FUZZ_CHECK(b[i] == 0);
    const uint32_t contours = load_be16(b.data() + 4);
    FUZZ_CHECK(contours >= 1);
    std::size_t o = 32;
    for (uint32_t c = 0; c < contours; ++c) {
        FUZZ_CHECK(o + 2 <= b.size());
        const uint32_t n = load_be16(b.data() + o);
        o += 2;
        FUZZ_CHECK(n >= 1 && o + 4 * std::size_t{n} <= b.size());
        for (uint32_t k = 0; k < n; ++k)
            FUZZ_CHECK(int32_t(load_be16(b.data() + o + 4 * k)) < w &&
                       int32_t(load_be16(b.data() + o + 4 * k + 2)) < h);
        FUZZ_CHECK(std::memcmp(b.data() + o, b.data() + o + 4 * (n - 1), 4) == 0);
        o += 4 * std::size_t{n};
    }
    FUZZ_CHECK(o == b.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3) return 0;
    const int32_t w = 1 + data[0] % 64, h = 1 + data[1] % 64;
    static constexpr int32_t kDepths[4] = {24, 32, 8, 1};
    const int32_t bits = kDepths[data[2] & 3];
    const bool shapes = data[2] & 4;
    data += 3;
    size -= 3;

    uint32_t err = 0;
    const OxHandle img = oxImageCreate(w, h, bits, &err);
    FUZZ_CHECK(img != 0);
    OxImageLockRec lock;
    oxImageLock(img, &lock);
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
    const std::vector<uint8_t> fast = run(img, false, &fast_err);
    const std::vector<uint8_t> ref = run(img, true, &ref_err);
    FUZZ_CHECK(fast == ref && fast_err == ref_err);
    if (bits == 1 || bits == 8) {
        FUZZ_CHECK(fast.empty() && fast_err == 0);
    } else if (!ink) {
        FUZZ_CHECK(fast.empty() && fast_err == kUntouched);
    } else {
        FUZZ_CHECK(!fast.empty());
        check_outline(fast, w, h);
    }
    oxFree(img);
    return 0;
}
