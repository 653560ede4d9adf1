// Internal view of the memory handles: lets the rest of the library ask whether a value is a live handle.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ox.h"

namespace ox::core {

constexpr std::size_t kPageSize = 4096;

// The mapped length of a live handle, or 0 when `handle` is not one.
std::size_t handle_length(OxHandle handle);

// A handle as oxAlloc makes it, of any size: for a block whose final size is known only once it is written.
// Only the pages written are ever backed. 0 with code 8 when there is no room.
OxHandle reserve_handle(std::size_t size, uint32_t *err);
// Gives back the pages of a live handle beyond `size` bytes (rounded up to whole pages; never grows it).
void trim_handle(OxHandle handle, std::size_t size);

}  // namespace ox::core
