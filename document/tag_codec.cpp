// The tag image codec. The fast paths walk image rows with pointers, one template instance per pair of
// image and stored depth, and go packet by packet; the reference paths below them follow the encoding
// rules pixel by pixel and are kept for the tests to compare against.
#include "document/tag_codec.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/byte_order.h"
#include "core/cpu.h"
#include "core/memory.h"
#include "image/bgr_kernels.h"
#include "image/image_record.h"
#include "image/pixel.h"

namespace ox::document {
namespace {

// Extension and developer area offsets (none), the signature, ".", 0.
constexpr uint8_t kFooter[kTgaFooterSize] = {0, 0, 0, 0, 0, 0, 0, 0, 'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N', '-',
                                             'X', 'F', 'I', 'L', 'E', '.', 0};
constexpr uint8_t kImageTypeRleTrueColour = 10;
constexpr uint8_t kOriginRight = 0x10;
constexpr uint8_t kOriginTop = 0x20;

// ------------------------------------------------------------------------------------------------------
// Shared checks

// The image to encode, checked against its handle: a record whose fields agree with each other and whose
// pixels lie inside the handle, of 24 or 32 bits and at most 32767 pixels on each side.
struct Source {
    OxImageLockRec lock;
    int32_t width, height, bits, depth;
};

bool check_source(OxHandle image, uint32_t id, Source &src) {
    const std::size_t length = core::handle_length(image);
    if (length < OX_IMAGE_HEADER_SIZE) return false;
    const auto &hdr = *static_cast<const OxImageHeader *>(oxLock(image));
    // The gray image tag is read back as a 32-bit gray layer, so only 32-bit images may be stored in it.
    const int32_t depth = id == OX_TAG_IMAGE_24 ? 24 : hdr.bitCount;
    const bool ok = hdr.headerSize == OX_IMAGE_HEADER_SIZE && (hdr.bitCount == 24 || hdr.bitCount == 32) &&
                    (id != OX_TAG_GRAY_IMAGE || depth == 32) && hdr.width >= 1 && hdr.width <= kMaxTagImageSide &&
                    hdr.height >= 1 && hdr.height <= kMaxTagImageSide &&
                    hdr.rowBytes == static_cast<uint32_t>(hdr.width) * (hdr.bitCount / 8) &&
                    static_cast<uint64_t>(hdr.rowBytes) * hdr.height == hdr.imageSize &&
                    hdr.imageSize <= length - OX_IMAGE_HEADER_SIZE;
    oxUnlock(image);
    if (!ok || !oxImageLock(image, &src.lock)) return false;
    src.width = hdr.width;
    src.height = hdr.height;
    src.bits = hdr.bitCount;
    src.depth = depth;
    return true;
}

// The 18-byte header and, behind a stream of `length` bytes, the footer of an encoded block at `out`.
void write_frame(uint8_t *out, std::size_t length, const Source &src) {
    std::memset(out, 0, kTgaHeaderSize);
    out[2] = kImageTypeRleTrueColour;  // the other header bytes stay 0: no ID, no colour map, origin 0
    core::store_le16(out + 12, static_cast<uint16_t>(src.width));
    core::store_le16(out + 14, static_cast<uint16_t>(src.height));
    out[16] = static_cast<uint8_t>(src.depth);
    std::memcpy(out + kTgaHeaderSize + length, kFooter, kTgaFooterSize);
}

// A new block for a stream of `length` bytes, with its header and footer written; the caller fills in
// the stream at offset 18.
OxHandle new_block(std::size_t length, const Source &src, uint32_t *err) {
    if (length + kTgaHeaderSize + kTgaFooterSize > UINT32_MAX) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    OxHandle block = oxAlloc(static_cast<uint32_t>(length + kTgaHeaderSize + kTgaFooterSize), 0, err);
    if (block == 0) return 0;
    write_frame(static_cast<uint8_t *>(oxLock(block)), length, src);
    oxUnlock(block);
    return block;
}

// The header of an encoded block, checked so that the image it describes can be built from the stream.
struct Stream {
    int32_t width, height, depth;
    uint8_t origin;
    const uint8_t *begin, *end;
};

bool parse_stream(const uint8_t *data, std::size_t size, uint32_t id, Stream &s) {
    if (data == nullptr || size < kTgaHeaderSize) return false;
    if (data[1] != 0 || data[2] != kImageTypeRleTrueColour) return false;
    s.width = static_cast<int16_t>(core::load_le16(data + 12));
    s.height = static_cast<int16_t>(core::load_le16(data + 14));
    s.depth = data[16];
    s.origin = data[17] & (kOriginRight | kOriginTop);
    if (s.width < 1 || s.height < 1 || (s.depth != 24 && s.depth != 32)) return false;
    if (id == OX_TAG_GRAY_IMAGE && s.depth != 32) return false;
    const std::size_t skip = kTgaHeaderSize + data[0];  // an image ID field, when there is one
    if (skip > size) return false;
    s.begin = data + skip;
    s.end = data + size;
    // Every row starts with a new packet and a packet holds at most 128 pixels of 1 + P bytes or more, so
    // a stream shorter than this cannot fill the image; refusing it here keeps the image we allocate in
    // proportion to the bytes we were given.
    const uint64_t packets_per_row = (static_cast<uint64_t>(s.width) + 127) / 128;
    const uint64_t least = packets_per_row * static_cast<uint64_t>(s.height) * (1 + s.depth / 8);
    return least <= static_cast<uint64_t>(s.end - s.begin);
}

OxHandle create_target(const Stream &s, uint32_t id, uint32_t *err) {
    return id == OX_TAG_GRAY_IMAGE ? oxImageCreateGray(s.width, s.height, err)
                                   : oxImageCreate(s.width, s.height, s.depth, err);
}

// ------------------------------------------------------------------------------------------------------
// Fast encoder

// S bytes per image pixel, P bytes per stored pixel (24-bit images store 3, 32-bit images 4, or 3 when
// narrowed, dropping image byte 0).
template <int S, int P>
struct StoredPixel {
    static uint32_t key(const uint8_t *p) {
        uint32_t v = 0;
        std::memcpy(&v, p, S);
        if constexpr (S == 4 && P == 3) v &= 0xFFFFFF00u;  // little-endian host: byte 0 is the low byte
        return v;
    }
    static void store(uint8_t *out, const uint8_t *p) {
        if constexpr (S == 4 && P == 4) {
            out[0] = p[3], out[1] = p[2], out[2] = p[1], out[3] = p[0];
        } else if constexpr (S == 4) {
            out[0] = p[3], out[1] = p[2], out[2] = p[1];
        } else {
            out[0] = p[2], out[1] = p[1], out[2] = p[0];
        }
    }
};

// Number of bytes from the start at which a and b first differ, or n.
inline std::size_t first_difference(const uint8_t *a, const uint8_t *b, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint64_t x = core::load_le64(a + i), y = core::load_le64(b + i);
        if (x != y) return i + static_cast<std::size_t>(__builtin_ctzll(x ^ y)) / 8;
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

// The first pixel j from i on (i <= j < w - 1) that equals pixel j + 1, or w when there is none. Sixteen
// bytes at a time are compared with the sixteen one pixel on: a pixel equals its neighbour when all its
// stored bytes do (for a narrowed 32-bit pixel, bytes 1 to 3). The vectors stay inside the row.
template <int S, int P>
inline int32_t next_equal_pair(const uint8_t *row, int32_t i, int32_t w) {
#if defined(__SSE2__)
    constexpr int32_t kStep = S == 3 ? 5 : 4;  // pixel pairs one vector compare settles
    // A 3-byte pixel equals the next when its three bits of the byte mask are set; 4-byte pixels go by words.
    constexpr int kTriples = 0x1249;  // bits 0, 3, 6, 9, 12
    for (; i + kStep + (16 + S - 1) / S <= w; i += kStep) {
        const uint8_t *p = row + static_cast<std::size_t>(i) * S;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + S));
        if constexpr (S == 3) {
            const int m = _mm_movemask_epi8(_mm_cmpeq_epi8(a, b));
            const int t = m & m >> 1 & m >> 2 & kTriples;
            if (t) return i + __builtin_ctz(static_cast<unsigned>(t)) / 3;
        } else if constexpr (P == 4) {
            const int t = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, b)));
            if (t) return i + __builtin_ctz(static_cast<unsigned>(t));
        } else {
            // Byte 0 (the low byte of each word) counts as equal.
            const __m128i same = _mm_or_si128(_mm_cmpeq_epi8(a, b), _mm_set1_epi32(0xFF));
            const int t = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(same, _mm_set1_epi32(-1))));
            if (t) return i + __builtin_ctz(static_cast<unsigned>(t));
        }
    }
