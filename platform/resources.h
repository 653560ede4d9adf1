// Module resources of the platform stand-in: string tables, bitmaps and cursors, looked up by module and by name or
// number. The library's own module carries its string table built in; a host registers a module of its own
// from a folder:
//   - strings.txt: one string a line, "<id> <text>" (id 0..65535 in decimal, one space or tab, then the text
//     as bytes in the code page, up to the end of the line; a CR before the LF is dropped). The escapes
//     \n, \t and \\ stand for a line feed, a tab and a backslash. Empty lines and lines starting with '#'
//     are skipped. The file may be missing.
//   - NAME.bmp: bitmap files ("BM", a 14-byte file header, then a packed DIB). A NAME of decimal digits
//     (1..65535) registers the bitmap under that number, any other NAME under the name, compared without
//     regard to ASCII case.
//   - NAME.cur: cursor files (a 6-byte head: 0, type 2, an image count of 1 or more, then 16 bytes an
//     image), named as the bitmaps are. Their images are not read: a cursor here is only a name.
// Other files are ignored. Registration reads everything at once; the folder is not looked at again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "oxw.h"

namespace ox::platform {

// The library's own module (the handle 0 stands for it too).
OxwModule library_module();

// Registers the folder's strings, bitmaps and cursors as a new module. 0 on failure: a folder of 0 (87), a
// missing folder (3), an unreadable file (its system code), a malformed strings.txt line, a repeated string
// id or resource name, a .bmp file that does not start with "BM" or is shorter than 54 bytes or longer than
// 256 MiB, a .cur file that is not one (13 for all five).
OxwModule register_module(const char *folder, uint32_t *err);
// Forgets a registered module (not the library's own). Resources handed out before stay readable.
bool unregister_module(OxwModule module);
bool is_module(OxwModule module);

// A resource name as the resource calls take it: a value below 0x10000 is a number, "#123" is the
// number 123, anything else a name.
using ResourceName = const char *;
inline ResourceName make_int_resource(uint16_t id) { return reinterpret_cast<ResourceName>(uintptr_t{id}); }
// The number a resource name stands for (0..65535), or -1 for a name.
int32_t resource_number(ResourceName name);

// The packed DIB of a bitmap resource (the file without its 14-byte file header), or null when the module
// is refused or has no such bitmap.
std::shared_ptr<const std::vector<uint8_t>> find_bitmap_resource(OxwModule module, ResourceName name);

// Whether the module has the cursor (named as for bitmaps); its name as registered ("#n" for a number) goes
// to `found`. False for a refused module too.
bool find_cursor_resource(OxwModule module, ResourceName name, std::string *found);

// String `id` of the module's table, valid while the module stays registered (the library's always);
// false when the module is refused or has no such string.
bool find_string(OxwModule module, uint32_t id, std::string_view *text);

// Copies string `id` into `buffer` with a terminator: at most size - 1 bytes, never half of a double-byte
// character of the active code page. Returns the bytes copied; 0 (and an empty buffer when size >= 1)
// for a missing string. Nothing is written for a buffer of 0 or a size below 1.
int32_t load_string(OxwModule module, uint32_t id, char *buffer, int32_t size);

}  // namespace ox::platform
