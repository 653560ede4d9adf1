// The library's error code space: Win32-style system codes and the library's own codes (see ox.h), the
// per-thread "last error" that the file primitives report, and the one errno mapping.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::core {

// The Win32-style code for an errno value. ENOENT maps to "file not found"; use the path form where a
// missing folder must read as "path not found".
uint32_t win_error_from_errno(int e);

// As above, but ENOENT and ENOTDIR become 3 (path not found) when the folder part of `path` does not
// exist, and 2 (file not found) when only the last component is missing.
uint32_t win_error_for_path(int e, const char *path);

// The calling thread's last system error, as the file primitives leave it.
uint32_t last_error();
void set_last_error(uint32_t code);

}  // namespace ox::core
