// Little- and big-endian integers at any byte address: the fields of the file formats and blocks the library
// reads and writes, and the pixel words of the row kernels. Each is one unaligned move, plus a byte swap
// where the order differs from the machine's.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace ox::core {
namespace byte_order {

template <class T>
constexpr T swapped(T v) {
    if constexpr (sizeof(T) == 2) return __builtin_bswap16(v);
    else if constexpr (sizeof(T) == 4) return __builtin_bswap32(v);
    else return __builtin_bswap64(v);
}

template <class T, std::endian E>
inline T load(const uint8_t *p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return E == std::endian::native ? v : swapped(v);
}

template <std::endian E, class T>
inline void store(uint8_t *p, T v) {
    if constexpr (E != std::endian::native) v = swapped(v);
    std::memcpy(p, &v, sizeof v);
}

}  // namespace byte_order

inline uint16_t load_le16(const uint8_t *p) { return byte_order::load<uint16_t, std::endian::little>(p); }
inline uint32_t load_le32(const uint8_t *p) { return byte_order::load<uint32_t, std::endian::little>(p); }
inline uint64_t load_le64(const uint8_t *p) { return byte_order::load<uint64_t, std::endian::little>(p); }
inline uint16_t load_be16(const uint8_t *p) { return byte_order::load<uint16_t, std::endian::big>(p); }
inline uint32_t load_be32(const uint8_t *p) { return byte_order::load<uint32_t, std::endian::big>(p); }
inline uint64_t load_be64(const uint8_t *p) { return byte_order::load<uint64_t, std::endian::big>(p); }

inline void store_le16(uint8_t *p, uint16_t v) { byte_order::store<std::endian::little>(p, v); }
inline void store_le32(uint8_t *p, uint32_t v) { byte_order::store<std::endian::little>(p, v); }
inline void store_le64(uint8_t *p, uint64_t v) { byte_order::store<std::endian::little>(p, v); }
inline void store_be16(uint8_t *p, uint16_t v) { byte_order::store<std::endian::big>(p, v); }
inline void store_be32(uint8_t *p, uint32_t v) { byte_order::store<std::endian::big>(p, v); }
inline void store_be64(uint8_t *p, uint64_t v) { byte_order::store<std::endian::big>(p, v); }

}  // namespace ox::core
