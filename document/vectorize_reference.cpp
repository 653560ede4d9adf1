// The plain tracer: every step as the method states it, one cell at a time through (cx, cy) coordinates,
// with the whole contour list built before the output is written, and its own chain reduction, polygon walk
// and block writer, so that it checks those of the tracer in use as well. It looks at every cell of the grid
// several times and is far slower than the tracer in use; the tests hold that one against it.
#include <cstdint>
#include <new>
#include <string>

#include "document/vectorize.h"

namespace ox::document {
namespace {

class RefGrid {
public:
    RefGrid(const CellGrid &grid, int32_t width, int32_t height)
        : bytes_(grid.bytes), row_bytes_(static_cast<int64_t>(grid.row_bytes)),
          cols_(4 * (static_cast<int64_t>(width) + 2)), rows_(4 * (static_cast<int64_t>(height) + 1)) {}

    int64_t cols() const { return cols_; }
    int64_t rows() const { return rows_; }

    unsigned get(int64_t cx, int64_t cy) const {
        return (bytes_[cy * row_bytes_ + cx / 4] >> shift(cx)) & 3u;
    }
    void set(int64_t cx, int64_t cy, unsigned state) {
        uint8_t &b = bytes_[cy * row_bytes_ + cx / 4];
        b = static_cast<uint8_t>((b & ~(3u << shift(cx))) | (state << shift(cx)));
    }

private:
    static unsigned shift(int64_t cx) { return 6 - 2 * static_cast<unsigned>(cx % 4); }

    uint8_t *bytes_;
    int64_t row_bytes_, cols_, rows_;
};

struct Contour {
    std::string chain;  // digits '0'..'7'
    int64_t cx, cy;     // start cell
};

Contour trace(RefGrid &g, int64_t sx, int64_t sy) {
    Contour contour{{}, sx, sy};
    g.set(sx, sy, kCellVisited);
    int64_t cx = sx, cy = sy;
    int r = 0, e = 4;
    for (;;) {
        int d = kPreference[r][e];
        if (g.get(cx + kDirDx[d], cy + kDirDy[d]) == kCellBoundary) {
            cx += kDirDx[d];
            cy += kDirDy[d];
            g.set(cx, cy, kCellVisited);
            contour.chain += static_cast<char>('0' + d);
        }
        bool found = false;
        for (int j = 0; j < 8 && !found; ++j) {
            d = kPreference[r][j];
            if (g.get(cx + kDirDx[d], cy + kDirDy[d]) == kCellBoundary) {
                cx += kDirDx[d];
                cy += kDirDy[d];
                g.set(cx, cy, kCellVisited);
                contour.chain += static_cast<char>('0' + d);
                e = j;
                r = d;
                found = true;
            }
        }
        if (!found) break;
    }
    for (int j = 0; j < 8; ++j) {
        const int d = kPreference[r][j];
        if (cx + kDirDx[d] == sx && cy + kDirDy[d] == sy) {
            contour.chain += static_cast<char>('0' + d);
            break;
        }
    }
    return contour;
}

// Reads past the end of the chain as a character that matches no code.
std::string reduce(const std::string &s) {
    auto at = [&s](std::size_t p) { return p < s.size() ? s[p] : '\0'; };
    std::string reduced;
    std::size_t i = 0;
    while (i < s.size()) {
        if (at(i) == at(i + 1) && at(i) == at(i + 2) && at(i) == at(i + 3)) {
            reduced += s[i];
            i += 4;
        } else if (at(i) == at(i + 1) && at(i) == at(i + 2)) {
            i += 3;
        } else {
            reduced += s[i];
            i += 1;
        }
    }
    return reduced;
}

void put_be(std::vector<uint8_t> &out, std::size_t at, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i, v >>= 8) out[at + i] = static_cast<uint8_t>(v);
}

void grow_by_point(std::vector<uint8_t> &out, int64_t x, int64_t y) {
    out.resize(out.size() + 4);
    put_be(out, out.size() - 4, static_cast<uint32_t>(x), 2);
    put_be(out, out.size() - 2, static_cast<uint32_t>(y), 2);
}

// Writes one contour as the output step states it: count placeholder and start point (6 bytes), then the
// polygon rule over the digit chain, one point per edge, then the count. False past 65535 points.
bool write_contour(std::vector<uint8_t> &out, const std::string &s, int64_t x, int64_t y, int64_t w, int64_t h) {
    const auto clamp = [](int64_t v, int64_t size) { return v < 0 ? 0 : v >= size ? size - 1 : v; };
    const std::size_t at = out.size();
    out.resize(at + 2);
    grow_by_point(out, clamp(x, w), clamp(y, h));
    uint32_t count = 1;
    const std::size_t len = s.size();
    std::size_t i = 0;
    while (i < len) {
        const int c = s[i] - '0';
        x += kDirDx[c];
        y += kDirDy[c];
        i = i + 1;
        int turn = 0, run = 0;
        bool edge_ended = false;
        while (i < len && !edge_ended) {
            const int n = s[i] - '0';
            const int prev = s[i - 1] - '0';
            if (n == c) {
                if (n == prev) run += 1;
                else run = 0;
            }
            if (n != c && run > 10) {
                edge_ended = true;
                continue;
            }
            const int t = ((n - c) % 8 + 8) % 8;
            if (t == 1 || t == 2 || t == 3) turn += 1;
            if (t == 5 || t == 6 || t == 7) turn -= 1;
            if (t == 4 && prev == c) {
                edge_ended = true;
                continue;
            }
            if (turn == 6 || turn == -6) {
                edge_ended = true;
                continue;
            }
            x += kDirDx[n];
            y += kDirDy[n];
            i = i + 1;
        }
        grow_by_point(out, clamp(x, w), clamp(y, h));
        if (++count > kMaxCount) return false;
    }
    put_be(out, at, count, 2);
    return out.size() <= UINT32_MAX;
}

}  // namespace

