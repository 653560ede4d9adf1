// Memory handles (page-granular anonymous mappings) and pointer blocks (heap blocks that remember the size
// they were asked for).
#include "core/memory.h"

#include <cerrno>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "core/errors.h"
#include "core/pages.h"

namespace ox::core {
namespace {

// Linux merges neighbouring anonymous mappings, so a mapping's length cannot be asked of the kernel; the
// registry remembers it. It also lets oxFree and oxReAlloc refuse values that are not handles.
class HandleRegistry {
public:
    void add(OxHandle h, std::size_t len) {
        std::lock_guard guard(mutex_);
        lengths_[h] = len;
    }
    std::size_t remove(OxHandle h) {
        std::lock_guard guard(mutex_);
        auto it = lengths_.find(h);
        if (it == lengths_.end()) return 0;
        std::size_t len = it->second;
        lengths_.erase(it);
        return len;
    }
    void set_length(OxHandle h, std::size_t len) {
        std::lock_guard guard(mutex_);
        auto it = lengths_.find(h);
        if (it != lengths_.end()) it->second = len;
    }
    std::size_t length(OxHandle h) {
        std::lock_guard guard(mutex_);
        auto it = lengths_.find(h);
        return it == lengths_.end() ? 0 : it->second;
    }

private:
    std::mutex mutex_;
    std::unordered_map<OxHandle, std::size_t> lengths_;
};

HandleRegistry &registry() {
    static HandleRegistry *r = new HandleRegistry;  // never destroyed: handles may outlive static teardown
    return *r;
}

std::size_t round_to_pages(std::size_t size) {
    return (static_cast<std::size_t>(size) + kPageSize - 1) / kPageSize * kPageSize;
}

// Pointer blocks carry their requested size in a header in front of the caller's bytes; 16 bytes keep the
// caller's block aligned like malloc's.
struct alignas(16) PtrHeader {
    uint64_t size;
};

PtrHeader *header_of(void *p) { return static_cast<PtrHeader *>(p) - 1; }

}  // namespace

std::size_t handle_length(OxHandle handle) { return handle ? registry().length(handle) : 0; }

OxHandle reserve_handle(std::size_t size, uint32_t *err) {
    const std::size_t len = round_to_pages(size);
    void *p = size == 0 || len < size ? nullptr : map_pages(len);
    if (!p) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    auto h = reinterpret_cast<OxHandle>(p);
    try {
        registry().add(h, len);
    } catch (const std::bad_alloc &) {
        unmap_pages(p, len);
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    return h;
}

void trim_handle(OxHandle handle, std::size_t size) {
    const std::size_t len = handle_length(handle), kept = round_to_pages(size);
    if (kept == 0 || kept >= len) return;
    unmap_tail(reinterpret_cast<void *>(handle), len, kept);
    registry().set_length(handle, kept);
}

}  // namespace ox::core

using namespace ox::core;

extern "C" {

OX_API OxHandle oxAlloc(uint32_t size, uint32_t flags, uint32_t *err) {
    if (size == 0) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    return reserve_handle(size, err);
}

OX_API OxHandle oxReAlloc(OxHandle old, uint32_t newSize, uint32_t flags, uint32_t *err) {
    std::size_t old_len = handle_length(old);
    if (old_len == 0) {
        *err = OX_ERROR_INVALID_HANDLE;
        return 0;
    }
    OxHandle fresh = oxAlloc(newSize, flags, err);
    if (fresh == 0) return 0;
    std::size_t count = std::min<std::size_t>(newSize, old_len);
    std::memcpy(oxLock(fresh), oxLock(old), count);
    oxUnlock(fresh);
    oxUnlock(old);
    oxFree(old);
    return fresh;
}

OX_API void *oxLock(OxHandle handle) { return reinterpret_cast<void *>(handle); }

OX_API void oxUnlock(OxHandle) {}

OX_API uint32_t oxGetHandleSize(OxHandle handle) { return static_cast<uint32_t>(handle_length(handle)); }

OX_API void oxFree(OxHandle handle) {
    if (handle == 0) return;
    std::size_t len = registry().remove(handle);
    if (len) unmap_pages(reinterpret_cast<void *>(handle), len);
}

OX_API void *oxAllocPtr(uint32_t size, uint32_t noClear, uint32_t *err) {
    void *raw = noClear ? std::malloc(sizeof(PtrHeader) + size) : std::calloc(1, sizeof(PtrHeader) + size);
    if (!raw) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    auto *h = static_cast<PtrHeader *>(raw);
    h->size = size;
    return h + 1;
}

OX_API void *oxReAllocPtr(void *old, uint32_t size, uint32_t noClear, uint32_t *err) {
    if (!old) return oxAllocPtr(size, noClear, err);
    PtrHeader *h = header_of(old);
    uint64_t old_size = h->size;
    void *raw = std::realloc(h, sizeof(PtrHeader) + size);
    if (!raw) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    h = static_cast<PtrHeader *>(raw);
    h->size = size;
    if (!noClear && size > old_size) std::memset(reinterpret_cast<uint8_t *>(h + 1) + old_size, 0, size - old_size);
    return h + 1;
}

OX_API uint32_t oxGetPtrSize(void *ptr) { return ptr ? static_cast<uint32_t>(header_of(ptr)->size) : 0; }

OX_API void oxFreePtr(void *ptr) {
    if (ptr) std::free(header_of(ptr));
}

}  // extern "C"
