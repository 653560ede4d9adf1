// DIB blocks: creation, layout checks, locking, single pixels, erase and the size helpers.
#include "win/dib.h"

#include <cstring>

#include "core/byte_order.h"
#include "platform/global_memory.h"

namespace ox::win {

const uint32_t kFixedPalette[256] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080, 0xC0DC81, 0xA6CA00, 0x2A3FFF,
    0x2A3F00, 0x2A5F55, 0x2A5FAA, 0x2A5FFF, 0x2A5F00, 0x2A7F55, 0x2A7FAA, 0x2A7FFF, 0x2A7F00, 0x2A0055, 0x2A00AA,
    0x2A00FF, 0x2A0000, 0x2ABF55, 0x2ABFAA, 0x2ABFFF, 0x2ABF00, 0x2ADF55, 0x2ADFAA, 0x2ADFFF, 0x2ADF00, 0x2AFF55,
    0x2AFFAA, 0x2AFFFF, 0x2AFF00, 0x550055, 0x5500AA, 0x5500FF, 0x550000, 0x551F55, 0x551FAA, 0x551FFF, 0x551F00,
    0x553F55, 0x553FAA, 0x553FFF, 0x553F00, 0x555F55, 0x555FAA, 0x555FFF, 0x555F00, 0x557F55, 0x557FAA, 0x557FFF,
    0x557F00, 0x550055, 0x5500AA, 0x5500FF, 0x550000, 0x55BF55, 0x55BFAA, 0x55BFFF, 0x55BF00, 0x55DF55, 0x55DFAA,
    0x55DFFF, 0x55DF00, 0x55FF55, 0x55FFAA, 0x55FFFF, 0x55FF00, 0x7F0055, 0x7F00AA, 0x7F00FF, 0x7F0000, 0x7F1F55,
    0x7F1FAA, 0x7F1FFF, 0x7F1F00, 0x7F3F55, 0x7F3FAA, 0x7F3FFF, 0x7F3F00, 0x7F5F55, 0x7F5FAA, 0x7F5FFF, 0x7F5F00,
    0x7F7F55, 0x7F7FAA, 0x7F7FFF, 0x7F7F00, 0x7F0055, 0x7F00AA, 0x7F00FF, 0x7F0000, 0x7FBF55, 0x7FBFAA, 0x7FBFFF,
    0x7FBF00, 0x7FDF55, 0x7FDFAA, 0x7FDFFF, 0x7FDF00, 0x7FFF55, 0x7FFFAA, 0x7FFFFF, 0x7FFF00, 0xAA0055, 0xAA00AA,
    0xAA00FF, 0xAA0000, 0xAA1F55, 0xAA1FAA, 0xAA1FFF, 0xAA1F00, 0xAA3F55, 0xAA3FAA, 0xAA3FFF, 0xAA3F00, 0xAA5F55,
    0xAA5FAA, 0xAA5FFF, 0xAA5F00, 0xAA7F55, 0xAA7FAA, 0xAA7FFF, 0xAA7F00, 0xAA0055, 0xAA00AA, 0xAA00FF, 0xAA0000,
    0xAABF55, 0xAABFAA, 0xAABFFF, 0xAABF00, 0xAADF55, 0xAADFAA, 0xAADFFF, 0xAADF00, 0xAAFF55, 0xAAFFAA, 0xAAFFFF,
    0xAAFF00, 0xD40055, 0xD400AA, 0xD400FF, 0xD40000, 0xD41F55, 0xD41FAA, 0xD41FFF, 0xD41F00, 0xD43F55, 0xD43FAA,
    0xD43FFF, 0xD43F00, 0xD45F55, 0xD45FAA, 0xD45FFF, 0xD45F00, 0xD47F55, 0xD47FAA, 0xD47FFF, 0xD47F00, 0xD40055,
    0xD400AA, 0xD400FF, 0xD40000, 0xD4BF55, 0xD4BFAA, 0xD4BFFF, 0xD4BF00, 0xD4DF55, 0xD4DFAA, 0xD4DFFF, 0xD4DF00,
    0xD4FF55, 0xD4FFAA, 0xD4FFFF, 0xD4FF00, 0xFF0055, 0xFF00AA, 0xFF1FFF, 0xFF1F00, 0xFF1F55, 0xFF1FAA, 0xFF3FFF,
    0xFF3F00, 0xFF3F55, 0xFF3FAA, 0xFF5FFF, 0xFF5F00, 0xFF5F55, 0xFF5FAA, 0xFF7FFF, 0xFF7F00, 0xFF7F55, 0xFF7FAA,
    0xFF00FF, 0xFF0000, 0xFF0055, 0xFF00AA, 0xFFBFFF, 0xFFBF00, 0xFFBF55, 0xFFBFAA, 0xFFDFFF, 0xFFDF00, 0xFFDF55,
    0xFFDFAA, 0xFFFFFF, 0xFFFF00, 0xCCFF55, 0xFFFFAA, 0x3300FF, 0x660000, 0x000055, 0xCC00AA, 0x001FFF, 0x001F00,
    0x001F55, 0x001FAA, 0x003FFF, 0x003F00, 0x003F55, 0x003FAA, 0x005FFF, 0x005F00, 0x005F55, 0x005FAA, 0x007FFF,
    0x007F00, 0x007F55, 0x007FAA, 0x0000FF, 0x000000, 0x2A0055, 0x2A00AA, 0x2ABFFF, 0x2ABF00, 0x2ABF55, 0x2ABFAA,
    0x2ADFFF, 0x2ADF00, 0x2A3F00, 0x2A3F00, 0xFF0000, 0xA0A0A4, 0xA08080, 0xA00000, 0x00FF00, 0xFFFF00, 0x0000FF,
    0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

bool read_dib_layout(uint8_t *block, std::size_t size, DibLayout *out, bool allow_depth_32) {
    if (block == nullptr || size < kDibHeaderSize) return false;
    OxwBitmapInfoHeader h;
    std::memcpy(&h, block, sizeof h);
    const uint32_t depth = h.biBitCount;
    if (h.biSize < kDibHeaderSize || h.biSize > size || h.biWidth < 1 || h.biHeight < 1 || h.biCompression != 0)
        return false;
    uint32_t colors;
    switch (depth) {
    case 1: colors = 2; break;
    case 4: colors = 16; break;
    case 8: colors = 256; break;
    case 24: colors = 0; break;
    case 32:
        if (!allow_depth_32) return false;
        colors = 0;
        break;
    default: return false;
    }
    if (h.biClrUsed != 0) colors = h.biClrUsed;
    if (colors > 256) return false;
    const uint64_t row_bytes = dib_row_bytes(static_cast<uint64_t>(h.biWidth), depth);
    const uint64_t bits_at = uint64_t{h.biSize} + 4u * uint64_t{colors};
    if (kDibHeaderSize + 4u * uint64_t{colors} > size || row_bytes > size ||
        bits_at + row_bytes * static_cast<uint64_t>(h.biHeight) > size)
        return false;
    out->header = h;
    out->width = h.biWidth;
    out->height = h.biHeight;
    out->depth = depth;
    out->colors = colors;
    out->row_bytes = static_cast<uint32_t>(row_bytes);
    out->table = block + kDibHeaderSize;
    out->bits = block + bits_at;
    return true;
}

void write_created_table(uint8_t *table, uint32_t depth, bool gray) {
    if (depth == 1) {
        const uint8_t bw[8] = {0, 0, 0, 0, 255, 255, 255, 0};
        std::memcpy(table, bw, sizeof bw);
    } else if (depth == 8) {
        for (uint32_t i = 0; i < 256; ++i) {
            const uint32_t rgb = gray ? i * 0x010101u : kFixedPalette[i];
            table[4 * i] = static_cast<uint8_t>(rgb);
            table[4 * i + 1] = static_cast<uint8_t>(rgb >> 8);
            table[4 * i + 2] = static_cast<uint8_t>(rgb >> 16);
            table[4 * i + 3] = 0;
        }
    }
}

void read_entry_colors(const DibLayout &dib, EntryColors *out) {
    std::memset(out, 0, sizeof *out);
    for (uint32_t i = 0; i < dib.colors; ++i) {
        const uint8_t *e = dib.table + 4 * i;
        const uint32_t b = e[0], g = e[1], r = e[2];
        out->rgb[i][0] = static_cast<uint8_t>(r);
        out->rgb[i][1] = static_cast<uint8_t>(g);
        out->rgb[i][2] = static_cast<uint8_t>(b);
        out->gray[i] = static_cast<uint8_t>(entry_gray(r, g, b));
        out->bit[i] = out->gray[i] > 127 ? 1 : 0;
    }
}

namespace {

// The stored row of top-down row y.
uint8_t *locked_row(const OxwDibLockRec &lock, int32_t y) {
    return lock.bits + static_cast<std::size_t>(lock.info->biHeight - 1 - y) * lock.rowBytes;
}

bool inside(const OxwDibLockRec &lock, int32_t x, int32_t y) {
    return x >= 0 && x < lock.info->biWidth && y >= 0 && y < lock.info->biHeight;
}

}  // namespace
}  // namespace ox::win

