// Block copies between images: oxImageCopy, oxImageCopyEx and oxSwapImage.
//
// A block copy is clipped once to both images and then runs a row kernel chosen by the two depths; the
// kernels walk raw row pointers and never read the image header.
#include "image/copy.h"

#include <algorithm>
#include <cstring>

#include "image/copy_kernels.h"
#include "image/image_record.h"
#include "image/pixel.h"

namespace ox::image {
namespace {

using RowKernel = void (*)(const uint8_t *srow, int32_t sx, uint8_t *drow, int32_t dx, int32_t n, bool backwards);

template <int S, int D>
void row_kernel(const uint8_t *srow, int32_t sx, uint8_t *drow, int32_t dx, int32_t n, bool backwards) {
    convert_row<S, D>(srow, sx, drow, dx, n, backwards);
}

template <int S>
RowKernel kernel_for_dst(int32_t dst_bits) {
    switch (dst_bits) {
    case 1: return row_kernel<S, 1>;
    case 8: return row_kernel<S, 8>;
    case 24: return row_kernel<S, 24>;
    default: return row_kernel<S, 32>;
    }
}

RowKernel kernel_for(int32_t src_bits, int32_t dst_bits) {
    switch (src_bits) {
    case 1: return kernel_for_dst<1>(dst_bits);
    case 8: return kernel_for_dst<8>(dst_bits);
    case 24: return kernel_for_dst<24>(dst_bits);
    default: return kernel_for_dst<32>(dst_bits);
    }
}

// The BlockCopier of the row-pointer path: clips once, then runs one row kernel per row.
void copy_block(const OxImageLockRec &d, int64_t dx, int64_t dy, const OxImageLockRec &s, int64_t sx, int64_t sy,
                int32_t width, int32_t height) {
    int64_t w = width, h = height;
    const bool same = d.handle == s.handle;
    const bool back = same && copy_backwards(dx, dy, sx, sy);
    // Clipping moves both starts by the same amount, so the direction decided above still holds.
    if (dx < 0) w += dx, sx -= dx, dx = 0;
    if (sx < 0) w += sx, dx -= sx, sx = 0;
    if (dy < 0) h += dy, sy -= dy, dy = 0;
    if (sy < 0) h += sy, dy -= sy, sy = 0;
    w = std::min({w, int64_t{d.maxX} + 1 - dx, int64_t{s.maxX} + 1 - sx});
    h = std::min({h, int64_t{d.maxY} + 1 - dy, int64_t{s.maxY} + 1 - sy});
    if (w <= 0 || h <= 0) return;

    const RowKernel kernel = kernel_for(s.header->bitCount, d.header->bitCount);
    for (int64_t jj = 0; jj < h; ++jj) {
        const int64_t j = back ? h - 1 - jj : jj;
        kernel(s.pixels + (sy + j) * s.rowBytes, static_cast<int32_t>(sx), d.pixels + (dy + j) * d.rowBytes,
               static_cast<int32_t>(dx), static_cast<int32_t>(w), same && back);
    }
}

// Exchanges the pixels of two images of one size. Equal depths exchange whole rows (a 1-bit row's last byte
// only within the width); 24 with 32 bits exchanges the colour bytes.
bool swap_pixels(const OxImageLockRec &a, const OxImageLockRec &b) {
    const int32_t abits = a.header->bitCount, bbits = b.header->bitCount;
    const int32_t w = a.maxX + 1, h = a.maxY + 1;
    if (abits == bbits) {
        const uint32_t row = a.rowBytes;
        const uint32_t whole = abits == 1 ? static_cast<uint32_t>(w) / 8 : row;
        const uint8_t keep = abits == 1 ? static_cast<uint8_t>(0xFFu >> (w & 7)) : 0;  // spare bits stay
        for (int32_t y = 0; y < h; ++y) {
            uint8_t *ra = row_ptr(a, y), *rb = row_ptr(b, y);
            std::swap_ranges(ra, ra + whole, rb);
            if (whole < row) {
                const uint8_t va = ra[whole], vb = rb[whole];
                ra[whole] = static_cast<uint8_t>((va & keep) | (vb & ~keep));
                rb[whole] = static_cast<uint8_t>((vb & keep) | (va & ~keep));
            }
        }
        return true;
    }
    if (abits < 24 || bbits < 24) return false;
    const OxImageLockRec &rgb = abits == 24 ? a : b, &argb = abits == 24 ? b : a;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t *p = row_ptr(rgb, y), *q = row_ptr(argb, y);
        for (int32_t x = 0; x < w; ++x, p += 3, q += 4) {
            std::swap(p[0], q[1]);
            std::swap(p[1], q[2]);
            std::swap(p[2], q[3]);
        }
    }
    return true;
}

}  // namespace

