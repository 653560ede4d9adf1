// The status bar control of the platform stand-in: a child window along the bottom of its parent, split into
// panes by their right edges, each pane showing a text in a sunken frame, with an optional size grip at the
// right end. The control paints itself into its window's surface whenever its panes, texts or size change,
// so a host reads its pixels like any window's; drawing done by others on its context stays until the next
// repaint of the pane.
#pragma once

#include <cstdint>
#include <string>

#include "oxw.h"

namespace ox::platform {

// Style bits of create_status_bar.
inline constexpr uint32_t kStatusVisible = 0x10000000, kStatusSizeGrip = 0x100;
// The bar's height as made, and its panes' top edge.
inline constexpr int32_t kStatusBarHeight = 22, kPaneTop = 2;
// At most this many panes (set_status_parts refuses more).
inline constexpr int32_t kMaxStatusParts = 256;

// A status bar as a child of `parent`, as wide as the parent's client area and kStatusBarHeight tall at its
// bottom, with one pane reaching the right end showing `text` (0: empty). 0 for a refused parent.
OxwWindow create_status_bar(OxwWindow parent, uint32_t style, const char *text, int32_t id);
bool is_status_bar(OxwWindow bar);

// Sets the panes: pane i ends at right_edges[i] (-1: the bar's right end) and starts 2 pixels after the
// previous one's end. Texts of panes that stay are kept. False for a refused bar or a count outside
// 1..kMaxStatusParts.
bool set_status_parts(OxwWindow bar, int32_t count, const int32_t *right_edges);
// A pane's text (0: empty), repainting the pane. False for a refused bar or pane.
bool set_status_text(OxwWindow bar, int32_t pane, const char *text);
bool get_status_text(OxwWindow bar, int32_t pane, std::string *text);
// A pane's rectangle in the bar's client coordinates: from its left to its right edge, from kPaneTop to the
// bar's bottom. False for a refused bar or pane.
bool get_status_rect(OxwWindow bar, int32_t pane, OxRect *rect);
// Moves and resizes the bar and repaints it; false for a refused bar or size.
bool move_status_bar(OxwWindow bar, int32_t x, int32_t y, int32_t width, int32_t height);

}  // namespace ox::platform