#endif
    for (; i + 1 < w; ++i) {
        const uint8_t *p = row + static_cast<std::size_t>(i) * S;
        if (StoredPixel<S, P>::key(p) == StoredPixel<S, P>::key(p + S)) return i;
    }
    return w;
}

#if defined(__x86_64__)
// The same, thirty-two bytes at a time: ten 3-byte pixel pairs or eight 4-byte ones per compare.
template <int S, int P>
__attribute__((target("avx2"))) int32_t next_equal_pair_avx2(const uint8_t *row, int32_t i, int32_t w) {
    constexpr int32_t kStep = S == 3 ? 10 : 8;
    for (; i + kStep + 2 <= w; i += kStep) {
        const uint8_t *p = row + static_cast<std::size_t>(i) * S;
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + S));
        uint32_t t;
        if constexpr (S == 3) {
            const auto m = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, b)));
            t = m & m >> 1 & m >> 2 & 0x09249249u;  // bits 0, 3, ..., 27
            if (t) return i + __builtin_ctz(t) / 3;
        } else {
            __m256i same = _mm256_cmpeq_epi8(a, b);
            if constexpr (P == 3) same = _mm256_or_si256(same, _mm256_set1_epi32(0xFF));  // byte 0 counts as equal
            t = static_cast<uint32_t>(
                _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(same, _mm256_set1_epi32(-1)))));
            if (t) return i + __builtin_ctz(t);
        }
    }
    return next_equal_pair<S, P>(row, i, w);
}

