// Gray-layer pixels to normal ones: a table of every (a, c) pair, and integer arithmetic checked against it.
#include "image/gray_layer.h"

#include <bitset>

#if defined(__x86_64__)
#include <immintrin.h>
#define OX_GRAY_LAYER_X86 1
#endif

#include "core/cpu.h"
#include "core/byte_order.h"
#include "image/convert.h"
#include "image/gray_kernels.h"

namespace ox::image {
namespace {

// c + floor(a (255 - c) / 255) in integers.
constexpr uint32_t mixed_byte(uint32_t a, uint32_t c) { return c + a * (255 - c) / 255; }

// The colour bytes of a non-white pixel for every fourth channel a and colour byte c, worked out once with
// the double formula; and, for the AVX2 kernel, the values of a for which some c gives another byte than
// mixed_byte, as a bit set split by the high and low four bits of a: a = 16h + l is in the set when
// row[h] & column[l] is not zero. Each distinct set of l in a row takes one of eight bits; `split` is
// false should the rows need more.
struct GrayLayerTable {
    GrayLayerTable() {
        uint16_t lows[16] = {};
        for (uint32_t a = 0; a < 256; ++a)
            for (uint32_t c = 0; c < 256; ++c) {
                byte[a][c] = gray_layer_byte(a, c);
                if (a != 0 && byte[a][c] != mixed_byte(a, c)) lows[a >> 4] |= static_cast<uint16_t>(1u << (a & 15));
            }
        group_pairs();
        uint16_t kinds[8];
        int count = 0;
        for (int h = 0; h < 16 && split; ++h) {
            if (lows[h] == 0) continue;
            int k = 0;
            while (k < count && kinds[k] != lows[h]) ++k;
            if (k == count && count == 8) {
                split = false;
                break;
            }
            if (k == count) kinds[count++] = lows[h];
            row[h] = static_cast<uint8_t>(1u << k);
            for (int l = 0; l < 16; ++l)
                if (lows[h] >> l & 1) column[l] |= row[h];
        }
    }
    // The values of a whose bytes differ from mixed_byte for the same set of c form a group: a_group[a] has
    // bit g set for a in group g and c_group[c] for c in its set, so a_group[a] & c_group[c] is not zero
    // exactly for the pairs that differ. Groups past the eighth share its bit (the union of their sets).
    void group_pairs() {
        std::bitset<256> sets[8];
        int count = 0;
        for (uint32_t a = 1; a < 256; ++a) {
            std::bitset<256> differ;
            for (uint32_t c = 0; c < 256; ++c) differ[c] = byte[a][c] != mixed_byte(a, c);
            if (differ.none()) continue;
            int g = 0;
            while (g < count && sets[g] != differ) ++g;
            if (g == count) count < 8 ? ++count : --g;
            sets[g] |= differ;
            a_group[a] |= static_cast<uint8_t>(1u << g);
        }
        for (int g = 0; g < count; ++g)
            for (uint32_t c = 0; c < 256; ++c)
                if (sets[g][c]) c_group[c] |= static_cast<uint8_t>(1u << g);
    }
    uint8_t byte[256][256];
    alignas(16) uint8_t row[16] = {};
    alignas(16) uint8_t column[16] = {};
    bool split = true;
    alignas(64) uint8_t a_group[256] = {};
    alignas(64) uint8_t c_group[256] = {};
};

const GrayLayerTable &gray_layer_table() {
    static const GrayLayerTable table;
    return table;
}

inline void pixel_to_normal(uint8_t *p, const GrayLayerTable &table) {
    const uint32_t w = core::load_le32(p), a = w & 0xFFu;
    if ((w >> 8) == 0xFFFFFFu || a == 255) {
        core::store_le32(p, 0xFFFFFF00u);
    } else if (a == 0) {
        core::store_le32(p, 0);  // no white share: black
    } else {
        const uint8_t *t = table.byte[a];
        core::store_le32(p, static_cast<uint32_t>(t[(w >> 8) & 0xFFu]) << 8 |
                                static_cast<uint32_t>(t[(w >> 16) & 0xFFu]) << 16 |
                                static_cast<uint32_t>(t[w >> 24]) << 24);
    }
}

// How far ahead of its loads the AVX-512 kernel asks for the pixels: on a busy machine the processor's own
// prefetching falls behind (measured about a sixth faster on a 48 MB layer).
constexpr std::size_t kPrefetchAhead = 4096;

// A fourth channel of 255 makes the white share exactly 1: such a pixel becomes white like a white one.
static_assert(255 * kWhiteShare == 1.0);

}  // namespace

namespace kernels {

// Painted layers are mostly white, fully white-mixed or without white share; four such pixels at a time
// need no table.
void gray_layer_to_normal_table(uint8_t *p, std::size_t n) {
    const GrayLayerTable &table = gray_layer_table();
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi32(0xFF), ones = _mm_set1_epi32(-1), zero = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4) {
        auto *q = reinterpret_cast<__m128i *>(p + 4 * i);
        const __m128i v = _mm_loadu_si128(q), a = _mm_and_si128(v, low);
        const __m128i whitened = _mm_or_si128(_mm_cmpeq_epi32(_mm_or_si128(v, low), ones), _mm_cmpeq_epi32(a, low));
        const __m128i black = _mm_cmpeq_epi32(a, zero);
        if (_mm_movemask_epi8(_mm_or_si128(whitened, black)) == 0xFFFF) {
            _mm_storeu_si128(q, _mm_andnot_si128(low, whitened));
        } else {
            for (std::size_t k = 0; k < 4; ++k) pixel_to_normal(p + 4 * (i + k), table);
        }
    }
#endif
    for (; i < n; ++i) pixel_to_normal(p + 4 * i, table);
}

#if OX_GRAY_LAYER_X86

// Each colour byte beside the fourth channel of its pixel in 16-bit lanes, two pixels to a 128-bit half:
// n = a (255 - c), c + n / 255 (a multiply by 0x8081 and a shift of 23), and whether n is a multiple of 255.
// The lane of the fourth channel itself holds zeros and comes out 0.
__attribute__((target("avx2"))) void gray_layer_to_normal_avx2(uint8_t *p, std::size_t n) {
    const GrayLayerTable &table = gray_layer_table();
    if (!table.split) return gray_layer_to_normal_table(p, n);
    constexpr char z = -1;  // a zero byte
    const __m256i c_lo = _mm256_setr_epi8(z, z, 1, z, 2, z, 3, z, z, z, 5, z, 6, z, 7, z, z, z, 1, z, 2, z, 3, z, z, z,
                                          5, z, 6, z, 7, z);
    const __m256i c_hi = _mm256_setr_epi8(z, z, 9, z, 10, z, 11, z, z, z, 13, z, 14, z, 15, z, z, z, 9, z, 10, z, 11,
                                          z, z, z, 13, z, 14, z, 15, z);
    const __m256i a_hi = _mm256_setr_epi8(z, z, 8, z, 8, z, 8, z, z, z, 12, z, 12, z, 12, z, z, z, 8, z, 8, z, 8, z,
                                          z, z, 12, z, 12, z, 12, z);
    const __m256i a_lo = _mm256_setr_epi8(z, z, 0, z, 0, z, 0, z, z, z, 4, z, 4, z, 4, z, z, z, 0, z, 0, z, 0, z, z, z,
                                          4, z, 4, z, 4, z);
    const __m256i zero = _mm256_setzero_si256(), c255 = _mm256_set1_epi16(255);
    const __m256i div255 = _mm256_set1_epi16(static_cast<int16_t>(0x8081)), nibble = _mm256_set1_epi8(0x0F);
    const __m256i ones = _mm256_set1_epi32(-1);
    const __m256i row = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(table.row)));
    const __m256i column =
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(table.column)));
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        auto *q = reinterpret_cast<__m256i *>(p + 4 * i);
        const __m256i v = _mm256_loadu_si256(q);
        // Painted layers run in white (a = 255) and in ink without white share (a = 0); when the last pixel
        // looks so, eight pixels of those need only the white test.
        if (static_cast<uint8_t>(p[4 * i + 28] + 1) <= 1) {
            const __m256i a = _mm256_slli_epi32(v, 24), full = _mm256_cmpeq_epi32(_mm256_srai_epi32(a, 24), ones);
            if (_mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi32(a, zero), full)) == -1) {
                const __m256i white_pixel = _mm256_cmpeq_epi32(_mm256_srai_epi32(v, 8), ones);
                _mm256_storeu_si256(q, _mm256_slli_epi32(_mm256_or_si256(white_pixel, full), 8));
                continue;
            }
        }
        const __m256i c0 = _mm256_shuffle_epi8(v, c_lo), c1 = _mm256_shuffle_epi8(v, c_hi);
        const __m256i n0 = _mm256_mullo_epi16(_mm256_shuffle_epi8(v, a_lo), _mm256_sub_epi16(c255, c0));
        const __m256i n1 = _mm256_mullo_epi16(_mm256_shuffle_epi8(v, a_hi), _mm256_sub_epi16(c255, c1));
        const __m256i q0 = _mm256_srli_epi16(_mm256_mulhi_epu16(n0, div255), 7);
        const __m256i q1 = _mm256_srli_epi16(_mm256_mulhi_epu16(n1, div255), 7);
        const __m256i whole = _mm256_packs_epi16(_mm256_cmpeq_epi16(_mm256_mullo_epi16(q0, c255), n0),
                                                 _mm256_cmpeq_epi16(_mm256_mullo_epi16(q1, c255), n1));
        const __m256i mixed = _mm256_packus_epi16(_mm256_add_epi16(c0, q0), _mm256_add_epi16(c1, q1));
        // White pixels come out white from the arithmetic whatever a is; those with a = 0 and any other
        // colour turn black.
        const __m256i black = _mm256_andnot_si256(_mm256_cmpeq_epi32(_mm256_srai_epi32(mixed, 8), ones),
                                                  _mm256_cmpeq_epi32(_mm256_slli_epi32(v, 24), zero));
        _mm256_storeu_si256(q, _mm256_andnot_si256(black, mixed));
        // Colour bytes with a multiple in pixels whose a is in the table's set are looked up again.
        const __m256i listed = _mm256_and_si256(
            _mm256_shuffle_epi8(row, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble)),
            _mm256_shuffle_epi8(column, _mm256_and_si256(v, nibble)));
        const uint32_t wholes = static_cast<uint32_t>(_mm256_movemask_epi8(whole)) & 0xEEEEEEEEu;
        const uint32_t unlisted = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(listed, zero)));
        if (const uint32_t redo = wholes & (~unlisted & 0x11111111u) * 0xE) {
            alignas(32) uint8_t was[32];
            _mm256_store_si256(reinterpret_cast<__m256i *>(was), v);
            for (uint32_t m = redo; m != 0; m &= m - 1) {
                const uint32_t j = static_cast<uint32_t>(__builtin_ctz(m)), at = j & ~3u;
                if (core::load_le32(was + at) >> 8 != 0xFFFFFFu) p[4 * i + j] = table.byte[was[at]][was[j]];
            }
        }
    }
    for (; i < n; ++i) pixel_to_normal(p + 4 * i, table);
}

