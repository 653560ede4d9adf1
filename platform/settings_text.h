// The text of a settings key's values file, and the names in it. One value a line:
//
//     # comment                     (also blank lines)
//     NormalPositionLeft = 900
//     Visible = 1
//
// A value is a 32-bit number: decimal from -2147483648 to 4294967295 (negative numbers stand for their
// two's complement) or 0x and one to eight hex digits; blanks around the name and the number are
// ignored. Names compare without regard to ASCII case (the trail byte of a double-byte character is not
// folded). A line whose name is valid but whose number is not is a value that cannot be read: lookups of
// that name report it missing and a write of the name replaces the line. Lines that are not values at
// all (no '=', an invalid name) are kept as they stand by every rewrite, so a hand edit is never lost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ox::platform::settings {

// The longest value name and key path component, in bytes.
inline constexpr std::size_t kMaxName = 255;

struct Line {
    std::string text;       // the line as stored, without its line feed (with a CR before it)
    std::string name;       // empty for a comment or a line that is not a value
    bool readable = false;  // the number parsed
    uint32_t value = 0;
};

// A name as values and key components are allowed to have: 1..kMaxName bytes, no control byte (below
// 0x20, 0x7F), no '=', not starting with '#', no blank (space, tab) at either end.
bool valid_value_name(std::string_view name);
// Names equal without regard to ASCII case, outside double-byte characters of the active code page.
bool same_name(std::string_view a, std::string_view b);
// The name with ASCII capitals made small, trail bytes of double-byte characters left as they are.
std::string fold_name(std::string_view name);
// A value's number as described above; false for anything else.
bool parse_number(std::string_view text, uint32_t *value);

// The lines of a file (a last line without a line feed counts; a CR before the LF is read as a blank).
std::vector<Line> parse_values(std::string_view file);
// The file text of `lines`, each followed by a line feed.
std::string format_values(const std::vector<Line> &lines);

// The first line that names `name` (readable or not), or null.
const Line *find_value(const std::vector<Line> &lines, std::string_view name);
// Replaces the first line of `name` by "name = value" (signed decimal) and drops the others of that name,
// or appends the line when there is none.
void set_value(std::vector<Line> &lines, std::string_view name, uint32_t value);
// Drops every line of `name`; false when there was none.
bool delete_value(std::vector<Line> &lines, std::string_view name);

}  // namespace ox::platform::settings
