// Internal view of the memory handles: lets the rest of the library ask whether a value is a live handle.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ox.h"

namespace ox::core {

constexpr std::size_t kPageSize = 4096;

// The mapped length of a live handle, or 0 when `handle` is not one.
std::size_t handle_length(OxHandle handle);

}  // namespace ox::core
