// oxImageToVector: the ink of a colour image traced into outline polygons (see vectorize.h for the method
// and the block layout). This file holds the entry point, the classification, the module-wide cell grid and
// the chain tools that both tracers share.
#include "document/vectorize.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "core/byte_order.h"
#include "core/memory.h"
#include "image/image_record.h"

namespace ox::document {
namespace {

// The cell grid lives in module storage for the length of one call; the mutex keeps calls from several
// threads one after another instead of letting them share it.
std::mutex g_grid_mutex;
CellGrid g_grid;

void push_point(std::vector<uint8_t> &out, int32_t x, int32_t y) {
    uint8_t p[4];
    core::store_be16(p, static_cast<uint16_t>(x));
    core::store_be16(p + 2, static_cast<uint16_t>(y));
    out.insert(out.end(), p, p + 4);
}

int32_t clamp_to(int32_t v, int32_t size) { return v < 0 ? 0 : v >= size ? size - 1 : v; }

struct FreeDeleter {
    void operator()(uint8_t *p) const { std::free(p); }
};

}  // namespace

std::size_t ink_map_origin(int32_t width) {
    // One frame row above pixel row 0, one frame column left of it, and 16 bytes of slack in front so that
    // a word read may start one byte before the frame.
    return 16 + (static_cast<std::size_t>(width) + 2) + 1;
}

std::size_t ink_map_bytes(int32_t width, int32_t height) {
    return 16 + (static_cast<std::size_t>(width) + 2) * (static_cast<std::size_t>(height) + 2) + 16;
}

InkMap classify_ink(const OxImageLockRec &lock, uint8_t *zeroed) {
    InkMap map;
    map.width = lock.header->width;
    map.height = lock.header->height;
    map.stride = static_cast<std::size_t>(map.width) + 2;
    uint8_t *origin = zeroed + ink_map_origin(map.width);
    map.origin = origin;
    const std::size_t bpp = lock.header->bitCount == 32 ? 4 : 3;
    const std::size_t skip = bpp == 4 ? 1 : 0;  // the fourth channel of 32-bit pixels is ignored
    for (int32_t y = 0; y < map.height; ++y) {
        const uint8_t *p = lock.pixels + static_cast<std::size_t>(y) * lock.rowBytes + skip;
        uint8_t *dst = origin + static_cast<std::size_t>(y) * map.stride;
        for (int32_t x = 0; x < map.width; ++x, p += bpp) dst[x] = (p[0] & p[1] & p[2]) != 0xFF;
    }
    return map;
}

uint64_t cell_grid_bytes(int32_t width, int32_t height) {
    return 4 * (static_cast<uint64_t>(height) + 1) * (static_cast<uint64_t>(width) + 2);
}

void init_cell_grid(CellGrid &grid, uint8_t *bytes, int32_t width, int32_t height) {
    grid.bytes = bytes;
    grid.row_bytes = static_cast<std::size_t>(width) + 2;
    grid.rows = 4 * (static_cast<std::size_t>(height) + 1);
    const auto cells_per_row = static_cast<std::ptrdiff_t>(4 * grid.row_bytes);
    for (int d = 0; d < 8; ++d) grid.move[d] = kDirDx[d] + kDirDy[d] * cells_per_row;
}

std::size_t reduce_chain(uint8_t *s, std::size_t n) {
    std::size_t i = 0, o = 0;
    while (i < n) {
        const uint8_t c = s[i];
        if (i + 3 < n && s[i + 1] == c && s[i + 2] == c && s[i + 3] == c) {
            s[o++] = c;
            i += 4;
        } else if (i + 2 < n && s[i + 1] == c && s[i + 2] == c) {
            i += 3;
        } else {
            s[o++] = c;
            i += 1;
        }
    }
    return o;
}

bool append_contour(std::vector<uint8_t> &out, const uint8_t *s, std::size_t len, int32_t x, int32_t y,
                    int32_t width, int32_t height) {
    const std::size_t start = out.size();
    out.resize(start + 2);
    push_point(out, clamp_to(x, width), clamp_to(y, height));
    std::size_t points = 1;
    // One edge per pass of the outer loop: it runs until six eighth-turns to one side, an immediate reversal,
    // or a change of direction after more than ten repeated codes. The code that ends an edge starts the
    // next one. The walk goes on from the unclamped position.
    std::size_t i = 0;
    while (i < len) {
        const int c = s[i];
        x += kDirDx[c];
        y += kDirDy[c];
        ++i;
        int turn = 0, run = 0;
        while (i < len) {
            const int n = s[i];
            if (n == c) {
                run = n == s[i - 1] ? run + 1 : 0;
            } else if (run > 10) {
                break;
            }
            const int t = (n - c) & 7;
            if (t >= 1 && t <= 3) {
                ++turn;
            } else if (t >= 5) {
                --turn;
            } else if (t == 4 && s[i - 1] == c) {
                break;
            }
            if (turn == 6 || turn == -6) break;
            x += kDirDx[n];
            y += kDirDy[n];
            ++i;
        }
        if (++points > kMaxCount) {
            out.resize(start);
            return false;
        }
        push_point(out, clamp_to(x, width), clamp_to(y, height));
    }
    core::store_be16(out.data() + start, static_cast<uint16_t>(points));
    // The total length is a 32-bit field.
    if (out.size() > UINT32_MAX) {
        out.resize(start);
        return false;
    }
    return true;
}

void finish_outline(std::vector<uint8_t> &out, std::size_t contours) {
    const auto total = static_cast<uint32_t>(out.size());
    out[0] = static_cast<uint8_t>(total >> 24);
    out[1] = static_cast<uint8_t>(total >> 16);
    out[2] = static_cast<uint8_t>(total >> 8);
    out[3] = static_cast<uint8_t>(total);
    core::store_be16(out.data() + 4, static_cast<uint16_t>(contours));
}

namespace {

using Tracer = OutlineStatus (*)(const InkMap &, CellGrid &, std::vector<uint8_t> &);

OxHandle image_to_vector(OxHandle image, uint32_t *err, Tracer trace) {
    ox::image::ScopedImageLock lock(image);
    if (!lock.ok()) {
        *err = OX_ERROR_INVALID_HANDLE;
        return 0;
    }
    const OxImageHeader &hdr = lock.header();
    const int32_t w = hdr.width, h = hdr.height;
    if ((hdr.bitCount != 24 && hdr.bitCount != 32) || w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) {
        *err = 0;
        return 0;
    }
    // A record that claims more rows than its block holds is refused rather than read past its end.
    const uint64_t row_need = static_cast<uint64_t>(w) * (hdr.bitCount / 8);
    if (hdr.rowBytes < row_need ||
        ox::core::handle_length(image) < OX_IMAGE_HEADER_SIZE + static_cast<uint64_t>(hdr.rowBytes) * h) {
        *err = 0;
        return 0;
    }

    std::unique_ptr<uint8_t, FreeDeleter> work(static_cast<uint8_t *>(std::calloc(ink_map_bytes(w, h), 1)));
    if (!work) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    const InkMap ink = classify_ink(lock.rec(), work.get());

    std::vector<uint8_t> out;
    OutlineStatus status;
    {
        std::lock_guard guard(g_grid_mutex);
        const uint64_t grid_size = cell_grid_bytes(w, h);
        if (grid_size > UINT32_MAX) {
            *err = OX_ERROR_NOT_ENOUGH_MEMORY;
            return 0;
        }
        const core::OwnedHandle grid(oxAlloc(static_cast<uint32_t>(grid_size), 0, err));
        if (!grid) return 0;
        // The tracer writes all over the grid; large pages spare it one fault per 4 KB.
        madvise(grid.bytes(), grid_size, MADV_HUGEPAGE);
        init_cell_grid(g_grid, grid.bytes(), w, h);
        status = trace(ink, g_grid, out);
        g_grid = CellGrid{};
    }
    work.reset();

    switch (status) {
    case OutlineStatus::ok: break;
    case OutlineStatus::no_contour:
    case OutlineStatus::chain_memory: return 0;
    case OutlineStatus::too_complex: *err = OX_ERROR_INVALID_PARAMETER; return 0;
    case OutlineStatus::output_memory: *err = OX_ERROR_NOT_ENOUGH_MEMORY; return 0;
    }
    const OxHandle block = oxAlloc(static_cast<uint32_t>(out.size()), 0, err);
    if (block == 0) return 0;
    std::memcpy(oxLock(block), out.data(), out.size());
    oxUnlock(block);
    return block;
}

}  // namespace

OxHandle plain::image_to_vector(OxHandle image, uint32_t *err) {
    return document::image_to_vector(image, err, plain::trace_outlines);
}

}  // namespace ox::document

extern "C" OX_API OxHandle oxImageToVector(OxHandle image, uint32_t *err) {
    return ox::document::image_to_vector(image, err, ox::document::trace_outlines);
}
