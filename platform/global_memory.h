// Movable global memory blocks: the form in which device-independent bitmaps travel between the library
// and its host (and the clipboard). A block is named by an opaque handle, never by its address: the
// address is valid only between a lock and its unlock, and the block may move while it is unlocked
// (a resize moves it). Handles are checked: 0, a freed handle or a made-up value is refused.
#pragma once

#include <cstddef>
#include <cstdint>

#include "oxw.h"

namespace ox::platform {

// The largest block: sizes travel as 32-bit values through the exported calls.
inline constexpr std::size_t kGlobalMaxSize = UINT32_MAX;

// A new zero-filled block of `size` bytes (at least 1). 0 on failure, with code 87 for a size of 0 or
// above kGlobalMaxSize and 8 when memory runs out.
OxwGlobal global_alloc(std::size_t size, uint32_t *err);
// The block's address, counting one more lock; nullptr for an unknown handle.
void *global_lock(OxwGlobal block);
// Counts one lock less. Returns false for an unknown handle or a block that was not locked.
bool global_unlock(OxwGlobal block);
// Locks held on the block; 0 for an unknown handle.
uint32_t global_lock_count(OxwGlobal block);
// The size asked for; 0 for an unknown handle.
std::size_t global_size(OxwGlobal block);
// New size, contents kept up to the smaller size, a grown part zero-filled; the handle stays the same and
// the block may move. Refused for an unknown handle (6), a locked block (33), a bad size (87) or when
// memory runs out (8); the block is then unchanged.
bool global_realloc(OxwGlobal block, std::size_t size, uint32_t *err);
// Releases the block, locked or not. False for an unknown handle.
bool global_free(OxwGlobal block);

// Holds a block locked for a scope; data() is nullptr when the handle was refused.
class GlobalLock {
public:
    explicit GlobalLock(OxwGlobal block)
        : block_(block), data_(static_cast<uint8_t *>(global_lock(block))), size_(data_ ? global_size(block) : 0) {}
    ~GlobalLock() {
        if (data_) global_unlock(block_);
    }
    GlobalLock(const GlobalLock &) = delete;
    GlobalLock &operator=(const GlobalLock &) = delete;

    uint8_t *data() const { return data_; }
    std::size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    OxwGlobal block_;
    uint8_t *data_;
    std::size_t size_;
};

// Owns an unlocked block until release(); frees it otherwise.
class GlobalOwner {
public:
    explicit GlobalOwner(OxwGlobal block = 0) : block_(block) {}
    ~GlobalOwner() {
        if (block_) global_free(block_);
    }
    GlobalOwner(const GlobalOwner &) = delete;
    GlobalOwner &operator=(const GlobalOwner &) = delete;

    OxwGlobal get() const { return block_; }
    OxwGlobal release() {
        OxwGlobal b = block_;
        block_ = 0;
        return b;
    }

private:
    OxwGlobal block_;
};

}  // namespace ox::platform
