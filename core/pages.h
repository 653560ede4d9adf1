// Anonymous page mappings for large blocks: memory handles and the display layer's global blocks.
#pragma once

#include <cstddef>

namespace ox::core {

// The length actually mapped for a block of len bytes: blocks of 2 MiB or more in whole 2 MiB units, so
// that every part of them can sit on huge pages; smaller ones in whole 4 KiB pages. The slack beyond len
// is never handed out.
std::size_t mapped_length(std::size_t len);

// A fresh zeroed mapping of len bytes (see mapped_length), or nullptr. Blocks of 2 MiB or more start on a
// 2 MiB boundary and are advised onto huge pages.
void *map_pages(std::size_t len);

// Unmaps a block from map_pages with the len it was made with.
void unmap_pages(void *p, std::size_t len);

// Unmaps the part of a block from map_pages (made with len) that a block of `kept` bytes would not map; the
// block is then one made with `kept`.
void unmap_tail(void *p, std::size_t len, std::size_t kept);

}  // namespace ox::core
