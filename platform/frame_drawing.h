// Window-frame drawing of the platform stand-in: edges, the caption strip and the caption buttons, in the
// system colours of gdi.h (get_sys_color). The geometry follows the rectangles given; the look is this
// layer's own: flat bevels one pixel per border, a solid or gradient strip, a cross for the close button.
#pragma once

#include <cstdint>

#include "oxw.h"

namespace ox::platform {

// Border kinds and sides of draw_edge.
inline constexpr uint32_t kBdrRaisedOuter = 0x1, kBdrSunkenOuter = 0x2, kBdrRaisedInner = 0x4,
                          kBdrSunkenInner = 0x8;
inline constexpr uint32_t kEdgeRaised = kBdrRaisedOuter | kBdrRaisedInner;
inline constexpr uint32_t kEdgeSunken = kBdrSunkenOuter | kBdrSunkenInner;
inline constexpr uint32_t kBfLeft = 0x1, kBfTop = 0x2, kBfRight = 0x4, kBfBottom = 0x8, kBfRect = 0xF,
                          kBfMiddle = 0x800;

// Draws up to two one-pixel rings on the sides `flags` names: the outer one on the rectangle's border, the
// inner one a pixel inside. Raised: light (22) then highlight (20) on the left and top, dark shadow (21)
// then shadow (16) on the right and bottom; sunken: shadow (16) then dark shadow (21) on the left and top,
// highlight (20) then light (22) on the right and bottom. kBfMiddle fills the inside with the button face.
// The right and bottom rings take the corners they share. False for a refused context or a null rect.
bool draw_edge(OxwDC dc, const OxRect *rect, uint32_t edge, uint32_t flags);

// Frame controls: only the caption buttons (type kDfcCaption), of which the close button draws a cross.
inline constexpr uint32_t kDfcCaption = 1;
inline constexpr uint32_t kDfcsCaptionClose = 0x0, kDfcsPushed = 0x200;
// A caption button filling the rectangle: the button face, a raised edge (sunken when pushed), and a black
// (18) cross of two-pixel strokes inside a margin of a quarter of the shorter side, one pixel right and down
// when pushed. False for another type or state, a refused context or a null rect.
bool draw_frame_control(OxwDC dc, const OxRect *rect, uint32_t type, uint32_t state);

// Caption flags.
inline constexpr uint32_t kDcActive = 0x1, kDcSmallCap = 0x2, kDcIcon = 0x4, kDcText = 0x8, kDcGradient = 0x20;
// A caption strip filling the rectangle: the active (2) or inactive (3) caption colour, blended from left to
// right into the gradient's end colour (27 / 28) with kDcGradient; with kDcText the window's text in the
// caption text colour (9 / 19), in the interface font (bold unless kDcSmallCap), 2 pixels from the left,
// centred up and down and cut at the strip's edges. kDcIcon is not drawn. False for a refused context, a
// refused window (0 is allowed: no text) or a null rect.
bool draw_caption(OxwWindow window, OxwDC dc, const OxRect *rect, uint32_t flags);

}  // namespace ox::platform
