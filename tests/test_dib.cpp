// Global memory blocks, DIB blocks and their conversions to and from images: the layout and tables of new
// blocks, the top-down pixel functions, the refusal of blocks that do not hold up, and the row kernels held
// to the per-pixel reference on random images and blocks, with the results pinned.
#include <array>
#include <random>
#include <tuple>
#include <vector>

#include "core/byte_order.h"
#include "display_support.h"
#include "image_compare.h"
#include "win/dib_convert.h"

using namespace oxtest;

namespace {

TEST(GlobalMemory, LocksCountResizeKeepsHandleAndStaleHandlesAreRefused) {
    uint32_t err = 0;
    EXPECT_EQ(oxwGlobalAlloc(0, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    OxwGlobal g = oxwGlobalAlloc(10, &err);
    ASSERT_NE(g, 0u);
    EXPECT_EQ(oxwGlobalSize(g), 10u);
    auto *p = static_cast<uint8_t *>(oxwGlobalLock(g));
    EXPECT_EQ(Bytes(p, p + 10), Bytes(10, 0));
    p[9] = 7;
    EXPECT_EQ(oxwGlobalLock(g), p);
    EXPECT_EQ(oxwGlobalReAlloc(g, 20, &err), 0);  // locked twice
    EXPECT_EQ(err, OX_ERROR_LOCK_VIOLATION);
    EXPECT_EQ(oxwGlobalUnlock(g), 1);
    EXPECT_EQ(oxwGlobalUnlock(g), 0);
    EXPECT_EQ(oxwGlobalUnlock(g), 0);  // not below 0
    // From a megabyte up a block is a mapping of its own, from 2 MiB in whole huge pages: at sizes that are
    // not whole pages every byte is there, zero and writable, and the content moves along.
    for (const uint32_t size : {1u << 20, (1u << 20) + 3, (2u << 20) - 1, (2u << 20) + 5, (6u << 20) + 4097}) {
        ASSERT_EQ(oxwGlobalReAlloc(g, size, &err), 1) << size;
        EXPECT_EQ(oxwGlobalSize(g), size);
        p = static_cast<uint8_t *>(oxwGlobalLock(g));
        EXPECT_EQ(p[9], 7) << size;
        EXPECT_EQ(p[size - 1], 0) << size;
        p[size - 1] = 9;
        oxwGlobalUnlock(g);
    }
    ASSERT_EQ(oxwGlobalReAlloc(g, 10, &err), 1);
    EXPECT_EQ(block_bytes(g)[9], 7);
    EXPECT_EQ(oxwGlobalFree(g), 1);
    // The freed handle, its slot reused, and values never handed out.
    Global other(oxwGlobalAlloc(4, &err));
    for (OxwGlobal bad : {g, OxwGlobal{0}, OxwGlobal{1}, g + 1, reinterpret_cast<OxwGlobal>(&err)}) {
        EXPECT_EQ(oxwGlobalLock(bad), nullptr);
        EXPECT_EQ(oxwGlobalFree(bad), 0);
        EXPECT_EQ(oxwGlobalReAlloc(bad, 4, &err), 0);
        EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
    }
    EXPECT_EQ(oxwGlobalSize(other.get()), 4u);
}

// What images never convert to (the differential test below pins the blocks of the rest): depth 32, empty
// sizes and the fixed palette; and the sizes that are refused.
TEST(CreateDIB, HeaderRowPaddingAndTables) {
    struct Case {
        int32_t w, h;
        uint32_t depth, row_bytes, entries;
    };
    for (const Case &c : {Case{3, 2, 32, 12, 0}, Case{0, 4, 24, 0, 0}, Case{4, 0, 8, 4, 256}, Case{5, 3, 8, 8, 256}}) {
        uint32_t err = 0xDEAD;
        Global dib(oxwCreateDIB(c.w, c.h, c.depth, 0, &err));
        ASSERT_NE(dib.get(), 0u);
        const Bytes all = block_bytes(dib.get());
        OxwBitmapInfoHeader h;
        std::memcpy(&h, all.data(), sizeof h);
        EXPECT_EQ(h.biBitCount, c.depth);
        EXPECT_EQ(h.biSizeImage, c.row_bytes * c.h);
        EXPECT_EQ(Bytes(all.begin() + 40 + 4 * c.entries, all.end()), Bytes(c.row_bytes * c.h, 0));
        EXPECT_EQ(oxwDIBWidth(dib.get()), c.w);
        EXPECT_EQ(oxwDIBHeight(dib.get()), c.h);
    }
    // The fixed palette, its unusual entries included (stored blue, green, red, 0).
    uint32_t err = 0;
    const Bytes fixed = block_bytes(Global(oxwCreateDIB(1, 1, 8, 0, &err)).get());
    const std::pair<uint32_t, uint32_t> fixed_entries[] = {
        {0, 0x000000},   {7, 0x808080},   {8, 0xC0DC81},   {9, 0xA6CA00},   {10, 0x2A3FFF},
        {135, 0xAABF00}, {181, 0xFF00AA}, {182, 0xFF1FFF}, {212, 0xCCFF55}, {246, 0xFF0000},
        {247, 0xA0A0A4}, {248, 0xA08080}, {249, 0xA00000}, {254, 0x00FFFF}, {255, 0xFFFFFF}};
    for (auto [i, rgb] : fixed_entries) EXPECT_EQ(ox::core::load_le32(fixed.data() + 40 + 4 * i), rgb) << i;

    // Depth 4 leaves the code alone; other depths and negative sizes write 0.
    for (auto [w, h, d, code] : {std::tuple{4, 4, 4u, 0xDEADu}, std::tuple{4, 4, 16u, 0u}, std::tuple{-1, 4, 24u, 0u},
                                 std::tuple{4, -1, 8u, 0u}}) {
        err = 0xDEAD;
        EXPECT_EQ(oxwCreateDIB(w, h, d, 0, &err), 0u);
        EXPECT_EQ(err, code);
    }
    EXPECT_EQ((std::vector{oxwDIB_WIDTH_BYTE(9), oxwDIB_WIDTH_BYTE(12), oxwDIB_WIDTH_BIT(33), oxwDIB_WIDTH_BIT(0)}),
              (std::vector<uint32_t>{12, 12, 64, 0}));
}

TEST(DibPixels, TopDownCoordinatesOverBottomUpRowsAndTheMarkColour) {
    uint32_t err;
    Global c24(oxwCreateDIB(3, 2, 24, 0, &err)), c1(oxwCreateDIB(10, 2, 1, 0, &err)),
        c8(oxwCreateDIB(2, 2, 8, 0, &err));
    OxwDibLockRec *l24 = oxwDibLock(c24.get());
    ASSERT_NE(l24, nullptr);
    EXPECT_EQ(l24->rowBytes, 12u);
    EXPECT_EQ(l24->colors, 0u);
    EXPECT_EQ(l24->afterHeader, reinterpret_cast<uint8_t *>(l24->header) + 44);
    EXPECT_EQ(oxwGlobalLock(l24->self), l24);
    oxwGlobalUnlock(l24->self);
    oxwPutDibPixel(l24, 1, 0, 0x112233);  // top row: the last stored one
    for (auto [x, y] : {std::pair{3, 0}, std::pair{0, 2}, std::pair{-1, 0}, std::pair{0, -1}}) {
        oxwPutDibPixel(l24, x, y, 0x445566);
        EXPECT_EQ(oxwGetDibPixel(l24, x, y), 0xFFFFFFu);
    }
    EXPECT_EQ(oxwGetDibPixel(l24, 1, 0), 0x112233u);
    EXPECT_EQ(oxwDibUnlock(l24), 1);
    oxwGlobalLock(c24.get());
    EXPECT_EQ(oxwGlobalUnlock(c24.get()), 0);  // the DIB lock let go of the block
    EXPECT_EQ(oxwGetPixelDIB(c24.get(), 1, 0), 0x112233u);

    OxwDibLockRec *l1 = oxwDibLock(c1.get());
    // In turn: two marks, black over the second (it clears like white), and a colour next to the mark's.
    for (auto [x, colour] : {std::pair{9, OXW_DIB_MARK_COLOR}, {0, OXW_DIB_MARK_COLOR}, {0, 0u}, {1, 0x7F7F7Eu}})
        oxwPutDibPixel(l1, x, 1, colour);
    EXPECT_EQ(l1->bits[0], 0x00);
    EXPECT_EQ(oxwGetDibPixel(l1, 9, 1), OXW_DIB_MARK_COLOR);
    EXPECT_EQ(oxwGetDibPixel(l1, 8, 1), 0xFFFFFFu);
    oxwDibUnlock(l1);

    // Erase: clear bits, index 255, white; the padding stays 0.
    for (OxwGlobal g : {c24.get(), c1.get(), c8.get()}) EXPECT_EQ(oxwEraseDIB(g), 1);
    EXPECT_EQ(block_bytes(c24.get()).back(), 0);
    EXPECT_EQ(block_bytes(c24.get())[40 + 8], 0xFF);
    EXPECT_EQ(block_bytes(c1.get())[48 + 1], 0x00);
    EXPECT_EQ(block_bytes(c8.get())[40 + 1024], 0xFF);
    EXPECT_EQ(block_bytes(c8.get())[40 + 1024 + 2], 0);
    EXPECT_EQ(oxwGetPixelDIB(c8.get(), 1, 1), 255u);
}

// Blocks that do not hold up: each is refused by the lock, which lets go of the block, and nothing outside
// the block is read (the sanitizer build checks that part). The conversions read blocks as the lock does
// and refuse with code 13: the DIB fuzzer's replay holds them to the lock. Then the calls the pinned
// random cases below never make: stale and zero handles, a depth no conversion takes.
TEST(DibBlocks, BlocksThatDoNotHoldUpAreRefused) {
    const Bytes good = dib_bytes(5, 3, 8, std::vector<uint32_t>(256, 0x123456), Bytes(8 * 3, 1));
    auto with = [&](std::size_t off, std::vector<uint8_t> bytes) {
        Bytes b = good;
        std::memcpy(b.data() + off, bytes.data(), bytes.size());
        return b;
    };
    const std::pair<const char *, Bytes> cases[] = {
        {"short header", Bytes(good.begin(), good.begin() + 39)},
        {"biSize 39", with(0, {39, 0, 0, 0})},
        {"biSize beyond the block", with(0, {0, 0x10, 0, 0})},
        {"width 0", with(4, {0, 0, 0, 0})},
        {"negative height (top-down)", with(8, {0xFD, 0xFF, 0xFF, 0xFF})},
        {"depth 16", with(14, {16, 0})},
        {"depth 32", with(14, {32, 0})},
        {"compressed", with(16, {1, 0, 0, 0})},
        {"biClrUsed 257", with(32, {1, 1, 0, 0})},
        {"huge width", with(4, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"one row short", Bytes(good.begin(), good.end() - 1)},
        {"table runs out", Bytes(good.begin(), good.begin() + 40 + 1000)},
        {"biSize pushes rows out", with(0, {44, 0, 0, 0})},
    };
    for (const auto &[what, bytes] : cases) {
        Global g(block_of(bytes));
        EXPECT_EQ(oxwDibLock(g.get()), nullptr) << what;
        oxwGlobalLock(g.get());
        EXPECT_EQ(oxwGlobalUnlock(g.get()), 0) << what;  // not locked before the line above
    }
    uint32_t err = 0;
    const OxwGlobal stale = oxwCreateDIB(1, 1, 24, 0, &err);
    oxwGlobalFree(stale);
    EXPECT_EQ(oxwDibToImage(stale, 24, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
    err = 0xDEAD;
    EXPECT_EQ(oxwDibToImage(0, 24, &err), 0u);
    EXPECT_EQ(oxwDibToImage(Global(block_of(good)).get(), 32, &err), 0u);
    EXPECT_EQ(oxwImageToDib(0, &err), 0u);
    EXPECT_EQ(err, 0xDEADu);
}

// Random images and random blocks (every depth, short and long tables, odd widths, now and then a field
// that breaks the block) through the row kernels and the per-pixel reference: equal results, codes and
// bytes.
TEST(DibConvert, RowKernelsMatchTheReference) {
    std::mt19937 rng(77);
    uint64_t sum = kChecksumStart;
    for (int i = 0; i < 600; ++i) {
        const int32_t bits = std::array{1, 8, 24, 32}[rng() % 4];
        Handle img = random_image(rng, bits, 70);
        uint32_t e1 = 1, e2 = 1;
        Global a(oxwImageToDib(img.get(), &e1)), b(ox::win::plain::image_to_dib(img.get(), &e2));
        ASSERT_EQ(block_bytes(a.get()), block_bytes(b.get())) << "image to block, case " << i << " depth " << bits;
        ASSERT_EQ(e1, e2);
        sum = fold(sum ^ e1, block_bytes(a.get()));
    }
    for (int i = 0; i < 1500; ++i) {
        const uint16_t depth = std::array<uint16_t, 4>{1, 4, 8, 24}[rng() % 4];
        const int32_t w = 1 + static_cast<int32_t>(rng() % 70), h = 1 + static_cast<int32_t>(rng() % 9);
        const uint32_t used = rng() % 3 == 0 ? rng() % 257 : 0;
        const uint32_t entries = used ? used : depth == 24 ? 0 : 1u << depth;
        std::vector<uint32_t> table(entries);
        for (uint32_t &c : table) c = rng() & 0xFFFFFF;
        Bytes rows(static_cast<std::size_t>((w * depth + 31) / 32 * 4) * h);
        for (uint8_t &v : rows) v = static_cast<uint8_t>(rng());
        Bytes bytes = dib_bytes(w, h, depth, table, rows, used);
        if (rng() % 10 == 0) bytes[rng() % 40] ^= static_cast<uint8_t>(1u << (rng() % 8));
        if (rng() % 10 == 0) bytes.resize(bytes.size() - 1 - rng() % 8);
        Global g(block_of(bytes));
        for (uint32_t target : {1u, 8u, 24u, 32u, 33u}) {
            uint32_t e1 = 0xA, e2 = 0xA;
            Handle x, y;
            if (target >= 32) {
                x = Handle(oxwCreateClipBoardImage(g.get(), target == 33, &e1));
                y = Handle(ox::win::plain::create_clipboard_image(g.get(), target == 33, &e2));
            } else {
                x = Handle(oxwDibToImage(g.get(), target, &e1));
                y = Handle(ox::win::plain::dib_to_image(g.get(), target, &e2));
            }
            ASSERT_EQ(image_bytes(x.get()), image_bytes(y.get()))
                << "block to image, case " << i << " depth " << depth << " target " << target;
            ASSERT_EQ(e1, e2);
            sum = fold(sum ^ e1, image_bytes(x.get()));
        }
    }
    // Pinned: the blocks and images of these cases; a change in what both paths convert shows here.
    EXPECT_EQ(sum, 3039559948679862696ull);
}

// oxwDrawDIB's zoom: z > 1 rounds the destination up to multiples of z and draws z x z blocks; z <= 0
// shrinks by |z|; source y is top-down.
TEST(DrawDIB, ZoomRoundsTheDestinationAndTakesTopDownRows) {
    uint32_t err;
    Global dib(oxwCreateDIB(8, 6, 24, 0, &err));
    OxwDibLockRec *l = oxwDibLock(dib.get());
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) oxwPutDibPixel(l, x, y, static_cast<uint32_t>(x * 16 + y));
    oxwDibUnlock(l);
    const HostWindow win(20, 10);
    Pixels px;
    auto at = [&](int32_t x, int32_t y) { return px[static_cast<std::size_t>(y) * 20 + x]; };
    // Zoom 3, width 10 and height 4: 12 x 6 destination pixels from 4 x 2 source pixels at (1, 2).
    ASSERT_EQ(oxwDrawDIB(win.dc, 0, 0, dib.get(), 1, 2, 10, 4, 3), 1);
    px = win.pixels();
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x)
            ASSERT_EQ(at(x, y), x < 12 && y < 6 ? static_cast<uint32_t>((1 + x / 3) * 16 + 2 + y / 3) : 0xFFFFFFu)
                << x << "," << y;
    // Zoom -2: 3 x 2 destination pixels from 6 x 4 source pixels, every other one.
    ASSERT_EQ(oxwDrawDIB(win.dc, 15, 5, dib.get(), 2, 1, 3, 2, -2), 1);
    px = win.pixels();
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(at(15 + x, 5 + y), static_cast<uint32_t>((2 + 2 * x) * 16 + 1 + 2 * y));
    EXPECT_EQ(at(18, 5), 0xFFFFFFu);
    // Depth 32 is drawn although it cannot be locked; a handle of 0 is refused.
    Global c32(block_of(dib_bytes(1, 1, 32, {}, {0x30, 0x20, 0x10, 0})));
    EXPECT_EQ(oxwDrawDIB(win.dc, 19, 9, c32.get(), 0, 0, 1, 1, 1), 1);
    px = win.pixels();
    EXPECT_EQ(at(19, 9), 0x302010u);  // stored blue, green, red
    EXPECT_EQ(oxwDrawDIB(win.dc, 0, 0, 0, 0, 0, 1, 1, 1), 0);
}

}  // namespace
