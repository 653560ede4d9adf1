// Conversions between DIB blocks and image records, a stored row at a time. A DIB row and an image row
// differ in padding (32 bits against none), order (bottom-up against top-down) and, at 24 bits, in the
// order of the colour bytes (blue, green, red against red, green, blue).
#include "win/dib_convert.h"

#include <cstring>

#include "core/byte_order.h"
#include "image/bgr_kernels.h"
#include "image/gray.h"
#include "image/image_record.h"
#include "platform/global_memory.h"
#include "win/dib.h"

namespace ox::win {
namespace {

using ox::image::bgr::bgr_from_32_wide;
using ox::core::store_le32;
using ox::image::bgr::swap_24_wide;

// n DIB pixels (blue, green, red) into 32-bit image pixels, keeping their fourth byte.
void pixels_24_to_32(const uint8_t *src, uint8_t *dst, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t *s = src + 3 * static_cast<std::size_t>(i);
        uint8_t *d = dst + 4 * static_cast<std::size_t>(i);
        const uint32_t v = d[0] | uint32_t{s[2]} << 8 | uint32_t{s[1]} << 16 | uint32_t{s[0]} << 24;
        store_le32(d, v);
    }
}

// The bit of a 24-bit DIB pixel's gray value. The exact weighted sum is n / 100 with n = 30r + 59g + 11b,
// and the double sum lies within 1e-12 of it: above 127 for every n above 12800, not for any below, and at
// exactly 12800 the double's rounding decides.
inline uint32_t pixel_gray_bit(uint32_t r, uint32_t g, uint32_t b) {
    const uint32_t n = 30 * r + 59 * g + 11 * b;
    return n > 12800 || (n == 12800 && pixel_gray(r, g, b) > 127) ? 1u : 0u;
}

// Pixels of an image row at depth 1 from a function of x, a byte (eight pixels) at a time.
template <class F>
void pack_bits(uint8_t *dst, int32_t n, F bit_of) {
    int32_t x = 0;
    for (; x + 8 <= n; x += 8) {
        uint32_t byte = 0;
        for (int k = 0; k < 8; ++k) byte = byte << 1 | bit_of(x + k);
        dst[x >> 3] = static_cast<uint8_t>(byte);
    }
    if (x < n) {
        uint32_t byte = 0;
        for (int k = 0; k < 8; ++k) byte = byte << 1 | (x + k < n ? bit_of(x + k) : 0u);
        // Bits beyond the width keep what the image held.
        const uint8_t keep = static_cast<uint8_t>(0xFFu >> (n - x));
        dst[x >> 3] = static_cast<uint8_t>((dst[x >> 3] & keep) | byte);
    }
}

// One stored DIB row into image row `dst` of `depth`, when the two depths differ or are 24.
void dib_row_to_image(const DibLayout &d, const EntryColors &e, const uint8_t *src, uint8_t *dst, uint32_t depth) {
    const int32_t w = d.width;
    if (d.depth == 24) {
        if (depth == 24) {
            swap_24_wide(src, dst, w);
        } else if (depth == 8) {
            for (int32_t x = 0; x < w; ++x) {
                const uint8_t *p = src + 3 * static_cast<std::size_t>(x);
                dst[x] = static_cast<uint8_t>(ox::image::gray_table_a(p[2], p[1], p[0]));
            }
        } else {
            pack_bits(dst, w, [&](int32_t x) {
                const uint8_t *p = src + 3 * static_cast<std::size_t>(x);
                return pixel_gray_bit(p[2], p[1], p[0]);
            });
        }
        return;
    }
    const uint32_t bits = d.depth;
    if (depth == 24) {
        for (int32_t x = 0; x < w; ++x)
            std::memcpy(dst + 3 * static_cast<std::size_t>(x), e.rgb[dib_index(src, x, bits)], 3);
    } else if (depth == 8) {
        for (int32_t x = 0; x < w; ++x) dst[x] = e.gray[dib_index(src, x, bits)];
    } else {
        pack_bits(dst, w, [&](int32_t x) { return uint32_t{e.bit[dib_index(src, x, bits)]}; });
    }
}

// Locks `dib` and reads its layout; on failure sets the code (6: not a block, 13: does not hold up).
bool open_block(ox::platform::GlobalLock &mem, DibLayout *d, uint32_t *err) {
    if (!mem) {
        *err = OX_ERROR_INVALID_HANDLE;
        return false;
    }
    if (!read_dib_layout(mem.data(), mem.size(), d)) {
        *err = OX_ERROR_INVALID_DATA;
        return false;
    }
    return true;
}

}  // namespace
}  // namespace ox::win