using namespace ox::win;
using namespace ox::platform;

extern "C" {

OX_API OxwGlobal oxwCreateDIB(int32_t width, int32_t height, uint32_t depth, int32_t gray, uint32_t *err) {
    if (depth == 4) return 0;
    if ((depth != 1 && depth != 8 && depth != 24 && depth != 32) || width < 0 || height < 0) {
        *err = 0;
        return 0;
    }
    const uint32_t entries = created_table_entries(depth);
    const uint64_t row_bytes = dib_row_bytes(static_cast<uint64_t>(width), depth);
    const uint64_t image_size = row_bytes * static_cast<uint64_t>(height);
    const uint64_t total = image_size + 4u * entries + kDibHeaderSize;
    if (total > kGlobalMaxSize) {
        *err = 0;
        return 0;
    }
    GlobalOwner block(global_alloc(total, err));
    if (block.get() == 0) return 0;
    GlobalLock mem(block.get());
    const OxwBitmapInfoHeader h = dib_info_header(width, height, depth, static_cast<uint32_t>(image_size));
    std::memcpy(mem.data(), &h, sizeof h);
    write_created_table(mem.data() + kDibHeaderSize, depth, gray != 0);
    return block.release();
}

OX_API OxwDibLockRec *oxwDibLock(OxwGlobal dib) {
    if (dib == 0) return nullptr;
    auto *block = static_cast<uint8_t *>(global_lock(dib));
    if (block == nullptr) return nullptr;
    DibLayout layout;
    uint32_t err;
    OxwGlobal self = 0;
    OxwDibLockRec *rec = nullptr;
    if (read_dib_layout(block, global_size(dib), &layout) && (self = global_alloc(sizeof(OxwDibLockRec), &err)) != 0 &&
        (rec = static_cast<OxwDibLockRec *>(global_lock(self))) != nullptr) {
        auto *header = reinterpret_cast<OxwBitmapInfoHeader *>(block);
        rec->dib = dib;
        rec->self = self;
        rec->header = header;
        rec->info = header;
        rec->afterHeader = block + 44;
        rec->bits = layout.bits;
        rec->rowBytes = layout.row_bytes;
        rec->colors = layout.colors;
        return rec;
    }
    if (self != 0) global_free(self);
    global_unlock(dib);
    return nullptr;
}

OX_API int32_t oxwDibUnlock(OxwDibLockRec *lock) {
    if (lock == nullptr) return 1;
    const OxwGlobal dib = lock->dib, self = lock->self;
    global_unlock(self);
    global_free(self);
    global_unlock(dib);
    return 1;
}

OX_API void oxwPutDibPixel(const OxwDibLockRec *lock, int32_t x, int32_t y, uint32_t color) {
    if (!inside(*lock, x, y)) return;
    uint8_t *row = locked_row(*lock, y);
    switch (lock->info->biBitCount) {
    case 1: {
        const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = color == OXW_DIB_MARK_COLOR ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
        break;
    }
    case 8: row[x] = static_cast<uint8_t>(color); break;
    case 24:
        row[3 * static_cast<std::size_t>(x)] = static_cast<uint8_t>(color >> 16);
        row[3 * static_cast<std::size_t>(x) + 1] = static_cast<uint8_t>(color >> 8);
        row[3 * static_cast<std::size_t>(x) + 2] = static_cast<uint8_t>(color);
        break;
    default: break;
    }
}

OX_API uint32_t oxwGetDibPixel(const OxwDibLockRec *lock, int32_t x, int32_t y) {
    if (!inside(*lock, x, y)) return 0xFFFFFFu;
    const uint8_t *row = locked_row(*lock, y);
    switch (lock->info->biBitCount) {
    case 1: return (row[x >> 3] & (0x80u >> (x & 7))) ? OXW_DIB_MARK_COLOR : 0xFFFFFFu;
    case 8: return row[x];
    case 24: {
        const uint8_t *p = row + 3 * static_cast<std::size_t>(x);
        return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    }
    default: return 0;
    }
}

OX_API uint32_t oxwGetPixelDIB(OxwGlobal dib, int32_t x, int32_t y) {
    OxwDibLockRec *lock = oxwDibLock(dib);
    if (lock == nullptr) return 0;
    const uint32_t v = oxwGetDibPixel(lock, x, y);
    oxwDibUnlock(lock);
    return v;
}

OX_API int32_t oxwEraseDIB(OxwGlobal dib) {
    OxwDibLockRec *lock = oxwDibLock(dib);
    if (lock == nullptr) return 0;
    // Row by row, as oxwPutDibPixel of 0xFFFFFF would write it: clear bits, index 255, white; the bits and
    // bytes beyond the width (the row padding) are left alone.
    const int32_t w = lock->info->biWidth, h = lock->info->biHeight;
    const uint32_t depth = lock->info->biBitCount;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t *row = lock->bits + static_cast<std::size_t>(y) * lock->rowBytes;
        if (depth == 1) {
            std::memset(row, 0, static_cast<std::size_t>(w) / 8);
            if (w & 7) row[w / 8] &= static_cast<uint8_t>(0xFFu >> (w & 7));
        } else if (depth == 8) {
            std::memset(row, 0xFF, static_cast<std::size_t>(w));
        } else if (depth == 24) {
            std::memset(row, 0xFF, 3 * static_cast<std::size_t>(w));
        }
    }
    oxwDibUnlock(lock);
    return 1;
}

OX_API int32_t oxwDIBWidth(OxwGlobal dib) {
    GlobalLock mem(dib);
    if (!mem || mem.size() < 12) return 0;
    return static_cast<int32_t>(ox::core::load_le32(mem.data() + 4));
}

OX_API int32_t oxwDIBHeight(OxwGlobal dib) {
    GlobalLock mem(dib);
    if (!mem || mem.size() < 12) return 0;
    return static_cast<int32_t>(ox::core::load_le32(mem.data() + 8));
}

OX_API uint32_t oxwDIB_WIDTH_BYTE(uint32_t n) { return (n + 3u) & ~3u; }
OX_API uint32_t oxwDIB_WIDTH_BIT(uint32_t n) { return (n + 31u) & ~31u; }

}  // extern "C"