// The same, sixty-four bytes at a time: twenty-one 3-byte pixel pairs or sixteen 4-byte ones per compare.
template <int S, int P>
__attribute__((target("avx512f,avx512bw"))) int32_t next_equal_pair_avx512(const uint8_t *row, int32_t i, int32_t w) {
    constexpr int32_t kStep = S == 3 ? 21 : 16;
    for (; i + kStep + 2 <= w; i += kStep) {
        const uint8_t *p = row + static_cast<std::size_t>(i) * S;
        const __m512i a = _mm512_loadu_si512(p), b = _mm512_loadu_si512(p + S);
        if constexpr (S == 3) {
            const uint64_t m = _mm512_cmpeq_epi8_mask(a, b);
            const uint64_t t = m & m >> 1 & m >> 2 & 0x1249249249249249ull;  // bits 0, 3, ..., 60
            if (t) return i + static_cast<int32_t>(__builtin_ctzll(t) / 3);
        } else {
            const uint64_t m = _mm512_cmpeq_epi8_mask(a, b) | (P == 3 ? 0x1111111111111111ull : 0);
            // A pixel's nibble of the mask is all ones when its four bytes are equal.
            const uint64_t t = m & m >> 1 & m >> 2 & m >> 3 & 0x1111111111111111ull;
            if (t) return i + static_cast<int32_t>(__builtin_ctzll(t) / 4);
        }
    }
    return next_equal_pair_avx2<S, P>(row, i, w);
}
#endif

