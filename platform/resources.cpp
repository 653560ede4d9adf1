// Module resources: the library's own string table, and host modules registered from a folder of bitmap
// files and a string table.
#include "platform/resources.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <new>
#include <string>
#include <system_error>
#include <unordered_map>

#include "core/byte_order.h"
#include "core/codepage.h"
#include "core/errors.h"

namespace ox::platform {
namespace {

constexpr uint32_t kInvalidData = 13;  // ERROR_INVALID_DATA
constexpr std::uintmax_t kMaxBitmapFile = std::uintmax_t{256} << 20;

using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

struct Module {
    std::map<uint32_t, std::string> strings;
    std::map<uint32_t, Bytes> bitmaps_by_id;
    std::map<std::string, Bytes> bitmaps_by_name;  // upper-cased
    std::set<uint32_t> cursors_by_id;
    std::map<std::string, std::string> cursors_by_name;  // upper-cased -> as the file names it
};

// The font face names of the text functions: Shift-JIS for the two Japanese faces, GBK for the Chinese.
Module make_library_module() {
    Module m;
    m.strings = {
        {1, "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E"},
        {2, "MS Sans Serif"},
        {3, "\xCB\xCE\xCC\xE5"},
        {4, "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E"},
        {5, "Terminal"},
    };
    return m;
}

// Handles as the drawing objects': a tag in the high half, a serial that is never reused.
constexpr uintptr_t kTag = uintptr_t{0x3E0} << 32;

struct Modules {
    std::mutex mutex;
    uint32_t serial = 1;
    std::unordered_map<uintptr_t, std::shared_ptr<const Module>> map{
        {kTag | 1, std::make_shared<const Module>(make_library_module())}};
};

Modules &modules() {
    static Modules *m = new Modules;  // never destroyed: resources may be asked for during static teardown
    return *m;
}

std::shared_ptr<const Module> find_module(OxwModule h) {
    Modules &m = modules();
    std::lock_guard g(m.mutex);
    auto it = m.map.find(h == 0 ? library_module() : h);
    return it == m.map.end() ? nullptr : it->second;
}

std::string upper(std::string_view s) {
    std::string u(s);
    for (char &c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// A decimal number 0..65535 filling all of `s`, or -1.
int32_t parse_id(std::string_view s) {
    if (s.empty() || s.size() > 5) return -1;
    int32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v <= 65535 ? v : -1;
}

bool read_file(const std::filesystem::path &path, std::vector<uint8_t> *out, uint32_t *err) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *err = core::win_error_for_path(errno ? errno : ENOENT, path.c_str());
        return false;
    }
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *err = OX_ERROR_READ_FAULT;
        return false;
    }
    return true;
}

bool parse_strings(const std::vector<uint8_t> &file, Module *m) {
    std::string_view rest(reinterpret_cast<const char *>(file.data()), file.size());
    while (!rest.empty()) {
        const std::size_t eol = rest.find('\n');
        std::string_view line = rest.substr(0, eol);
        rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t sep = line.find_first_of(" \t");
        const int32_t id = parse_id(line.substr(0, sep));
        if (id < 0 || m->strings.count(static_cast<uint32_t>(id))) return false;
        std::string text;
        const std::string_view raw = sep == std::string_view::npos ? std::string_view() : line.substr(sep + 1);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\' || i + 1 == raw.size()) {
                text += raw[i];
                continue;
            }
            const char e = raw[++i];
            if (e == 'n') text += '\n';
            else if (e == 't') text += '\t';
            else if (e == '\\') text += '\\';
            else return false;
        }
        m->strings.emplace(static_cast<uint32_t>(id), std::move(text));
    }
    return true;
}

uint16_t le16(const std::vector<uint8_t> &b, std::size_t at) { return core::load_le16(b.data() + at); }

// A cursor file: the 6-byte head (reserved 0, type 2, one image or more) and its 16-byte directory entries
// inside the file.
bool is_cursor_file(const std::vector<uint8_t> &f) {
    return f.size() >= 22 && le16(f, 0) == 0 && le16(f, 2) == 2 && le16(f, 4) >= 1 &&
           6 + std::size_t{16} * le16(f, 4) <= f.size();
}

