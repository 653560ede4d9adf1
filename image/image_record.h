// Internal helpers over the image record: a lock guard for the functions that take a handle.
#pragma once

#include "ox.h"

namespace ox::image {

// Locks an image for the guard's lifetime; ok() is false when the handle cannot be locked.
class ScopedImageLock {
public:
    explicit ScopedImageLock(OxHandle image) : ok_(oxImageLock(image, &rec_) != 0) {}
    ~ScopedImageLock() {
        if (ok_) oxImageUnlock(&rec_);
    }
    ScopedImageLock(const ScopedImageLock &) = delete;
    ScopedImageLock &operator=(const ScopedImageLock &) = delete;

    bool ok() const { return ok_; }
    const OxImageLockRec &rec() const { return rec_; }
    const OxImageHeader &header() const { return *rec_.header; }

private:
    OxImageLockRec rec_{};
    bool ok_;
};

}  // namespace ox::image