// Length of the run of pixels equal to pixel i (at least 1), up to the row's end.
template <int S, int P>
inline int32_t run_length(const uint8_t *row, int32_t i, int32_t w) {
    const uint8_t *p = row + static_cast<std::size_t>(i) * S;
    if constexpr (S == P) {
        // Pixel i + j equals pixel i for all j up to m - 1 exactly when the row bytes from pixel i + 1 on
        // repeat the bytes one pixel earlier.
        const std::size_t same = first_difference(p, p + S, static_cast<std::size_t>(w - i - 1) * S);
        return 1 + static_cast<int32_t>(same / S);
    } else {
        const uint32_t k = StoredPixel<S, P>::key(p);
        int32_t m = 1;
        while (i + m < w && StoredPixel<S, P>::key(p + static_cast<std::size_t>(m) * S) == k) ++m;
        return m;
    }
}

// n pixels from p as stored pixels at out: the bytes of each in reverse order (a narrowed pixel without
// its byte 0).
template <int S, int P>
inline void store_pixels(uint8_t *out, const uint8_t *p, int32_t n) {
    if constexpr (S == 3) {
        image::bgr::swap_24_wide(p, out, n);
    } else if constexpr (P == 3) {
        image::bgr::bgr_from_32_wide(p, out, n);
    } else {
        for (int32_t j = 0; j < n; ++j) core::store_le32(out + 4 * j, core::load_be32(p + 4 * j));
    }
}

// How wide the pair search may go here: 2 for 64-byte vectors, 1 for 32-byte ones, 0 for 16-byte ones.
inline int vector_level() { return core::has_avx512vbmi() ? 2 : core::has_avx2() ? 1 : 0; }

// One row, packet by packet: raw stretches up to the next pair of equal neighbours, in packets of 128 and a
// remainder, then the run that starts there. A run of m equal pixels gives run packets of 128 while more
// than 128 follow its first pixel, then one run packet of the rest; when exactly a multiple of 128
// followed, the last pixel of the run is left over and starts the raw stretch after it.
template <int S, int P>
uint8_t *encode_row(const uint8_t *row, int32_t w, uint8_t *out, int wide) {
    int32_t i = 0;
    while (i < w) {
#if defined(__x86_64__)
        const int32_t j = wide > 1   ? next_equal_pair_avx512<S, P>(row, i, w)
                          : wide > 0 ? next_equal_pair_avx2<S, P>(row, i, w)
                                     : next_equal_pair<S, P>(row, i, w);
#else
        const int32_t j = next_equal_pair<S, P>(row, i, w);
#endif
        for (int32_t n; i < j; i += n) {
            n = std::min(j - i, 128);
            *out++ = static_cast<uint8_t>(n - 1);
            store_pixels<S, P>(out, row + static_cast<std::size_t>(i) * S, n);
            out += static_cast<std::size_t>(n) * P;
        }
        if (j == w) break;
        const int32_t m = run_length<S, P>(row, j, w);
        const uint8_t *p = row + static_cast<std::size_t>(j) * S;
        int32_t rest = m - 1;  // pixels behind the run's first one
        for (; rest >= 128; rest -= 128, out += P) {
            *out++ = 0xFF;
            StoredPixel<S, P>::store(out, p);
        }
        if (rest > 0) {
            *out++ = static_cast<uint8_t>(0x80 | rest);
            StoredPixel<S, P>::store(out, p);
            out += P;
        }
        i = j + m - (rest > 0 ? 0 : 1);
    }
    return out;
}

