// Inside the platform stand-in: pixel surfaces, the object, context and window records, and the registries
// that hand out and check their handles. Only platform/*.cpp include this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "oxw.h"
#include "platform/font.h"
#include "platform/gdi.h"

namespace ox::platform::detail {

// Colour value (red low) <-> stored 32-bit pixel (blue low): the two differ by the order of red and blue.
constexpr uint32_t bgrx_of(uint32_t color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
constexpr uint32_t color_of_bgrx(uint32_t px) { return bgrx_of(px & 0xFFFFFF); }

// The white-or-black choice for a colour drawn on a monochrome surface.
constexpr bool is_light(uint32_t color) {
    return (color & 0xFF) + ((color >> 8) & 0xFF) + ((color >> 16) & 0xFF) >= 384;
}

// Storage that starts on a cache line. Rows of a 32-bit surface are 4 x width bytes, so a surface that
// starts on a line keeps wide stores into tiles at multiples of 16 pixels from straddling lines.
template <class T>
struct LineAligned {
    using value_type = T;
    LineAligned() = default;
    template <class U>
    LineAligned(const LineAligned<U> &) {}
    T *allocate(std::size_t n) { return static_cast<T *>(::operator new(n * sizeof(T), std::align_val_t{64})); }
    void deallocate(T *p, std::size_t) { ::operator delete(p, std::align_val_t{64}); }
    template <class U>
    bool operator==(const LineAligned<U> &) const {
        return true;
    }
};

// Pixels of a bitmap or a window: 32-bit (blue, green, red, 0) or 1-bit rows (MSB first, 1 = white),
// row 0 at the top; rows of 1-bit surfaces are padded to 32 bits.
struct Surface {
    int32_t width = 0, height = 0;
    int bits = 32;
    std::size_t stride = 0;
    std::vector<uint8_t, LineAligned<uint8_t>> data;

    // Sizes the surface (checked by the caller) and fills it with `color`; false without memory.
    bool reset(int32_t w, int32_t h, int bits_per_pixel, uint32_t color);
    bool inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t *row32(int32_t y) { return reinterpret_cast<uint32_t *>(data.data() + stride * y); }
    const uint32_t *row32(int32_t y) const { return reinterpret_cast<const uint32_t *>(data.data() + stride * y); }
    uint8_t *row(int32_t y) { return data.data() + stride * y; }
    const uint8_t *row(int32_t y) const { return data.data() + stride * y; }
    // Colour value of a pixel inside the surface (monochrome: 0 or 0xFFFFFF).
    uint32_t get(int32_t x, int32_t y) const {
        if (bits == 1) return (row(y)[x >> 3] & (0x80 >> (x & 7))) ? 0xFFFFFF : 0;
        return color_of_bgrx(row32(y)[x]);
    }
    // Stores a colour value into a pixel inside the surface (monochrome: is_light).
    void put(int32_t x, int32_t y, uint32_t color) {
        if (bits == 1) {
            uint8_t &b = row(y)[x >> 3];
            const uint8_t m = static_cast<uint8_t>(0x80 >> (x & 7));
            b = is_light(color) ? (b | m) : (b & ~m);
        } else {
            row32(y)[x] = bgrx_of(color);
        }
    }
};

struct GdiRecord {
    ObjectKind kind = ObjectKind::bitmap;
    bool stock = false;
    uint32_t selections = 0;  // contexts holding it
    // bitmap
    Surface surface;
    int32_t dim_cx = 0, dim_cy = 0;
    // pen and brush
    int style = 0;  // pen: kPenSolid / kPenNull; brush: 0 solid, 1 null
    int32_t width = 1;
    uint32_t color = 0;
    // palette
    std::vector<uint32_t> entries;
    // font
    LogFont logfont;
};

struct DcRecord {
    OxwWindow window = 0;  // a window's context; 0 for a memory context or the screen's
    bool memory = false;
    bool display = false;  // a context for the whole display: draws on the screen surface
    GdiObject bitmap = 0, pen = 0, brush = 0, palette = 0, font = 0;
    bool palette_background = false;
    TextState text;
};

struct WindowRecord {
    OxwWindow parent = 0;
    int32_t id = 0;
    OxRect rect{};  // in the parent's client coordinates (the screen's for a top-level window)
    bool visible = false;
    std::string text;
    std::map<std::string, uintptr_t> props;
    Surface surface;              // the client area, 32-bit, starts white
    std::vector<uint8_t> update;  // one byte per client pixel, 1 = waits for painting; empty = none
    bool erase = false;           // some invalidation asked for the background to be erased
    bool enabled = true;
    uint32_t show_state = 1;          // kShowNormal, kShowMinimized or kShowMaximized (window.h)
    OxRect normal_rect{};             // the restored rectangle while minimised or maximised
    OxPoint min_position{-1, -1}, max_position{-1, -1};
    uintptr_t class_cursor = 0;       // the cursor of the window's class (each window has a class of its own)
    std::string class_name;           // the registered class it was made with (window_class.h); "" for none
    uint32_t style = 0, ex_style = 0; // as made by create_window_ex; recorded only
    OxwWindow owner = 0;              // the owner of a top-level window made with one
    OxwModule module = 0;             // the module whose resources the window's functions load
};

// Handles are tag << 32 | serial: the tag tells the kinds apart, serials are never reused, so a stale or
// made-up value finds nothing.
template <class T>
class Registry {
public:
    explicit Registry(uintptr_t tag) : tag_(tag) {}
    uintptr_t add(std::unique_ptr<T> record) {
        const uintptr_t h = (tag_ << 32) | ++serial_;
        map_.emplace(h, std::move(record));
        return h;
    }
    T *find(uintptr_t h) const {
        auto it = map_.find(h);
        return it == map_.end() ? nullptr : it->second.get();
    }
    bool remove(uintptr_t h) { return map_.erase(h) != 0; }
    std::size_t size() const { return map_.size(); }
    template <class F>
    void for_each(F f) const {
        for (const auto &[h, r] : map_) f(h, *r);
    }

private:
    uintptr_t tag_;
    uint32_t serial_ = 0;
    std::unordered_map<uintptr_t, std::unique_ptr<T>> map_;
};

struct State {
    std::recursive_mutex mutex;
    Registry<GdiRecord> objects{0x6D0};
    Registry<DcRecord> dcs{0xDC0};
    Registry<WindowRecord> windows{0x3D0};
    GdiObject stock[16] = {};
    GdiObject stock_bitmap = 0;  // the 1 x 1 monochrome bitmap a new memory context holds
    int32_t screen_width = kScreenWidth, screen_height = kScreenHeight;
    Surface screen;  // the display's pixels, made when the first display context is (screen.cpp)
};

// The one state, made on first use (with its stock objects) and never destroyed.
State &state();
using Guard = std::lock_guard<std::recursive_mutex>;

GdiRecord *find_object(State &s, GdiObject h, ObjectKind kind);
// The surface a context draws into, or nullptr (a refused context, the screen, a destroyed window).
Surface *dc_surface(State &s, DcRecord &dc);
// A context for a window (0: the screen, which has no pixels) holding the default objects.
OxwDC add_window_dc(State &s, OxwWindow window);
// Drops a context's hold on its objects and removes it.
void remove_dc(State &s, OxwDC dc);
// Whether the rectangle has a positive size and lies inside the surface.
bool surface_holds(const Surface &s, int32_t x, int32_t y, int32_t width, int32_t height);
// Copies the rectangle's pixels as colour values, top row first; false (nothing written) unless
// surface_holds and `dst` is not null.
bool read_pixels(const Surface &s, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *dst);
// Sizes the screen surface to the screen when it is not (white); false without memory. The caller holds
// the lock.
bool ensure_screen_surface(State &s);
// Fills the inclusive box [x0, x1] x [y0, y1], clipped to the surface (gdi_shapes.cpp).
void fill_box(Surface &s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t color);
// Removes the messages waiting for a window (messages.cpp); the caller holds the lock.
void drop_window_messages(OxwWindow window);

}  // namespace ox::platform::detail
