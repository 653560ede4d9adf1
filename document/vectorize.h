// Internal view of the vectorizer: the ink map, the cell grid, the chain tools shared by the two tracers, and
// the switch that selects the plain reference tracer.
//
// The tracer blows every pixel up into 4x4 cells, marks the cells just outside the ink as boundary, follows
// each ring of boundary cells with an eight-direction chain code, reduces the chain back to pixel steps and
// merges the steps into polygon edges. The outline block it produces is big-endian:
//   u32 total length (header included), u16 contour count, 26 zero bytes, then per contour
//   u16 point count n, n points of (u16 x, u16 y): the start point first, then the polygon's vertices.
//
// There is no progress callback: the exported interface has none, and a tool that wants to show that a
// large picture is being traced times the call itself (a spinner or elapsed time around oxImageToVector).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ox.h"

namespace ox::document {

// Direction codes: x grows to the right, y downward; 0 is east and the codes turn counter-clockwise.
inline constexpr int kDirDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
inline constexpr int kDirDy[8] = {0, -1, -1, -1, 0, 1, 1, 1};

// The order in which the tracer tries the neighbours of its cell; the row is the code of its last chosen
// move.
inline constexpr uint8_t kPreference[8][8] = {
    {0, 6, 2, 7, 1, 5, 3, 4}, {2, 6, 0, 1, 7, 3, 5, 4}, {2, 0, 4, 1, 3, 7, 5, 6}, {2, 6, 4, 3, 5, 1, 7, 0},
    {4, 2, 6, 3, 5, 1, 7, 0}, {6, 2, 4, 5, 3, 7, 1, 0}, {6, 4, 0, 5, 7, 3, 1, 2}, {6, 2, 0, 7, 1, 5, 3, 4},
};

// Cell states, two bits each.
enum : uint8_t { kCellEmpty = 0, kCellBoundary = 1, kCellVisited = 2, kCellInk = 3 };

// Largest width or height whose points fit the block's 16-bit coordinates.
inline constexpr int32_t kMaxSide = 65536;
// Largest contour count, and largest point count of one contour, that the block's 16-bit fields hold.
inline constexpr std::size_t kMaxCount = 65535;
inline constexpr std::size_t kHeaderBytes = 32;

// The classification of an image: one byte per pixel, 1 for ink, 0 for background, with a frame of
// background pixels around it (row -1, row `height`, column -1, column `width`) and slack behind the last
// row, so that the grid builder may read a word past any pixel.
struct InkMap {
    int32_t width = 0, height = 0;
    std::size_t stride = 0;      // width + 2
    const uint8_t *origin = nullptr;  // pixel (0, 0)

    uint8_t at(int32_t x, int32_t y) const {
        return origin[static_cast<std::ptrdiff_t>(y) * static_cast<std::ptrdiff_t>(stride) + x];
    }
    const uint8_t *row(int32_t y) const { return origin + static_cast<std::ptrdiff_t>(y) * static_cast<std::ptrdiff_t>(stride); }
};

// Bytes an InkMap needs for a width x height image, and where pixel (0, 0) lies in them.
std::size_t ink_map_bytes(int32_t width, int32_t height);
std::size_t ink_map_origin(int32_t width);

// Classifies a locked 24- or 32-bit image into `zeroed` (ink_map_bytes long, all zero): a pixel is
// background when the low 24 bits of its value are all ones.
InkMap classify_ink(const OxImageLockRec &lock, uint8_t *zeroed);

// The cell grid: 4(W + 2) cells wide, 4(H + 1) high, four cells to a byte (cell cx % 4 == 0 in bits 6-7),
// rows of W + 2 bytes. Pixel (x, y) covers cells 4x+4..4x+7, 4y+2..4y+5. `move` holds the offset of the
// neighbour in each direction, counted in cells of the grid's row-major cell index.
struct CellGrid {
    uint8_t *bytes = nullptr;  // zero-filled on entry to a tracer
    std::size_t row_bytes = 0;
    std::size_t rows = 0;
    std::ptrdiff_t move[8] = {};
};

// The grid's byte size for a width x height image (may exceed 32 bits).
uint64_t cell_grid_bytes(int32_t width, int32_t height);
void init_cell_grid(CellGrid &grid, uint8_t *bytes, int32_t width, int32_t height);

// Reduces a chain of cell steps to pixel steps in place and returns the new length: four equal codes give
// one code, three equal codes give none, any other code is kept.
std::size_t reduce_chain(uint8_t *codes, std::size_t length);

// A start cell's pixel coordinate from its cell coordinate and the grid's margin on that axis (4 for x, 2
// for y): the pixel that holds the cell, or a negative value, left undivided, for a cell in the margin.
inline int32_t start_pixel(int64_t cell, int64_t margin) {
    const int64_t v = cell - margin;
    return static_cast<int32_t>(v < 0 ? v : v / 4);
}

enum class OutlineStatus {
    ok,
    no_contour,     // the image has no ink
    too_complex,    // more than 65535 contours, or a contour of more than 65535 points
    chain_memory,   // a chain could not be grown
    output_memory,  // the outline could not be grown
};

// Appends one contour for the reduced chain `codes` that starts at pixel (sx, sy) (unclamped): its count,
// its start point and one point per polygon edge, each clamped into the image. False (nothing appended)
// when the contour would have more than 65535 points or take the block past 32-bit lengths.
bool append_contour(std::vector<uint8_t> &out, const uint8_t *codes, std::size_t length, int32_t sx,
                    int32_t sy, int32_t width, int32_t height);

// Writes the header of a finished outline of `contours` contours.
void finish_outline(std::vector<uint8_t> &out, std::size_t contours);

// Traces every ring of the ink into `out` (the whole outline block, header included). The grid must be
// zero-filled; it is left in an unspecified state. Both tracers give the same bytes: trace_outlines is the
// one in use, plain::trace_outlines follows the algorithm cell by cell and serves as its check.
OutlineStatus trace_outlines(const InkMap &ink, CellGrid &grid, std::vector<uint8_t> &out);

namespace plain {
OutlineStatus trace_outlines(const InkMap &ink, CellGrid &grid, std::vector<uint8_t> &out);
// oxImageToVector with plain::trace_outlines.
OxHandle image_to_vector(OxHandle image, uint32_t *err);
}  // namespace plain

}  // namespace ox::document
