#include "doc_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli.h"
#include "ox.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint32_t be32(const uint8_t *p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

struct FileCloser {
    void operator()(FILE *f) const { std::fclose(f); }
};

}  // namespace

bool read_doc(const std::string &path, DocFile &doc, std::string &error) {
    if (!check_input(path, error)) return false;
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (std::fseek(f.get(), 0, SEEK_END) != 0) {
        error = path + ": cannot seek";
        return false;
    }
    const long size = std::ftell(f.get());
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
    if (std::fseek(f.get(), size - static_cast<long>(kTrailerSize), SEEK_SET) != 0 ||
        std::fread(t, 1, kTrailerSize, f.get()) != kTrailerSize) {
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
        const TagEntry entry{i, le16(e), le32(e + 2), le32(e + 6)};
        if (entry.id != 0) doc.tags.push_back(entry);
    }
    return true;
}

bool content_png_size(const std::string &path, uint32_t &width, uint32_t &height) {
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    uint8_t head[24];  // signature, then the IHDR chunk's length, type, width and height
    if (!f || std::fread(head, 1, sizeof head, f.get()) != sizeof head) return false;
    if (std::memcmp(head, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) != 0) return false;
    width = be32(head + 16);
    height = be32(head + 20);
    return width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF;  // PNG limits
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
