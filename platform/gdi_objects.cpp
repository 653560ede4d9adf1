// Drawing objects and device contexts of the platform stand-in: the registries, the stock objects,
// bitmaps, pens, brushes and palettes, selection into contexts, and the contexts' text state.
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "core/errors.h"
#include "platform/gdi_state.h"

namespace ox::platform {
namespace detail {

bool Surface::reset(int32_t w, int32_t h, int bits_per_pixel, uint32_t color) {
    width = w;
    height = h;
    bits = bits_per_pixel == 1 ? 1 : 32;
    stride = bits == 1 ? (static_cast<std::size_t>(w) + 31) / 32 * 4 : static_cast<std::size_t>(w) * 4;
    try {
        if (bits == 1) {
            data.assign(stride * h, is_light(color) ? 0xFF : 0x00);
        } else {
            data.resize(stride * h);
            std::fill_n(reinterpret_cast<uint32_t *>(data.data()), static_cast<std::size_t>(w) * h, bgrx_of(color));
        }
    } catch (const std::bad_alloc &) {
        width = height = 0;
        stride = 0;
        data.clear();
        return false;
    }
    return true;
}

namespace {

GdiObject add_stock(State &s, std::unique_ptr<GdiRecord> r) {
    r->stock = true;
    return s.objects.add(std::move(r));
}

std::unique_ptr<GdiRecord> make_brush(uint32_t color, int style) {
    auto r = std::make_unique<GdiRecord>();
    r->kind = ObjectKind::brush;
    r->color = color & 0xFFFFFF;
    r->style = style;
    return r;
}

std::unique_ptr<GdiRecord> make_pen(int style, int32_t width, uint32_t color) {
    auto r = std::make_unique<GdiRecord>();
    r->kind = ObjectKind::pen;
    r->style = style == kPenNull ? kPenNull : kPenSolid;
    r->width = std::max(width, 1);
    r->color = color & 0xFFFFFF;
    return r;
}

State *make_state() {
    auto *s = new State;
    const uint32_t brushes[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    for (int i = 0; i < 5; ++i) s->stock[i] = add_stock(*s, make_brush(brushes[i], 0));
    s->stock[kNullBrush] = add_stock(*s, make_brush(0, 1));
    s->stock[kWhitePen] = add_stock(*s, make_pen(kPenSolid, 1, 0xFFFFFF));
    s->stock[kBlackPen] = add_stock(*s, make_pen(kPenSolid, 1, 0));
    s->stock[kNullPen] = add_stock(*s, make_pen(kPenNull, 1, 0));
    auto pal = std::make_unique<GdiRecord>();
    pal->kind = ObjectKind::palette;
    pal->entries = {0x000000, 0xFFFFFF};
    s->stock[kDefaultPalette] = add_stock(*s, std::move(pal));
    auto font = std::make_unique<GdiRecord>();
    font->kind = ObjectKind::font;
    font->logfont.height = 16;
    font->logfont.weight = 700;
    font->logfont.char_set = kDefaultCharset;
    font->logfont.pitch_and_family = 0x22;  // variable pitch, swiss
    std::memcpy(font->logfont.face_name, "System", 7);
    s->stock[kSystemFont] = add_stock(*s, std::move(font));
    auto bmp = std::make_unique<GdiRecord>();
    bmp->kind = ObjectKind::bitmap;
    bmp->surface.reset(1, 1, 1, 0);
    s->stock_bitmap = add_stock(*s, std::move(bmp));
    return s;
}

GdiObject add_object(std::unique_ptr<GdiRecord> r) {
    State &s = state();
    Guard g(s.mutex);
    return s.objects.add(std::move(r));
}

bool size_ok(int32_t w, int32_t h) {
    return w >= 1 && h >= 1 && w <= kMaxBitmapSide && h <= kMaxBitmapSide &&
           int64_t{w} * h <= kMaxBitmapPixels;
}

GdiObject &slot_of(DcRecord &dc, ObjectKind kind) {
    switch (kind) {
    case ObjectKind::bitmap: return dc.bitmap;
    case ObjectKind::pen: return dc.pen;
    case ObjectKind::brush: return dc.brush;
    case ObjectKind::font: return dc.font;
    case ObjectKind::palette: break;
    }
    return dc.palette;
}

}  // namespace

State &state() {
    static State *s = make_state();  // never destroyed: hosts may release objects during static teardown
    return *s;
}

GdiRecord *find_object(State &s, GdiObject h, ObjectKind kind) {
    GdiRecord *r = s.objects.find(h);
    return r && r->kind == kind ? r : nullptr;
}

Surface *dc_surface(State &s, DcRecord &dc) {
    if (dc.display) return s.screen.width > 0 ? &s.screen : nullptr;
    if (dc.memory) {
        // The stock bitmap of a fresh memory context is shared by all of them: it takes no drawing.
        GdiRecord *b = find_object(s, dc.bitmap, ObjectKind::bitmap);
        return b && !b->stock ? &b->surface : nullptr;
    }
    WindowRecord *w = s.windows.find(dc.window);
    return w ? &w->surface : nullptr;
}

}  // namespace detail

using namespace detail;

GdiObject get_stock_object(int id) {
    State &s = state();
    return id >= 0 && id < 16 ? s.stock[id] : 0;
}

OxwBitmap create_bitmap(int32_t width, int32_t height, int bits_per_pixel) {
    if (!size_ok(width, height)) {
        core::set_last_error(OX_ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto r = std::make_unique<GdiRecord>();
    r->kind = ObjectKind::bitmap;
    if (!r->surface.reset(width, height, bits_per_pixel, bits_per_pixel == 1 ? 0 : 0xFFFFFF)) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return add_object(std::move(r));
}

OxwBitmap create_compatible_bitmap(OxwDC dc, int32_t width, int32_t height) {
    if (dc != 0 && !is_dc(dc)) {
        core::set_last_error(OX_ERROR_INVALID_HANDLE);
        return 0;
    }
    return create_bitmap(width, height, 32);
}

GdiObject create_pen(int style, int32_t width, uint32_t color) {
    if (width < 0) {
        core::set_last_error(OX_ERROR_INVALID_PARAMETER);
        return 0;
    }
    return add_object(make_pen(style, width, color));
}

GdiObject create_solid_brush(uint32_t color) { return add_object(make_brush(color, 0)); }

GdiObject create_palette(std::span<const uint32_t> colors) {
    if (colors.empty() || colors.size() > 256) {
        core::set_last_error(OX_ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto r = std::make_unique<GdiRecord>();
    r->kind = ObjectKind::palette;
    r->entries.assign(colors.begin(), colors.end());
    return add_object(std::move(r));
}

bool delete_object(GdiObject object) {
    State &s = state();
    Guard g(s.mutex);
    GdiRecord *r = s.objects.find(object);
    if (!r) return false;
    if (r->stock) return true;
    if (r->selections != 0) return false;
    return s.objects.remove(object);
}

bool is_object(GdiObject object) {
    State &s = state();
    Guard g(s.mutex);
    return s.objects.find(object) != nullptr;
}

bool get_bitmap_size(OxwBitmap bitmap, BitmapSize *size) {
    State &s = state();
    Guard g(s.mutex);
    const GdiRecord *r = find_object(s, bitmap, ObjectKind::bitmap);
    if (!r) return false;
    *size = {r->surface.width, r->surface.height, r->surface.bits};
    return true;
}

bool set_bitmap_dimension(OxwBitmap bitmap, int32_t cx, int32_t cy, int32_t *old_cx, int32_t *old_cy) {
    State &s = state();
    Guard g(s.mutex);
    GdiRecord *r = find_object(s, bitmap, ObjectKind::bitmap);
    if (!r || r->stock) return false;
    if (old_cx) *old_cx = r->dim_cx;
    if (old_cy) *old_cy = r->dim_cy;
    r->dim_cx = cx;
    r->dim_cy = cy;
    return true;
}

bool get_bitmap_dimension(OxwBitmap bitmap, int32_t *cx, int32_t *cy) {
    State &s = state();
    Guard g(s.mutex);
    const GdiRecord *r = find_object(s, bitmap, ObjectKind::bitmap);
    if (!r) return false;
    *cx = r->dim_cx;
    *cy = r->dim_cy;
    return true;
}

bool get_bitmap_pixel(OxwBitmap bitmap, int32_t x, int32_t y, uint32_t *color) {
    State &s = state();
    Guard g(s.mutex);
    const GdiRecord *r = find_object(s, bitmap, ObjectKind::bitmap);
    if (!r || !r->surface.inside(x, y)) return false;
    *color = r->surface.get(x, y);
    return true;
}

bool set_bitmap_pixel(OxwBitmap bitmap, int32_t x, int32_t y, uint32_t color) {
    State &s = state();
    Guard g(s.mutex);
    GdiRecord *r = find_object(s, bitmap, ObjectKind::bitmap);
    if (!r || r->stock || !r->surface.inside(x, y)) return false;
    r->surface.put(x, y, color);
    return true;
}

OxwDC create_compatible_dc(OxwDC like) {
    State &s = state();
    Guard g(s.mutex);
    if (like != 0 && !s.dcs.find(like)) {
        core::set_last_error(OX_ERROR_INVALID_HANDLE);
        return 0;
    }
    auto dc = std::make_unique<DcRecord>();
    dc->memory = true;
    dc->bitmap = s.stock_bitmap;
    dc->pen = s.stock[kBlackPen];
    dc->brush = s.stock[kWhiteBrush];
    dc->font = s.stock[kSystemFont];
    dc->palette = s.stock[kDefaultPalette];
    return s.dcs.add(std::move(dc));
}

namespace detail {

// Drops the context's hold on its objects and removes it.
void remove_dc(State &s, OxwDC h) {
    DcRecord *dc = s.dcs.find(h);
    if (!dc) return;
    for (GdiObject o : {dc->bitmap, dc->pen, dc->brush, dc->palette, dc->font})
        if (GdiRecord *r = s.objects.find(o); r && r->selections) --r->selections;
    s.dcs.remove(h);
}

// A context for a window (0: the screen, which has no pixels) holding the default objects.
OxwDC add_window_dc(State &s, OxwWindow window) {
    auto dc = std::make_unique<DcRecord>();
    dc->window = window;
    dc->pen = s.stock[kBlackPen];
    dc->brush = s.stock[kWhiteBrush];
    dc->font = s.stock[kSystemFont];
    dc->palette = s.stock[kDefaultPalette];
    return s.dcs.add(std::move(dc));
}

}  // namespace detail

bool delete_dc(OxwDC dc) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *r = s.dcs.find(dc);
    if (!r || !(r->memory || r->display)) return false;
    remove_dc(s, dc);
    return true;
}

bool is_dc(OxwDC dc) {
    State &s = state();
    Guard g(s.mutex);
    return s.dcs.find(dc) != nullptr;
}

GdiObject select_object(OxwDC dc, GdiObject object) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    GdiRecord *r = s.objects.find(object);
    if (!d || !r || r->kind == ObjectKind::palette) return 0;
    GdiObject &slot = slot_of(*d, r->kind);
    if (slot == object) return object;
    if (r->kind == ObjectKind::bitmap && (!d->memory || (r->selections != 0 && object != s.stock_bitmap)))
        return 0;
    const GdiObject old = slot;
    if (GdiRecord *o = s.objects.find(old); o && o->selections) --o->selections;
    ++r->selections;
    slot = object;
    return old;
}

GdiObject get_current_object(OxwDC dc, ObjectKind kind) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    return d ? slot_of(*d, kind) : 0;
}

GdiObject select_palette(OxwDC dc, GdiObject palette, bool background) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    GdiRecord *r = find_object(s, palette, ObjectKind::palette);
    if (!d || !r) return 0;
    const GdiObject old = d->palette;
    if (old != palette) {
        if (GdiRecord *o = s.objects.find(old); o && o->selections) --o->selections;
        ++r->selections;
        d->palette = palette;
    }
    d->palette_background = background;
    return old;
}

uint32_t realize_palette(OxwDC dc) { return 0; }

namespace {

template <class T, class F>
T with_text_state(OxwDC dc, T refused, F f) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    return d ? f(d->text) : refused;
}

}  // namespace

uint32_t set_text_color(OxwDC dc, uint32_t color) {
    return with_text_state(dc, kInvalidColor,
                           [&](TextState &t) { return std::exchange(t.text_color, color & 0xFFFFFF); });
}
uint32_t set_bk_color(OxwDC dc, uint32_t color) {
    return with_text_state(dc, kInvalidColor,
                           [&](TextState &t) { return std::exchange(t.bk_color, color & 0xFFFFFF); });
}
int set_bk_mode(OxwDC dc, int mode) {
    if (mode != kTransparent && mode != kOpaque) return 0;
    return with_text_state(dc, 0, [&](TextState &t) { return std::exchange(t.bk_mode, mode); });
}
uint32_t set_text_align(OxwDC dc, uint32_t align) {
    return with_text_state(dc, kInvalidColor, [&](TextState &t) { return std::exchange(t.text_align, align); });
}
bool get_text_state(OxwDC dc, TextState *out) {
    return with_text_state(dc, false, [&](TextState &t) {
        *out = t;
        return true;
    });
}

bool get_dc_size(OxwDC dc, int32_t *width, int32_t *height) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    const Surface *surf = d ? dc_surface(s, *d) : nullptr;
    if (!surf) return false;
    *width = surf->width;
    *height = surf->height;
    return true;
}

