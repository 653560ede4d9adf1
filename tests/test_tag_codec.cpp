// The tag image codec: round trips at every depth and tag kind with the encodings pinned, the fast paths
// against the plain reference paths, origin bits and row-end dropping, and refusal of damaged or hostile
// blocks.
// What the encoder refuses is tested through oxSetKavelTag with the tag trailer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/cpu.h"
#include "document/tag_codec.h"
#include "file_bytes.h"
#include "image_compare.h"
#include "ox.h"
#include "support.h"

using namespace ox::document;
using namespace oxtest;

namespace {

using Pixels = Values;
constexpr uint32_t kPlainId = 0x1234;  // an ordinary image tag

struct Codec {
    const char *name;
    OxHandle (*encode)(OxHandle, uint32_t, uint32_t *);
    OxHandle (*decode)(const uint8_t *, std::size_t, uint32_t, uint32_t *);
};
const Codec kCodecs[] = {{"fast", encode_tag_image, decode_tag_image},
                         {"reference", plain::encode_tag_image, plain::decode_tag_image}};

Bytes block_bytes(OxHandle block) {
    const auto *b = static_cast<const uint8_t *>(oxLock(block));
    return Bytes(b, b + oxGetHandleSize(block));
}

// Packet bytes: a header byte followed by 24-bit values stored blue, green, red.
Bytes packet(uint8_t h, const Pixels &values) {
    Bytes out{h};
    for (uint32_t v : values) out.insert(out.end(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    return out;
}
// Runs of random length (often past 128 and across row ends) from a small palette, mixed with noise, so
// that equal neighbours, lone pixels and long raw stretches all occur.
void fill_runs(OxHandle image, std::mt19937 &rng) {
    OxImageLockRec lock;
    oxImageLock(image, &lock);
    uint32_t palette[6];
    for (auto &c : palette) c = rng();
    int64_t left = 0;
    uint32_t v = 0;
    bool noisy = false, fourth = false;  // fourth: runs whose pixels differ in bits 24-31 alone
    for (int32_t y = 0; y <= lock.maxY; ++y)
        for (int32_t x = 0; x <= lock.maxX; ++x) {
            if (left-- <= 0) {
                const uint64_t lengths[] = {1 + rng() % 3, 120 + rng() % 20, 250 + rng() % 20, rng() % 40};
                left = int64_t(lengths[rng() % 4]);
                noisy = rng() % 3 == 0;
                fourth = rng() % 4 == 0;
                v = palette[rng() % 6];
            }
            oxImagePutPixel(&lock, x, y, noisy ? uint32_t(rng()) : fourth ? v ^ uint32_t(rng()) << 24 : v);
        }
    oxImageUnlock(&lock);
}

TEST(TagCodec, RoundTripsExactlyAtEveryDepthAndKind) {
    struct Kind {
        int bits, layer;
        uint32_t id;
        int out_bits, out_layer;
    } const kinds[] = {
        {24, OX_LAYER_NORMAL, kPlainId, 24, OX_LAYER_NORMAL},
        {24, OX_LAYER_NORMAL, OX_TAG_IMAGE_24, 24, OX_LAYER_NORMAL},
        {32, OX_LAYER_NORMAL, kPlainId, 32, OX_LAYER_NORMAL},
        {32, OX_LAYER_GRAY, OX_TAG_GRAY_IMAGE, 32, OX_LAYER_GRAY},
        {32, OX_LAYER_NORMAL, OX_TAG_GRAY_IMAGE, 32, OX_LAYER_GRAY},  // the kind comes from the id
        {32, OX_LAYER_GRAY, kPlainId, 32, OX_LAYER_NORMAL},
        {32, OX_LAYER_NORMAL, OX_TAG_IMAGE_24, 24, OX_LAYER_NORMAL},  // value bits 0-23 survive
    };
    // Fixed sizes around the packet limit, then random ones; noise and runs of every length.
    // 900 x 200 passes the writer's buffer.
    std::vector<std::pair<int32_t, int32_t>> sizes = {{1, 1},   {1, 7},   {127, 3},   {128, 2},
                                                      {129, 3}, {257, 5}, {32767, 1}, {900, 200}};
    std::mt19937 rng(7);
    for (int i = 0; i < 30; ++i) {
        const int32_t w = 1 + static_cast<int32_t>(rng() % 700);  // one draw per statement: the draws feed
        sizes.emplace_back(w, 1 + rng() % 5);                     // the pinned checksum
    }
    uint64_t sum = oxtest::kChecksumStart;
    for (const Kind &k : kinds)
        for (const auto &sz : sizes)
            for (bool runs : {false, true}) {
                SCOPED_TRACE(testing::Message() << sz.first << "x" << sz.second << "x" << k.bits << " id " << std::hex
                                                << k.id);
                Handle img = make_image(sz.first, sz.second, k.bits, k.layer);
                runs ? fill_runs(img.get(), rng) : oxtest::fill_random(img.get(), rng);
                uint32_t err = 0xDEAD;
                Handle ref(plain::encode_tag_image(img.get(), k.id, &err));
                ASSERT_TRUE(ref);
                const Bytes bytes = block_bytes(ref.get());
                sum = oxtest::fold(sum, bytes);
                // Every level of processor features, into a block and piece by piece.
                for (const uint32_t level : ox::core::cpu_feature_levels(ox::core::kAvx2 | ox::core::kAvx512Vbmi)) {
                    const ox::core::CpuFeatureLimit limit(level);
                    Handle fast(encode_tag_image(img.get(), k.id, &err));
                    ASSERT_TRUE(fast);
                    ASSERT_EQ(block_bytes(fast.get()), bytes) << "features " << level;
                    Bytes pieces;
                    const uint64_t size = write_tag_image(
                        img.get(), k.id,
                        [&](const uint8_t *b, std::size_t n) {
                            pieces.insert(pieces.end(), b, b + n);
                            return true;
                        },
                        &err);
                    ASSERT_EQ(size, bytes.size());
                    ASSERT_EQ(pieces, bytes) << "features " << level;
                    ASSERT_LE(size, tag_image_bound(img.get(), k.id));
                }
                Pixels want = oxtest::values(img.get());
                if (k.out_bits != k.bits)
                    for (auto &v : want) v &= 0xFFFFFF;
                for (const Codec &codec : kCodecs) {
                    Handle back(codec.decode(bytes.data(), bytes.size(), k.id, &err));
                    ASSERT_TRUE(back) << codec.name;
                    EXPECT_EQ(err, 0u);
                    EXPECT_EQ(oxImageGetBitCountDirect(back.get()), k.out_bits);
                    EXPECT_EQ(oxImageGetLayerDirect(back.get()), k.out_layer);
                    EXPECT_EQ(oxtest::values(back.get()), want) << codec.name;
                }
            }
    // Pinned: the encodings of all these images, so that packet layout, limits, row order and stored bytes
    // cannot change unseen.
    EXPECT_EQ(sum, 6814734538089209555ull);
}

// Decodes from an exactly sized heap copy, so that the sanitizer build catches any read past the end.
OxHandle decode_exact(const Codec &codec, const Bytes &block, uint32_t id, uint32_t *err) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[block.size()]);
    if (!block.empty()) std::memcpy(exact.get(), block.data(), block.size());
    return codec.decode(exact.get(), block.size(), id, err);
}

// Blocks the encoder never writes: other origins, packets across row ends, ID fields; and blocks that are not
// such an encoding, refused with the format code.
TEST(TagDecode, OriginsRowEndsDepthsIdsAndRefusals) {
    // Width 3, height 2: a raw packet of 5 runs two pixels past the first stored row (98 and 99 are
    // dropped), a run of 6 three past the second; the packet behind them is never reached.
    const Bytes packets = cat({packet(4, {1, 2, 3, 98, 99}), packet(0x85, {7}), packet(0x80, {9})});
    const Bytes good = cat({tga_header(2, 2, 24), packet(0x81, {1}), packet(0x81, {2})});
    auto with = [](Bytes b, std::size_t at, uint8_t v) {  // b with byte `at` set to v
        b[at] = v;
        return b;
    };
    const Pixels refused;
    struct Case {
        const char *what;
        Bytes block;
        uint32_t id;
        Pixels top_down;  // empty: refused
        int layer;
    } const cases[] = {
        {"bottom-left", cat({tga_header(3, 2, 24, 0x00), packets}), kPlainId, {7, 7, 7, 1, 2, 3}, OX_LAYER_NORMAL},
        {"bottom-right", cat({tga_header(3, 2, 24, 0x10), packets}), kPlainId, {7, 7, 7, 3, 2, 1}, OX_LAYER_NORMAL},
        {"top-left", cat({tga_header(3, 2, 24, 0x20), packets}), kPlainId, {1, 2, 3, 7, 7, 7}, OX_LAYER_NORMAL},
        {"top-right", cat({tga_header(3, 2, 24, 0x30), packets}), kPlainId, {3, 2, 1, 7, 7, 7}, OX_LAYER_NORMAL},
        {"other descriptor bits", cat({tga_header(3, 2, 24, 0xC8), packets}), kPlainId, {7, 7, 7, 1, 2, 3},
         OX_LAYER_NORMAL},
        // Dropped pixels are skipped, not read: the dropped tail of the last packet need not be there.
        {"last packet cut", cat({tga_header(3, 1, 24), packet(4, {1, 2, 3})}), kPlainId, {1, 2, 3}, OX_LAYER_NORMAL},
        // The stored depth decides, also under the 24-bit tag; the gray tag gives a gray layer.
        {"32 bits under the 24-bit tag", cat({tga_header(1, 1, 32), {0x00, 0xB2, 0xC3, 0xD4, 0xA1}}),
         OX_TAG_IMAGE_24, {0xA1B2C3D4}, OX_LAYER_NORMAL},
        {"32 bits under the gray tag", cat({tga_header(1, 1, 32), {0x00, 0xB2, 0xC3, 0xD4, 0xA1}}),
         OX_TAG_GRAY_IMAGE, {0xA1B2C3D4}, OX_LAYER_GRAY},
        // Byte 0 is the length of an ID field behind the header.
        {"ID field", with(cat({tga_header(1, 1, 24), {'a', 'b', 'c'}, packet(0, {5})}), 0, 3), kPlainId, {5},
         OX_LAYER_NORMAL},
        {"empty", {}, kPlainId, refused, 0},
        {"header cut", Bytes(good.begin(), good.begin() + 17), kPlainId, refused, 0},
        {"colour map", with(good, 1, 1), kPlainId, refused, 0},
        {"image type 2", with(good, 2, 2), kPlainId, refused, 0},
        {"depth 16", with(good, 16, 16), kPlainId, refused, 0},
        {"depth 8", with(good, 16, 8), kPlainId, refused, 0},
        {"width 0", with(good, 12, 0), kPlainId, refused, 0},
        {"negative width", with(good, 13, 0x80), kPlainId, refused, 0},
        {"height 0", with(good, 14, 0), kPlainId, refused, 0},
        {"negative height", with(good, 15, 0xFF), kPlainId, refused, 0},
        {"24 bits under the gray tag", good, OX_TAG_GRAY_IMAGE, refused, 0},
        {"ID field past the end", with(good, 0, 200), kPlainId, refused, 0},
        // 32767 x 32767 pixels claimed by a few bytes: refused before any image is made.
        {"huge claim", cat({tga_header(32767, 32767, 32), {0xFF, 1, 2, 3, 4}}), kPlainId, refused, 0},
        {"one row short", cat({tga_header(2, 3, 24), packet(0x81, {1}), packet(0x81, {2})}), kPlainId, refused, 0},
    };
    for (const Codec &codec : kCodecs)
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << codec.name << ": " << c.what);
            uint32_t err = 0xDEAD;
            Handle img(decode_exact(codec, c.block, c.id, &err));
            if (c.top_down.empty()) {
                EXPECT_FALSE(img);
                EXPECT_EQ(err, OX_ERR_NOT_TAGGED_DOCUMENT);
                continue;
            }
            ASSERT_TRUE(img);
            EXPECT_EQ(oxtest::values(img.get()), c.top_down);
            EXPECT_EQ(oxImageGetLayerDirect(img.get()), c.layer);
        }
}

