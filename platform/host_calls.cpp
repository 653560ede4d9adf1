// The host-side calls of oxw.h: what a host does in place of the window system, forwarded to the platform
// stand-in.
#include <new>

#include "oxw.h"
#include "platform/gdi.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/module_paths.h"
#include "platform/resources.h"
#include "platform/sound_sink.h"
#include "platform/window.h"

using namespace ox::platform;

extern "C" {

OX_API OxwWindow oxwHostCreateWindow(OxwWindow parent, int32_t x, int32_t y, int32_t width, int32_t height,
                                     uint32_t visible) {
    return create_window(parent, x, y, width, height, visible != 0);
}

OX_API int32_t oxwHostDestroyWindow(OxwWindow window) { return destroy_window(window) ? 1 : 0; }

OX_API OxwDC oxwHostGetDC(OxwWindow window) { return get_dc(window); }

OX_API int32_t oxwHostReleaseDC(OxwWindow window, OxwDC dc) { return release_dc(window, dc) ? 1 : 0; }

OX_API int32_t oxwHostReadWindowPixels(OxwWindow window, int32_t x, int32_t y, int32_t width, int32_t height,
                                       OxColorRef *dst) {
    return read_window_pixels(window, x, y, width, height, dst) ? 1 : 0;
}

OX_API int32_t oxwHostReadBitmapPixels(OxwBitmap bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                                       OxColorRef *dst) {
    return read_bitmap_pixels(bitmap, x, y, width, height, dst) ? 1 : 0;
}

OX_API int32_t oxwHostGetBitmapSize(OxwBitmap bitmap, int32_t *width, int32_t *height, int32_t *bitCount) {
    BitmapSize size;
    if (!get_bitmap_size(bitmap, &size)) return 0;
    if (width) *width = size.width;
    if (height) *height = size.height;
    if (bitCount) *bitCount = size.bits_per_pixel;
    return 1;
}

OX_API int32_t oxwHostDeleteObject(uintptr_t object) { return delete_object(object) ? 1 : 0; }

OX_API int32_t oxwHostGetUpdateRect(OxwWindow window, OxRect *rect) {
    OxRect box{};
    const bool any = get_update_rect(window, &box);
    if (rect) *rect = box;
    return any ? 1 : 0;
}

OX_API OxwModule oxwHostRegisterModule(const char *folder, uint32_t *err) { return register_module(folder, err); }

OX_API int32_t oxwHostUnregisterModule(OxwModule module) { return unregister_module(module) ? 1 : 0; }

OX_API int32_t oxwHostSetKeyState(int32_t virtualKey, int32_t down) {
    return set_key_state(virtualKey, down != 0) ? 1 : 0;
}

OX_API uint32_t oxwHostGetCursor(void) { return cursor_id(current_cursor()); }

OX_API uint32_t oxwHostTakeBeeps(uint32_t *types, uint32_t capacity) { return take_beeps(types, capacity); }

OX_API int32_t oxwHostPostMessage(OxwWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return post_message(window, message, wParam, lParam) ? 1 : 0;
}

OX_API int32_t oxwHostPeekMessage(OxwMessage *msg, OxwWindow window, uint32_t first, uint32_t last,
                                  uint32_t remove) {
    Message m;
    if (!peek_message(&m, window, first, last, remove != 0)) return 0;
    if (msg) *msg = {m.window, m.message, m.wparam, m.lparam};
    return 1;
}

OX_API int32_t oxwHostSetSoundOutput(int32_t output, const char *alsaDevice) {
    if (output < OXW_SOUND_OUTPUT_AUTO || output > OXW_SOUND_OUTPUT_ALSA) return 0;
    try {
        return set_sound_output(static_cast<SoundOutput>(output), alsaDevice) ? 1 : 0;
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

OX_API int32_t oxwHostSetSystemDirectory(const char *folder) {
    try {
        set_system_directory(folder);
        return 1;
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

}  // extern "C"