// The stream of all rows, bottom row first, into `out`; returns its length.
template <int S, int P>
std::size_t encode_rows(const OxImageLockRec &lock, uint8_t *out) {
    const int32_t w = lock.maxX + 1;
    const int wide = vector_level();
    uint8_t *at = out;
    for (int32_t y = lock.maxY; y >= 0; --y) at = encode_row<S, P>(image::row_ptr(lock, y), w, at, wide);
    return static_cast<std::size_t>(at - out);
}

std::size_t encode_stream(const OxImageLockRec &lock, int32_t depth, uint8_t *out) {
    if (lock.header->bitCount == 24) return encode_rows<3, 3>(lock, out);
    if (depth == 32) return encode_rows<4, 4>(lock, out);
    return encode_rows<4, 3>(lock, out);
}

// ------------------------------------------------------------------------------------------------------
// Fast decoder

// Image pixel bytes from a stored pixel: the stored bytes in reverse order.
template <int P>
inline void unstore(uint8_t *dst, const uint8_t *s) {
    if constexpr (P == 4) {
        dst[0] = s[3], dst[1] = s[2], dst[2] = s[1], dst[3] = s[0];
    } else {
        dst[0] = s[2], dst[1] = s[1], dst[2] = s[0];
    }
}

template <int P>
void fill_pixels(uint8_t *dst, const uint8_t *px, int32_t count) {
    if constexpr (P == 4) {
        uint32_t v;
        std::memcpy(&v, px, 4);
        for (int32_t j = 0; j < count; ++j) std::memcpy(dst + 4 * j, &v, 4);
    } else {
        // 16 pixels of pattern, copied in 48-byte pieces.
        uint8_t pattern[48];
        const int32_t first = std::min(count, 16);
        for (int32_t j = 0; j < first; ++j) std::memcpy(pattern + 3 * j, px, 3);
        std::memcpy(dst, pattern, 3 * static_cast<std::size_t>(first));
        int32_t done = first;
        for (; done + 16 <= count; done += 16) std::memcpy(dst + 3 * done, pattern, 48);
        std::memcpy(dst + 3 * done, pattern, 3 * static_cast<std::size_t>(count - done));
    }
}

// Decodes one image row from the packets at `in`. A packet's pixels beyond the row's end are dropped (a
// raw packet's are skipped over); every row starts with a new packet. Pixels are placed left to right, or
// right to left when the origin is on the right. Returns false when the stream ends before the row does.
template <int P, bool RightToLeft>
bool decode_row(const uint8_t *&in, const uint8_t *end, uint8_t *row, int32_t w) {
    int32_t col = 0;
    while (col < w) {
        if (in == end) return false;
        const uint8_t h = *in++;
        const int32_t n = (h & 0x7F) + 1;
        const int32_t take = std::min(n, w - col);
        const std::size_t avail = static_cast<std::size_t>(end - in);
        if (h & 0x80) {
            if (avail < P) return false;
            uint8_t px[4];
            unstore<P>(px, in);
            in += P;
            const int32_t x0 = RightToLeft ? w - col - take : col;
            fill_pixels<P>(row + static_cast<std::size_t>(x0) * P, px, take);
        } else {
            if (avail < static_cast<std::size_t>(take) * P) return false;
            if constexpr (RightToLeft) {
                uint8_t *dst = row + static_cast<std::size_t>(w - 1 - col) * P;
                for (int32_t j = 0; j < take; ++j, dst -= P) unstore<P>(dst, in + static_cast<std::size_t>(j) * P);
            } else {
                uint8_t *dst = row + static_cast<std::size_t>(col) * P;
                for (int32_t j = 0; j < take; ++j, dst += P) unstore<P>(dst, in + static_cast<std::size_t>(j) * P);
            }
            // The dropped pixels are skipped, not read: a last packet cut short there still decodes.
            const std::size_t skip = static_cast<std::size_t>(n) * P;
            in = skip <= avail ? in + skip : end;
        }
        col += take;
    }
    return true;
}

