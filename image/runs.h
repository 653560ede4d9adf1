// Row-run primitives for the fills and lines: pixel bytes, a per-pixel byte operation applied to runs of
// whole pixels, and bit runs of 1-bit rows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <unistd.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/cpu.h"
#include "image/pixel.h"

namespace ox::image {

// Fills of at least this many bytes store around the cache: three quarters of one core's share of the
// last-level cache, beyond which a fill would mostly push other data out of it (the C library's rule for its
// own non-temporal copies).
inline std::size_t streaming_fill_bytes() {
    static const std::size_t size = [] {
        const long l3 = sysconf(_SC_LEVEL3_CACHE_SIZE), cores = sysconf(_SC_NPROCESSORS_ONLN);
        if (l3 <= 0) return std::size_t{8} << 20;
        return static_cast<std::size_t>(l3) / static_cast<std::size_t>(cores > 0 ? cores : 1) / 4 * 3;
    }();
    return size;
}

inline bool has_byte_pixels(int32_t bits) { return bits == 8 || bits == 24 || bits == 32; }

// The bytes that a pixel of `bits` (8, 24 or 32) holds for value v, in memory order; returns the count.
inline int pixel_bytes(int32_t bits, uint32_t v, uint8_t out[4]) {
    switch (bits) {
    case 8: PixelCodec<8>::put(out, 0, v); return 1;
    case 24: PixelCodec<24>::put(out, 0, v); return 3;
    default: PixelCodec<32>::put(out, 0, v); return 4;
    }
}

// byte -> (byte AND a) XOR x, with the pair (a, x) chosen per byte position within a pixel and repeated
// with the pixel's period. Covers every byte store the fills and lines make: a plain store (a = 0), a store
// that keeps some bytes (a = 0xFF there), an inversion (x = 0xFF).
class PixelBytesOp {
public:
    // The pattern laid out over 96 bytes: whole pixels of 1, 3 and 4 bytes and whole 16- and 32-byte vectors.
    static constexpr std::size_t kPeriod = 96;

    // and_bytes / xor_bytes hold one pixel's `bpp` bytes (1, 3 or 4).
    PixelBytesOp(const uint8_t *and_bytes, const uint8_t *xor_bytes, int bpp) : bpp_(bpp) {
        for (std::size_t i = 0; i < kPeriod; ++i) {
            and_[i] = and_bytes[i % bpp];
            xor_[i] = xor_bytes[i % bpp];
        }
        store_only_ = true;
        uniform_ = true;
        for (std::size_t i = 0; i < kPeriod; ++i) {
            if (and_[i] != 0) store_only_ = false;
            if (xor_[i] != xor_[0]) uniform_ = false;
        }
        uniform_ = uniform_ && store_only_;
    }

    // A plain store of one pixel's bytes.
    static PixelBytesOp store(const uint8_t *bytes, int bpp) {
        static constexpr uint8_t zeros[4] = {0, 0, 0, 0};
        return PixelBytesOp(zeros, bytes, bpp);
    }

    // Applies the operation to n bytes from p; p must be the first byte of a pixel. With `stream`, pattern
    // stores bypass the cache: for fills much larger than the cache, which would otherwise read every line
    // before writing it. (A one-byte pattern is a memset, which makes that choice itself.)
    void apply(uint8_t *p, std::size_t n, bool stream = false) const {
#if defined(__SSE2__)
        if (stream && store_only_ && !uniform_ && n >= 2 * kPeriod) {
            store_around_cache(p, n);
            _mm_sfence();
            return;
        }
#endif
        if (n < kPeriod && !uniform_) {
            apply_short(p, n);
        } else if (uniform_) {
            std::memset(p, xor_[0], n);
        } else if (store_only_) {
            for (; n >= kPeriod; n -= kPeriod, p += kPeriod) std::memcpy(p, xor_, kPeriod);
            std::memcpy(p, xor_, n);
        } else {
#if defined(__x86_64__)
            if (core::has_avx2()) {
                apply_read_modify_write_avx2(p, n);
                return;
            }
#endif
            apply_read_modify_write(p, n);
        }
    }

    // The read-modify-write loop, portable 16-byte vectors; and the same with 32-byte vectors where the
    // processor feature record allows them. Both leave the same bytes.
    void apply_read_modify_write(uint8_t *p, std::size_t n) const {
        for (; n >= kPeriod; n -= kPeriod, p += kPeriod)
            for (std::size_t i = 0; i < kPeriod; i += 16)
                store16(p + i, (load(p + i) & load(and_ + i)) ^ load(xor_ + i));
        apply_tail(p, n);
    }
#if defined(__x86_64__)
    __attribute__((target("avx2"))) void apply_read_modify_write_avx2(uint8_t *p, std::size_t n) const {
        const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(and_)), a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(and_ + 32)), a2 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(and_ + 64));
        const __m256i x0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(xor_)), x1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(xor_ + 32)), x2 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(xor_ + 64));
        for (; n >= kPeriod; n -= kPeriod, p += kPeriod) {
            const __m256i v0 = _mm256_xor_si256(_mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)), a0), x0);
            const __m256i v1 = _mm256_xor_si256(_mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 32)), a1), x1);
            const __m256i v2 = _mm256_xor_si256(_mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 64)), a2), x2);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v0);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(p + 32), v1);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(p + 64), v2);
        }
        _mm256_zeroupper();  // before any SSE code that follows, as a jump to another function leaves them
        apply_tail(p, n);
    }