// The four 128-bit quarters of a 512-bit register alike.
__attribute__((target("avx512f"))) static inline __m512i quarters(__m128i x) {
    alignas(64) uint8_t bytes[64];
    for (int k = 0; k < 4; ++k) _mm_store_si128(reinterpret_cast<__m128i *>(bytes + 16 * k), x);
    return _mm512_load_si512(bytes);
}

// t[x] for every byte x of v, from a 256-byte table in four registers.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) static inline __m512i look_up(const __m512i t[4], __m512i v) {
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), _mm512_permutex2var_epi8(t[0], v, t[1]),
                                  _mm512_permutex2var_epi8(t[2], v, t[3]));
}

// The 16-bit arithmetic of the AVX2 kernel over sixteen pixels a step, with the tests in mask registers and
// the pairs that differ from the arithmetic found through the table's groups.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void gray_layer_to_normal_avx512(uint8_t *p, std::size_t n) {
    const GrayLayerTable &table = gray_layer_table();
    constexpr char z = -1;  // a zero byte
    const __m512i c_lo = quarters(_mm_setr_epi8(z, z, 1, z, 2, z, 3, z, z, z, 5, z, 6, z, 7, z));
    const __m512i c_hi = quarters(_mm_setr_epi8(z, z, 9, z, 10, z, 11, z, z, z, 13, z, 14, z, 15, z));
    const __m512i a_lo = quarters(_mm_setr_epi8(z, z, 0, z, 0, z, 0, z, z, z, 4, z, 4, z, 4, z));
    const __m512i a_hi = quarters(_mm_setr_epi8(z, z, 8, z, 8, z, 8, z, z, z, 12, z, 12, z, 12, z));
    const __m512i a_all = quarters(_mm_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12));
    const __m512i zero = _mm512_setzero_si512(), c255 = _mm512_set1_epi16(255), ones = _mm512_set1_epi32(-1);
    const __m512i div255 = _mm512_set1_epi16(static_cast<int16_t>(0x8081));
    const __m512i low = _mm512_set1_epi32(0xFF), white = _mm512_set1_epi32(static_cast<int32_t>(0xFFFFFF00u));
    __m512i a_groups[4], c_groups[4];
    for (int k = 0; k < 4; ++k) {
        a_groups[k] = _mm512_load_si512(table.a_group + 64 * k);
        c_groups[k] = _mm512_load_si512(table.c_group + 64 * k);
    }
    constexpr __mmask64 colour_bytes = 0xEEEEEEEEEEEEEEEEull;
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        uint8_t *q = p + 4 * i;
        _mm_prefetch(reinterpret_cast<const char *>(reinterpret_cast<std::uintptr_t>(q) + kPrefetchAhead), _MM_HINT_T0);
        const __m512i v = _mm512_loadu_si512(q);
        const __mmask16 a0 = _mm512_testn_epi32_mask(v, low);
        if (static_cast<uint8_t>(q[60] + 1) <= 1) {
            const __mmask16 full = _mm512_cmpeq_epi32_mask(_mm512_and_si512(v, low), low);
            if ((a0 | full) == 0xFFFF) {
                const __mmask16 whitened = full | _mm512_cmpeq_epi32_mask(_mm512_or_si512(v, low), ones);
                _mm512_storeu_si512(q, _mm512_maskz_mov_epi32(whitened, white));
                continue;
            }
        }
        const __m512i c0 = _mm512_shuffle_epi8(v, c_lo), c1 = _mm512_shuffle_epi8(v, c_hi);
        const __m512i n0 = _mm512_mullo_epi16(_mm512_shuffle_epi8(v, a_lo), _mm512_sub_epi16(c255, c0));
        const __m512i n1 = _mm512_mullo_epi16(_mm512_shuffle_epi8(v, a_hi), _mm512_sub_epi16(c255, c1));
        const __m512i q0 = _mm512_srli_epi16(_mm512_mulhi_epu16(n0, div255), 7);
        const __m512i q1 = _mm512_srli_epi16(_mm512_mulhi_epu16(n1, div255), 7);
        const __m512i mixed = _mm512_packus_epi16(_mm512_add_epi16(c0, q0), _mm512_add_epi16(c1, q1));
        const __mmask16 black = a0 & ~_mm512_cmpeq_epi32_mask(mixed, white);
        _mm512_storeu_si512(q, _mm512_mask_mov_epi32(mixed, black, zero));
        // The groups of each pixel's a beside those of its colour bytes.
        const __m512i a_of = look_up(a_groups, _mm512_shuffle_epi8(v, a_all)), c_of = look_up(c_groups, v);
        if (const uint64_t redo = _mm512_mask_test_epi8_mask(colour_bytes, a_of, c_of)) {
            alignas(64) uint8_t was[64];
            _mm512_store_si512(was, v);
            for (uint64_t m = redo; m != 0; m &= m - 1) {
                const uint32_t j = static_cast<uint32_t>(__builtin_ctzll(m)), at = j & ~3u;
                if (core::load_le32(was + at) >> 8 != 0xFFFFFFu) q[j] = table.byte[was[at]][was[j]];
            }
        }
    }
    if (core::has_avx2())
        gray_layer_to_normal_avx2(p + 4 * i, n - i);
    else
        gray_layer_to_normal_table(p + 4 * i, n - i);
}

#else

void gray_layer_to_normal_avx2(uint8_t *p, std::size_t n) { gray_layer_to_normal_table(p, n); }
void gray_layer_to_normal_avx512(uint8_t *p, std::size_t n) { gray_layer_to_normal_table(p, n); }

#endif

}  // namespace kernels

void gray_layer_to_normal(uint8_t *pixels, std::size_t n) {
    if (core::has_avx512vbmi())
        kernels::gray_layer_to_normal_avx512(pixels, n);
    else if (core::has_avx2())
        kernels::gray_layer_to_normal_avx2(pixels, n);
    else
        kernels::gray_layer_to_normal_table(pixels, n);
}

}  // namespace ox::image
