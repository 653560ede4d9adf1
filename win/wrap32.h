// 32-bit two's complement sums and differences: window coordinates and stored placement values are added
// as the 32-bit integers they are, wrapping rather than overflowing.
#pragma once

#include <cstdint>

namespace ox::win {

constexpr int32_t add32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t sub32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace ox::win
