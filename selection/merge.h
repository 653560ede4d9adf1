// Marching outlines of a selection: oxImageSelectionMerge, oxImageMoveSelectionMerge and
// oxImageMoveSelectionMergeEx.
//
// The exported functions run the word paths of merge.cpp. The per-pixel versions in ox::selection::plain
// follow the algorithms step by step; they are the reference the tests hold the fast paths to.
#pragma once

#include <array>
#include <cstdint>

#include "ox.h"

namespace ox::selection {

// The dash pattern: for phase p, row y % 8 and column x % 8, 1 where ((x + y - 2p) mod 8) < 5. An outline
// pixel is drawn where the entry is 0: three pixels of every eight along a row or column, in diagonal
// stripes that move two pixels with each phase.
using DashTable = std::array<std::array<std::array<uint8_t, 8>, 8>, 4>;

constexpr DashTable make_dash_table() {
    DashTable t{};
    for (int p = 0; p < 4; ++p)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) t[p][y][x] = ((x + y - 2 * p) & 7) < 5 ? 1 : 0;
    return t;
}

inline constexpr DashTable kDashTable = make_dash_table();

}  // namespace ox::selection

namespace ox::selection::plain {

int32_t image_selection_merge(OxHandle image, OxHandle mask, const OxRect *rect, uint32_t phase);
int32_t image_move_selection_merge(OxHandle image, OxHandle mask, const OxRect *mask_rect,
                                   const OxRect *image_rect);
int32_t image_move_selection_merge_ex(OxHandle image, OxHandle mask, const OxRect *image_rect);

}  // namespace ox::selection::plain
