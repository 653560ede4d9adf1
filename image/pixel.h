// Per-depth pixel codecs and the depth dispatcher from which the image operations generate their loops.
// Each codec reads and writes one pixel of a row, in the encodings of the image record (ox.h).
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

#include "ox.h"

namespace ox::image {

template <int Bits>
struct PixelCodec;

template <>
struct PixelCodec<1> {
    static uint32_t get(const uint8_t *row, int32_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }
    static void put(uint8_t *row, int32_t x, uint32_t v) {
        const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = (v & 1u) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
    }
};

template <>
struct PixelCodec<8> {
    static uint32_t get(const uint8_t *row, int32_t x) { return row[x]; }
    static void put(uint8_t *row, int32_t x, uint32_t v) { row[x] = static_cast<uint8_t>(v); }
};

template <>
struct PixelCodec<24> {
    static uint32_t get(const uint8_t *row, int32_t x) {
        const uint8_t *p = row + 3 * static_cast<intptr_t>(x);
        return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    }
    static void put(uint8_t *row, int32_t x, uint32_t v) {
        uint8_t *p = row + 3 * static_cast<intptr_t>(x);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
    }
};

template <>
struct PixelCodec<32> {
    static uint32_t get(const uint8_t *row, int32_t x) {
        const uint8_t *p = row + 4 * static_cast<intptr_t>(x);
        return (static_cast<uint32_t>(p[0]) << 24) | p[1] | (p[2] << 8) | (static_cast<uint32_t>(p[3]) << 16);
    }
    static void put(uint8_t *row, int32_t x, uint32_t v) {
        uint8_t *p = row + 4 * static_cast<intptr_t>(x);
        p[0] = static_cast<uint8_t>(v >> 24);
        p[1] = static_cast<uint8_t>(v);
        p[2] = static_cast<uint8_t>(v >> 8);
        p[3] = static_cast<uint8_t>(v >> 16);
    }
};

template <int Bits>
using DepthTag = std::integral_constant<int, Bits>;

inline bool is_supported_depth(int32_t bit_count) {
    return bit_count == 1 || bit_count == 8 || bit_count == 24 || bit_count == 32;
}

// Calls f(DepthTag<N>{}) for the image depth N; for an unsupported depth returns `otherwise`.
template <class F, class R>
R dispatch_depth(int32_t bit_count, R otherwise, F &&f) {
    switch (bit_count) {
    case 1: return f(DepthTag<1>{});
    case 8: return f(DepthTag<8>{});
    case 24: return f(DepthTag<24>{});
    case 32: return f(DepthTag<32>{});
    default: return otherwise;
    }
}

// Start of row y of a locked image.
inline uint8_t *row_ptr(const OxImageLockRec &lock, int32_t y) {
    return lock.pixels + static_cast<intptr_t>(y) * lock.rowBytes;
}

}  // namespace ox::image
