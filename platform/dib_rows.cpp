// Row converters of the DIB transfer; see dib_rows.h.
#include "platform/dib_rows.h"

#include <cstring>

#include "core/cpu.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define OX_ROWS_X86 1
#endif

namespace ox::platform::rows {
namespace {

void bgr24_to_surface_portable(const uint8_t *s, std::size_t n, uint32_t *out) {
    // Stored blue, green, red is the surface's order: four pixels are 12 bytes, read as two words and
    // written as two.
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4, s += 12) {
        uint64_t a;
        uint32_t b32;
        std::memcpy(&a, s, 8);
        std::memcpy(&b32, s + 8, 4);
        const uint64_t b = b32;
        const uint64_t lo = (a & 0xFFFFFFu) | (((a >> 24) & 0xFFFFFFu) << 32);
        const uint64_t hi = (((a >> 48) | (b << 16)) & 0xFFFFFFu) | ((b >> 8) << 32);
        std::memcpy(out + i, &lo, 8);
        std::memcpy(out + i + 2, &hi, 8);
    }
    for (; i < n; ++i, s += 3) out[i] = s[0] | (s[1] << 8) | (uint32_t{s[2]} << 16);
}

#if OX_ROWS_X86

// Eight pixels (24 bytes) a step: the low half of the register is loaded from the first byte and the high
// half from byte 8, so that the step reads exactly its own 24 bytes; each half's four pixels are spread
// into four words with a zero top byte.
__attribute__((target("avx2"))) void bgr24_to_surface_avx2(const uint8_t *s, std::size_t n, uint32_t *out) {
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8, s += 24) {
        const __m256i v = _mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(s + 8),
                                              reinterpret_cast<const __m128i *>(s));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_shuffle_epi8(v, spread));
    }
    // The portable code takes the last few pixels: clean upper register halves keep any SSE code after it
    // at full speed (the compiler leaves them dirty on a jump to another function).
    _mm256_zeroupper();
    if (i < n) bgr24_to_surface_portable(s, n - i, out + i);
}

#endif

}  // namespace

void bgr24_to_surface(const uint8_t *src, std::size_t n, uint32_t *out) {
#if OX_ROWS_X86
    if (core::has_avx2()) return bgr24_to_surface_avx2(src, n, out);
#endif
    bgr24_to_surface_portable(src, n, out);
}

}  // namespace ox::platform::rows
