// Resampling internals: the samplers behind oxImageChangeResolution, each as a fast path (row pointers,
// per-depth templates, per-column tables on the stack) and a plain per-pixel reference in namespace plain.
// The two are bit-identical; the tests compare them on random inputs.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::image {

// The two rectangles of one call: destination (dx, dy, dw, dh) and source (sx, sy, sw, sh).
struct ResampleRects {
    int32_t dx, dy, dw, dh;
    int32_t sx, sy, sw, sh;
};

// Samplers on locked images of supported depths. Box sampling applies the source-size-0 rule itself; area
// sampling and the half-size shortcut take 8-, 24- and 32-bit images only, the shortcut two images of one
// depth with a source at least twice the destination image in each direction.
void box_sample(const OxImageLockRec &dst, const OxImageLockRec &src, ResampleRects r);
void area_sample(const OxImageLockRec &dst, const OxImageLockRec &src, const ResampleRects &r);
void half_size(const OxImageLockRec &dst, const OxImageLockRec &src);

// oxDouble2Int restricted to the means of area sampling, which lie in [0, 255]: there the fraction rounded
// half up to thousandths exceeds one half exactly when fraction x 1000 reaches 500.5 (the fraction and the
// comparison are exact in double precision). Inline, so the fast path pays neither a call nor modf per
// byte; the tests hold it to oxDouble2Int over the whole range.
inline int32_t round_mean(double s) {
    const int32_t whole = static_cast<int32_t>(s);
    return whole + ((s - whole) * 1000.0 >= 500.5 ? 1 : 0);
}

namespace plain {

void box_sample(const OxImageLockRec &dst, const OxImageLockRec &src, ResampleRects r);
void area_sample(const OxImageLockRec &dst, const OxImageLockRec &src, const ResampleRects &r);
void half_size(const OxImageLockRec &dst, const OxImageLockRec &src);

// The reference for tests: oxImageChangeResolution with the plain samplers.
int32_t change_resolution(OxHandle dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, OxHandle src,
                          int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t mode, uint32_t *err);

}  // namespace plain

}  // namespace ox::image
