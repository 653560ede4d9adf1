// Reading selection masks a word at a time.
//
// A mask is read as a 1-bit image of its width and height whatever depth its header holds: pixel x of row y
// is bit 7 - x % 8 of byte x / 8 of the row, and a 0 bit selects the pixel. The word loads put the first
// pixel in the most significant bit, so that the bit order of a word follows the pixel order of the row.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/byte_order.h"
#include "ox.h"

namespace ox::selection {

// A locked image as the loops need it, so that no loop reads the header.
struct Plane {
    uint8_t *pixels = nullptr;
    uint32_t row_bytes = 0;
    int32_t width = 0, height = 0, bits = 0;

    uint8_t *row(int64_t y) const { return pixels + y * static_cast<int64_t>(row_bytes); }
    // Bytes that hold the pixels of a row read as bits.
    int64_t bit_row_bytes() const { return (static_cast<int64_t>(width) + 7) / 8; }
    bool inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

inline Plane plane_of(const OxImageLockRec &l) {
    return Plane{l.pixels, l.rowBytes, l.maxX + 1, l.maxY + 1, l.header->bitCount};
}

inline uint32_t bit_at(const uint8_t *row, int64_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }

inline void set_bit(uint8_t *row, int64_t x) { row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80u >> (x & 7))); }

// The 64 pixels of a bit row from pixel 8 * byte on, the first in the most significant bit. Only bytes
// below `end` are read; the others read as `pad`.
inline uint64_t load_bits(const uint8_t *row, int64_t byte, int64_t end, uint8_t pad) {
    if (byte + 8 <= end) return core::load_be64(row + byte);
    uint64_t v = 0;
    for (int64_t i = byte; i < byte + 8; ++i) v = v << 8 | (i < end ? row[i] : pad);
    return v;
}

// The bits of a word of pixels base..base+63 that stand for the pixels lo..hi-1.
inline uint64_t span_bits(int64_t base, int64_t lo, int64_t hi) {
    const int64_t a = std::max<int64_t>(lo - base, 0), b = std::min<int64_t>(hi - base, 64);
    if (a >= b) return 0;
    uint64_t m = ~uint64_t{0} >> a;
    if (b < 64) m &= ~(~uint64_t{0} >> b);
    return m;
}

// Calls f(a, b) for each run a..b-1 of selected pixels among the pixels x0..x1-1 of a bit row, left to
// right. Words without a selected pixel cost one load. Reads only bytes x0 / 8 .. (x1 - 1) / 8.
template <class F>
inline void for_each_selected_run(const uint8_t *row, int64_t x0, int64_t x1, F &&f) {
    if (x0 >= x1) return;
    const int64_t end = ((x1 - 1) >> 3) + 1;
    int64_t run = -1;
    for (int64_t byte = x0 >> 3; byte < end; byte += 8) {
        const int64_t base = byte * 8;
        const uint64_t sel = ~load_bits(row, byte, end, 0xFF) & span_bits(base, x0, x1);
        if (run < 0 && sel == 0) continue;
        int pos = 0;
        while (pos < 64) {
            if (run < 0) {
                const uint64_t s = sel << pos;
                if (s == 0) break;
                pos += std::countl_zero(s);
                run = base + pos;
            }
            pos += std::countl_zero(static_cast<uint64_t>(~(sel << pos)));  // 64 - pos when the run goes on
            if (pos < 64) {
                f(run, base + pos);
                run = -1;
            }
        }
    }
    if (run >= 0) f(run, x1);
}

}  // namespace ox::selection
