// The two selection mask operations oxSelectWhiteOut and oxGetSelection.
//
// The exported functions run the word-at-a-time paths of selection_mask.cpp. The per-pixel versions in
// ox::selection::plain follow the algorithms step by step; they are the reference the tests hold the fast
// paths to, and the fast paths hand them the calls where images alias.
#pragma once

#include <cstdint>

#include "ox.h"

namespace ox::selection::plain {

int32_t select_white_out(OxHandle image, OxHandle outer, OxHandle mask, int32_t offset_x, int32_t offset_y);
int32_t get_selection(OxHandle mask, OxRect *rect);

}  // namespace ox::selection::plain