SurfacePixels::SurfacePixels(OxwDC dc) : lock_(state().mutex) {
    State &s = state();
    DcRecord *d = s.dcs.find(dc);
    Surface *surf = d ? dc_surface(s, *d) : nullptr;
    if (!surf || surf->bits != 32 || surf->width <= 0 || surf->height <= 0) {
        lock_.unlock();
        return;
    }
    pixels = surf->data.data();
    stride = surf->stride;
    width = surf->width;
    height = surf->height;
}

bool get_dc_pixel(OxwDC dc, int32_t x, int32_t y, uint32_t *color) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    const Surface *surf = d ? dc_surface(s, *d) : nullptr;
    if (!surf || !surf->inside(x, y)) return false;
    *color = surf->get(x, y);
    return true;
}

uint32_t get_sys_color(int index) {
    // Colour values (red low): the classic scheme's grays, blues and text colours.
    static constexpr uint32_t kColors[31] = {
        0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF,
        0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4, 0x808080, 0x808080, 0x000000, 0xC8D0D4,
        0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000, 0xE1FFFF, 0x000000, 0x800000, 0xF0CAA6, 0xC0C0C0, 0x6A240A,
        0xC8D0D4};
    return index >= 0 && index < 31 ? kColors[index] : 0;
}

int32_t get_device_caps(OxwDC dc, int index) {
    State &s = state();
    Guard g(s.mutex);
    DcRecord *d = s.dcs.find(dc);
    if (!d) return 0;
    const Surface *surf = dc_surface(s, *d);
    switch (index) {
    case 8: return surf ? surf->width : s.screen_width;
    case 10: return surf ? surf->height : s.screen_height;
    case 12: return surf ? surf->bits : 32;
    case 14: return 1;
    case 88:
    case 90: return 96;
    default: return 0;
    }
}

int32_t get_system_metrics(int index) {
    State &s = state();
    Guard g(s.mutex);
    switch (index) {
    case kSmCxScreen: return s.screen_width;
    case kSmCyScreen: return s.screen_height;
    case kSmCxEdge:
    case kSmCyEdge: return kEdgeWidth;
    case kSmCxSmSize: return kSmallCaptionButtonWidth;
    default: return 0;
    }
}

std::size_t live_object_count() {
    State &s = state();
    Guard g(s.mutex);
    std::size_t n = 0;
    s.objects.for_each([&](uintptr_t, const GdiRecord &r) { n += !r.stock; });
    return n;
}

std::size_t live_dc_count() {
    State &s = state();
    Guard g(s.mutex);
    return s.dcs.size();
}

}  // namespace ox::platform
