#include "doc_file.h"

#include <cstdio>
#include <cstring>

#include "core/byte_order.h"
#include "file_io.h"
#include "ox.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

using ox::core::load_be16;
using ox::core::load_be32;
using ox::core::load_le16;
using ox::core::load_le32;

bool read_at(std::FILE *f, uint64_t offset, void *buffer, std::size_t size) {
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 && std::fread(buffer, 1, size, f) == size;
}

}  // namespace

bool read_doc(std::FILE *f, const std::string &path, DocFile &doc, std::string &error) {
    if (fseeko(f, 0, SEEK_END) != 0) {
        error = path + ": cannot seek";
        return false;
    }
    const off_t size = ftello(f);
    if (size < 0) {
        error = path + ": cannot tell its size";
        return false;
    }
    doc.file_size = static_cast<uint64_t>(size);
    if (doc.file_size <= kTrailerSize) {
        error = path + ": not a tagged document (" + std::to_string(size) + " bytes, too short for a trailer)";
        return false;
    }
    uint8_t t[kTrailerSize];
    if (!read_at(f, doc.file_size - kTrailerSize, t, kTrailerSize)) {
        error = path + ": cannot read the trailer";
        return false;
    }
    if (std::memcmp(t, "KAVEL", 5) != 0) {
        error = path + ": not a tagged document (no trailer magic in the last 2568 bytes)";
        return false;
    }
    doc.version = t[6];
    doc.tags.clear();
    for (int i = 0; i < kDirectoryEntries; ++i) {
        const uint8_t *e = t + 8 + 10 * i;
        const TagEntry entry{i, load_le16(e), load_le32(e + 2), load_le32(e + 6)};
        if (entry.id != 0) doc.tags.push_back(entry);
    }
    return true;
}

bool read_doc(const std::string &path, DocFile &doc, std::string &error) {
    InputFile f = open_input(path, error);
    return f && read_doc(f.get(), path, doc, error);
}

bool content_png_size(const std::string &path, uint32_t &width, uint32_t &height) {
    std::string ignored;
    InputFile f = open_input(path, ignored);
    uint8_t head[24];  // signature, then the IHDR chunk's length, type, width and height
    if (!f || std::fread(head, 1, sizeof head, f.get()) != sizeof head) return false;
    if (std::memcmp(head, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) != 0) return false;
    width = load_be32(head + 16);
    height = load_be32(head + 20);
    return width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF;  // PNG limits
}

std::string record_problem(std::FILE *f, const DocFile &doc, const TagEntry &t) {
    const uint64_t body_end = doc.file_size - kTrailerSize;  // tag records lie in front of the trailer
    if (uint64_t{t.offset} + 2 + t.size > body_end)
        return "record at " + std::to_string(t.offset) + " of " + std::to_string(t.size) +
               " bytes runs past the tag area (" + std::to_string(body_end) + " bytes)";
    uint8_t id_bytes[2];
    if (!read_at(f, t.offset, id_bytes, 2)) return "cannot read its record";
    const unsigned stored = load_be16(id_bytes);
    if (stored != t.id) return "record begins with id " + hex_id(stored);
    return {};
}

bool image_tag_size(std::FILE *f, const TagEntry &t, uint32_t &width, uint32_t &height) {
    uint8_t header[18];  // the body's TGA header: width and height at 12 and 14, little-endian
    if (t.size < sizeof header || !read_at(f, uint64_t{t.offset} + 2, header, sizeof header)) return false;
    width = load_le16(header + 12);
    height = load_le16(header + 14);
    return true;
}

std::vector<uint8_t> make_trailer(uint8_t version, const std::vector<TagEntry> &tags) {
    std::vector<uint8_t> t(kTrailerSize, 0);
    std::memcpy(t.data(), "KAVEL", 5);
    t[6] = version;
    for (std::size_t i = 0; i < tags.size() && i < kDirectoryEntries; ++i) {
        uint8_t *e = t.data() + 8 + 10 * i;
        ox::core::store_le16(e, tags[i].id);
        ox::core::store_le32(e + 2, tags[i].size);
        ox::core::store_le32(e + 6, tags[i].offset);
    }
    return t;
}

const char *tag_name(uint16_t id) {
    switch (id) {
    case 0xFF00: return "small thumbnail";
    case 0xFF01: return "raw";
    case 0xFF02: return "large thumbnail";
    case 0xFF03: return "gray image";
    case 0xFF04: return "24-bit image";
    case 0xFF05: return "vector";
    default: return nullptr;
    }
}

bool is_raw_tag(uint16_t id) { return id == 0xFF01 || id == 0xFF05; }

std::string hex_id(uint32_t id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", id);
    return buf;
}

bool parse_tag_id(const std::string &text, uint16_t &id) {
    uint32_t v = 0;
    if (!store::parse_u32(text, v) || v == 0 || v > 0xFFFF) return false;
    id = static_cast<uint16_t>(v);
    return true;
}

}  // namespace oxdoc
