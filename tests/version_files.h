// Small program files with a version record, made from scratch for the file-version tests and the fuzz
// seeds: a PE file whose only section holds a version resource, and an ELF file whose only section is a
// note.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace oxtest {

using Bytes = std::vector<uint8_t>;

inline void put(Bytes &b, std::size_t at, uint64_t v, int size, bool big = false) {
    if (b.size() < at + size) b.resize(at + size);
    for (int i = 0; i < size; ++i) b[at + (big ? size - 1 - i : i)] = static_cast<uint8_t>(v >> (8 * i));
}
inline void append(Bytes &b, uint64_t v, int size) { put(b, b.size(), v, size); }
inline void pad4(Bytes &b) { b.resize((b.size() + 3) & ~std::size_t{3}); }

inline Bytes utf16z(const std::string &s) {
    Bytes b;
    for (char c : s) append(b, static_cast<uint8_t>(c), 2);
    append(b, 0, 2);
    return b;
}

// One node of a version resource: length, value length, type, UTF-16 key, value, children.
inline Bytes version_node(const std::string &key, bool text, const Bytes &value, const std::vector<Bytes> &children) {
    Bytes b = utf16z(key);
    b.insert(b.begin(), 6, 0);  // the three fields, set at the end
    pad4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const Bytes &c : children) {
        pad4(b);
        b.insert(b.end(), c.begin(), c.end());
    }
    put(b, 0, b.size(), 2);
    put(b, 2, text ? value.size() / 2 : value.size(), 2);
    put(b, 4, text ? 1 : 0, 2);
    return b;
}
// A version resource with one string table per (table name, FileVersion) and the translation entries.
inline Bytes version_resource(const std::vector<std::pair<std::string, std::string>> &tables,
                              const std::vector<uint32_t> &translations) {
    std::vector<Bytes> string_tables;
    for (const auto &[name, version] : tables)
        string_tables.push_back(version_node(name, true, {}, {version_node("FileVersion", true, utf16z(version), {})}));
    Bytes entries;
    for (uint32_t t : translations) append(entries, t, 4);
    Bytes fixed(52);
    put(fixed, 0, 0xFEEF04BD, 4);
    return version_node("VS_VERSION_INFO", false, fixed,
                        {version_node("StringFileInfo", true, {}, string_tables),
                         version_node("VarFileInfo", true, {}, {version_node("Translation", false, entries, {})})});
}

// A 32-bit PE file with the resource as its version resource (type 16, name 1, language 0x409).
inline Bytes pe_file(const Bytes &resource) {
    Bytes f = {'M', 'Z'};
    f.resize(0x200);
    put(f, 0x3C, 0x40, 4);
    put(f, 0x40, 0x4550, 4);  // "PE\0\0"
    put(f, 0x44, 0x14C, 2);
    put(f, 0x46, 1, 2);        // one section
    put(f, 0x54, 224, 2);      // optional header size
    put(f, 0x58, 0x10B, 2);    // PE32
    put(f, 0x58 + 92, 16, 4);  // data directories
    const uint32_t rva = 0x1000, data = 0x58;
    const uint32_t size = data + static_cast<uint32_t>(resource.size());
    put(f, 0x58 + 96 + 16, rva, 4);  // directory 2: resources
    put(f, 0x58 + 96 + 20, size, 4);
    const std::size_t s = 0x58 + 224;  // the section
    put(f, s + 8, size, 4);
    put(f, s + 12, rva, 4);
    put(f, s + 16, size, 4);
    put(f, s + 20, 0x200, 4);
    Bytes r(data);
    const uint32_t dirs[3][2] = {{16, 0x80000018}, {1, 0x80000030}, {0x409, 0x48}};
    for (int level = 0; level < 3; ++level) {
        put(r, 0x18 * level + 14, 1, 2);  // one entry by number
        put(r, 0x18 * level + 16, dirs[level][0], 4);
        put(r, 0x18 * level + 20, dirs[level][1], 4);
    }
    put(r, 0x48, rva + data, 4);
    put(r, 0x4C, resource.size(), 4);
    r.insert(r.end(), resource.begin(), resource.end());
    f.insert(f.end(), r.begin(), r.end());
    return f;
}

// An ELF file (64- or 32-bit, either byte order) with one note section holding `notes`: each a name
// (terminator added), a type and a descriptor.
struct Note {
    std::string name;
    uint32_t type;
    std::string desc;
};
inline Bytes elf_file(const std::vector<Note> &notes, bool is64 = true, bool big = false) {
    const std::size_t eh = is64 ? 64 : 52, sh = is64 ? 64 : 40;
    Bytes f = {0x7F, 'E', 'L', 'F', uint8_t(is64 ? 2 : 1), uint8_t(big ? 2 : 1), 1};  // class, order, version
    f.resize(eh);
    for (const Note &n : notes) {
        const std::size_t at = f.size();
        put(f, at, n.name.size() + 1, 4, big);
        put(f, at + 4, n.desc.size(), 4, big);
        put(f, at + 8, n.type, 4, big);
        f.insert(f.end(), n.name.begin(), n.name.end());
        f.push_back(0);
        pad4(f);
        f.insert(f.end(), n.desc.begin(), n.desc.end());
        pad4(f);
    }
    const std::size_t notes_size = f.size() - eh, table = f.size();
    f.resize(table + 2 * sh);  // a null section, then the notes
    const std::size_t s = table + sh;
    put(f, s + 4, 7, 4, big);  // SHT_NOTE
    put(f, s + (is64 ? 24 : 16), eh, is64 ? 8 : 4, big);
    put(f, s + (is64 ? 32 : 20), notes_size, is64 ? 8 : 4, big);
    put(f, s + (is64 ? 48 : 32), 4, is64 ? 8 : 4, big);
    put(f, is64 ? 40 : 32, table, is64 ? 8 : 4, big);  // section header offset, entry size, count
    put(f, is64 ? 58 : 46, sh, 2, big);
    put(f, is64 ? 60 : 48, 2, 2, big);
    return f;
}

}  // namespace oxtest
