// Helpers of the management-file and colour-chart commands: tag numbers, error codes in words, messages.
#pragma once

#include <cstdint>
#include <string>

namespace oxdoc::store {

// A 32-bit tag in decimal or 0x hex ("7", "0x4D475052"); false for anything else or a value out of range.
bool parse_u32(const std::string &text, uint32_t &value);

// A signed 32-bit decimal number, the whole text; false otherwise.
bool parse_i32(const std::string &text, int32_t &value);

// A library or system error code in words (oxGetErrorText): "no such file".
std::string error_text(uint32_t code);

// Prints "oxdoc CMD: FILE: message" to stderr and returns `exit_code`.
int report(const char *cmd, const std::string &file, const std::string &message, int exit_code);

// A byte string for a terminal: printable ASCII as it is, '\\' and '"' escaped, every other byte as \xNN.
std::string escaped(const char *bytes, std::size_t size);

}  // namespace oxdoc::store
