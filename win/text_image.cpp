// Text into image records: a white picture of the text is rendered, and every pixel of it that is not
// pure white gives the image the full text colour (no blending).
#include <algorithm>
#include <climits>
#include <cstring>

#include "image/image_record.h"
#include "win/ddb.h"
#include "win/text.h"

namespace ox::win {
namespace {

constexpr uint32_t kNotEnoughMemory = 8;
constexpr uint32_t kWhite = 0xFFFFFF;

// The font for a memory context drawing a text on its baseline: transparent, in the colour, bottom-aligned.
// Everything is put back when it ends.
class TextSetup {
public:
    TextSetup(OxwDC dc, OxwFont font, OxColorRef color) : dc_(dc), old_font_(platform::select_object(dc, font)) {
        if (!old_font_) return;
        old_mode_ = platform::set_bk_mode(dc, platform::kTransparent);
        old_color_ = platform::set_text_color(dc, color);
        old_align_ = platform::set_text_align(dc, platform::kTaBottom);
    }
    ~TextSetup() {
        if (!old_font_) return;
        platform::set_text_align(dc_, old_align_);
        platform::set_text_color(dc_, old_color_);
        platform::set_bk_mode(dc_, old_mode_);
        platform::select_object(dc_, old_font_);
    }
    TextSetup(const TextSetup &) = delete;
    TextSetup &operator=(const TextSetup &) = delete;
    bool ok() const { return old_font_ != 0; }
    // The y that puts the text's bottom where baseline y needs it: y + the font's descent. False when that
    // leaves 32 bits (the text would stand far outside any image).
    bool bottom_of(int32_t y, int32_t *bottom) const {
        platform::TextMetrics tm;
        platform::get_text_metrics(dc_, &tm);
        const int64_t b = int64_t{y} + tm.descent;
        *bottom = static_cast<int32_t>(b);
        return b <= INT32_MAX;
    }

private:
    OxwDC dc_;
    platform::GdiObject old_font_;
    int old_mode_ = 0;
    uint32_t old_color_ = 0, old_align_ = 0;
};

// A memory context for `like` that is deleted at the end; objects selected into it must be put back first.
class MemoryDC {
public:
    explicit MemoryDC(OxwDC like) : dc_(platform::create_compatible_dc(like)) {}
    ~MemoryDC() {
        if (dc_) platform::delete_dc(dc_);
    }
    MemoryDC(const MemoryDC &) = delete;
    MemoryDC &operator=(const MemoryDC &) = delete;
    OxwDC get() const { return dc_; }

private:
    OxwDC dc_;
};

// An object selected into a context for a scope.
class Selected {
public:
    Selected(OxwDC dc, platform::GdiObject object) : dc_(dc), old_(platform::select_object(dc, object)) {}
    ~Selected() {
        if (old_) platform::select_object(dc_, old_);
    }
    Selected(const Selected &) = delete;
    Selected &operator=(const Selected &) = delete;
    bool ok() const { return old_ != 0; }

private:
    OxwDC dc_;
    platform::GdiObject old_;
};

// What both paths check first. 0 when the call ends here (with `result` to return).
bool start(OxHandle image, const char *text, int32_t *result) {
    if (!text || !*text) {
        *result = 1;
        return false;
    }
    *result = 0;
    return image != 0;
}

int32_t fail(uint32_t *err, uint32_t code) {
    *err = code;
    return 0;
}

}  // namespace

int32_t image_draw_string(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y, const char *text,
                          OxwFont font, OxColorRef color, uint32_t font_error, uint32_t *err) {
    int32_t result;
    if (!start(image, text, &result)) return result;
    image::ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    const int32_t width = lock.header().width, height = lock.header().height;
    TargetDC target(window, dc);
    if (!platform::is_dc(target.get())) return fail(err, kNotEnoughMemory);
    if (!font) return fail(err, font_error);
    MemoryDC mem(target.get());
    if (!mem.get()) return fail(err, kNotEnoughMemory);
    TextSetup setup(mem.get(), font, color);
    if (!setup.ok()) return fail(err, platform::is_object(font) ? kNotEnoughMemory : OX_ERROR_INVALID_HANDLE);

    // Only the text's box of the image can change: render that box alone, white, and walk it.
    const size_t length = std::strlen(text);
    int32_t bottom;
    OxRect box{};
    if (setup.bottom_of(y, &bottom)) platform::get_text_bounds(mem.get(), x, bottom, text, length, &box);
    box = {std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, width), std::min(box.bottom, height)};
    if (box.left < box.right && box.top < box.bottom) {
        const int32_t bw = box.right - box.left, bh = box.bottom - box.top;
        OwnedObject picture(platform::create_compatible_bitmap(target.get(), bw, bh));
        if (!picture.get()) return fail(err, kNotEnoughMemory);
        Selected in_mem(mem.get(), picture.get());
        if (!in_mem.ok()) return fail(err, kNotEnoughMemory);
        platform::text_out(mem.get(), x - box.left, bottom - box.top, text, length);
        platform::SurfacePixels px(mem.get());
        for (int32_t j = 0; j < bh && px.pixels; ++j) {
            const auto *row = reinterpret_cast<const uint32_t *>(px.pixels + px.stride * static_cast<size_t>(j));
            for (int32_t i = 0; i < bw; ++i)
                if ((row[i] & 0xFFFFFF) != kWhite)  // stored blue, green, red: white either way round
                    oxImagePutPixelEx(&lock.rec(), box.left + i, box.top + j, color, kWhite);
        }
    }
    *err = 0;
    return 1;
}

