// The small services that go through the display layer: the wait cursor, the beep, string resources and
// key polling.
#include "ox.h"
#include "platform/input.h"
#include "platform/resources.h"

using namespace ox::platform;

extern "C" {

OX_API void oxTimeCursor(void) { set_cursor(load_cursor(0, kCursorWait)); }

OX_API void oxMessageBeep(uint32_t type) { beep(type); }

OX_API int32_t oxLoadString(uintptr_t module, uint32_t id, uint32_t ignored, char *buffer, int32_t size) {
    return load_string(module, id, buffer, size);
}

OX_API int32_t oxGetKeyState(int32_t virtualKey) { return (get_key_state(virtualKey) & 0x8000) ? 1 : 0; }

OX_API uint32_t oxAbort(void) { return (get_key_state(kVkEscape) & 0x8000) ? 1 : 0; }

}  // extern "C"
