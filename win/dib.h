// Device-independent bitmap blocks inside the library: the checked view of a block's layout, the colour
// tables of blocks made here, and the per-entry colour tables the conversions read through.
#pragma once

#include <cstddef>
#include <cstdint>

#include "oxw.h"
#include "platform/gdi.h"

namespace ox::win {

inline constexpr uint32_t kDibHeaderSize = 40;

using ox::platform::dib_row_bytes;

// The 40-byte header of an uncompressed one-plane block; the resolution and colour-count fields 0.
inline OxwBitmapInfoHeader dib_info_header(int32_t width, int32_t height, int32_t depth, uint32_t image_size) {
    OxwBitmapInfoHeader h{};
    h.biSize = kDibHeaderSize;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<uint16_t>(depth);
    h.biSizeImage = image_size;
    return h;
}

// Colour-table entries of a block made here: 2 at depth 1, 256 at depth 8, none at 24 and 32.
inline uint32_t created_table_entries(uint32_t depth) { return depth == 1 ? 2 : depth == 8 ? 256 : 0; }

// The checked layout of a block made elsewhere. `table` is the colour table (at block start + 40) and
// `bits` the first stored row; both lie inside the block, with `colors` entries and `height` rows.
struct DibLayout {
    OxwBitmapInfoHeader header;  // a copy
    int32_t width;
    int32_t height;
    uint32_t depth;  // 1, 4, 8 or 24
    uint32_t colors;
    uint32_t row_bytes;
    const uint8_t *table;
    uint8_t *bits;
};

// Reads the header of a block of `size` bytes at `block` and checks that it holds up: biSize from 40 up;
// width and height from 1; depth 1, 4, 8 or 24; no compression; biClrUsed at most 256; the colour table and
// every row inside the block. False when anything does not.
// Depth 32 (no table unless biClrUsed says so) passes only with `allow_depth_32`, for drawing.
bool read_dib_layout(uint8_t *block, std::size_t size, DibLayout *out, bool allow_depth_32 = false);

// The drawing layer's view of a checked block, for transfers to a context or a bitmap.
inline ox::platform::DibView dib_view(const DibLayout &d) {
    ox::platform::DibView view;
    view.width = d.width;
    view.height = d.height;
    view.bit_count = static_cast<int>(d.depth);
    view.colors = d.table;
    view.color_count = d.colors;
    view.bits = d.bits;
    view.bits_size = static_cast<std::size_t>(d.row_bytes) * static_cast<std::size_t>(d.height);
    return view;
}

// The library's fixed 256-colour palette, as 0xRRGGBB.
extern const uint32_t kFixedPalette[256];

// A colour table made here, written at `table` (4 bytes per entry: blue, green, red, 0).
void write_created_table(uint8_t *table, uint32_t depth, bool gray);

// What the conversions need of each of the 256 possible indices: the colour (red, green, blue), its gray
// value ((0.59 g + 0.3 r) + 0.11 b, truncated) and its bit (gray above 127). Indices at or beyond the
// table's entry count read as black.
struct EntryColors {
    uint8_t rgb[256][3];
    uint8_t gray[256];
    uint8_t bit[256];
};
void read_entry_colors(const DibLayout &dib, EntryColors *out);

// Gray of a table entry, in the order the table conversions use.
inline uint32_t entry_gray(uint32_t r, uint32_t g, uint32_t b) {
    const double v = (static_cast<double>(g) * 0.59 + static_cast<double>(r) * 0.3) + static_cast<double>(b) * 0.11;
    return static_cast<uint32_t>(static_cast<int32_t>(v));
}

// The colour-table index of pixel x of a stored row at depth 1, 4 or 8.
inline uint32_t dib_index(const uint8_t *row, int32_t x, uint32_t depth) {
    switch (depth) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    default: return row[x];
    }
}

}  // namespace ox::win
