// The message queue of the platform stand-in: messages posted to windows wait in one process-wide queue in
// posting order until a peek removes them. Any thread may post (a sound that ends posts from its player
// thread); a window that is destroyed takes its waiting messages with it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "oxw.h"

namespace ox::platform {

// A window holds at most this many waiting messages; a post beyond it fails with 1816 (not enough quota).
inline constexpr std::size_t kMaxQueuedPerWindow = 10000;

struct Message {
    OxwWindow window = 0;
    uint32_t message = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
};

// Queues a message for a live window. False for a refused window (6) or a full queue (1816), with the code
// in ox::core::last_error().
bool post_message(OxwWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// The oldest waiting message for `window` (0: for any window) whose number lies in [first, last] (both 0:
// any number), copied to `out` and removed when `remove` is set. False when there is none, or for a
// refused window.
bool peek_message(Message *out, OxwWindow window, uint32_t first, uint32_t last, bool remove);

// Messages waiting for `window` (0: for all windows).
std::size_t queued_message_count(OxwWindow window);

}  // namespace ox::platform
