// The colour picker: a dialog window stands open while the host's chooser runs, as the system's colour
// dialog did, so that the caller can reach it.
#include "oxw.h"
#include "platform/host_hooks.h"
#include "platform/window.h"

namespace {

constexpr int32_t kDialogWidth = 450, kDialogHeight = 330;
constexpr uint32_t kChooseFlags = 0x13;  // initial colour given, full dialog, hook procedure

}  // namespace

extern "C" {

OX_API int32_t oxwColorDialog(OxwWindow owner, OxwWindow reference, OxColorRef *color, OxwWindow *dialog,
                              int32_t centre) {
    if (dialog) *dialog = 0;
    if (!color || (owner != 0 && !ox::platform::is_window(owner)) || !ox::platform::has_color_chooser()) return 0;
    const OxwWindow window = ox::platform::create_window(0, 0, 0, kDialogWidth, kDialogHeight, true);
    if (!window) return 0;
    // What the hook does when the dialog starts: hand the window to the caller, centre it when asked.
    if (dialog) *dialog = window;
    if (centre) oxwMoveDlg(reference, window);
    OxwColorChoice choice{owner, window, *color, kChooseFlags, OXW_CUSTOM_COLORS};
    const bool chosen = ox::platform::run_color_chooser(&choice);
    ox::platform::destroy_window(window);
    if (dialog) *dialog = 0;
    if (!chosen) return 0;
    *color = choice.color;
    return 1;
}

}  // extern "C"
