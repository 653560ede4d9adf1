// Internal view of the memory handles: lets the rest of the library ask whether a value is a live handle, and
// an owner that frees a handle on every path out of a scope.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ox.h"

namespace ox::core {

constexpr std::size_t kPageSize = 4096;

// The mapped length of a live handle, or 0 when `handle` is not one.
std::size_t handle_length(OxHandle handle);

// A handle as oxAlloc makes it, of any size: for a block whose final size is known only once it is written.
// Only the pages written are ever backed. 0 with code 8 when there is no room.
OxHandle reserve_handle(std::size_t size, uint32_t *err);
// Gives back the pages of a live handle beyond `size` bytes (rounded up to whole pages; never grows it).
void trim_handle(OxHandle handle, std::size_t size);

// Owns a memory handle (images and outline blocks are memory handles too) and frees it at the end of scope,
// unless release() hands it on. 0 is empty.
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(OxHandle handle) : handle_(handle) {}
    ~OwnedHandle() { oxFree(handle_); }
    OwnedHandle(OwnedHandle &&o) noexcept : handle_(o.release()) {}
    OwnedHandle &operator=(OwnedHandle &&o) noexcept {
        if (this != &o) {
            oxFree(handle_);
            handle_ = o.release();
        }
        return *this;
    }

    OxHandle get() const { return handle_; }
    // Where a call that makes a handle, or replaces the one there (oxImageCopy), stores it.
    OxHandle *out() { return &handle_; }
    // The block's bytes; memory handles stay where they are, so the address holds for the handle's life.
    uint8_t *bytes() const { return static_cast<uint8_t *>(oxLock(handle_)); }
    OxHandle release() {
        const OxHandle h = handle_;
        handle_ = 0;
        return h;
    }
    explicit operator bool() const { return handle_ != 0; }

private:
    OxHandle handle_ = 0;
};

}  // namespace ox::core
