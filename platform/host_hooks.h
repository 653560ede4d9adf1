// Calls the host registers for what a user does on the original system: the input hook, which a loop that
// waits on the mouse calls at each poll (so that a host, or a test, moves the cursor and releases the
// button as a user would), and the colour chooser that stands in for the system's colour dialog. One of
// each; registering another replaces it, and null removes it.
#pragma once

#include "oxw.h"

namespace ox::platform {

void set_input_hook(OxwInputHook hook, void *context);
// Calls the input hook, when there is one.
void run_input_hook();

void set_color_chooser(OxwColorChooser chooser, void *context);
bool has_color_chooser();
// Hands the choice to the chooser: its result (non-zero: a colour was chosen), or false when none is
// registered.
bool run_color_chooser(OxwColorChoice *choice);

}  // namespace ox::platform
