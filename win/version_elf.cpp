// The version record of an ELF file: a note named "oxwUtl" of type 1 whose descriptor holds lines
// "path=value". "\VarFileInfo\Translation" gives blank-separated entries of 8 hex digits, language then
// code page ("040904b0"); every other path's value is text. Lines that do not hold up are skipped.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "core/byte_order.h"
#include "win/version_info.h"

namespace ox::win::version {
namespace {

constexpr uint32_t kNoteType = 1;
constexpr char kNoteName[] = "oxwUtl";  // with its terminator: 7 bytes
constexpr uint32_t kShtNote = 7, kPtNote = 4;
constexpr std::size_t kMaxHeaders = 4096;                   // section or program headers read
constexpr uint64_t kMaxHeaderSize = 256;                    // bytes of one header
constexpr std::size_t kMaxNoteArea = std::size_t{1} << 20;  // bytes of one note section or segment
constexpr uint64_t kNoteBudget = 4 * kMaxNoteArea;            // bytes of notes read from one file

// The file's header fields, whatever its class and byte order.
struct Elf {
    const ByteSource *file;
    bool is64 = false, big = false;
    uint64_t budget = kNoteBudget;  // what is left to read: many headers may name one large area

    uint16_t u16(const uint8_t *p) const { return big ? core::load_be16(p) : core::load_le16(p); }
    uint32_t u32(const uint8_t *p) const { return big ? core::load_be32(p) : core::load_le32(p); }
    // An address-sized field.
    uint64_t word(const uint8_t *p) const {
        if (!is64) return u32(p);
        return big ? core::load_be64(p) : core::load_le64(p);
    }
};

uint64_t align_up(uint64_t v, uint64_t a) { return (v + a - 1) & ~(a - 1); }

// One translation entry "LLLLCCCC" as its 4 little-endian bytes (language low, code page high).
bool parse_translation(std::string_view hex, std::string *out) {
    uint32_t v = 0;
    const auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
    if (hex.size() != 8 || ec != std::errc() || end != hex.data() + hex.size()) return false;
    const uint32_t entry = v >> 16 | (v & 0xFFFF) << 16;
    for (int i = 0; i < 4; ++i) *out += static_cast<char>(entry >> (8 * i));
    return true;
}

void parse_descriptor(std::string_view text, VersionInfo *info) {
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        line = line.substr(0, line.find('\0'));
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0 || line[0] != '\\') continue;
        const std::string_view path = line.substr(0, eq), value = line.substr(eq + 1);
        std::string bytes;
        if (path == "\\VarFileInfo\\Translation") {
            bool ok = true;
            for (std::size_t pos = 0; ok && pos < value.size();) {
                const std::size_t end = std::min(value.find(' ', pos), value.size());
                if (end > pos) ok = parse_translation(value.substr(pos, end - pos), &bytes);
                pos = end + 1;
            }
            if (!ok || bytes.empty()) continue;
        } else {
            bytes = value;
        }
        info->values.emplace_back(path, std::move(bytes));
    }
}

// Walks the notes of one area (a section or segment) for ours.
bool scan_notes(Elf &elf, uint64_t offset, uint64_t size, uint64_t align, VersionInfo *info) {
    if (size > kMaxNoteArea || size > elf.budget) return false;
    elf.budget -= size;
    std::vector<uint8_t> area;
    if (!elf.file->read_bytes(offset, static_cast<std::size_t>(size), &area)) return false;
    const uint64_t a = align == 8 ? 8 : 4;
    for (uint64_t at = 0; at + 12 <= area.size();) {
        const uint64_t namesz = elf.u32(&area[at]), descsz = elf.u32(&area[at + 4]);
        const uint32_t type = elf.u32(&area[at + 8]);
        const uint64_t name_at = at + 12, desc_at = align_up(name_at + namesz, a);
        const uint64_t next = align_up(desc_at + descsz, a);
        if (desc_at + descsz > area.size()) return false;
        if (type == kNoteType && namesz == sizeof kNoteName && std::memcmp(&area[name_at], kNoteName, namesz) == 0 &&
            descsz <= kMaxRecord) {
            parse_descriptor({reinterpret_cast<const char *>(&area[desc_at]), static_cast<std::size_t>(descsz)}, info);
            return true;
        }
        at = next;
    }
    return false;
}

}  // namespace

bool read_elf_version(const ByteSource &file, VersionInfo *info) {
    uint8_t h[64];
    if (!file.read(0, h, 52) ||
        std::memcmp(h,
                    "\x7F"
                    "ELF",
                    4) != 0 ||
        (h[4] != 1 && h[4] != 2) || (h[5] != 1 && h[5] != 2))
        return false;
    Elf elf{&file, h[4] == 2, h[5] == 2};
    if (elf.is64 && !file.read(0, h, 64)) return false;
    // Section headers: offset, entry size and count; program headers likewise.
    const uint64_t shoff = elf.word(h + (elf.is64 ? 40 : 32));
    const uint64_t shentsize = elf.u16(h + (elf.is64 ? 58 : 46));
    uint64_t shnum = elf.u16(h + (elf.is64 ? 60 : 48));
    const uint64_t phoff = elf.word(h + (elf.is64 ? 32 : 28));
    const uint64_t phentsize = elf.u16(h + (elf.is64 ? 54 : 42)), phnum = elf.u16(h + (elf.is64 ? 56 : 44));
    const uint64_t min_sh = elf.is64 ? 64 : 40, min_ph = elf.is64 ? 56 : 32;

    std::vector<uint8_t> table;
    if (shoff != 0 && shentsize >= min_sh && shentsize <= kMaxHeaderSize) {
        if (shnum == 0) {  // more than 0xFF00 sections: the count is in the first header's size field
            if (!file.read_bytes(shoff, static_cast<std::size_t>(shentsize), &table)) return false;
            shnum = elf.word(&table[elf.is64 ? 32 : 20]);
        }
        if (shnum > kMaxHeaders || !file.read_bytes(shoff, static_cast<std::size_t>(shnum * shentsize), &table))
            return false;
        for (uint64_t i = 0; i < shnum; ++i) {
            const uint8_t *s = &table[i * shentsize];
            if (elf.u32(s + 4) != kShtNote) continue;
            const uint64_t off = elf.word(s + (elf.is64 ? 24 : 16)), size = elf.word(s + (elf.is64 ? 32 : 20));
            const uint64_t align = elf.word(s + (elf.is64 ? 48 : 32));
            if (scan_notes(elf, off, size, align, info)) return true;
        }
        return false;
    }
    // No section headers: the note segments.
    if (phoff == 0 || phentsize < min_ph || phentsize > kMaxHeaderSize || phnum > kMaxHeaders ||
        !file.read_bytes(phoff, static_cast<std::size_t>(phnum * phentsize), &table))
        return false;
    for (uint64_t i = 0; i < phnum; ++i) {
        const uint8_t *p = &table[i * phentsize];
        if (elf.u32(p) != kPtNote) continue;
        const uint64_t off = elf.word(p + (elf.is64 ? 8 : 4)), size = elf.word(p + (elf.is64 ? 32 : 16));
        const uint64_t align = elf.word(p + (elf.is64 ? 48 : 28));
        if (scan_notes(elf, off, size, align, info)) return true;
    }
    return false;
}

}  // namespace ox::win::version
