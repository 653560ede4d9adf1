// The system tick count and sleep of the platform stand-in. A host (or a test) may set a tick source and a
// sleep of its own, so that code that waits for a time span can be driven without real waiting.
#pragma once

#include <cstdint>

#include "oxw.h"

namespace ox::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 (about 49.7 days): the host's tick source when
// one is set, else the monotonic clock.
uint32_t tick_count();
// Waits `ms` milliseconds: the host's sleep when one is set, else a real sleep on the calling thread.
void sleep_ms(uint32_t ms);
// Sets the tick source and the sleep with the context both receive; a source of 0 goes back to the
// monotonic clock, a sleep of 0 to real sleeping.
void set_tick_source(OxwTickSource tick, OxwSleepHook sleep, void *context);

}  // namespace ox::platform