#endif

    bool uniform() const { return uniform_; }
    bool store_only() const { return store_only_; }

private:
    using V16 = uint8_t __attribute__((vector_size(16)));

    static V16 load(const uint8_t *p) {
        V16 v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void store16(uint8_t *p, V16 v) { std::memcpy(p, &v, sizeof v); }

    // Runs shorter than one period (most runs of a thin line), a pixel at a time.
    void apply_short(uint8_t *p, std::size_t n) const {
        if (bpp_ == 4) {
            uint32_t a, x;
            std::memcpy(&a, and_, 4);
            std::memcpy(&x, xor_, 4);
            for (; n >= 4; n -= 4, p += 4) {
                uint32_t w;
                std::memcpy(&w, p, 4);
                w = (w & a) ^ x;
                std::memcpy(p, &w, 4);
            }
            return;
        }
        for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>((p[i] & and_[i]) ^ xor_[i]);
    }

#if defined(__SSE2__)
public:
    // Stores the pattern over the n bytes from p, which starts a pixel: the whole 64-byte lines among them
    // with stores that bypass the cache, the partial lines at both ends with ordinary stores (a partial line
    // written around the cache costs a read of it after all). The caller fences (_mm_sfence) after its last
    // such run, before anything else reads the bytes.
    void store_around_cache(uint8_t *p, std::size_t n) const {
        const std::size_t head = std::min(n, static_cast<std::size_t>(-reinterpret_cast<uintptr_t>(p) & 63));
        std::memcpy(p, xor_, head);
        std::size_t phase = head % 48;  // the pattern also repeats every 48 bytes
        p += head, n -= head;
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(xor_ + phase));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(xor_ + phase + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(xor_ + phase + 32));
        auto put = [&p](__m128i a, __m128i b, __m128i c, __m128i d) {
            _mm_stream_si128(reinterpret_cast<__m128i *>(p), a);
            _mm_stream_si128(reinterpret_cast<__m128i *>(p + 16), b);
            _mm_stream_si128(reinterpret_cast<__m128i *>(p + 32), c);
            _mm_stream_si128(reinterpret_cast<__m128i *>(p + 48), d);
            p += 64;
        };
        // A line holds four vectors and the pattern repeats every three: three lines hold it four times.
        for (; n >= 192; n -= 192) {
            put(v0, v1, v2, v0);
            put(v1, v2, v0, v1);
            put(v2, v0, v1, v2);
        }
        if (n >= 64) put(v0, v1, v2, v0), n -= 64, phase = (phase + 16) % 48;
        if (n >= 64) put(v1, v2, v0, v1), n -= 64, phase = (phase + 16) % 48;
        const std::size_t first = std::min(n, std::size_t{48});
        std::memcpy(p, xor_ + phase, first);
        std::memcpy(p + first, xor_ + phase, n - first);
    }

private:
#endif

    // The last n < kPeriod bytes of a run, from the start of the pattern.
    void apply_tail(uint8_t *p, std::size_t n) const {
        for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>((p[i] & and_[i]) ^ xor_[i]);
    }

    alignas(16) uint8_t and_[kPeriod];
    alignas(16) uint8_t xor_[kPeriod];
    int bpp_;
    bool store_only_;  // every AND byte is 0: the old bytes need not be read
    bool uniform_;     // store_only_ and one byte value throughout: a memset
};

// Applies op(byte, mask) to the bytes of a 1-bit row that hold pixels lo..hi (inclusive, lo <= hi); mask
// has the bits of those pixels set, so that no other pixel of the row is changed.
template <class Op>
void apply_bit_run(uint8_t *row, int32_t lo, int32_t hi, Op op) {
    const int32_t first = lo >> 3, last = hi >> 3;
    const uint8_t head = static_cast<uint8_t>(0xFFu >> (lo & 7));
    const uint8_t tail = static_cast<uint8_t>(0xFFu << (7 - (hi & 7)));
    if (first == last) {
        op(row[first], static_cast<uint8_t>(head & tail));
        return;
    }
    op(row[first], head);
    for (int32_t i = first + 1; i < last; ++i) op(row[i], uint8_t{0xFF});
    op(row[last], tail);
}

// Sets (on) or clears pixels lo..hi of a 1-bit row.
inline void store_bit_run(uint8_t *row, int32_t lo, int32_t hi, bool on) {
    const int32_t first = lo >> 3, last = hi >> 3;
    if (last - first > 1) std::memset(row + first + 1, on ? 0xFF : 0x00, static_cast<std::size_t>(last - first - 1));
    auto edge = [on](uint8_t &b, uint8_t m) { b = static_cast<uint8_t>(on ? (b | m) : (b & ~m)); };
    if (first == last) {
        edge(row[first], static_cast<uint8_t>((0xFFu >> (lo & 7)) & (0xFFu << (7 - (hi & 7)))));
    } else {
        edge(row[first], static_cast<uint8_t>(0xFFu >> (lo & 7)));
        edge(row[last], static_cast<uint8_t>(0xFFu << (7 - (hi & 7))));
    }
}

// Flips pixels lo..hi of a 1-bit row.
inline void flip_bit_run(uint8_t *row, int32_t lo, int32_t hi) {
    apply_bit_run(row, lo, hi, [](uint8_t &b, uint8_t m) { b = static_cast<uint8_t>(b ^ m); });
}

}  // namespace ox::image
