// Key state, the current cursor and the beep record.
#include "platform/input.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/resources.h"
#include "platform/window.h"

namespace ox::platform {
namespace {

std::atomic<bool> g_keys[256];

constexpr uintptr_t kCursorTag = uintptr_t{0xC50} << 32;
std::atomic<Cursor> g_cursor{0};

// Cursors of host modules: handle kModuleCursorTag | (index + 1) into the list of (module, name) loaded.
constexpr uintptr_t kModuleCursorTag = uintptr_t{0xC51} << 32;
struct ModuleCursors {
    std::mutex mutex;
    std::vector<std::pair<OxwModule, std::string>> loaded;
};
ModuleCursors &module_cursors() {
    static ModuleCursors *c = new ModuleCursors;  // never destroyed, as the beeps
    return *c;
}

std::atomic<int64_t> g_cursor_pos{0};  // x in the low half, y in the high half
std::atomic<OxwWindow> g_capture{0};

constexpr std::size_t kKeptBeeps = 256;
struct Beeps {
    std::mutex mutex;
    uint32_t count = 0;
    std::vector<uint32_t> types;
};
Beeps &beeps() {
    static Beeps *b = new Beeps;  // never destroyed: a beep may come during static teardown
    return *b;
}

bool is_system_cursor(uint32_t id) { return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651); }

}  // namespace

bool set_key_state(int32_t vk, bool down) {
    if (vk < 0 || vk > 255) return false;
    g_keys[vk].store(down, std::memory_order_relaxed);
    return true;
}

uint16_t get_key_state(int32_t vk) {
    return vk >= 0 && vk <= 255 && g_keys[vk].load(std::memory_order_relaxed) ? 0x8000 : 0;
}

Cursor load_cursor(OxwModule module, uint32_t id) {
    return module == 0 && is_system_cursor(id) ? kCursorTag | id : 0;
}

Cursor load_cursor(OxwModule module, const char *name) {
    if (module == 0) {
        const int32_t id = resource_number(name);
        return id > 0 ? load_cursor(0, static_cast<uint32_t>(id)) : 0;
    }
    std::string found;
    if (!find_cursor_resource(module, name, &found)) return 0;
    ModuleCursors &c = module_cursors();
    std::lock_guard g(c.mutex);
    auto it = std::find(c.loaded.begin(), c.loaded.end(), std::pair(module, found));
    if (it == c.loaded.end()) it = c.loaded.insert(c.loaded.end(), {module, std::move(found)});
    return kModuleCursorTag | static_cast<uintptr_t>(it - c.loaded.begin() + 1);
}

namespace {

// The entry of a module cursor's handle in the loaded list, or null. The caller holds the list's lock.
const std::pair<OxwModule, std::string> *module_cursor(ModuleCursors &c, Cursor cursor) {
    if ((cursor & ~uintptr_t{0xFFFFFFFF}) != kModuleCursorTag) return nullptr;
    const std::size_t index = (cursor & 0xFFFFFFFF) - 1;
    return index < c.loaded.size() ? &c.loaded[index] : nullptr;
}

}  // namespace

std::string cursor_name(Cursor cursor) {
    if (const uint32_t id = cursor_id(cursor)) return "#" + std::to_string(id);
    ModuleCursors &c = module_cursors();
    std::lock_guard g(c.mutex);
    const auto *entry = module_cursor(c, cursor);
    return entry ? entry->second : std::string();
}

void set_cursor_pos(int32_t x, int32_t y) {
    g_cursor_pos.store(static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(y)) << 32 |
                                            static_cast<uint32_t>(x)));
}

OxPoint get_cursor_pos() {
    const auto v = static_cast<uint64_t>(g_cursor_pos.load());
    return {static_cast<int32_t>(static_cast<uint32_t>(v)), static_cast<int32_t>(static_cast<uint32_t>(v >> 32))};
}

OxwWindow set_capture(OxwWindow window) { return is_window(window) ? g_capture.exchange(window) : 0; }
void release_capture() { g_capture.store(0); }
OxwWindow get_capture() {
    const OxwWindow w = g_capture.load();
    return is_window(w) ? w : 0;  // a destroyed window holds no capture
}

Cursor set_cursor(Cursor cursor) {
    if (cursor != 0 && cursor_id(cursor) == 0) {
        ModuleCursors &c = module_cursors();
        std::lock_guard g(c.mutex);
        if (!module_cursor(c, cursor)) return 0;
    }
    return g_cursor.exchange(cursor);
}

Cursor current_cursor() { return g_cursor.load(); }

uint32_t cursor_id(Cursor cursor) {
    const uint32_t id = static_cast<uint32_t>(cursor & 0xFFFFFFFF);
    return (cursor & ~uintptr_t{0xFFFFFFFF}) == kCursorTag && is_system_cursor(id) ? id : 0;
}

void beep(uint32_t type) {
    {
        Beeps &b = beeps();
        std::lock_guard g(b.mutex);
        ++b.count;
        if (b.types.size() < kKeptBeeps) b.types.push_back(type);
    }
    if (isatty(STDERR_FILENO)) {
        [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, "\a", 1);
    }
}

uint32_t take_beeps(uint32_t *types, uint32_t capacity) {
    Beeps &b = beeps();
    std::lock_guard g(b.mutex);
    const uint32_t n = b.count;
    if (types) std::copy_n(b.types.begin(), std::min<std::size_t>(capacity, b.types.size()), types);
    b.count = 0;
    b.types.clear();
    return n;
}

}  // namespace ox::platform
