// Input and feedback of the platform stand-in: the key state and the cursor position (set by the host or by
// tests; no display is read), the mouse capture, the current cursor (recorded), and beeps (recorded, and
// rung on the terminal when stderr is one).
#pragma once

#include <cstdint>
#include <string>

#include "oxw.h"

namespace ox::platform {

// Virtual key codes the library polls. The mouse buttons are keys too: the host presses and releases them
// with set_key_state.
inline constexpr int32_t kVkLButton = 1;
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

// A cursor handle: 0 is none. The system cursors come with module 0 and one of the numbers 32512-32516,
// 32640-32651; a registered module's cursors by name or number (resources.h). Loading one cursor twice
// gives the same handle.
using Cursor = uintptr_t;
Cursor load_cursor(OxwModule module, uint32_t id);
// By resource name (a value below 0x10000 or "#n" is the number n); 0 when there is no such cursor.
Cursor load_cursor(OxwModule module, const char *name);
// Makes `cursor` current (0 hides it); returns the previous one. An unknown handle changes nothing and
// returns 0.
Cursor set_cursor(Cursor cursor);
Cursor current_cursor();
// The resource number of a system cursor handle, 0 for none or any other.
uint32_t cursor_id(Cursor cursor);
// A cursor's name: "#32512" for a system cursor, the resource name for a module's ("#n" for a numbered
// one), "" for none or an unknown handle.
std::string cursor_name(Cursor cursor);

// The cursor position in screen coordinates, set by the host; (0, 0) until it is.
void set_cursor_pos(int32_t x, int32_t y);
OxPoint get_cursor_pos();

// The window that captures the mouse (0: none). set_capture returns the previous one; 0 and does nothing
// for a refused window.
OxwWindow set_capture(OxwWindow window);
void release_capture();
OxwWindow get_capture();

// Records a beep of the given sound type (and rings the terminal bell when stderr is a terminal).
void beep(uint32_t type);
// Beeps since the last call: their count, with the first min(count, capacity, 256) sound types copied to
// `types` (which may be 0 when capacity is 0). Clears the record.
uint32_t take_beeps(uint32_t *types, uint32_t capacity);

}  // namespace ox::platform
