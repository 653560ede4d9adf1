// The screen of the platform stand-in: its size, which the host may set (1920 x 1080 until it does), and a
// pixel surface for the few functions that draw on the whole display. Nothing composes windows onto it:
// it holds what the host writes there and what display contexts draw.
#pragma once

#include <cstdint>

#include "oxw.h"

namespace ox::platform {

// Sets the screen size, 1..16384 each way (87 otherwise); a screen surface already made is remade white.
// False without memory (8) or for a bad size.
bool set_screen_size(int32_t width, int32_t height);

// A context for the whole display (as made for the device "DISPLAY"): it draws on the screen surface,
// which is made white at the screen size the first time. Holds the default pen and brush like a window's
// context. Delete it with delete_dc. 0 without memory (8).
OxwDC create_display_dc();

// The screen's pixels as colour values, top row first; false (nothing copied) unless the rectangle lies
// inside the screen and the buffer is not null. Reading a screen surface not made yet reads white.
bool read_screen_pixels(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *dst);
bool write_screen_pixels(int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t *src);

}  // namespace ox::platform