template <int P, bool RightToLeft>
bool decode_rows(const Stream &s, const OxImageLockRec &lock) {
    const uint8_t *in = s.begin;
    const bool top = s.origin & kOriginTop;
    for (int32_t r = 0; r < s.height; ++r) {
        const int32_t y = top ? r : s.height - 1 - r;
        if (!decode_row<P, RightToLeft>(in, s.end, image::row_ptr(lock, y), s.width)) return false;
    }
    return true;
}

}  // namespace

std::size_t encode_tag_stream(const OxImageLockRec &lock, int32_t depth, uint8_t *out) {
    return encode_stream(lock, depth, out);
}

OxHandle encode_tag_image(OxHandle image, uint32_t id, uint32_t *err) {
    Source src;
    if (!check_source(image, id, src)) {
        *err = 0;
        return 0;
    }
    // One pass straight into the block: it is reserved at the size no stream can pass (each pixel stored
    // whole, plus at most one header byte per pixel), and the pages behind the stream, never touched, are
    // given back.
    const std::size_t most = static_cast<std::size_t>(src.width) * src.height * (src.depth / 8 + 1);
    OxHandle block = core::reserve_handle(kTgaHeaderSize + most + kTgaFooterSize, err);
    if (block) {
        auto *out = static_cast<uint8_t *>(oxLock(block));
        const std::size_t length = encode_stream(src.lock, src.depth, out + kTgaHeaderSize);
        if (length + kTgaHeaderSize + kTgaFooterSize > UINT32_MAX) {
            oxFree(block);
            block = 0;
            *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        } else {
            write_frame(out, length, src);
            core::trim_handle(block, length + kTgaHeaderSize + kTgaFooterSize);
        }
    }
    oxImageUnlock(&src.lock);
    return block;
}

uint64_t tag_image_bound(OxHandle image, uint32_t id) {
    Source src;
    if (!check_source(image, id, src)) return 0;
    oxImageUnlock(&src.lock);
    const uint64_t most = uint64_t{static_cast<uint32_t>(src.width)} * static_cast<uint32_t>(src.height) *
                          static_cast<uint32_t>(src.depth / 8 + 1);
    return (kTgaHeaderSize + most + kTgaFooterSize + core::kPageSize - 1) / core::kPageSize * core::kPageSize;
}

