// The tag directory trailer: the last 2568 bytes of a tagged document. An 8-byte header ("KAVEL", 0,
// version, 0) and 256 entries of 10 bytes (id u16, body size u32, body offset u32, all little-endian; an
// empty entry is all zero). The offset is that of the big-endian copy of the id in front of the body.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::document {

inline constexpr uint32_t kTrailerSize = 2568;
inline constexpr int kDirectoryEntries = 256;
inline constexpr uint32_t kTrailerHeaderSize = 8;
inline constexpr uint32_t kEntrySize = 10;

struct TagEntry {
    uint16_t id;
    uint32_t size;
    uint32_t offset;
};

using TrailerBytes = uint8_t[kTrailerSize];

TagEntry read_entry(const TrailerBytes &trailer, int index);
void write_entry(TrailerBytes &trailer, int index, const TagEntry &entry);

// True when the trailer begins with the magic; bytes 5 to 7 do not matter.
bool trailer_is_valid(const TrailerBytes &trailer);

// The index of the first entry with `id`, or -1. Id 0 names no tag and is never found.
int find_entry(const TrailerBytes &trailer, uint16_t id);

// Reads the last 2568 bytes of an open file into `trailer`, leaving the position at the end of the file.
// False for a file of 2568 bytes or less (code OX_ERR_NOT_TAGGED_DOCUMENT) or a failed seek or read
// (their code). Bytes that a short read did not deliver read as zero.
bool read_trailer(OxFileHandle file, TrailerBytes &trailer, uint32_t *err);

}  // namespace ox::document