// A .bmp or .cur file of the folder, registered under its number or its name.
bool register_file(const std::filesystem::path &path, bool cursor, Module *m, uint32_t *err) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        *err = core::win_error_for_path(ec.value(), path.c_str());
        return false;
    }
    if (size < (cursor ? 22 : 54) || size > kMaxBitmapFile) {
        *err = kInvalidData;
        return false;
    }
    std::vector<uint8_t> file;
    if (!read_file(path, &file, err)) return false;
    if (cursor ? !is_cursor_file(file) : file.size() < 54 || file[0] != 'B' || file[1] != 'M') {
        *err = kInvalidData;
        return false;
    }
    const std::string stem = path.stem().string();
    const int32_t id = parse_id(stem);
    bool fresh;
    if (cursor) {
        fresh = id >= 1 ? m->cursors_by_id.insert(static_cast<uint32_t>(id)).second
                        : m->cursors_by_name.emplace(upper(stem), stem).second;
    } else {
        auto dib = std::make_shared<const std::vector<uint8_t>>(file.begin() + 14, file.end());
        fresh = id >= 1 ? m->bitmaps_by_id.emplace(static_cast<uint32_t>(id), dib).second
                        : m->bitmaps_by_name.emplace(upper(stem), dib).second;
    }
    if (!fresh) *err = kInvalidData;
    return fresh;
}

Module load_folder(const std::filesystem::path &folder, uint32_t *err, bool *ok) {
    Module m;
    *ok = false;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        *err = OX_ERROR_PATH_NOT_FOUND;
        return m;
    }
    const auto strings = folder / "strings.txt";
    if (std::filesystem::exists(strings, ec)) {
        std::vector<uint8_t> file;
        if (!read_file(strings, &file, err)) return m;
        if (!parse_strings(file, &m)) {
            *err = kInvalidData;
            return m;
        }
    }
    for (const auto &entry : std::filesystem::directory_iterator(folder, ec)) {
        const auto &p = entry.path();
        const std::string ext = upper(p.extension().string());
        if ((ext != ".BMP" && ext != ".CUR") || !entry.is_regular_file(ec)) continue;
        if (!register_file(p, ext == ".CUR", &m, err)) return m;
    }
    if (ec) {
        *err = core::win_error_for_path(ec.value(), folder.c_str());
        return m;
    }
    *ok = true;
    return m;
}

}  // namespace

OxwModule library_module() { return kTag | 1; }

OxwModule register_module(const char *folder, uint32_t *err) {
    if (!folder) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    try {
        bool ok = false;
        auto m = std::make_shared<const Module>(load_folder(folder, err, &ok));
        if (!ok) return 0;
        Modules &all = modules();
        std::lock_guard g(all.mutex);
        const OxwModule h = kTag | ++all.serial;
        all.map.emplace(h, std::move(m));
        return h;
    } catch (const std::bad_alloc &) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
}

bool unregister_module(OxwModule module) {
    if (module == 0 || module == library_module()) return false;
    Modules &m = modules();
    std::lock_guard g(m.mutex);
    return m.map.erase(module) != 0;
}

bool is_module(OxwModule module) { return find_module(module) != nullptr; }

int32_t resource_number(ResourceName name) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(name);
    return value < 0x10000 ? static_cast<int32_t>(value) : name[0] == '#' ? parse_id(name + 1) : -1;
}

bool find_cursor_resource(OxwModule module, ResourceName name, std::string *found) {
    const auto m = find_module(module);
    if (!m || !name) return false;
    const int32_t id = resource_number(name);
    if (id >= 0) {
        if (!m->cursors_by_id.count(static_cast<uint32_t>(id))) return false;
        *found = "#" + std::to_string(id);
        return true;
    }
    auto it = m->cursors_by_name.find(upper(name));
    if (it == m->cursors_by_name.end()) return false;
    *found = it->second;
    return true;
}

std::shared_ptr<const std::vector<uint8_t>> find_bitmap_resource(OxwModule module, ResourceName name) {
    const auto m = find_module(module);
    if (!m || !name) return nullptr;
    const int32_t id = resource_number(name);
    if (id >= 0) {
        auto it = m->bitmaps_by_id.find(static_cast<uint32_t>(id));
        return it == m->bitmaps_by_id.end() ? nullptr : it->second;
    }
    auto it = m->bitmaps_by_name.find(upper(name));
    return it == m->bitmaps_by_name.end() ? nullptr : it->second;
}

bool find_string(OxwModule module, uint32_t id, std::string_view *text) {
    const auto m = find_module(module);
    if (!m) return false;
    auto it = m->strings.find(id);
    if (it == m->strings.end()) return false;
    *text = it->second;  // the module's strings live as long as the module record, which is never changed
    return true;
}

int32_t load_string(OxwModule module, uint32_t id, char *buffer, int32_t size) {
    if (!buffer || size < 1) return 0;
    const auto m = find_module(module);  // held for the copy, even if the module is unregistered meanwhile
    const auto it = m ? m->strings.find(id) : std::map<uint32_t, std::string>::const_iterator{};
    if (!m || it == m->strings.end()) {
        buffer[0] = '\0';
        return 0;
    }
    const std::string &s = it->second;
    const std::size_t n = core::fit_prefix(core::active_lead_bytes(), s, static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, s.data(), n);
    buffer[n] = '\0';
    return static_cast<int32_t>(n);
}

}  // namespace ox::platform
