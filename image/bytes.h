// Unaligned little-endian word loads and stores of pixel bytes.
#pragma once

#include <cstdint>
#include <cstring>

namespace ox::image {

inline uint32_t load32(const uint8_t *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store32(uint8_t *p, uint32_t v) { std::memcpy(p, &v, 4); }
inline uint64_t load64(const uint8_t *p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline void store64(uint8_t *p, uint64_t v) { std::memcpy(p, &v, 8); }

}  // namespace ox::image
