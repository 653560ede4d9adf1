// The tag image codec: exact packet bytes, round trips at every depth and tag kind, the fast paths against
// the plain reference paths, origin bits and row-end dropping, and refusal of damaged or hostile blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "document/tag_codec.h"
#include "ox.h"
#include "support.h"

using oxtest::Handle;
using oxtest::make_image;
using namespace ox::document;

namespace {

using Bytes = std::vector<uint8_t>;
using Encoder = OxHandle (*)(OxHandle, uint32_t, uint32_t *);
using Decoder = OxHandle (*)(const uint8_t *, std::size_t, uint32_t, uint32_t *);

constexpr uint32_t kPlainId = 0x1234;  // an ordinary image tag

struct Codec {
    const char *name;
    Encoder encode;
    Decoder decode;
};
const Codec kCodecs[] = {{"fast", encode_tag_image, decode_tag_image},
                         {"reference", encode_tag_image_reference, decode_tag_image_reference}};

// The packet stream of an encoded block (between the 18-byte header and the 26-byte footer), after
// checking the header and footer bytes.
Bytes stream_of(OxHandle block, int32_t w, int32_t h, int depth) {
    const auto *b = static_cast<const uint8_t *>(oxLock(block));
    const uint32_t size = oxGetHandleSize(block);
    const uint8_t header[18] = {0,
                                0,
                                10,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                static_cast<uint8_t>(w),
                                static_cast<uint8_t>(w >> 8),
                                static_cast<uint8_t>(h),
                                static_cast<uint8_t>(h >> 8),
                                static_cast<uint8_t>(depth),
                                0};
    EXPECT_EQ(Bytes(b, b + 18), Bytes(header, header + 18));
    // The footer ends the block's meaningful bytes; the rest of the page is zero.
    static const char footer_sig[] = "TRUEVISION-XFILE.";
    std::size_t end = size;
    while (end > 0 && b[end - 1] == 0) --end;
    ++end;  // the footer's final zero byte
    EXPECT_GE(end, 18u + 26u);
    EXPECT_EQ(std::memcmp(b + end - 18, footer_sig, 18), 0);
    for (std::size_t i = end - 26; i < end - 18; ++i) EXPECT_EQ(b[i], 0) << "extension/developer offset byte " << i;
    Bytes s(b + 18, b + end - 26);
    oxUnlock(block);
    return s;
}

// A one-row 24-bit image whose pixels are the given values.
Handle row_image(const std::vector<uint32_t> &values, int bits = 24) {
    Handle img = make_image(static_cast<int32_t>(values.size()), 1, bits);
    OxImageLockRec lock;
    oxImageLock(img.get(), &lock);
    for (std::size_t x = 0; x < values.size(); ++x) oxImagePutPixel(&lock, static_cast<int32_t>(x), 0, values[x]);
    oxImageUnlock(&lock);
    return img;
}

// Stored bytes of a 24-bit value: blue, green, red.
Bytes px24(uint32_t v) {
    return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes hdr(uint8_t h) { return {h}; }
Bytes repeat_raw(std::vector<uint32_t> values) {
    Bytes out;
    for (uint32_t v : values) {
        Bytes p = px24(v);
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

std::vector<uint32_t> distinct(int n, uint32_t base = 0x100000) {
    std::vector<uint32_t> v(n);
    for (int i = 0; i < n; ++i) v[i] = base + static_cast<uint32_t>(i);
    return v;
}
std::vector<uint32_t> same(int n, uint32_t v) { return std::vector<uint32_t>(n, v); }
std::vector<uint32_t> join(std::initializer_list<std::vector<uint32_t>> parts) {
    std::vector<uint32_t> out;
    for (const auto &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes block_bytes(OxHandle block) {
    const auto *b = static_cast<const uint8_t *>(oxLock(block));
    Bytes out(b, b + oxGetHandleSize(block));
    oxUnlock(block);
    return out;
}

bool same_pixels(OxHandle a, OxHandle b) {
    OxImageLockRec la, lb;
    oxImageLock(a, &la);
    oxImageLock(b, &lb);
    bool eq = la.header->width == lb.header->width && la.header->height == lb.header->height &&
              la.header->bitCount == lb.header->bitCount && la.header->imageSize == lb.header->imageSize &&
              std::memcmp(la.pixels, lb.pixels, la.header->imageSize) == 0;
    oxImageUnlock(&la);
    oxImageUnlock(&lb);
    return eq;
}

// Pixels in runs of random length (often past 128 and across row ends) from a small palette, so that
// equal neighbours, lone pixels and long raw stretches all occur.
void fill_runs(OxHandle image, std::mt19937 &rng) {
    OxImageLockRec lock;
    oxImageLock(image, &lock);
    const int32_t w = lock.maxX + 1, h = lock.maxY + 1;
    uint32_t palette[6];
    for (auto &c : palette) c = rng();
    int64_t left = 0;
    uint32_t v = 0;
    bool noisy = false;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            if (left-- <= 0) {
                const int kind = rng() % 4;
                left = kind == 0   ? 1 + rng() % 3
                       : kind == 1 ? 120 + rng() % 20
                       : kind == 2 ? 250 + rng() % 20
                                   : rng() % 40;
                noisy = rng() % 3 == 0;
                v = palette[rng() % 6];
            }
            oxImagePutPixel(&lock, x, y, noisy ? static_cast<uint32_t>(rng()) : v);
        }
    oxImageUnlock(&lock);
}

TEST(TagEncode, PacketBytesOfHandCheckedRows) {
    struct Case {
        const char *what;
        std::vector<uint32_t> row;
        Bytes stream;
    };
    const uint32_t A = 0x112233, B = 0x445566, C = 0x778899, X = 0xABCDEF;
    const std::vector<uint32_t> d128 = distinct(128);
    const Case cases[] = {
        {"one pixel", {A}, cat({hdr(0x00), px24(A)})},
        {"A A B C C", {A, A, B, C, C}, cat({hdr(0x81), px24(A), hdr(0x00), px24(B), hdr(0x81), px24(C)})},
        {"128 equal", same(128, A), cat({hdr(0xFF), px24(A)})},
        {"129 equal", same(129, A), cat({hdr(0xFF), px24(A), hdr(0x00), px24(A)})},
        {"130 equal", same(130, A), cat({hdr(0xFF), px24(A), hdr(0x81), px24(A)})},
        {"257 equal", same(257, A), cat({hdr(0xFF), px24(A), hdr(0xFF), px24(A), hdr(0x00), px24(A)})},
        // The pixel left over behind a run of 128 starts a raw packet that the next lone pixel joins.
        {"129 equal, X", join({same(129, A), {X}}), cat({hdr(0xFF), px24(A), hdr(0x01), px24(A), px24(X)})},
        {"129 equal, X X", join({same(129, A), {X, X}}),
         cat({hdr(0xFF), px24(A), hdr(0x00), px24(A), hdr(0x81), px24(X)})},
        {"128 distinct", d128, cat({hdr(0x7F), repeat_raw(d128)})},
        {"129 distinct", distinct(129), cat({hdr(0x7F), repeat_raw(d128), hdr(0x00), px24(0x100000 + 128)})},
        {"distinct then run", join({{A, B}, same(3, C)}), cat({hdr(0x01), px24(A), px24(B), hdr(0x82), px24(C)})},
        {"run then distinct", join({same(3, C), {A, B}}), cat({hdr(0x82), px24(C), hdr(0x01), px24(A), px24(B)})},
    };
    for (const Codec &codec : kCodecs)
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << codec.name << ": " << c.what);
            Handle img = row_image(c.row);
            uint32_t err = 0xDEAD;
            Handle block(codec.encode(img.get(), kPlainId, &err));
            ASSERT_TRUE(block);
            EXPECT_EQ(stream_of(block.get(), static_cast<int32_t>(c.row.size()), 1, 24), c.stream);
        }
}

TEST(TagEncode, FlatThumbnailIsOneRunPerRowBottomRowFirst) {
    for (const Codec &codec : kCodecs) {
        SCOPED_TRACE(codec.name);
        Handle img = make_image(64, 48, 24);
        OxImageLockRec lock;
        oxImageLock(img.get(), &lock);
        for (int32_t y = 0; y < 48; ++y)
            for (int32_t x = 0; x < 64; ++x) oxImagePutPixel(&lock, x, y, y == 47 ? 0x0000FF : 0xC0FFEE);
        oxImageUnlock(&lock);
        uint32_t err = 0xDEAD;
        Handle block(codec.encode(img.get(), OX_TAG_SMALL_THUMBNAIL, &err));
        ASSERT_TRUE(block);
        Bytes s = stream_of(block.get(), 64, 48, 24);
        ASSERT_EQ(s.size(), 192u);  // 48 packets of a header and one pixel: a 236-byte block before rounding
        EXPECT_EQ(oxGetHandleSize(block.get()), 4096u);
        EXPECT_EQ(Bytes(s.begin(), s.begin() + 4), cat({hdr(0xBF), px24(0x0000FF)}));  // the bottom row
        for (int r = 1; r < 48; ++r)
            EXPECT_EQ(Bytes(s.begin() + 4 * r, s.begin() + 4 * r + 4), cat({hdr(0xBF), px24(0xC0FFEE)}));
    }
}

TEST(TagEncode, StoredPixelBytesPerDepthAndNarrowing) {
    for (const Codec &codec : kCodecs) {
        SCOPED_TRACE(codec.name);
        // 32-bit image bytes b0 b1 b2 b3 (value 0xA1B2C3D4 stores A1 D4 C3 B2) are stored b3 b2 b1 b0, or
        // b3 b2 b1 when the image tag narrows to 24 bits.
        Handle img = row_image({0xA1B2C3D4}, 32);
        uint32_t err;
        Handle b32(codec.encode(img.get(), kPlainId, &err));
        Handle b24(codec.encode(img.get(), OX_TAG_IMAGE_24, &err));
        ASSERT_TRUE(b32 && b24);
        EXPECT_EQ(stream_of(b32.get(), 1, 1, 32), (Bytes{0x00, 0xB2, 0xC3, 0xD4, 0xA1}));
        EXPECT_EQ(stream_of(b24.get(), 1, 1, 24), (Bytes{0x00, 0xB2, 0xC3, 0xD4}));
        // Narrowing compares only the kept bytes: pixels differing in the fourth channel form one run.
        Handle two = row_image({0x01B2C3D4, 0x02B2C3D4}, 32);
        Handle n24(codec.encode(two.get(), OX_TAG_IMAGE_24, &err));
        Handle n32(codec.encode(two.get(), kPlainId, &err));
        EXPECT_EQ(stream_of(n24.get(), 2, 1, 24), (Bytes{0x81, 0xB2, 0xC3, 0xD4}));
        EXPECT_EQ(stream_of(n32.get(), 2, 1, 32), (Bytes{0x01, 0xB2, 0xC3, 0xD4, 0x01, 0xB2, 0xC3, 0xD4, 0x02}));
    }
}

TEST(TagEncode, NoPacketCrossesARow) {
    // Two rows of one colour in a 3-wide image: one run per row, never one run of 6.
    Handle img = make_image(3, 2, 24);
    OxImageLockRec lock;
    oxImageLock(img.get(), &lock);
    for (int32_t i = 0; i < 6; ++i) oxImagePutPixel(&lock, i % 3, i / 3, 0x010203);
    oxImageUnlock(&lock);
    uint32_t err;
    Handle block(encode_tag_image(img.get(), kPlainId, &err));
    EXPECT_EQ(stream_of(block.get(), 3, 2, 24), cat({hdr(0x82), px24(0x010203), hdr(0x82), px24(0x010203)}));
}

TEST(TagEncode, RefusesWhatCannotBeStored) {
    std::mt19937 rng(1);
    Handle gray = make_image(4, 4, 32, OX_LAYER_GRAY);
    uint32_t err = 0xDEAD;
    Handle ok(encode_tag_image(gray.get(), OX_TAG_GRAY_IMAGE, &err));
    EXPECT_TRUE(ok);

    struct Bad {
        const char *what;
        OxHandle image;
        uint32_t id;
    };
    Handle mask = make_image(8, 8, 1, OX_LAYER_MASK), bits8 = make_image(8, 8, 8), rgb = make_image(4, 4, 24);
    Handle wide = make_image(32768, 1, 24), tall = make_image(1, 32768, 32);
    Handle not_image(oxAlloc(100, 0, &err));  // a zero block: headerSize 0
    int on_stack = 0;
    const Bad bad[] = {{"no handle", 0, kPlainId},
                       {"not a handle", reinterpret_cast<OxHandle>(&on_stack), kPlainId},
                       {"zero block", not_image.get(), kPlainId},
                       {"1 bit", mask.get(), kPlainId},
                       {"8 bits", bits8.get(), OX_TAG_IMAGE_24},
                       {"24 bits under the gray tag", rgb.get(), OX_TAG_GRAY_IMAGE},
                       {"32768 wide", wide.get(), kPlainId},
                       {"32768 tall", tall.get(), kPlainId}};
    for (const Codec &codec : kCodecs)
        for (const Bad &b : bad) {
            SCOPED_TRACE(testing::Message() << codec.name << ": " << b.what);
            err = 0xDEAD;
            EXPECT_EQ(codec.encode(b.image, b.id, &err), 0u);
            EXPECT_EQ(err, 0u);
        }
    Handle widest = make_image(32767, 1, 24);
    EXPECT_TRUE(Handle(encode_tag_image(widest.get(), kPlainId, &err)));
}

struct RoundTrip {
    int bits;
    int layer;
    uint32_t id;
    int out_bits;
    int out_layer;
};

TEST(TagCodec, RoundTripsExactlyAtEveryDepthAndKind) {
    const RoundTrip kinds[] = {
        {24, OX_LAYER_NORMAL, kPlainId, 24, OX_LAYER_NORMAL},
        {24, OX_LAYER_NORMAL, OX_TAG_LARGE_THUMBNAIL, 24, OX_LAYER_NORMAL},
        {24, OX_LAYER_NORMAL, OX_TAG_IMAGE_24, 24, OX_LAYER_NORMAL},
        {32, OX_LAYER_NORMAL, kPlainId, 32, OX_LAYER_NORMAL},
        {32, OX_LAYER_GRAY, OX_TAG_GRAY_IMAGE, 32, OX_LAYER_GRAY},
        {32, OX_LAYER_NORMAL, OX_TAG_GRAY_IMAGE, 32, OX_LAYER_GRAY},  // the kind comes from the id
        {32, OX_LAYER_GRAY, kPlainId, 32, OX_LAYER_NORMAL},
        {32, OX_LAYER_NORMAL, OX_TAG_IMAGE_24, 24, OX_LAYER_NORMAL},
    };
    const int32_t sizes[][2] = {{1, 1},   {1, 7},   {3, 2},   {127, 3}, {128, 2},
                                {129, 3}, {255, 2}, {257, 5}, {300, 4}, {1023, 3}};
    std::mt19937 rng(7);
    for (const RoundTrip &k : kinds)
        for (const auto &sz : sizes)
            for (int fill = 0; fill < 3; ++fill) {
                SCOPED_TRACE(testing::Message() << sz[0] << "x" << sz[1] << " bits " << k.bits << " id " << std::hex
                                                << k.id << " fill " << fill);
                Handle img = make_image(sz[0], sz[1], k.bits, k.layer);
                if (fill == 0) oxtest::fill_random(img.get(), rng);
                if (fill == 1) fill_runs(img.get(), rng);  // fill 2: flat zero
                uint32_t err = 0xDEAD;
                Handle fast(encode_tag_image(img.get(), k.id, &err));
                Handle ref(encode_tag_image_reference(img.get(), k.id, &err));
                ASSERT_TRUE(fast && ref);
                const Bytes bytes = block_bytes(fast.get());
                ASSERT_EQ(bytes, block_bytes(ref.get()));

                for (const Codec &codec : kCodecs) {
                    SCOPED_TRACE(codec.name);
                    err = 0xDEAD;
                    Handle back(codec.decode(bytes.data(), bytes.size(), k.id, &err));
                    ASSERT_TRUE(back);
                    EXPECT_EQ(err, 0u);
                    EXPECT_EQ(oxImageGetBitCountDirect(back.get()), k.out_bits);
                    EXPECT_EQ(oxImageGetLayerDirect(back.get()), k.out_layer);
                    if (k.out_bits == k.bits) {
                        EXPECT_TRUE(same_pixels(img.get(), back.get()));
                    } else {
                        // Narrowed: value bits 0-23 survive.
                        OxImageLockRec a, b;
                        oxImageLock(img.get(), &a);
                        oxImageLock(back.get(), &b);
                        for (int32_t y = 0; y < sz[1]; ++y)
                            for (int32_t x = 0; x < sz[0]; ++x)
                                ASSERT_EQ(oxImageGetPixel(&b, x, y), oxImageGetPixel(&a, x, y) & 0xFFFFFF)
                                    << x << "," << y;
                        oxImageUnlock(&a);
                        oxImageUnlock(&b);
                    }
                }
            }
}

TEST(TagCodec, FastPathsMatchReferenceOnManyRandomImages) {
    std::mt19937 rng(12345);
    for (int iter = 0; iter < 400; ++iter) {
        const int32_t w = 1 + static_cast<int32_t>(rng() % 600), h = 1 + static_cast<int32_t>(rng() % 6);
        const int bits = rng() % 2 ? 24 : 32;
        const uint32_t id = rng() % 3 == 0 ? OX_TAG_IMAGE_24 : kPlainId;
        Handle img = make_image(w, h, bits);
        fill_runs(img.get(), rng);
        uint32_t err;
        Handle fast(encode_tag_image(img.get(), id, &err)), ref(encode_tag_image_reference(img.get(), id, &err));
        ASSERT_TRUE(fast && ref);
        ASSERT_EQ(block_bytes(fast.get()), block_bytes(ref.get())) << w << "x" << h << "x" << bits << " iter " << iter;
    }
}

// A block with the given header fields and packet bytes (no footer: the decoder does not need one).
Bytes tga(int32_t w, int32_t h, int depth, uint8_t descriptor, const Bytes &packets) {
    Bytes b = {0,
               0,
               10,
               0,
               0,
               0,
               0,
               0,
               0,
               0,
               0,
               0,
               static_cast<uint8_t>(w),
               static_cast<uint8_t>(w >> 8),
               static_cast<uint8_t>(h),
               static_cast<uint8_t>(h >> 8),
               static_cast<uint8_t>(depth),
               descriptor};
    b.insert(b.end(), packets.begin(), packets.end());
    return b;
}

std::vector<uint32_t> pixels_of(OxHandle image) {
    OxImageLockRec lock;
    oxImageLock(image, &lock);
    std::vector<uint32_t> v;
    for (int32_t y = 0; y <= lock.maxY; ++y)
        for (int32_t x = 0; x <= lock.maxX; ++x) v.push_back(oxImageGetPixel(&lock, x, y));
    oxImageUnlock(&lock);
    return v;
}

TEST(TagDecode, OriginBitsPlaceTheFirstStoredRow) {
    // Stored rows: first 1 2 3, then 4 5 6 (as raw packets).
    const Bytes packets = cat({hdr(2), repeat_raw({1, 2, 3}), hdr(2), repeat_raw({4, 5, 6})});
    struct Case {
        uint8_t descriptor;
        std::vector<uint32_t> top_down;
    };
    const Case cases[] = {{0x00, {4, 5, 6, 1, 2, 3}}, {0x10, {6, 5, 4, 3, 2, 1}}, {0x20, {1, 2, 3, 4, 5, 6}},
                          {0x30, {3, 2, 1, 6, 5, 4}}, {0x28, {1, 2, 3, 4, 5, 6}},  // alpha bits are ignored
                          {0xE0, {1, 2, 3, 4, 5, 6}}};                             // so are the bits above the origin
    for (const Codec &codec : kCodecs)
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << codec.name << " descriptor " << std::hex << int(c.descriptor));
            const Bytes b = tga(3, 2, 24, c.descriptor, packets);
            uint32_t err = 0xDEAD;
            Handle img(codec.decode(b.data(), b.size(), kPlainId, &err));
            ASSERT_TRUE(img);
            EXPECT_EQ(pixels_of(img.get()), c.top_down);
        }
}

TEST(TagDecode, PixelsPastARowEndAreDroppedAndTheNextRowStartsWithANewPacket) {
    // Width 3: a raw packet of 5 runs two pixels past the row end; a run of 6 three. Bottom-left origin.
    const Bytes packets = cat({hdr(4), repeat_raw({1, 2, 3, 98, 99}), hdr(0x85), px24(7), hdr(0x80), px24(9)});
    // Rows: stored row 0 = 1 2 3 (98, 99 dropped); stored row 1 = 7 7 7 (three dropped); then a packet
    // that is never reached: the image is full.
    for (const Codec &codec : kCodecs) {
        SCOPED_TRACE(codec.name);
        Bytes b = tga(3, 2, 24, 0x00, packets);
        uint32_t err;
        Handle img(codec.decode(b.data(), b.size(), kPlainId, &err));
        ASSERT_TRUE(img);
        EXPECT_EQ(pixels_of(img.get()), (std::vector<uint32_t>{7, 7, 7, 1, 2, 3}));
        // The dropped tail of the very last packet need not be present: its pixels are skipped, not read.
        b = tga(3, 1, 24, 0x20, cat({hdr(4), repeat_raw({1, 2, 3})}));
        Handle cut(codec.decode(b.data(), b.size(), kPlainId, &err));
        ASSERT_TRUE(cut);
        EXPECT_EQ(pixels_of(cut.get()), (std::vector<uint32_t>{1, 2, 3}));
    }
}

TEST(TagDecode, StoredDepthAndIdChooseTheImage) {
    const Bytes b32 = tga(1, 1, 32, 0, {0x00, 0xB2, 0xC3, 0xD4, 0xA1});
    const Bytes b24 = tga(1, 1, 24, 0, {0x00, 0xB2, 0xC3, 0xD4});
    for (const Codec &codec : kCodecs) {
        SCOPED_TRACE(codec.name);
        uint32_t err = 0xDEAD;
        Handle a(codec.decode(b32.data(), b32.size(), OX_TAG_IMAGE_24, &err));  // stored depth wins
        ASSERT_TRUE(a);
        EXPECT_EQ(oxImageGetBitCountDirect(a.get()), 32);
        EXPECT_EQ(pixels_of(a.get()), std::vector<uint32_t>{0xA1B2C3D4});
        Handle g(codec.decode(b32.data(), b32.size(), OX_TAG_GRAY_IMAGE, &err));
        ASSERT_TRUE(g);
        EXPECT_EQ(oxImageGetLayerDirect(g.get()), OX_LAYER_GRAY);
        Handle c(codec.decode(b24.data(), b24.size(), kPlainId, &err));
        ASSERT_TRUE(c);
        EXPECT_EQ(pixels_of(c.get()), std::vector<uint32_t>{0xB2C3D4});
        // An image ID field is skipped.
        Bytes with_id = b24;
        with_id[0] = 3;
        with_id.insert(with_id.begin() + 18, {'a', 'b', 'c'});
        Handle d(codec.decode(with_id.data(), with_id.size(), kPlainId, &err));
        ASSERT_TRUE(d);
        EXPECT_EQ(pixels_of(d.get()), std::vector<uint32_t>{0xB2C3D4});
    }
}

TEST(TagDecode, RefusesBlocksThatAreNotSuchAnEncoding) {
    const Bytes good = tga(2, 2, 24, 0, cat({hdr(0x81), px24(1), hdr(0x81), px24(2)}));
    auto with = [&](std::size_t at, uint8_t v) {
        Bytes b = good;
        b[at] = v;
        return b;
    };
    struct Case {
        const char *what;
        Bytes block;
        uint32_t id;
    };
    const Case cases[] = {
        {"empty", {}, kPlainId},
        {"header only, cut", Bytes(good.begin(), good.begin() + 17), kPlainId},
        {"colour map", with(1, 1), kPlainId},
        {"image type 2", with(2, 2), kPlainId},
        {"depth 16", with(16, 16), kPlainId},
        {"depth 8", with(16, 8), kPlainId},
        {"width 0", with(12, 0), kPlainId},
        {"negative width", with(13, 0x80), kPlainId},
        {"height 0", with(14, 0), kPlainId},
        {"negative height", with(15, 0xFF), kPlainId},
        {"24 bits under the gray tag", good, OX_TAG_GRAY_IMAGE},
        {"ID field past the end", with(0, 200), kPlainId},
        // 32767 x 32767 pixels claimed by a few bytes: refused before any image is made.
        {"huge claim", tga(32767, 32767, 32, 0, cat({hdr(0xFF), {1, 2, 3, 4}})), kPlainId},
        {"one row short", tga(2, 3, 24, 0, cat({hdr(0x81), px24(1), hdr(0x81), px24(2)})), kPlainId},
    };
    for (const Codec &codec : kCodecs)
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << codec.name << ": " << c.what);
            // Copied to an exactly sized heap block, so that the sanitizer build catches any read past it.
            std::unique_ptr<uint8_t[]> exact(new uint8_t[c.block.size() + 1]);
            if (!c.block.empty()) std::memcpy(exact.get(), c.block.data(), c.block.size());
            uint32_t err = 0xDEAD;
            EXPECT_EQ(codec.decode(c.block.empty() ? nullptr : exact.get(), c.block.size(), c.id, &err), 0u);
            EXPECT_EQ(err, OX_ERR_NOT_TAGGED_DOCUMENT);
        }
}

