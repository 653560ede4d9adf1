// Icons: their registry and copies of their two pictures.
#include "platform/icon.h"

#include <memory>
#include <new>
#include <utility>

#include "core/errors.h"
#include "platform/gdi_state.h"

namespace ox::platform {

using namespace detail;

namespace {

struct IconRecord {
    bool is_icon = true;
    int32_t hot_x = 0, hot_y = 0;
    Surface mask, color;
    bool has_color = false;
};

// Guarded by the platform's lock.
Registry<IconRecord> &icons() {
    static auto *r = new Registry<IconRecord>(0x1C0);
    return *r;
}

// A new bitmap holding a copy of `surface`; 0 without memory.
OxwBitmap bitmap_of(State &s, const Surface &surface) {
    const OxwBitmap b = create_bitmap(surface.width, surface.height, surface.bits);
    if (!b) return 0;
    try {
        find_object(s, b, ObjectKind::bitmap)->surface = surface;
    } catch (const std::bad_alloc &) {
        delete_object(b);
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return b;
}

}  // namespace

OxwIcon create_icon_indirect(const IconParts &parts) {
    State &s = state();
    Guard g(s.mutex);
    const GdiRecord *mask = find_object(s, parts.mask, ObjectKind::bitmap);
    const GdiRecord *color = parts.color ? find_object(s, parts.color, ObjectKind::bitmap) : nullptr;
    if (!mask || (parts.color && !color)) {
        core::set_last_error(OX_ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        auto r = std::make_unique<IconRecord>();
        r->is_icon = parts.is_icon;
        r->hot_x = parts.hot_x;
        r->hot_y = parts.hot_y;
        r->mask = mask->surface;
        if (color) r->color = color->surface;
        r->has_color = color != nullptr;
        return icons().add(std::move(r));
    } catch (const std::bad_alloc &) {
        core::set_last_error(OX_ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

bool get_icon_info(OxwIcon icon, IconParts *parts) {
    State &s = state();
    Guard g(s.mutex);
    const IconRecord *r = icons().find(icon);
    if (!r) return false;
    IconParts out{r->is_icon, r->hot_x, r->hot_y, bitmap_of(s, r->mask), 0};
    if (out.mask && r->has_color && (out.color = bitmap_of(s, r->color)) == 0) {
        delete_object(out.mask);
        out.mask = 0;
    }
    if (!out.mask) return false;
    *parts = out;
    return true;
}

bool destroy_icon(OxwIcon icon) {
    State &s = state();
    Guard g(s.mutex);
    return icons().remove(icon);
}

std::size_t live_icon_count() {
    State &s = state();
    Guard g(s.mutex);
    return icons().size();
}

}  // namespace ox::platform
