// The process-wide status bar that the progress bars draw in.
#pragma once

#include "oxw.h"

namespace ox::win {

// The status bar made by the last oxwCreateStatusBar (0 when none was made).
OxwWindow status_bar();

}  // namespace ox::win
