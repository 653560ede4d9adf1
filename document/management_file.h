// Internal pieces of the management file, shared with the tests.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::document {

constexpr uint32_t kMaxValueLength = 255;   // values pass through a 256-byte buffer, terminator included
constexpr uint32_t kMaxIntegerLength = 99;  // integers are read through a 100-byte buffer

// The "%d" reading of a value: white space, an optional sign and at least one digit, accumulated in 32
// bits (a number outside the int32 range wraps). Returns false and leaves `value` alone when there is no
// number at the start.
bool scan_decimal(const char *text, int32_t &value);

// oxManagementFileAddTagString without the argument checks.
int32_t add_tag_string(const char *path, uint32_t tag, const char *value, uint32_t *err);

}  // namespace ox::document
