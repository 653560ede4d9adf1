// oxdoc's own read-only view of a tagged document: the trailer and its directory, read and checked
// without trusting any field, for listing and checking (the library reads one tag at a time).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace oxdoc {

constexpr uint32_t kTrailerSize = 2568;
constexpr int kDirectoryEntries = 256;

struct TagEntry {
    int slot;         // position in the directory, 0..255
    uint16_t id;
    uint32_t size;    // body bytes, the 2 id bytes in front not counted
    uint32_t offset;  // file position of the 2-byte big-endian id in front of the body
};

struct DocFile {
    uint64_t file_size = 0;
    uint8_t version = 0;
    std::vector<TagEntry> tags;  // the non-empty directory entries, in directory order
};

// Reads the trailer of the open document `f` (`path` names it in messages). Returns false with a message
// when the file cannot be read or is not a tagged document (too short, no magic).
bool read_doc(std::FILE *f, const std::string &path, DocFile &doc, std::string &error);
// The same, opening `path` itself (a regular file only).
bool read_doc(const std::string &path, DocFile &doc, std::string &error);

// What is wrong with the record of `t` in the open document: "" when it lies wholly in front of the
// trailer and begins with its id, else the reason ("record begins with id 0xFF07").
std::string record_problem(std::FILE *f, const DocFile &doc, const TagEntry &t);

// The width and height in the header of an image tag's body; false when they cannot be read.
bool image_tag_size(std::FILE *f, const TagEntry &t, uint32_t &width, uint32_t &height);

// A trailer listing `tags` (their slots in order from 0), with `version` as its version byte.
std::vector<uint8_t> make_trailer(uint8_t version, const std::vector<TagEntry> &tags);

// The width and height in the PNG header that `path` begins with, when its content is a PNG picture (as
// oxdoc save makes a new document); false otherwise.
bool content_png_size(const std::string &path, uint32_t &width, uint32_t &height);

// Well-known tag ids and their names; nullptr for an ordinary image tag.
const char *tag_name(uint16_t id);
bool is_raw_tag(uint16_t id);

// "0xFF02" style.
std::string hex_id(uint32_t id);

// Parses "0xFF02" (hex) or "65282" (decimal); false when it is not an id from 1 to 0xFFFF.
bool parse_tag_id(const std::string &text, uint16_t &id);

}  // namespace oxdoc
