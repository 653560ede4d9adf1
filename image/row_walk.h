// Walking the rows of a box that does not span whole image rows.
//
// A box's rows lie one image row apart, each only a few pages long, and the processor's own prefetcher
// restarts on every row: a read-modify-write pass over such a box runs several times slower than the same
// bytes in one piece, even when the caches hold them. walk_rows asks for the next row's bytes a chunk ahead
// while it works on the current row, which gives back the speed of one contiguous pass.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace ox::image {

// Bytes handled between two batches of prefetches. A multiple of 48, so that every chunk of a run of whole
// 1-, 3- or 4-byte pixels also ends on a pixel boundary.
inline constexpr std::size_t kRowChunk = 768;

// Asks for the cache lines of p[0, n) ahead of use; kForWrite when they are going to be written too.
template <bool kForWrite>
inline void prefetch_span(const uint8_t *p, std::size_t n) {
    const uintptr_t line = 64;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(p) & ~(line - 1), end = reinterpret_cast<uintptr_t>(p) + n;
    for (uintptr_t a = begin; a < end; a += line) __builtin_prefetch(reinterpret_cast<const void *>(a), kForWrite, 3);
}

// Calls f(p, n) over the `bytes` bytes of each of `rows` rows, the first at `first` and each next one
// `stride` bytes on, in chunks of at most kRowChunk bytes that start at chunk multiples of the row.
// Before each chunk it prefetches the same span of the next row.
template <class F>
void walk_rows(uint8_t *first, std::ptrdiff_t stride, std::size_t bytes, int32_t rows, F f) {
    uint8_t *row = first;
    for (int32_t r = 0; r < rows; ++r, row += stride) {
        const bool ahead = r + 1 < rows;
        for (std::size_t o = 0; o < bytes; o += kRowChunk) {
            const std::size_t n = std::min(kRowChunk, bytes - o);
            if (ahead) prefetch_span<true>(row + stride + o, n);
            f(row + o, n);
        }
    }
}

}  // namespace ox::image