TEST(TagDecode, EveryTruncationOfARealStreamFailsCleanly) {
    std::mt19937 rng(99);
    Handle img = make_image(45, 7, 32);
    fill_runs(img.get(), rng);
    uint32_t err;
    Handle block(encode_tag_image(img.get(), kPlainId, &err));
    const Bytes full = block_bytes(block.get());
    const std::size_t stream_end = 18 + stream_of(block.get(), 45, 7, 32).size();
    for (const Codec &codec : kCodecs)
        for (std::size_t cut = 0; cut <= stream_end; ++cut) {
            std::unique_ptr<uint8_t[]> exact(new uint8_t[cut + 1]);
            if (cut) std::memcpy(exact.get(), full.data(), cut);
            err = 0xDEAD;
            Handle back(codec.decode(exact.get(), cut, kPlainId, &err));
            if (cut < stream_end) {
                ASSERT_FALSE(back) << codec.name << " cut " << cut;
                ASSERT_EQ(err, OX_ERR_NOT_TAGGED_DOCUMENT);
            } else {
                ASSERT_TRUE(back) << codec.name;
                EXPECT_TRUE(same_pixels(img.get(), back.get()));
            }
        }
}

TEST(TagDecode, FastDecoderMatchesReferenceOnRandomStreams) {
    // Random packet bytes behind valid headers, including short and damaged streams: both decoders must
    // agree on success, on the code, and on every pixel.
    std::mt19937 rng(2024);
    int decoded = 0;
    for (int iter = 0; iter < 3000; ++iter) {
        const int32_t w = 1 + static_cast<int32_t>(rng() % 40), h = 1 + static_cast<int32_t>(rng() % 5);
        const int depth = rng() % 2 ? 24 : 32;
        Bytes packets(rng() % 400);
        for (auto &b : packets) b = static_cast<uint8_t>(rng());
        // Bias headers toward short packets so that many streams fill their image.
        for (std::size_t i = 0; i < packets.size(); i += 1 + rng() % 12) packets[i] &= 0x87;
        const Bytes b = tga(w, h, depth, static_cast<uint8_t>(rng() & 0x30), packets);
        const uint32_t id = rng() % 4 == 0 ? OX_TAG_GRAY_IMAGE : kPlainId;
        uint32_t e1 = 0xDEAD, e2 = 0xBEEF;
        Handle a(decode_tag_image(b.data(), b.size(), id, &e1));
        Handle r(decode_tag_image_reference(b.data(), b.size(), id, &e2));
        ASSERT_EQ(bool(a), bool(r)) << "iter " << iter;
        if (a) {
            ++decoded;
            ASSERT_TRUE(same_pixels(a.get(), r.get())) << "iter " << iter;
            EXPECT_EQ(oxImageGetLayerDirect(a.get()), oxImageGetLayerDirect(r.get()));
        } else {
            ASSERT_EQ(e1, e2);
        }
    }
    EXPECT_GT(decoded, 300);  // the comparison exercised real images, not only refusals
}

}  // namespace