uint64_t write_tag_image(OxHandle image, uint32_t id, const TagBytesSink &sink, uint32_t *err) {
    Source src;
    if (!check_source(image, id, src)) {
        *err = 0;
        return 0;
    }
    // Rows are encoded into a buffer that stays in the cache and is handed on whenever another row might not
    // fit; it is made once per thread and kept, as fresh pages cost more than the encoding of them.
    constexpr std::size_t kBuffer = 512 * 1024;  // a header and the longest row of 32767 4-byte pixels fit
    static thread_local std::unique_ptr<uint8_t[]> buffer;
    if (!buffer) buffer.reset(new (std::nothrow) uint8_t[kBuffer]);
    if (!buffer) {
        oxImageUnlock(&src.lock);
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    uint8_t *const begin = buffer.get(), *at = begin + kTgaHeaderSize;
    write_frame(begin, 0, src);  // the header; the footer written behind it is overwritten by the rows
    const std::size_t row_most = static_cast<std::size_t>(src.width) * (src.depth / 8 + 1);
    const int wide = vector_level();
    uint64_t total = 0;
    bool ok = true;
    auto flush = [&] {
        ok = ok && sink(begin, static_cast<std::size_t>(at - begin));
        total += static_cast<uint64_t>(at - begin);
        at = begin;
    };
    const int32_t w = src.width;
    for (int32_t y = src.height - 1; y >= 0 && ok; --y) {
        if (static_cast<std::size_t>(begin + kBuffer - at) < row_most) flush();
        const uint8_t *row = image::row_ptr(src.lock, y);
        if (src.bits == 24) at = encode_row<3, 3>(row, w, at, wide);
        else if (src.depth == 32) at = encode_row<4, 4>(row, w, at, wide);
        else at = encode_row<4, 3>(row, w, at, wide);
    }
    oxImageUnlock(&src.lock);
    // The footer, then zero bytes up to the whole page that a block of this length would end on.
    std::memcpy(at, kFooter, kTgaFooterSize);
    at += kTgaFooterSize;
    const uint64_t length = total + static_cast<uint64_t>(at - begin);
    const std::size_t pad = static_cast<std::size_t>((core::kPageSize - length % core::kPageSize) % core::kPageSize);
    if (static_cast<std::size_t>(begin + kBuffer - at) < pad) flush();
    std::memset(at, 0, pad);
    at += pad;
    flush();
    return ok ? total : 0;
}

bool decode_tag_pixels(const uint8_t *data, std::size_t size, uint32_t id, const OxImageLockRec &target) {
    Stream s;
    if (!parse_stream(data, size, id, s) || target.maxX + 1 != s.width || target.maxY + 1 != s.height ||
        target.header->bitCount != s.depth)
        return false;
    const bool right = s.origin & kOriginRight;
    if (s.depth == 24) return right ? decode_rows<3, true>(s, target) : decode_rows<3, false>(s, target);
    return right ? decode_rows<4, true>(s, target) : decode_rows<4, false>(s, target);
}

OxHandle decode_tag_image(const uint8_t *data, std::size_t size, uint32_t id, uint32_t *err) {
    Stream s;
    if (!parse_stream(data, size, id, s)) {
        *err = OX_ERR_NOT_TAGGED_DOCUMENT;
        return 0;
    }
    core::OwnedHandle image(create_target(s, id, err));
    if (!image) return 0;
    OxImageLockRec lock;
    oxImageLock(image.get(), &lock);
    const bool ok = decode_tag_pixels(data, size, id, lock);
    oxImageUnlock(&lock);
    if (!ok) {
        *err = OX_ERR_NOT_TAGGED_DOCUMENT;
        return 0;
    }
    return image.release();
}

// ------------------------------------------------------------------------------------------------------
// Reference paths

OxHandle plain::encode_tag_image(OxHandle image, uint32_t id, uint32_t *err) {
    Source src;
    if (!check_source(image, id, src)) {
        *err = 0;
        return 0;
    }
    const int32_t w = src.width, h = src.height, d = src.depth, p = d / 8;
    const std::size_t raw = static_cast<std::size_t>(w) * h * p;
    std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[2 * raw]);
    std::unique_ptr<uint8_t[]> reordered(new (std::nothrow) uint8_t[raw]);
    if (!work || !reordered) {
        oxImageUnlock(&src.lock);
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    // Stored pixels: value bits 16-23, 8-15, 0-7, then 24-31 at depth 32; the bottom row first.
    for (int32_t y = 0; y < h; ++y) {
        uint8_t *o = reordered.get() + static_cast<std::size_t>(h - 1 - y) * w * p;
        for (int32_t x = 0; x < w; ++x, o += p) {
            const uint32_t v = oxImageGetPixel(&src.lock, x, y);
            o[0] = static_cast<uint8_t>(v >> 16);
            o[1] = static_cast<uint8_t>(v >> 8);
            o[2] = static_cast<uint8_t>(v);
            if (p == 4) o[3] = static_cast<uint8_t>(v >> 24);
        }
    }
    oxImageUnlock(&src.lock);

    uint8_t *out = work.get();
    std::size_t pos = 0, header = 0;
    auto put = [&](const uint8_t *px) {
        std::memcpy(out + pos, px, p);
        pos += p;
    };
    auto reserve = [&] { header = pos++; };
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t *row = reordered.get() + static_cast<std::size_t>(r) * w * p;
        int32_t raw_count = 0, run = 0;
        const uint8_t *c = row;
        reserve();
        for (int32_t x = 1; x < w; ++x) {
            const uint8_t *n = row + static_cast<std::size_t>(x) * p;
            if (std::memcmp(n, c, p) == 0) {
                if (raw_count > 0) {
                    out[header] = static_cast<uint8_t>(raw_count - 1);
                    reserve();
                    raw_count = 0;
                }
                if (run == 0) put(c);
                if (++run == 128) {
                    out[header] = 0xFF;
                    reserve();
                    run = 0;
                }
            } else if (run > 0) {
                out[header] = static_cast<uint8_t>(0x80 | run);
                reserve();
                run = 0;
            } else {
                put(c);
                if (++raw_count == 128) {
                    out[header] = 0x7F;
                    reserve();
                    raw_count = 0;
                }
            }
            c = n;
        }
        if (run > 0) {
            out[header] = static_cast<uint8_t>(0x80 | run);
        } else {
            put(c);
            out[header] = static_cast<uint8_t>(raw_count);
        }
    }
    OxHandle block = new_block(pos, src, err);
    if (block) {
        std::memcpy(static_cast<uint8_t *>(oxLock(block)) + kTgaHeaderSize, work.get(), pos);
        oxUnlock(block);
    }
    return block;
}