using namespace ox::win;

extern "C" {

OX_API OxHandle oxwDibToImage(OxwGlobal dib, uint32_t depth, uint32_t *err) {
    if (dib == 0 || (depth != 1 && depth != 8 && depth != 24)) return 0;
    ox::platform::GlobalLock mem(dib);
    DibLayout d;
    if (!open_block(mem, &d, err)) return 0;
    OxHandle image = oxImageCreate(d.width, d.height, static_cast<int32_t>(depth), err);
    ox::image::ScopedImageLock img(image);
    if (!img.ok()) return 0;
    const OxImageLockRec &l = img.rec();
    EntryColors entries;
    if (d.depth != 24 && d.depth != depth) read_entry_colors(d, &entries);
    for (int32_t i = 0; i < d.height; ++i) {
        const uint8_t *src = d.bits + static_cast<std::size_t>(i) * d.row_bytes;
        uint8_t *dst = l.pixels + static_cast<std::size_t>(d.height - 1 - i) * l.rowBytes;
        if (d.depth == depth && depth != 24)
            std::memcpy(dst, src, l.rowBytes);
        else
            dib_row_to_image(d, entries, src, dst, depth);
    }
    return image;
}

OX_API OxwGlobal oxwImageToDib(OxHandle image, uint32_t *err) {
    ox::image::ScopedImageLock img(image);
    if (!img.ok()) return 0;
    const OxImageLockRec &l = img.rec();
    const int32_t bits = l.header->bitCount;
    if (bits != 1 && bits != 8 && bits != 24 && bits != 32) {
        *err = 0;
        return 0;
    }
    const int32_t w = l.maxX + 1, h = l.maxY + 1;
    ox::platform::GlobalOwner dib(oxwCreateDIB(w, h, bits == 32 ? 24 : static_cast<uint32_t>(bits), 1, err));
    if (dib.get() == 0) return 0;
    {
        ox::platform::GlobalLock mem(dib.get());
        DibLayout d;
        read_dib_layout(mem.data(), mem.size(), &d, true);
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t *src = l.pixels + static_cast<std::size_t>(y) * l.rowBytes;
            uint8_t *dst = d.bits + static_cast<std::size_t>(h - 1 - y) * d.row_bytes;
            switch (bits) {
            case 1:
                // Whole bytes, then the bits of the last one that lie inside the width.
                std::memcpy(dst, src, static_cast<std::size_t>(w) / 8);
                if (w & 7) dst[w / 8] = static_cast<uint8_t>(src[w / 8] & ~(0xFFu >> (w & 7)));
                break;
            case 8: std::memcpy(dst, src, static_cast<std::size_t>(w)); break;
            case 24: swap_24_wide(src, dst, w); break;
            default: bgr_from_32_wide(src, dst, w); break;
            }
        }
    }
    return dib.release();
}

OX_API OxHandle oxwCreateClipBoardImage(OxwGlobal dib, int32_t gray, uint32_t *err) {
    if (dib == 0) return 0;
    ox::platform::GlobalLock mem(dib);
    DibLayout d;
    if (!open_block(mem, &d, err)) return 0;
    OxHandle image = gray ? oxImageCreateGray(d.width, d.height, err) : oxImageCreate(d.width, d.height, 32, err);
    ox::image::ScopedImageLock img(image);
    if (!img.ok()) return 0;
    const OxImageLockRec &l = img.rec();
    EntryColors entries;
    if (d.depth != 24) read_entry_colors(d, &entries);
    for (int32_t i = 0; i < d.height; ++i) {
        const uint8_t *src = d.bits + static_cast<std::size_t>(i) * d.row_bytes;
        uint8_t *dst = l.pixels + static_cast<std::size_t>(d.height - 1 - i) * l.rowBytes;
        if (d.depth == 24) {
            pixels_24_to_32(src, dst, d.width);
        } else {
            for (int32_t x = 0; x < d.width; ++x) {
                const uint8_t *c = entries.rgb[dib_index(src, x, d.depth)];
                std::memcpy(dst + 4 * static_cast<std::size_t>(x) + 1, c, 3);
            }
        }
    }
    return image;
}

}  // extern "C"
