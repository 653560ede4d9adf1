// Gray values of colour pixels and the one-bit threshold shared by the copy and conversion operations.
//
// A gray value is 0.3 red + 0.59 green + 0.11 blue, each product and sum a double operation, truncated toward
// zero. Two summation orders are in use and they differ in the last bit, which truncation can expose:
// (23, 23, 23) gives 22 in order A and 23 in order B. The expressions below must be compiled without
// contraction into fused multiply-adds (x86-64 without FMA never contracts).
#pragma once

#include <cstdint>

namespace ox::image {

inline constexpr double kRedWeight = 0.3;
inline constexpr double kGreenWeight = 0.59;
inline constexpr double kBlueWeight = 0.11;

// Order A: (blue x 0.11 + green x 0.59) + red x 0.3.
inline uint32_t gray_order_a(uint32_t r, uint32_t g, uint32_t b) {
    const double v = (static_cast<double>(b) * kBlueWeight + static_cast<double>(g) * kGreenWeight) +
                     static_cast<double>(r) * kRedWeight;
    return static_cast<uint32_t>(static_cast<int32_t>(v));
}

// Order B: (red x 0.3 + blue x 0.11) + green x 0.59.
inline uint32_t gray_order_b(uint32_t r, uint32_t g, uint32_t b) {
    const double v = (static_cast<double>(r) * kRedWeight + static_cast<double>(b) * kBlueWeight) +
                     static_cast<double>(g) * kGreenWeight;
    return static_cast<uint32_t>(static_cast<int32_t>(v));
}

// The same values with integer arithmetic for almost every pixel. The exact weighted sum is n / 100 with
// n = 30r + 59g + 11b, and either double sum lies within 1e-12 of it. When n is not a multiple of 100 the
// exact sum is at least 0.01 away from an integer, so truncating the double gives n / 100; at a multiple of
// 100 the double may land just below the integer, and only the double evaluation can say.
inline uint32_t gray_fast_a(uint32_t r, uint32_t g, uint32_t b) {
    const uint32_t n = 30 * r + 59 * g + 11 * b;
    const uint32_t q = n / 100;
    return n - q * 100 ? q : gray_order_a(r, g, b);
}

inline uint32_t gray_fast_b(uint32_t r, uint32_t g, uint32_t b) {
    const uint32_t n = 30 * r + 59 * g + 11 * b;
    const uint32_t q = n / 100;
    return n - q * 100 ? q : gray_order_b(r, g, b);
}

// A gray or 8-bit value above 127 sets the bit.
inline uint32_t threshold_bit(uint32_t v) { return v > 127 ? 1u : 0u; }

}  // namespace ox::image