namespace plain {

int32_t image_draw_string(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y, const char *text,
                          OxwFont font, OxColorRef color, uint32_t font_error, uint32_t *err) {
    int32_t result;
    if (!start(image, text, &result)) return result;
    image::ScopedImageLock lock(image);
    if (!lock.ok()) return 0;
    const int32_t width = lock.header().width, height = lock.header().height;
    const OxwGlobal dib = oxwCreateDIB(width, height, 24, 0, err);
    if (!dib) return 0;
    struct DibGuard {
        OxwGlobal block;
        OxwDibLockRec *rec = nullptr;
        ~DibGuard() {
            if (rec) oxwDibUnlock(rec);
            oxwGlobalFree(block);
        }
    } guard{dib};
    oxwEraseDIB(dib);
    guard.rec = oxwDibLock(dib);
    if (!guard.rec) return fail(err, kNotEnoughMemory);

    TargetDC target(window, dc);
    if (!platform::is_dc(target.get())) return fail(err, kNotEnoughMemory);
    OwnedObject picture(platform::create_compatible_bitmap(target.get(), width, height));
    if (!picture.get()) return fail(err, kNotEnoughMemory);
    if (!font) return fail(err, font_error);
    {
        MemoryDC mem(target.get());
        Selected in_mem(mem.get(), picture.get());
        if (!in_mem.ok()) return fail(err, kNotEnoughMemory);
        TextSetup setup(mem.get(), font, color);
        if (!setup.ok()) return fail(err, platform::is_object(font) ? kNotEnoughMemory : OX_ERROR_INVALID_HANDLE);
        Selected brush(mem.get(), platform::get_stock_object(platform::kWhiteBrush));
        Selected pen(mem.get(), platform::get_stock_object(platform::kNullPen));
        platform::rectangle(mem.get(), 0, 0, width + 1, height + 1);
        int32_t bottom;
        if (setup.bottom_of(y, &bottom)) platform::text_out(mem.get(), x, bottom, text, std::strlen(text));
    }
    platform::get_dib_bits(picture.get(), 0, height, 24, guard.rec->bits,
                           static_cast<size_t>(guard.rec->rowBytes) * static_cast<size_t>(height));
    for (int32_t py = 0; py < height; ++py)
        for (int32_t px = 0; px < width; ++px)
            if (oxwGetDibPixel(guard.rec, px, py) != kWhite) oxImagePutPixelEx(&lock.rec(), px, py, color, kWhite);
    *err = 0;
    return 1;
}

}  // namespace plain

namespace {

int32_t image_draw_edition(Edition edition, OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y,
                           const char *text, int32_t points, OxColorRef color, int32_t style, uint32_t *err) {
    if (!text || !*text) return 1;
    if (!image) return 0;
    OwnedFont font(make_text_font(edition, window, dc, points, style));
    return image_draw_string(window, dc, image, x, y, text, font.get(), color, kNotEnoughMemory, err);
}

}  // namespace
}  // namespace ox::win

using ox::win::Edition;

extern "C" {

OX_API int32_t oxwImageDrawString_J(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y,
                                    const char *text, int32_t points, OxColorRef color, int32_t style, uint32_t *err) {
    return ox::win::image_draw_edition(Edition::japanese, window, dc, image, x, y, text, points, color, style, err);
}
OX_API int32_t oxwImageDrawString_E(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y,
                                    const char *text, int32_t points, OxColorRef color, int32_t style, uint32_t *err) {
    return ox::win::image_draw_edition(Edition::english, window, dc, image, x, y, text, points, color, style, err);
}
OX_API int32_t oxwImageDrawString_C(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y,
                                    const char *text, int32_t points, OxColorRef color, int32_t style, uint32_t *err) {
    return ox::win::image_draw_edition(Edition::chinese, window, dc, image, x, y, text, points, color, style, err);
}

OX_API int32_t oxwImageDrawStringByFont(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y,
                                        const char *text, OxwFont font, OxColorRef color, uint32_t *err) {
    return ox::win::image_draw_string(window, dc, image, x, y, text, font, color, OX_ERROR_INVALID_HANDLE, err);
}

}  // extern "C"
