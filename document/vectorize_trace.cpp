// The tracer in use. It builds the cell grid a pixel (one grid byte per cell row) at a time, skips empty
// stretches a word at a time, follows rings through a flat cell index, and writes each ring as soon as it is
// traced, so that only one chain is held at a time.
#include <bit>
#include <cstring>
#include <new>

#include "core/byte_order.h"
#include "document/vectorize.h"

namespace ox::document {
namespace {

using core::load_le64;

// Index of the first byte (in memory order) whose bit 7 is set in a mask of bits 7 only, of 8 bytes loaded
// little-endian.
inline unsigned first_marked_byte(uint64_t m) { return std::countr_zero(m) >> 3; }

// A pixel's 4x4 cells are four grid bytes, one per cell row, in byte column x + 1. An ink pixel's cells are
// all ink (0xFF). A background pixel's cells are boundary (01) along each side whose neighbour pixel is ink:
// its first column (bits 6-7) for the left neighbour, its last column (bits 0-1) for the right one, its top
// row for the pixel above, its bottom row for the pixel below. The margins behave like background pixels
// around the image, of which only the two cell rows nearest the image lie inside the grid.
void build_grid(const InkMap &ink, const CellGrid &grid) {
    const int32_t h = ink.height;
    const std::size_t rb = grid.row_bytes;  // the ink map's stride: byte column c is pixel column c - 1
    uint8_t *g = grid.bytes;

    const uint8_t *first = ink.row(0) - 1, *last = ink.row(h - 1) - 1;
    uint8_t *above = g + rb, *below = g + (4 * static_cast<std::size_t>(h) + 2) * rb;
    for (std::size_t c = 0; c < rb; ++c) {
        if (first[c]) above[c] = 0x55;
        if (last[c]) below[c] = 0x55;
    }

    const auto width = static_cast<std::ptrdiff_t>(rb);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t *up = ink.row(y - 1) - 1, *cur = ink.row(y) - 1, *dn = ink.row(y + 1) - 1;
        uint8_t *g0 = g + (4 * static_cast<std::size_t>(y) + 2) * rb;
        uint8_t *g1 = g0 + rb, *g2 = g1 + rb, *g3 = g2 + rb;
        for (std::ptrdiff_t c = 0; c < width; c += 8) {
            // Nothing to write where the eight pixels and all their edge neighbours are background. The
            // test may look into the neighbouring rows, which only makes it skip less.
            if ((load_le64(up + c) | load_le64(dn + c) | load_le64(cur + c - 1) | load_le64(cur + c + 1)) == 0)
                continue;
            const std::ptrdiff_t end = c + 8 < width ? c + 8 : width;
            for (std::ptrdiff_t k = c; k < end; ++k) {
                if (cur[k]) {
                    g0[k] = g1[k] = g2[k] = g3[k] = 0xFF;
                    continue;
                }
                const uint8_t side = static_cast<uint8_t>((cur[k - 1] ? 0x40 : 0) | (cur[k + 1] ? 0x01 : 0));
                if ((side | up[k] | dn[k]) == 0) continue;
                g0[k] = up[k] ? 0x55 : side;
                g1[k] = side;
                g2[k] = side;
                g3[k] = dn[k] ? 0x55 : side;
            }
        }
    }
}

struct Cells {
    uint8_t *g;
    unsigned state(std::size_t i) const { return (g[i >> 2] >> (6 - 2 * (i & 3))) & 3u; }
    void visit(std::size_t i) const { g[i >> 2] ^= static_cast<uint8_t>(3u << (6 - 2 * (i & 3))); }  // 1 -> 2
};

// Follows the ring from boundary cell `s`, appending the code of every move to `chain` (which may throw
// std::bad_alloc). Each found boundary cell is marked visited.
void trace_ring(const Cells cells, const std::ptrdiff_t *move, std::size_t s, std::vector<uint8_t> &chain) {
    cells.visit(s);
    std::size_t cur = s;
    int r = 0, e = 4;
    for (;;) {
        uint8_t d = kPreference[r][e];
        std::size_t n = cur + move[d];
        if (cells.state(n) == kCellBoundary) {
            cells.visit(n);
            cur = n;
            chain.push_back(d);
        }
        int j = 0;
        for (; j < 8; ++j) {
            d = kPreference[r][j];
            n = cur + move[d];
            if (cells.state(n) == kCellBoundary) break;
        }
        if (j == 8) break;
        cells.visit(n);
        cur = n;
        chain.push_back(d);
        e = j;
        r = d;
    }
    for (int j = 0; j < 8; ++j) {
        const uint8_t d = kPreference[r][j];
        if (cur + move[d] == s) {
            chain.push_back(d);
            break;
        }
    }
}

}  // namespace

OutlineStatus trace_outlines(const InkMap &ink, CellGrid &grid, std::vector<uint8_t> &out) {
    build_grid(ink, grid);
    const Cells cells{grid.bytes};
    const std::size_t rb = grid.row_bytes;
    std::vector<uint8_t> chain;
    std::size_t contours = 0;
    try {
        out.assign(kHeaderBytes, 0);
    } catch (const std::bad_alloc &) {
        return OutlineStatus::output_memory;
    }

    // Start cells are the first cells of the grid bytes in cell rows 4k + 1, k = 0..H.
    for (int32_t k = 0; k <= ink.height; ++k) {
        const std::size_t cy = 4 * static_cast<std::size_t>(k) + 1;
        const uint8_t *row = grid.bytes + cy * rb;
        std::size_t c = 0;
        while (c < rb) {
            if (c + 8 <= rb) {
                const uint64_t v = load_le64(row + c);
                const uint64_t m = (v << 1) & ~v & 0x8080808080808080ull;  // first cell in state 01
                if (m == 0) {
                    c += 8;
                    continue;
                }
                c += first_marked_byte(m);
            } else if ((row[c] & 0xC0) != 0x40) {
                ++c;
                continue;
            }
            try {
                chain.clear();
                trace_ring(cells, grid.move, cy * 4 * rb + 4 * c, chain);
            } catch (const std::bad_alloc &) {
                return OutlineStatus::chain_memory;
            }
            const std::size_t len = reduce_chain(chain.data(), chain.size());
            const int32_t sx = start_pixel(static_cast<int64_t>(4 * c), 4);
            const int32_t sy = start_pixel(static_cast<int64_t>(cy), 2);
            if (++contours > kMaxCount) return OutlineStatus::too_complex;
            try {
                if (!append_contour(out, chain.data(), len, sx, sy, ink.width, ink.height))
                    return OutlineStatus::too_complex;
            } catch (const std::bad_alloc &) {
                return OutlineStatus::output_memory;
            }
            ++c;
        }
    }
    if (contours == 0) return OutlineStatus::no_contour;
    finish_outline(out, contours);
    return OutlineStatus::ok;
}

}  // namespace ox::document
