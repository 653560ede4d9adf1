// The rectangle operations on windows and contexts, handed to the display layer unchanged.
#include "ox.h"
#include "platform/gdi.h"
#include "platform/window.h"

using namespace ox::platform;

extern "C" {

OX_API int32_t oxPortRect(uintptr_t window, OxRect *rect) {
    return rect && get_client_rect(window, rect) ? 1 : 0;
}

OX_API int32_t oxInvalidateRect(uintptr_t window, const OxRect *rect) {
    return invalidate_rect(window, rect, false) ? 1 : 0;
}

OX_API int32_t oxValidateRect(uintptr_t window, const OxRect *rect) { return validate_rect(window, rect) ? 1 : 0; }

OX_API int32_t oxInvertRect(uintptr_t dc, const OxRect *rect) {
    if (!rect || !is_dc(dc)) return 0;
    int32_t w, h;
    return !get_dc_size(dc, &w, &h) || invert_rect(dc, *rect) ? 1 : 0;
}

}  // extern "C"
