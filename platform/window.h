// Windows of the platform stand-in: a tree of rectangles with a client area that is a pixel surface,
// visibility, an update region, a caption text, named properties and a dialog-item id. There is no
// frame: the client area is the whole window. Handles are checked like the drawing objects' (gdi.h).
#pragma once

#include <cstdint>
#include <string>

#include "oxw.h"

namespace ox::platform {

// The largest window side.
inline constexpr int32_t kMaxWindowSide = 16384;

// A window at (x, y) of its parent's client area (of the screen for a parent of 0), width x height pixels
// (0 allowed), its client area white. 0 for a refused parent or a size outside 0..kMaxWindowSide (87), or
// without memory (8).
OxwWindow create_window(OxwWindow parent, int32_t x, int32_t y, int32_t width, int32_t height, bool visible,
                        int32_t id = 0);
// Destroys the window and its children. Contexts taken from them stay valid handles that draw nothing
// until released. False for a refused handle.
bool destroy_window(OxwWindow window);
bool is_window(OxwWindow window);
OxwWindow get_parent(OxwWindow window);
// The first child of `parent` with this id, or 0.
OxwWindow get_dlg_item(OxwWindow parent, int32_t id);

// The window's rectangle in its parent's client coordinates; the client rectangle (0, 0, width, height).
bool get_window_rect(OxwWindow window, OxRect *rect);
bool get_client_rect(OxwWindow window, OxRect *rect);
// Moves and resizes; the pixels that stay inside keep their colour, new ones are white; the update
// region is cleared. False for a refused handle or a bad size.
bool move_window(OxwWindow window, int32_t x, int32_t y, int32_t width, int32_t height);

// Shows or hides; returns whether the window was visible before (false for a refused handle).
bool show_window(OxwWindow window, bool visible);
// Visible when it and all its ancestors are.
bool is_window_visible(OxwWindow window);

// Enables or disables input to the window; returns whether it was disabled before (false for a refused
// handle).
bool enable_window(OxwWindow window, bool enable);
bool is_window_enabled(OxwWindow window);

// The window's rectangle in screen coordinates (its own plus its ancestors' offsets).
bool get_window_screen_rect(OxwWindow window, OxRect *rect);

// Show states as a placement reports them. A window is made shown normally. Maximising remembers the
// restored rectangle and fills the parent's client area (the screen for a top-level window); minimising
// remembers it and keeps the rectangle; showing normally puts the restored rectangle back. Each shows the
// window. False for a refused handle, another state (87) or a failed resize (8).
inline constexpr uint32_t kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3;
bool set_show_state(OxwWindow window, uint32_t show);
// The placement record: length 44, flags 0, the show state, the minimised and maximised positions
// ((-1, -1) until set), and the restored rectangle (the window's rectangle while shown normally).
bool get_window_placement(OxwWindow window, OxwWindowPlacement *placement);
// Applies a record of length 44: its positions, then its show state (0 hides the window and keeps its
// state; 1, 2, 3 as set_show_state, with the record's rectangle as the restored one). False for a refused
// handle, another length or state (87), or a failed resize (8).
bool set_window_placement(OxwWindow window, const OxwWindowPlacement *placement);

// The cursor of the window's class; each window has a class of its own here. 0 for a refused handle.
bool set_class_cursor(OxwWindow window, uintptr_t cursor);
uintptr_t get_class_cursor(OxwWindow window);

// The module whose resources a window's functions load (the instance a window records); 0 for the library's
// own module and for a refused handle. set_window_module is false for a refused window.
bool set_window_module(OxwWindow window, OxwModule module);
OxwModule get_window_module(OxwWindow window);
// The style and extended style a window was made with (create_window_ex; 0 for other windows). False for a
// refused handle.
bool get_window_styles(OxwWindow window, uint32_t *style, uint32_t *ex_style);

// Flags of set_window_pos: keep the size, keep the position, keep the place among the siblings (the only
// order here is the order of making, which nothing changes).
inline constexpr uint32_t kSwpNoSize = 0x1, kSwpNoMove = 0x2, kSwpNoZOrder = 0x4;
// Moves and resizes as move_window, keeping what the flags say; `insert_after` is not looked at. False for
// a refused handle or a bad size.
bool set_window_pos(OxwWindow window, OxwWindow insert_after, int32_t x, int32_t y, int32_t width, int32_t height,
                    uint32_t flags);

bool set_window_text(OxwWindow window, const char *text);
// The caption; false for a refused handle.
bool get_window_text(OxwWindow window, std::string *text);

// Named properties: any pointer-sized value under a case-sensitive name. set_prop replaces a value;
// get_prop gives 0 for a missing name; remove_prop returns the removed value (0 if there was none).
bool set_prop(OxwWindow window, const char *name, uintptr_t value);
uintptr_t get_prop(OxwWindow window, const char *name);
uintptr_t remove_prop(OxwWindow window, const char *name);

// The window's context (window 0: a screen context without pixels, on which drawing does nothing).
// Every get_dc is paired with release_dc. 0 for a refused window.
OxwDC get_dc(OxwWindow window);
// Releases a context from get_dc (the window may have been destroyed since). False for any other handle.
bool release_dc(OxwWindow window, OxwDC dc);

// Update region. `rect` null stands for the whole client area; rectangles are clipped to it. `erase` is
// recorded (get_update_rect reports it). False for a refused handle.
bool invalidate_rect(OxwWindow window, const OxRect *rect, bool erase);
bool validate_rect(OxwWindow window, const OxRect *rect);
// The bounding box of the update region (all zeros when it is empty) and whether an erase was asked for
// since it was last empty. Returns whether the region is non-empty; false for a refused handle.
bool get_update_rect(OxwWindow window, OxRect *rect, bool *erase = nullptr);
// Whether a client pixel waits for painting.
bool update_region_contains(OxwWindow window, int32_t x, int32_t y);

// Reads client pixels as colour values 0x00BBGGRR, top row first, width values a row. False (nothing
// written) unless the rectangle lies inside the client area and the sizes are positive.
bool read_window_pixels(OxwWindow window, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *dst);
// The same for a bitmap (monochrome pixels read 0 or 0xFFFFFF).
bool read_bitmap_pixels(OxwBitmap bitmap, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t *dst);

std::size_t live_window_count();

}  // namespace ox::platform
