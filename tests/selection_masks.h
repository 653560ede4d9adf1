// Helpers of the selection tests: random masks with large blobs, holes and ragged edges.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <random>

#include "image_compare.h"

namespace oxtest {

// A w x h mask: random bits, all selected, or a few random discs and boxes (some cut out again) on an
// unselected ground, with random spare bits at the row ends.
inline Handle random_mask(std::mt19937 &rng, int32_t w, int32_t h) {
    Handle m = make_image(w, h, 1, OX_LAYER_MASK);
    const int kind = static_cast<int>(rng() % 6);
    if (kind == 0) {
        fill_random(m.get(), rng);
        return m;
    }
    if (kind == 1) return m;  // a new mask selects everything
    oxImageErase(m.get());
    const Locked l(m.get());
    const int shapes = in(rng, 1, 5);
    for (int s = 0; s < shapes; ++s) {
        const int32_t cx = in(rng, -5, w + 5), cy = in(rng, -5, h + 5), r = in(rng, 1, std::max(w, h) / 2 + 2);
        const uint32_t bit = s > 0 && rng() % 3 == 0 ? 1 : 0;  // later shapes sometimes cut holes
        const bool disc = rng() % 2;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const int64_t dx = x - cx, dy = y - cy;
                const bool in_shape =
                    disc ? dx * dx + dy * dy <= int64_t{r} * r : std::abs(dx) <= r && std::abs(dy) <= r / 2;
                if (in_shape) oxImagePutPixel(l.get(), x, y, bit);
            }
    }
    if (kind == 2) {  // ragged: some pixels flipped
        for (int i = 0; i < w * h / 20; ++i) {
            const int32_t x = in(rng, 0, w - 1), y = in(rng, 0, h - 1);
            oxImagePutPixel(l.get(), x, y, oxImageGetPixel(l.get(), x, y) ^ 1);
        }
    }
    // Spare bits at the row ends hold garbage: no function may take them for pixels.
    const uint32_t spare = static_cast<uint32_t>(w) & 7;
    if (spare)
        for (int32_t y = 0; y < h; ++y) {
            uint8_t &last = l->pixels[static_cast<size_t>(y) * l->rowBytes + l->rowBytes - 1];
            last = static_cast<uint8_t>((last & ~(0xFFu >> spare)) | (rng() & (0xFFu >> spare)));
        }
    return m;
}

}  // namespace oxtest
