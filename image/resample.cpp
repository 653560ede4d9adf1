// oxImageChangeResolution: picks the way to resample (box sampling, area sampling, the half-size
// shortcut) and locks the images; the samplers live in resample_box.cpp and resample_area.cpp.
#include "image/resample.h"

#include "image/image_record.h"
#include "image/pixel.h"

namespace ox::image {
namespace {

// Everything but the samplers is shared: `fast` chooses theirs or the plain ones.
int32_t change_resolution(OxHandle dst, const ResampleRects &r, OxHandle src, int32_t mode, uint32_t *err,
                          bool fast) {
    // No way makes or frees an image: a missing image fails as one that cannot be locked, the copy
    // shortcut included (oxImageCopy would create a destination for 0 or free it for a source of 0).
    if (dst == 0 || src == 0) {
        *err = 0;
        return 0;
    }
    if (r.dw == r.sw && r.dh == r.sh) {
        if (r.dx == 0 && r.dy == 0 && r.sx == 0 && r.sy == 0) {
            OxHandle whole = dst;
            return oxImageCopy(&whole, src, err);
        }
        *err = 0;
        return oxImageCopyEx(dst, r.dx, r.dy, r.dw, r.dh, src, r.sx, r.sy);
    }
    *err = 0;
    ScopedImageLock s(src);
    if (!s.ok()) return 0;
    ScopedImageLock d(dst);
    if (!d.ok()) return 0;
    const OxImageLockRec &sl = s.rec(), &dl = d.rec();
    const int32_t sbits = s.header().bitCount, dbits = d.header().bitCount;
    if (!is_supported_depth(sbits) || !is_supported_depth(dbits)) return 0;

    // Area sampling and the half-size shortcut work on whole bytes: 1-bit images are box sampled.
    if (mode == 1 || sbits == 1 || dbits == 1) {
        fast ? box_sample(dl, sl, r) : plain::box_sample(dl, sl, r);
        return 1;
    }

    // No cells. (Negative sizes in a 1:2 ratio would otherwise pass the half-size test below.)
    if (r.dw < 1 || r.dh < 1) return 1;
    const double rx = static_cast<double>(r.sw) / r.dw, ry = static_cast<double>(r.sh) / r.dh;
    // The half-size shortcut writes the whole destination image from the source's top-left corner; it is
    // taken only when that stays inside both images, which needs one depth for both.
    if (rx == 2.0 && ry == 2.0 && r.dx == 0 && r.dy == 0 && r.sx == 0 && r.sy == 0 && sbits == dbits &&
        int64_t{sl.maxX} + 1 >= 2 * (int64_t{dl.maxX} + 1) && int64_t{sl.maxY} + 1 >= 2 * (int64_t{dl.maxY} + 1)) {
        fast ? half_size(dl, sl) : plain::half_size(dl, sl);
        return 1;
    }
    fast ? area_sample(dl, sl, r) : plain::area_sample(dl, sl, r);
    return 1;
}

}  // namespace

namespace plain {

int32_t change_resolution(OxHandle dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, OxHandle src,
                          int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t mode, uint32_t *err) {
    return ox::image::change_resolution(dst, {dx, dy, dw, dh, sx, sy, sw, sh}, src, mode, err, false);
}

}  // namespace plain

}  // namespace ox::image

extern "C" {

OX_API int32_t oxImageChangeResolution(OxHandle dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, OxHandle src,
                                       int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t mode, uint32_t *err) {
    return ox::image::change_resolution(dst, {dx, dy, dw, dh, sx, sy, sw, sh}, src, mode, err, true);
}

}  // extern "C"