OxHandle plain::decode_tag_image(const uint8_t *data, std::size_t size, uint32_t id, uint32_t *err) {
    Stream s;
    if (!parse_stream(data, size, id, s)) {
        *err = OX_ERR_NOT_TAGGED_DOCUMENT;
        return 0;
    }
    const int32_t w = s.width, h = s.height, p = s.depth / 8;
    const std::size_t total = static_cast<std::size_t>(w) * h * p;
    std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[total]);
    if (!work) {
        *err = OX_ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    // Unpack in stored order with a column counter; pixels past a row's end are dropped.
    const std::size_t in_size = static_cast<std::size_t>(s.end - s.begin);
    std::size_t in = 0, filled = 0;
    int32_t col = 0;
    bool ok = true;
    while (filled < total) {
        if (col >= w) col = 0;
        if (in >= in_size) {
            ok = false;
            break;
        }
        const uint8_t hdr = s.begin[in++];
        const int32_t n = (hdr & 0x7F) + 1;
        if (hdr < 0x80) {
            for (int32_t j = 0; j < n; ++j, ++col) {
                if (col < w) {
                    if (in + p > in_size) {
                        ok = false;
                        break;
                    }
                    std::memcpy(&work[filled], s.begin + in, p);
                    filled += p;
                }
                in += p;  // a dropped pixel is skipped without being read
            }
        } else {
            if (in + p > in_size) {
                ok = false;
                break;
            }
            const uint8_t *px = s.begin + in;
            in += p;
            for (int32_t j = 0; j < n; ++j) {
                if (col < w) {
                    std::memcpy(&work[filled], px, p);
                    filled += p;
                    ++col;
                }
            }
        }
        if (!ok) break;
    }
    if (!ok) {
        *err = OX_ERR_NOT_TAGGED_DOCUMENT;
        return 0;
    }
    OxHandle image = create_target(s, id, err);
    if (image == 0) return 0;
    OxImageLockRec lock;
    oxImageLock(image, &lock);
    uint8_t *dst = lock.pixels;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x, dst += p) {
            std::size_t i;
            switch (s.origin) {
            case 0x00: i = static_cast<std::size_t>(h - y - 1) * w + x; break;
            case 0x10: i = static_cast<std::size_t>(h - y) * w - x - 1; break;
            case 0x20: i = static_cast<std::size_t>(y) * w + x; break;
            default: i = static_cast<std::size_t>(y + 1) * w - x - 1; break;
            }
            const uint8_t *src = &work[i * p];
            for (int32_t b = 0; b < p; ++b) dst[b] = src[p - 1 - b];
        }
    }
    oxImageUnlock(&lock);
    return image;
}

}  // namespace ox::document
