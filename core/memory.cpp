// Memory handles (page-granular anonymous mappings) and pointer blocks (heap blocks that remember the size
// they were asked for).
#include "core/memory.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "core/errors.h"

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

constexpr std::size_t kHugePageSize = 2u << 20;

std::size_t round_to_pages(uint32_t size) {
    return (static_cast<std::size_t>(size) + kPageSize - 1) / kPageSize * kPageSize;
}

// Pointer blocks carry their requested size in a header in front of the caller's bytes; 16 bytes keep the
// caller's block aligned like malloc's.
struct alignas(16) PtrHeader {
    uint64_t size;
};

PtrHeader *header_of(void *p) { return static_cast<PtrHeader *>(p) - 1; }

// The length actually mapped for a block of len bytes (a whole number of pages): blocks of 2 MiB or more
// are mapped in whole 2 MiB units, so that every part of them can sit on huge pages. On a virtual machine
// a 4 KiB fault can cost several microseconds, and a 6 MB image with a 4 KiB tail took ten times longer to
// fill than one made of huge pages only. The slack beyond len is never handed out.
std::size_t mapped_length(std::size_t len) {
    return len < kHugePageSize ? len : (len + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
}

// Maps a block of len bytes. Blocks of 2 MiB or more start on a 2 MiB boundary and are advised onto huge
// pages: images of several megabytes are written whole soon after they are made, and the kernel then takes
// one fault per 2 MiB instead of one per 4 KiB (most of the cost of a large new image); walks over rows
// are not slowed by 4 KiB page crossings either. The alignment comes from mapping 2 MiB more and
// unmapping the ends.
void *map_block(std::size_t len) {
    const int prot = PROT_READ | PROT_WRITE, flags = MAP_PRIVATE | MAP_ANONYMOUS;
    const std::size_t mapped = mapped_length(len);
    if (len < kHugePageSize) {
        void *p = mmap(nullptr, mapped, prot, flags, -1, 0);
        return p == MAP_FAILED ? nullptr : p;
    }
    void *raw = mmap(nullptr, mapped + kHugePageSize, prot, flags, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePageSize - 1) & ~static_cast<uintptr_t>(kHugePageSize - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const std::size_t tail = start + mapped + kHugePageSize - (aligned + mapped);
    if (tail) munmap(reinterpret_cast<void *>(aligned + mapped), tail);
    void *p = reinterpret_cast<void *>(aligned);
    madvise(p, mapped, MADV_HUGEPAGE);
    return p;
}

}  // namespace

std::size_t handle_length(OxHandle handle) { return handle ? registry().length(handle) : 0; }

}  // namespace ox::core

using namespace ox::core;

extern "C" {

OX_API OxHandle oxAlloc(uint32_t size, uint32_t flags, uint32_t *err) {
    if (size == 0) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    const std::size_t len = round_to_pages(size);
    void *p = map_block(len);
    if (!p) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    auto h = reinterpret_cast<OxHandle>(p);
    try {
        registry().add(h, len);
    } catch (const std::bad_alloc &) {
        munmap(p, mapped_length(len));
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    return h;
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
    if (len) munmap(reinterpret_cast<void *>(handle), mapped_length(len));
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
