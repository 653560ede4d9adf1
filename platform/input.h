// Input and feedback of the platform stand-in: the key state (set by the host or by tests; no display is
// read), the current cursor (recorded), and beeps (recorded, and rung on the terminal when stderr is one).
#pragma once

#include <cstdint>

#include "oxw.h"

namespace ox::platform {

// Virtual key codes the library polls.
inline constexpr int32_t kVkShift = 16;
inline constexpr int32_t kVkEscape = 27;

// Marks key `vk` (0..255) as held down or released; false for another code.
bool set_key_state(int32_t vk, bool down);
// The key state word: bit 15 set while the key is held down; 0 for codes outside 0..255. The asynchronous
// state and the state of the current message are the same thing here.
uint16_t get_key_state(int32_t vk);

// The system cursors by their resource numbers.
inline constexpr uint32_t kCursorArrow = 32512;
inline constexpr uint32_t kCursorIBeam = 32513;
inline constexpr uint32_t kCursorWait = 32514;
inline constexpr uint32_t kCursorCross = 32515;

// A cursor handle: 0 is none. Only the system cursors exist: load_cursor with module 0 and one of the
// numbers 32512-32516, 32640-32651 gives a handle; anything else 0.
using Cursor = uintptr_t;
Cursor load_cursor(OxwModule module, uint32_t id);
// Makes `cursor` current (0 hides it); returns the previous one. An unknown handle changes nothing and
// returns 0.
Cursor set_cursor(Cursor cursor);
Cursor current_cursor();
// The resource number of a cursor handle, 0 for none or an unknown one.
uint32_t cursor_id(Cursor cursor);

// Records a beep of the given sound type (and rings the terminal bell when stderr is a terminal).
void beep(uint32_t type);
// Beeps since the last call: their count, with the first min(count, capacity, 256) sound types copied to
// `types` (which may be 0 when capacity is 0). Clears the record.
uint32_t take_beeps(uint32_t *types, uint32_t capacity);

}  // namespace ox::platform
