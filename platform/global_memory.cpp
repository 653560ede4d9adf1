// Movable global memory blocks behind checked handles.
#include "platform/global_memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "core/errors.h"
#include "core/pages.h"

namespace ox::platform {
namespace {

// Blocks of a megabyte and more are mappings of their own, on huge pages from 2 MiB where the kernel
// allows: a picture-sized block is written whole right after it is made, a fresh mapping needs no
// clearing, and one fault per 2 MiB instead of per 4 KiB more than doubled the speed of oxwImageToDib on
// a 36 MB picture. Smaller ones come from the heap, exactly sized, so that the sanitizers see any read
// past their end.
constexpr std::size_t kMapThreshold = std::size_t{1} << 20;

void *storage_alloc(std::size_t size) { return size < kMapThreshold ? std::calloc(size, 1) : core::map_pages(size); }

void storage_free(void *p, std::size_t size) {
    if (size < kMapThreshold)
        std::free(p);
    else
        core::unmap_pages(p, size);
}

// A handle: a tag byte, the slot's generation (so that a freed handle stays refused after its slot is
// reused) and the slot index plus one.
constexpr uint64_t kTag = uint64_t{0x47} << 56;
constexpr uint64_t kGenerationMask = 0xFFFFFF;

struct Slot {
    void *data = nullptr;
    std::size_t size = 0;
    uint32_t locks = 0;
    uint32_t generation = 0;
    bool live = false;
};

class Table {
public:
    std::mutex mutex;

    // The live slot of a handle, or nullptr. Caller holds the mutex.
    Slot *find(OxwGlobal h) {
        const uint64_t v = h;
        if ((v & ~((kGenerationMask << 32) | 0xFFFFFFFFu)) != kTag) return nullptr;
        const uint64_t index = (v & 0xFFFFFFFFu);
        if (index == 0 || index > slots_.size()) return nullptr;
        Slot &s = slots_[index - 1];
        if (!s.live || s.generation != ((v >> 32) & kGenerationMask)) return nullptr;
        return &s;
    }

    // A free slot for `data`, or 0 when the table cannot grow. Caller holds the mutex.
    OxwGlobal add(void *data, std::size_t size) {
        std::size_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= 0xFFFFFFFEu) return 0;
            try {
                slots_.emplace_back();
                free_.reserve(slots_.size());  // so that remove() never allocates
            } catch (const std::bad_alloc &) {
                return 0;
            }
            index = slots_.size() - 1;
        }
        Slot &s = slots_[index];
        s.data = data;
        s.size = size;
        s.locks = 0;
        s.generation = (s.generation + 1) & kGenerationMask;
        if (s.generation == 0) s.generation = 1;
        s.live = true;
        return kTag | (uint64_t{s.generation} << 32) | (index + 1);
    }

    void remove(Slot *s) {
        s->live = false;
        s->data = nullptr;
        free_.push_back(static_cast<std::size_t>(s - slots_.data()));
    }

private:
    std::vector<Slot> slots_;
    std::vector<std::size_t> free_;
};

Table &table() {
    static Table *t = new Table;  // never destroyed: blocks may outlive static teardown
    return *t;
}

}  // namespace

OxwGlobal global_alloc(std::size_t size, uint32_t *err) {
    if (size == 0 || size > kGlobalMaxSize) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    void *p = storage_alloc(size);
    if (p == nullptr) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    Table &t = table();
    std::lock_guard guard(t.mutex);
    const OxwGlobal h = t.add(p, size);
    if (h == 0) {
        storage_free(p, size);
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
    }
    return h;
}

void *global_lock(OxwGlobal block) {
    Table &t = table();
    std::lock_guard guard(t.mutex);
    Slot *s = t.find(block);
    if (s == nullptr) return nullptr;
    ++s->locks;
    return s->data;
}

bool global_unlock(OxwGlobal block) {
    Table &t = table();
    std::lock_guard guard(t.mutex);
    Slot *s = t.find(block);
    if (s == nullptr || s->locks == 0) return false;
    --s->locks;
    return true;
}

uint32_t global_lock_count(OxwGlobal block) {
    Table &t = table();
    std::lock_guard guard(t.mutex);
    Slot *s = t.find(block);
    return s ? s->locks : 0;
}

std::size_t global_size(OxwGlobal block) {
    Table &t = table();
    std::lock_guard guard(t.mutex);
    Slot *s = t.find(block);
    return s ? s->size : 0;
}

bool global_realloc(OxwGlobal block, std::size_t size, uint32_t *err) {
    Table &t = table();
    std::lock_guard guard(t.mutex);
    Slot *s = t.find(block);
    if (s == nullptr) {
        *err = OX_ERROR_INVALID_HANDLE;
        return false;
    }
    if (s->locks != 0) {
        *err = OX_ERROR_LOCK_VIOLATION;
        return false;
    }
    if (size == 0 || size > kGlobalMaxSize) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return false;
    }
    void *p = storage_alloc(size);
    if (p == nullptr) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    std::memcpy(p, s->data, size < s->size ? size : s->size);
    storage_free(s->data, s->size);
    s->data = p;
    s->size = size;
    return true;
}

bool global_free(OxwGlobal block) {
    void *p;
    std::size_t size;
    {
        Table &t = table();
        std::lock_guard guard(t.mutex);
        Slot *s = t.find(block);
        if (s == nullptr) return false;
        p = s->data;
        size = s->size;
        t.remove(s);
    }
    storage_free(p, size);
    return true;
}

}  // namespace ox::platform

using namespace ox::platform;

extern "C" {

OX_API OxwGlobal oxwGlobalAlloc(uint32_t size, uint32_t *err) { return global_alloc(size, err); }

OX_API void *oxwGlobalLock(OxwGlobal block) { return global_lock(block); }

OX_API int32_t oxwGlobalUnlock(OxwGlobal block) {
    global_unlock(block);
    return static_cast<int32_t>(global_lock_count(block));
}

OX_API uint32_t oxwGlobalSize(OxwGlobal block) { return static_cast<uint32_t>(global_size(block)); }

OX_API int32_t oxwGlobalReAlloc(OxwGlobal block, uint32_t size, uint32_t *err) {
    return global_realloc(block, size, err) ? 1 : 0;
}

OX_API int32_t oxwGlobalFree(OxwGlobal block) { return global_free(block) ? 1 : 0; }

}  // extern "C"
