// The run-time chosen wide kernels of swap_24 and bgr_from_32; see bgr_kernels.h.
#include "image/bgr_kernels.h"

#include "core/cpu.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ox::image::bgr {

#if defined(__x86_64__)

// Eight pixels a step, four in each half of a register: a half holds four pixels of 3 bytes (16 bytes
// loaded from byte 0 and byte 8 of the step, so that a step reads exactly its 24 bytes) or of 4 bytes,
// and its shuffle turns them into 12 bytes of blue, green, red. The halves are joined and stored with one
// 32-byte store whose last 8 bytes land on the next three pixels, so the vector steps stop three pixels
// before the end and the word kernel writes the rest, over those bytes.
template <int B>
__attribute__((target("avx2"))) void bgr_avx2(const uint8_t *src, uint8_t *dst, int32_t n) {
    const __m256i shuffle = B == 3 ? _mm256_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, -1, -1, -1, -1,  //
                                                      6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, -1, -1, -1, -1)
                                   : _mm256_setr_epi8(3, 2, 1, 7, 6, 5, 11, 10, 9, 15, 14, 13, -1, -1, -1, -1,  //
                                                      3, 2, 1, 7, 6, 5, 11, 10, 9, 15, 14, 13, -1, -1, -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    int32_t i = 0;
    for (; i + 11 <= n; i += 8) {
        const uint8_t *s = src + B * static_cast<std::size_t>(i);
        const __m256i v = B == 3 ? _mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(s + 8),
                                                       reinterpret_cast<const __m128i *>(s))
                                 : _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s));
        const __m256i r = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, shuffle), join);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + 3 * static_cast<std::size_t>(i)), r);
    }
    _mm256_zeroupper();  // the word kernel runs at full speed with clean upper halves
    const uint8_t *s = src + B * static_cast<std::size_t>(i);
    uint8_t *d = dst + 3 * static_cast<std::size_t>(i);
    if constexpr (B == 3)
        swap_24(s, d, n - i);
    else
        bgr_from_32(s, d, n - i);
}

void swap_24_wide(const uint8_t *src, uint8_t *dst, int32_t n) {
    if (core::has_avx2())
        bgr_avx2<3>(src, dst, n);
    else
        swap_24(src, dst, n);
}

void bgr_from_32_wide(const uint8_t *src, uint8_t *dst, int32_t n) {
    if (core::has_avx2())
        bgr_avx2<4>(src, dst, n);
    else
        bgr_from_32(src, dst, n);
}

#else

void swap_24_wide(const uint8_t *src, uint8_t *dst, int32_t n) { swap_24(src, dst, n); }
void bgr_from_32_wide(const uint8_t *src, uint8_t *dst, int32_t n) { bgr_from_32(src, dst, n); }

#endif

}  // namespace ox::image::bgr
