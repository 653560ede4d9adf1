// Helpers shared by the bitmap functions: the target context of a call and a bitmap selected into a
// memory context, each put back as it was when it goes out of scope.
#pragma once

#include "oxw.h"
#include "platform/gdi.h"
#include "platform/window.h"

namespace ox::win {

// The context a call draws through: the one given, or the window's, taken here and released at the end.
class TargetDC {
public:
    TargetDC(OxwWindow window, OxwDC dc) : window_(window), taken_(dc == 0), dc_(dc ? dc : platform::get_dc(window)) {}
    ~TargetDC() {
        if (taken_ && dc_) platform::release_dc(window_, dc_);
    }
    TargetDC(const TargetDC &) = delete;
    TargetDC &operator=(const TargetDC &) = delete;
    OxwDC get() const { return dc_; }

private:
    OxwWindow window_;
    bool taken_;
    OxwDC dc_;
};

// A memory context made like `like` with `bitmap` selected; the memory context's own bitmap is put back
// and the context deleted at the end. get() is 0 for a bitmap of 0 or when either step failed.
class BitmapDC {
public:
    BitmapDC(OxwDC like, OxwBitmap bitmap) : dc_(bitmap ? platform::create_compatible_dc(like) : 0) {
        if (dc_ && (old_ = platform::select_object(dc_, bitmap)) == 0) {
            platform::delete_dc(dc_);
            dc_ = 0;
        }
    }
    ~BitmapDC() {
        if (dc_) {
            platform::select_object(dc_, old_);
            platform::delete_dc(dc_);
        }
    }
    BitmapDC(const BitmapDC &) = delete;
    BitmapDC &operator=(const BitmapDC &) = delete;
    OxwDC get() const { return dc_; }

private:
    OxwDC dc_;
    platform::GdiObject old_ = 0;
};

// Where a drawing call draws: the target context itself for a bitmap of 0, else the bitmap in a memory
// context made like it.
class DrawSurface {
public:
    DrawSurface(OxwDC target, OxwBitmap bitmap, OxwDC like)
        : target_(target), mem_(like, bitmap), use_mem_(bitmap != 0) {}
    OxwDC get() const { return use_mem_ ? mem_.get() : target_; }

private:
    OxwDC target_;
    BitmapDC mem_;
    bool use_mem_;
};

// Bitmap resource number `id` of `module` (0: the library's own) as a new bitmap without a recorded size; 0
// with `err` set: 6 for a refused module, 1814 for a missing bitmap, 13 for one that does not hold up, 8
// without memory.
OxwBitmap load_resource_bitmap(OxwModule module, uint16_t id, uint32_t *err);

}  // namespace ox::win
