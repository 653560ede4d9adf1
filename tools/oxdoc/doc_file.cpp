#include "doc_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ox.h"

namespace oxdoc {
namespace {

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

struct FileCloser {
    void operator()(FILE *f) const { std::fclose(f); }
};

}  // namespace

bool read_doc(const std::string &path, DocFile &doc, std::string &error) {
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
    if (text.empty()) return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char *digits = text.c_str() + (hex ? 2 : 0);
    char *end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(digits, &end, hex ? 16 : 10);
    if (errno || *end || end == digits || v == 0 || v > 0xFFFF) {
        // A bare run of hex digits such as "ff02" is accepted as hex too.
        if (hex) return false;
        end = nullptr;
        const unsigned long h = std::strtoul(text.c_str(), &end, 16);
        if (*end || h == 0 || h > 0xFFFF) return false;
        id = static_cast<uint16_t>(h);
        return true;
    }
    id = static_cast<uint16_t>(v);
    return true;
}

std::string describe_error(uint32_t code) {
    switch (code) {
    case 0: return "no error code";
    case OX_ERR_NOT_TAGGED_DOCUMENT: return "0x20010001: not a tagged document, or the tag is not in it";
    case OX_ERR_CHART_HEADER: return "0x20010002: the colour chart has a wrong header";
    case OX_ERR_CHART_SIZE: return "0x20010003: the colour chart is not 28162 bytes long";
    case OX_ERR_POLYGON_TOO_SMALL: return "0x20010005: the polygon is too small";
    case OX_ERR_TAG_NOT_FOUND: return "0x20010006: the tag is not in the management file";
    case OX_ERROR_FILE_NOT_FOUND: return "2: file not found";
    case OX_ERROR_PATH_NOT_FOUND: return "3: folder not found";
    case OX_ERROR_ACCESS_DENIED: return "5: access denied (or the file is read-only)";
    case OX_ERROR_INVALID_HANDLE: return "6: invalid handle";
    case OX_ERROR_NOT_ENOUGH_MEMORY: return "8: not enough memory";
    case OX_ERROR_SHARING_VIOLATION: return "32: the file is open elsewhere";
    case OX_ERROR_FILE_EXISTS: return "80: the file exists";
    case OX_ERROR_INVALID_PARAMETER: return "87: invalid parameter";
    case OX_ERROR_DISK_FULL: return "112: the disk is full";
    case OX_ERROR_ALREADY_EXISTS: return "183: already exists";
    default: return "error code " + std::to_string(code) + " (" + hex_id(code) + ")";
    }
}

}  // namespace oxdoc
