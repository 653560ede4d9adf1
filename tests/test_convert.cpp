// Gray arithmetic, whole-image conversions and tests, mask and channel operations: the arithmetic and the
// decisions on small images, then the row-pointer paths held to the per-pixel reference byte for byte.
#include <random>
#include <vector>

#include "core/cpu.h"
#include "image/convert.h"
#include "image/gray.h"
#include "image/gray_kernels.h"
#include "image/gray_layer.h"
#include "image_compare.h"

using namespace oxtest;

namespace {

TEST(Convert, HandleZeroAndCasesTheRandomOnesMiss) {
    Handle mask = make_image(1, 1, 1, OX_LAYER_MASK);
    const OxRect box{0, 0, 1, 1};
    uint32_t err = 0xDEAD;
    oxImageConvertNormaltoGray(0);
    oxImageConvertGraytoNormal(0);
    EXPECT_EQ(oxImageCheckMask(0) + oxImageCheckWhite(0) + oxImageReverse(0, 0, 0, 1, 1), 0);
    EXPECT_EQ(oxImageRevertMask(0, mask.get(), mask.get(), &box), 0);
    EXPECT_EQ(oxImageFullColorToGrayScale(0, &err) + oxImageGetChannel(0, 1, &err), 0u);
    EXPECT_EQ(err, 0xDEADu);
    // What the random cases below never draw: an 8-bit image labelled a mask, and no rectangle.
    Handle bytes = make_image(2, 2, 8);
    header_of(bytes.get()).layer = OX_LAYER_MASK;
    EXPECT_EQ(oxImageCheckMask(bytes.get()), 0);
    EXPECT_EQ(oxImageRevertMask(bytes.get(), mask.get(), bytes.get(), nullptr), 0);
}

// The fast paths' integer forms of the gray orders (looked-up products, an integer threshold, and the gray
// kernels at every vector width, as a run that starts one pixel in) agree with the formulas for all 2^24
// colours. The formulas themselves are pinned by the conversion and copy checksums, which gray and threshold.
TEST(Gray, IntegerFormsAgreeWithTheFormulasForEveryColour) {
    using namespace ox::image;
    constexpr uint32_t kColours = 1u << 24;
    std::vector<uint8_t> want(kColours);
    for (uint32_t i = 0; i < kColours; ++i) {
        const uint32_t r = i >> 16, g = (i >> 8) & 0xFF, b = i & 0xFF, bb = gray_order_b(r, g, b);
        want[i] = static_cast<uint8_t>(gray_order_a(r, g, b));
        if (gray_table_a(r, g, b) != want[i] || gray_table_b(r, g, b) != bb || gray_b_bit(r, g, b) != threshold_bit(bb))
            FAIL() << "colour 0x" << std::hex << i;
    }
    for (int bpp : {3, 4}) {
        std::vector<uint8_t> px(std::size_t{kColours} * bpp), out(kColours);
        for (std::size_t i = 0; i < kColours; ++i) {
            uint8_t *p = &px[i * bpp + (bpp - 3)];
            p[0] = static_cast<uint8_t>(i >> 16), p[1] = static_cast<uint8_t>(i >> 8), p[2] = static_cast<uint8_t>(i);
            if (bpp == 4) px[i * 4] = static_cast<uint8_t>(i * 7);  // the fourth channel plays no part
        }
        for (const uint32_t k : ox::core::cpu_feature_levels(ox::core::kSsse3 | ox::core::kAvx2)) {
            const ox::core::CpuFeatureLimit limit(k);
            std::fill(out.begin(), out.end(), 0xEE);
            gray_order_a_run(px.data() + bpp, kColours - 1, bpp, out.data() + 1);
            gray_order_a_run(px.data(), 1, bpp, out.data());
            for (std::size_t i = 0; i < kColours; ++i)
                if (out[i] != want[i]) FAIL() << "kernel " << k << ", " << bpp << " bytes, colour 0x" << std::hex << i;
        }
    }
}

// The gray-layer kernels against the per-pixel path for every fourth channel a with every colour byte c in
// each colour position (pixel (a, c, c + 85, c + 170), never white), then for every a on a white pixel; as a
// run that starts one pixel in.
TEST(GrayLayerKernels, EqualThePerPixelPathForEveryPair) {
    using namespace ox::image;
    Handle layer = make_image(256, 257, 32, OX_LAYER_GRAY);
    uint8_t *p = static_cast<uint8_t *>(oxLock(layer.get())) + OX_IMAGE_HEADER_SIZE;
    for (uint32_t i = 0; i < 256 * 257; ++i, p += 4) {
        const auto a = static_cast<uint8_t>(i >> 8), c = static_cast<uint8_t>(i);
        p[0] = i < 65536 ? a : c;
        p[1] = i < 65536 ? c : 255;
        p[2] = i < 65536 ? static_cast<uint8_t>(c + 85) : 255;
        p[3] = i < 65536 ? static_cast<uint8_t>(c + 170) : 255;
    }
    const Bytes before = pixels(layer.get());
    Handle expected = clone(layer.get());
    plain::image_convert_gray_to_normal(expected.get());
    const Bytes want = pixels(expected.get());
    for (const uint32_t k : ox::core::cpu_feature_levels(ox::core::kAvx2 | ox::core::kAvx512Vbmi)) {
        const ox::core::CpuFeatureLimit limit(k);
        Bytes got = before;
        gray_layer_to_normal(got.data() + 4, got.size() / 4 - 1);
        gray_layer_to_normal(got.data(), 1);
        for (std::size_t i = 0; i < got.size(); ++i)
            if (got[i] != want[i]) FAIL() << "kernel " << k << ", pixel " << i / 4 << ", byte " << i % 4;
    }
}

OxRect random_rect(std::mt19937 &rng, int32_t w, int32_t h) {
    if (rng() % 4 == 0) return OxRect{0, 0, w, h};
    return OxRect{in(rng, -8, w + 7), in(rng, -8, h + 7), in(rng, -8, w + 7), in(rng, -8, h + 7)};
}

// Shapes of painted layers, which the shortcuts of the fast paths serve: mostly white, or 32-bit with the
// fourth channel 0, 255 or anything, in runs.
void paint_like_a_layer(std::mt19937 &rng, OxHandle image) {
    const OxImageHeader &hdr = header_of(image);
    uint8_t *p = static_cast<uint8_t *>(oxLock(image)) + OX_IMAGE_HEADER_SIZE;
    const bool runs = hdr.bitCount == 32 && rng() % 2;
    uint8_t a = 0;
    for (uint32_t i = 0; i < hdr.imageSize; ++i) {
        if (!runs) {
            if (rng() % 8) p[i] = 0xFF;
        } else if (i % 4 == 0) {
            if (rng() % 6 == 0) a = static_cast<uint8_t>(rng() % 3 == 0 ? rng() : rng() % 2 ? 0xFF : 0);
            p[i] = a;
        }
    }
}

TEST(ConvertDifferential, FastPathsMatchThePlainVersions) {
    namespace plain = ox::image::plain;
    const uint64_t sum = differential(31337, 4000, [](std::mt19937 &rng) {
        struct Case {
            int op;
            uint32_t channel;
            OxRect box;
            Handle img, mask, src;
        } c{static_cast<int>(rng() % 7), static_cast<uint32_t>(rng() % 5), {}, {}, {}, {}};
        const int32_t bits = kDepths[rng() % 4];
        c.img = random_image(rng, bits, 80);
        if (rng() % 3 == 0) paint_like_a_layer(rng, c.img.get());
        const int32_t w = header_of(c.img.get()).width, h = header_of(c.img.get()).height;
        c.box = random_rect(rng, w, h);
        if (c.op == 5) {  // a source mostly of the destination's size and depth, masks of random size
            const int32_t sbits = rng() % 4 ? bits : kDepths[rng() % 4];
            c.src = rng() % 4 ? make_image(w, h, sbits) : random_image(rng, sbits, 40);
            fill_random(c.src.get(), rng);
            c.mask = rng() % 4 ? make_image(w, h, 1, OX_LAYER_MASK) : random_image(rng, 1, 40);
            fill_random(c.mask.get(), rng);
            if (rng() % 8) header_of(c.mask.get()).layer = OX_LAYER_MASK;
            if (rng() % 3 == 0) {  // a copy that agrees in many pixels, some only in their colour bytes
                OxHandle d = c.src.get();
                uint32_t err;
                oxImageCopy(&d, c.img.get(), &err);
                const OxImageHeader &s = header_of(d);
                uint8_t *p = static_cast<uint8_t *>(oxLock(d)) + OX_IMAGE_HEADER_SIZE;
                for (uint32_t i = 0; s.bitCount == 32 && i < s.imageSize; i += 4)
                    if (rng() % 2) p[i] = static_cast<uint8_t>(rng());
            }
        }
        return [c = std::move(c)](bool fast) {
            Outcome o;
            const OxHandle img = c.img.get();
            uint32_t err = 0xAB;
            Handle made, changed = clone(img);
            const OxHandle d = changed.get();
            const OxRect &b = c.box;
            switch (c.op) {
            case 0:
                o.code = (fast ? oxImageCheckMask : plain::image_check_mask)(img) * 2 +
                         (fast ? oxImageCheckWhite : plain::image_check_white)(img);
                break;
            case 1:
                made = Handle((fast ? oxImageFullColorToGrayScale : plain::image_full_color_to_gray_scale)(img, &err));
                break;
            case 2: made = Handle((fast ? oxImageGetChannel : plain::image_get_channel)(img, c.channel, &err)); break;
            case 3: (fast ? oxImageConvertNormaltoGray : plain::image_convert_normal_to_gray)(d); break;
            case 4: (fast ? oxImageConvertGraytoNormal : plain::image_convert_gray_to_normal)(d); break;
            case 5:
                o.code = (fast ? oxImageRevertMask : plain::image_revert_mask)(d, c.mask.get(), c.src.get(), &b);
                break;
            default: o.code = (fast ? oxImageReverse : plain::image_reverse)(d, b.left, b.top, b.right, b.bottom);
            }
            o.code = o.code * 0x100000000ll + err;
            o.bytes = image_bytes(c.op == 1 || c.op == 2 ? made.get() : d);
            return o;
        };
    });
    EXPECT_EQ(sum, 0x6F45C2627F9293E0ull);
}

}  // namespace