TEST(TagDecode, FastDecoderMatchesReferenceOnRandomStreams) {
    // Random packets behind valid headers, short and damaged streams included: both decoders must agree
    // on success, on the code and on every byte of the image. Most streams end inside a packet or a row:
    // read from exactly sized copies, a decoder that reads past the end shows in the sanitizer build.
    std::mt19937 rng(2024);
    int decoded = 0;
    for (int iter = 0; iter < 3000; ++iter) {
        const int32_t w = 1 + int32_t(rng() % 40), h = 1 + int32_t(rng() % 5);
        Bytes packets(rng() % 400);
        for (auto &b : packets) b = uint8_t(rng());
        for (std::size_t i = 0; i < packets.size(); i += 1 + rng() % 12) packets[i] &= 0x87;  // many short packets
        const Bytes b = cat({tga_header(w, h, rng() % 2 ? 24 : 32, uint8_t(rng() & 0x30)), packets});
        const uint32_t id = rng() % 4 == 0 ? OX_TAG_GRAY_IMAGE : kPlainId;
        uint32_t e1 = 0xDEAD, e2 = 0xBEEF;
        Handle a(decode_exact(kCodecs[0], b, id, &e1));
        Handle r(decode_exact(kCodecs[1], b, id, &e2));
        ASSERT_EQ(bool(a), bool(r)) << "iter " << iter;
        ASSERT_EQ(e1, e2) << "iter " << iter;
        if (a) {
            ++decoded;
            ASSERT_EQ(image_bytes(a.get()), image_bytes(r.get())) << "iter " << iter;
        }
    }
    EXPECT_GT(decoded, 300);  // the comparison covered real images, not only refusals
}

}  // namespace
