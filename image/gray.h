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

// The products of every channel value with its weight, worked out once: a sum of looked-up products in the
// same order is the same double as the sum of freshly computed ones (a product of two given doubles has one
// correctly rounded value, whether the compiler or the processor forms it).
struct GrayProducts {
    double r[256], g[256], b[256];
};

inline constexpr GrayProducts make_gray_products() {
    GrayProducts t{};
    for (int v = 0; v < 256; ++v) {
        t.r[v] = v * kRedWeight;
        t.g[v] = v * kGreenWeight;
        t.b[v] = v * kBlueWeight;
    }
    return t;
}

inline constexpr GrayProducts kGrayProducts = make_gray_products();

inline uint32_t gray_table_a(uint32_t r, uint32_t g, uint32_t b) {
    const GrayProducts &t = kGrayProducts;
    return static_cast<uint32_t>(static_cast<int32_t>((t.b[b] + t.g[g]) + t.r[r]));
}

inline uint32_t gray_table_b(uint32_t r, uint32_t g, uint32_t b) {
    const GrayProducts &t = kGrayProducts;
    return static_cast<uint32_t>(static_cast<int32_t>((t.r[r] + t.b[b]) + t.g[g]));
}

// The one-bit threshold of the order-B gray value, mostly without floating point. The exact weighted sum is
// n / 100 with n = 30r + 59g + 11b, and the double sum lies within 1e-12 of it; so it is above 127 (at least
// 128) for every n above 12800, below for every n under it, and only at n = 12800 (exactly 128) does the
// rounding of the double decide.
inline uint32_t gray_b_bit(uint32_t r, uint32_t g, uint32_t b) {
    const uint32_t n = 30 * r + 59 * g + 11 * b;
    return n > 12800 || (n == 12800 && gray_order_b(r, g, b) > 127) ? 1u : 0u;
}

// A gray or 8-bit value above 127 sets the bit.
inline uint32_t threshold_bit(uint32_t v) { return v > 127 ? 1u : 0u; }

}  // namespace ox::image
