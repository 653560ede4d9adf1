// The version resource of a PE file (32- or 64-bit): the resource directory's version type, its first name
// and first language, then the tree of nodes in the resource (each a length, a value length, a type, a
// UTF-16 key, its value and its children, every part starting on 4 bytes). Each node's value is recorded
// under its path of keys: "\StringFileInfo\040904b0\FileVersion" and so on.
#include <algorithm>
#include <cstring>
#include <string>

#include "ox.h"
#include "core/byte_order.h"
#include "win/version_info.h"

namespace ox::win::version {
namespace {

constexpr uint32_t kVersionType = 16;
constexpr uint32_t kMaxSections = 96;
constexpr int kMaxDepth = 8;  // the tree has 4 levels; deeper nodes are not read
constexpr uint32_t kUtf8 = 65001;

using core::load_le16;
using core::load_le32;

// UTF-16 text as the narrow text of the code page in force: UTF-8 under 65001, otherwise ASCII with '?'
// for any other character.
std::string narrow(const uint8_t *p, std::size_t units) {
    const bool utf8 = oxGetCodePage() == kUtf8;
    std::string out;
    for (std::size_t i = 0; i < units; ++i) {
        uint32_t c = load_le16(p + 2 * i);
        if (!utf8) {
            out += c < 0x80 ? static_cast<char>(c) : '?';
            continue;
        }
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && load_le16(p + 2 * i + 2) >= 0xDC00 &&
            load_le16(p + 2 * i + 2) < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (load_le16(p + 2 * ++i) - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;  // an unpaired half
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The UTF-16 units in [at, end) before the first 0 unit; `*after` is just past that 0 (false without one).
bool utf16z(const std::vector<uint8_t> &b, std::size_t at, std::size_t end, std::size_t *units, std::size_t *after) {
    for (std::size_t p = at; p + 2 <= end; p += 2)
        if (load_le16(&b[p]) == 0) {
            *units = (p - at) / 2;
            *after = p + 2;
            return true;
        }
    return false;
}

std::size_t align4(std::size_t v) { return (v + 3) & ~std::size_t{3}; }

// Records the node at `at` (inside [at, end)) and its children; false when it does not hold up.
bool read_node(const std::vector<uint8_t> &b, std::size_t at, std::size_t end, const std::string &parent, int depth,
               VersionInfo *info) {
    if (at + 6 > end) return false;
    const std::size_t length = load_le16(&b[at]), value_length = load_le16(&b[at + 2]), type = load_le16(&b[at + 4]);
    if (length < 6 || length > end - at) return false;
    const std::size_t node_end = at + length;
    std::size_t key_units, p;
    if (!utf16z(b, at + 6, node_end, &key_units, &p)) return false;
    const std::string key = narrow(&b[at + 6], key_units);
    const bool root = depth == 0;
    if (root && key != "VS_VERSION_INFO") return false;
    const std::string path = root ? std::string() : parent + "\\" + key;
    // The value: text (its length counted in UTF-16 units, up to its 0) or bytes; kept inside the node.
    p = std::min(align4(p), node_end);
    const std::size_t value_bytes = std::min(type == 1 ? 2 * value_length : value_length, node_end - p);
    std::string value;
    if (type == 1) {
        std::size_t units = value_bytes / 2, ignored;
        utf16z(b, p, p + value_bytes, &units, &ignored);
        value = narrow(&b[p], units);
    } else {
        value.assign(reinterpret_cast<const char *>(&b[p]), value_bytes);
    }
    info->values.emplace_back(root ? "\\" : path, std::move(value));
    if (depth + 1 >= kMaxDepth) return true;
    for (p = align4(p + value_bytes); p + 6 <= node_end;) {
        const std::size_t child = load_le16(&b[p]);
        if (child == 0) break;  // padding
        if (!read_node(b, p, node_end, path, depth + 1, info)) return false;
        p = align4(p + child);
    }
    return true;
}

struct Section {
    uint32_t address, raw_size, raw_offset;
};

// The file offset of `size` bytes at relative address `rva`, inside one section's raw data.
bool file_offset(const std::vector<Section> &sections, uint32_t rva, uint32_t size, uint64_t *offset) {
    for (const Section &s : sections)
        if (rva >= s.address && uint64_t{rva} + size <= uint64_t{s.address} + s.raw_size) {
            *offset = uint64_t{s.raw_offset} + (rva - s.address);
            return true;
        }
    return false;
}

}  // namespace

bool read_pe_version(const ByteSource &file, VersionInfo *info) {
    uint8_t h[24];
    if (!file.read(0, h, 2) || h[0] != 'M' || h[1] != 'Z' || !file.read(0x3C, h, 4)) return false;
    const uint64_t pe = load_le32(h);
    if (!file.read(pe, h, 24) || std::memcmp(h, "PE\0\0", 4) != 0) return false;
    const uint32_t section_count = load_le16(h + 6), optional_size = load_le16(h + 20);
    const uint64_t optional = pe + 24;
    uint8_t magic[2];
    if (!file.read(optional, magic, 2)) return false;
    const bool plus = load_le16(magic) == 0x20B;
    if (!plus && load_le16(magic) != 0x10B) return false;
    // The resource directory is data directory 2.
    const uint32_t dirs_at = plus ? 112 : 96;
    uint8_t d[4];
    if (!file.read(optional + dirs_at - 4, d, 4) || load_le32(d) <= 2 || dirs_at + 3 * 8 > optional_size) return false;
    uint8_t rsrc[8];
    if (!file.read(optional + dirs_at + 2 * 8, rsrc, 8)) return false;
    const uint32_t rsrc_rva = load_le32(rsrc), rsrc_size = load_le32(rsrc + 4);
    if (section_count > kMaxSections) return false;
    std::vector<uint8_t> table;
    if (!file.read_bytes(optional + optional_size, section_count * 40u, &table)) return false;
    std::vector<Section> sections;
    for (uint32_t i = 0; i < section_count; ++i) {
        const uint8_t *s = &table[i * 40];
        sections.push_back({load_le32(s + 12), load_le32(s + 16), load_le32(s + 20)});
    }
    uint64_t base;
    if (rsrc_size < 16 || !file_offset(sections, rsrc_rva, rsrc_size, &base)) return false;

    // Three levels: type, name, language. The first entry of the version type, then the first of each.
    auto entry = [&](uint32_t dir, bool want_type, uint32_t *target) {
        uint8_t e[16];
        if (uint64_t{dir} + 16 > rsrc_size || !file.read(base + dir, e, 16)) return false;
        const uint32_t count = uint32_t{load_le16(e + 12)} + load_le16(e + 14);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = uint64_t{dir} + 16 + uint64_t{i} * 8;
            if (at + 8 > rsrc_size || !file.read(base + at, e, 8)) return false;
            if (want_type && load_le32(e) != kVersionType) continue;
            *target = load_le32(e + 4);
            return true;
        }
        return false;
    };
    uint32_t names, languages, leaf;
    if (!entry(0, true, &names) || !(names & 0x80000000u) || !entry(names & 0x7FFFFFFF, false, &languages) ||
        !(languages & 0x80000000u) || !entry(languages & 0x7FFFFFFF, false, &leaf) || (leaf & 0x80000000u) ||
        uint64_t{leaf} + 16 > rsrc_size)
        return false;
    uint8_t data[8];
    uint64_t record_at;
    if (!file.read(base + leaf, data, 8)) return false;
    const uint32_t record_size = load_le32(data + 4);
    std::vector<uint8_t> record;
    if (record_size > kMaxRecord || !file_offset(sections, load_le32(data), record_size, &record_at) ||
        !file.read_bytes(record_at, record_size, &record))
        return false;
    VersionInfo found;
    if (!read_node(record, 0, record.size(), std::string(), 0, &found)) return false;
    *info = std::move(found);
    return true;
}

}  // namespace ox::win::version