// A whole-image copy between images of one size and bytes per pixel is one memcpy on either path.
int32_t image_copy_with(BlockCopier copy_block, OxHandle *dst, OxHandle src, uint32_t *err) {
    if (src == 0) {
        if (*dst) oxFree(*dst);
        *dst = 0;
        *err = 0;
        return 1;
    }
    ScopedImageLock s(src);
    if (!s.ok()) {
        *err = 0;
        return 0;
    }
    const bool created = *dst == 0;
    if (created) {
        *dst = create_like(s.header(), err);
        if (*dst == 0) return 0;
    }
    ScopedImageLock d(*dst);
    if (!d.ok() || !is_supported_depth(d.header().bitCount) || !is_supported_depth(s.header().bitCount)) {
        if (created) {
            oxFree(*dst);
            *dst = 0;
        }
        *err = 0;
        return 0;
    }
    const OxImageHeader &dh = d.header(), &sh = s.header();
    if (dh.bitCount / 8 == sh.bitCount / 8 && dh.width == sh.width && dh.height == sh.height) {
        if (*dst != src) std::memcpy(d.rec().pixels, s.rec().pixels, static_cast<size_t>(dh.height) * dh.rowBytes);
    } else {
        copy_block(d.rec(), 0, 0, s.rec(), 0, 0, std::min(dh.width, sh.width), std::min(dh.height, sh.height));
    }
    *err = 0;
    return 1;
}

int32_t image_copy_ex_with(BlockCopier copy_block, OxHandle dst, int32_t dx, int32_t dy, int32_t w, int32_t h,
                           OxHandle src, int32_t sx, int32_t sy) {
    ScopedImageLock d(dst);
    if (!d.ok()) return 0;
    ScopedImageLock s(src);
    if (!s.ok()) return 0;
    const OxImageHeader &dh = d.header(), &sh = s.header();
    if (!is_supported_depth(dh.bitCount) || !is_supported_depth(sh.bitCount)) return 0;
    w = std::min({w, dh.width, sh.width});
    h = std::min({h, dh.height, sh.height});
    copy_block(d.rec(), block_origin_x(dh.bitCount, dx), dy, s.rec(), block_origin_x(sh.bitCount, sx), sy, w, h);
    return 1;
}

}  // namespace ox::image

using namespace ox::image;

extern "C" {

OX_API int32_t oxImageCopy(OxHandle *dst, OxHandle src, uint32_t *err) {
    return image_copy_with(copy_block, dst, src, err);
}

OX_API int32_t oxImageCopyEx(OxHandle dst, int32_t dx, int32_t dy, int32_t w, int32_t h, OxHandle src, int32_t sx,
                             int32_t sy) {
    return image_copy_ex_with(copy_block, dst, dx, dy, w, h, src, sx, sy);
}

OX_API int32_t oxSwapImage(OxHandle a, OxHandle b) {
    if (a == 0 || b == 0) return 0;
    ScopedImageLock la(a), lb(b);
    if (!la.ok() || !lb.ok()) return 0;
    const OxImageHeader &ha = la.header(), &hb = lb.header();
    if (ha.width != hb.width || ha.height != hb.height) return 0;
    if (!is_supported_depth(ha.bitCount) || !is_supported_depth(hb.bitCount)) return 0;
    return swap_pixels(la.rec(), lb.rec()) ? 1 : 0;
}

}  // extern "C"
