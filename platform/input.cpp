// Key state, the current cursor and the beep record.
#include "platform/input.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace ox::platform {
namespace {

std::atomic<bool> g_keys[256];

constexpr uintptr_t kCursorTag = uintptr_t{0xC50} << 32;
std::atomic<Cursor> g_cursor{0};

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

Cursor set_cursor(Cursor cursor) {
    if (cursor != 0 && cursor_id(cursor) == 0) return 0;
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