OutlineStatus plain::trace_outlines(const InkMap &ink, CellGrid &grid, std::vector<uint8_t> &out) {
    const int32_t w = ink.width, h = ink.height;
    RefGrid g(grid, w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (ink.at(x, y))
                for (int64_t cy = 4 * y + 2; cy <= 4 * y + 5; ++cy)
                    for (int64_t cx = 4 * int64_t{x} + 4; cx <= 4 * int64_t{x} + 7; ++cx) g.set(cx, cy, kCellInk);

    for (int64_t cy = 0; cy < g.rows(); ++cy)
        for (int64_t cx = 0; cx < g.cols(); ++cx) {
            if (g.get(cx, cy) == kCellInk) continue;
            const bool touches = (cx > 0 && g.get(cx - 1, cy) == kCellInk) ||
                                 (cx + 1 < g.cols() && g.get(cx + 1, cy) == kCellInk) ||
                                 (cy > 0 && g.get(cx, cy - 1) == kCellInk) ||
                                 (cy + 1 < g.rows() && g.get(cx, cy + 1) == kCellInk);
            if (touches) g.set(cx, cy, kCellBoundary);
        }

    std::vector<Contour> contours;
    try {
        for (int64_t k = 0; k <= h; ++k)
            for (int64_t c = 0; c <= int64_t{w} + 1; ++c)
                if (g.get(4 * c, 4 * k + 1) == kCellBoundary) contours.push_back(trace(g, 4 * c, 4 * k + 1));
        for (Contour &contour : contours) contour.chain = reduce(contour.chain);
    } catch (const std::bad_alloc &) {
        return OutlineStatus::chain_memory;
    }
    if (contours.empty()) return OutlineStatus::no_contour;
    if (contours.size() > kMaxCount) return OutlineStatus::too_complex;

    try {
        out.assign(kHeaderBytes, 0);
        for (const Contour &contour : contours) {
            if (!write_contour(out, contour.chain, start_pixel(contour.cx, 4), start_pixel(contour.cy, 2), w, h))
                return OutlineStatus::too_complex;
        }
    } catch (const std::bad_alloc &) {
        return OutlineStatus::output_memory;
    }
    put_be(out, 0, static_cast<uint32_t>(out.size()), 4);
    put_be(out, 4, static_cast<uint32_t>(contours.size()), 2);
    return OutlineStatus::ok;
}

}  // namespace ox::document
