// DIBs on arbitrary bytes, in the three ways they arrive: the input is a bitmap file, loaded from a scratch
// file; the bytes behind its 14-byte header are a clipboard block, locked, read pixel by pixel and converted
// to images of every depth; and the same bytes are a packed DIB that the display layer draws, with the
// rectangle taken from header bytes 6-13, which the loader skips (destination x, y as signed bytes, width
// and height 1..64, then the source's likewise). Beyond not crashing or reading outside the bytes:
// - the lock, both conversions and the per-pixel reference agree on whether the block holds up, the row
//   kernels give the reference's bytes, and a refused block leaves no lock behind;
// - the file loads exactly when it starts with "BM" and its block holds up, with the block's size, as
//   pixels and as its recorded size, and the colours of its 24-bit conversion; a refused file gives code
//   13 and leaves no drawing object behind;
// - a packed DIB the display layer takes draws, and as a bitmap comes back through a 32-bit packed DIB
//   unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "oxw.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "win/dib.h"
#include "win/dib_convert.h"
#include "fuzz_support.h"

namespace {

namespace p = ox::platform;
using ox::core::OwnedHandle;
using oxfuzz::same_image;

// The block through the lock and every conversion; its 24-bit image, or none when it is refused.
OwnedHandle check_block(OxwGlobal block) {
    OxwDibLockRec *lock = oxwDibLock(block);
    const bool holds = lock != nullptr;
    if (holds) {
        const int32_t w = lock->info->biWidth, h = lock->info->biHeight;
        // Every pixel of the first and last rows and columns, and the neighbours just outside.
        uint32_t sum = 0;
        for (int32_t x = -1; x <= w; ++x) sum += oxwGetDibPixel(lock, x, 0) + oxwGetDibPixel(lock, x, h - 1);
        for (int32_t y = -1; y <= h; ++y) sum += oxwGetDibPixel(lock, 0, y) + oxwGetDibPixel(lock, w - 1, y);
        FUZZ_CHECK(oxwGetDibPixel(lock, w, 0) == 0xFFFFFFu);
        (void)sum;
        FUZZ_CHECK(oxwDibUnlock(lock) == 1);
    }
    OwnedHandle image;
    for (uint32_t target : {1u, 8u, 24u}) {
        uint32_t e1 = 0xAB, e2 = 0xAB;
        OwnedHandle fast(oxwDibToImage(block, target, &e1));
        const OwnedHandle ref(ox::win::plain::dib_to_image(block, target, &e2));
        FUZZ_CHECK(bool(fast) == holds && e1 == e2 && same_image(fast.get(), ref.get()));
        FUZZ_CHECK(holds || e1 == OX_ERROR_INVALID_DATA);
        if (target == 24) image = std::move(fast);
    }
    for (int32_t gray : {0, 1}) {
        uint32_t e1 = 0xAB, e2 = 0xAB;
        const OwnedHandle fast(oxwCreateClipBoardImage(block, gray, &e1));
        const OwnedHandle ref(ox::win::plain::create_clipboard_image(block, gray, &e2));
        FUZZ_CHECK(bool(fast) == holds && e1 == e2 && same_image(fast.get(), ref.get()));
    }
    FUZZ_CHECK(oxwGlobalUnlock(block) == 0);  // the caller's lock was the last one: none was left behind
    return image;
}

// The whole input as a bitmap file, against the 24-bit image of its block (0: refused).
void check_file(const uint8_t *data, std::size_t size, OxHandle image) {
    static const std::string path = oxfuzz::scratch_file("bmp");
    oxfuzz::write_file(path, data, size);
    const std::size_t objects = p::live_object_count();
    uint32_t err = 0xAB;
    const OxwBitmap bmp = oxwOpenFileDDB(0, 0, path.c_str(), &err);
    FUZZ_CHECK((bmp != 0) == (image != 0 && data[0] == 'B' && data[1] == 'M'));
    if (bmp == 0) {
        FUZZ_CHECK(err == OX_ERROR_INVALID_DATA);
        FUZZ_CHECK(p::live_object_count() == objects);
        return;
    }
    const int32_t w = oxImageGetWidthDirect(image), h = oxImageGetHeightDirect(image);
    int32_t bw = 0, bh = 0;
    FUZZ_CHECK(oxwHostGetBitmapSize(bmp, &bw, &bh, nullptr) == 1 && bw == w && bh == h);
    OxRect r;
    oxGetPictRect(bmp, &r);
    FUZZ_CHECK(r.right == w && r.bottom == h);
    std::vector<OxColorRef> px(static_cast<std::size_t>(w) * h);
    FUZZ_CHECK(oxwHostReadBitmapPixels(bmp, 0, 0, w, h, px.data()) == 1 && px == oxfuzz::pixels(image));
    FUZZ_CHECK(oxwHostDeleteObject(bmp) == 1);
}

// `dib` (exactly its bytes, so that the sanitizers see any read past its end) drawn with the rectangle of
// `rect`, then as a bitmap through a 32-bit packed DIB and back.
void check_packed(const uint8_t *rect, std::vector<uint8_t> dib) {
    static const OxwWindow window = p::create_window(0, 0, 0, 48, 40, true);
    static const OxwDC dc = p::get_dc(window);
    const auto sbyte = [&](int i) { return static_cast<int32_t>(static_cast<int8_t>(rect[i])); };
    const auto extent = [&](int i) { return static_cast<int32_t>(rect[i] % 64) + 1; };
    ox::win::DibLayout layout;
    if (!ox::win::read_dib_layout(dib.data(), dib.size(), &layout, true)) return;
    const p::DibView view = ox::win::dib_view(layout);
    FUZZ_CHECK(p::stretch_dib_bits(dc, sbyte(0), sbyte(1), extent(2), extent(3), sbyte(4), sbyte(5), extent(6),
                                   extent(7), view, p::kSrcCopy));

    const int32_t rows = view.height;
    if (int64_t{view.width} * rows > 4096) return;
    const OxwBitmap bmp = p::create_bitmap_from_dib(view);
    FUZZ_CHECK(bmp != 0);
    std::vector<uint8_t> back(p::write_packed_dib(bmp, 32, nullptr, 0));
    FUZZ_CHECK(p::write_packed_dib(bmp, 32, back.data(), back.size()) == back.size());
    ox::win::DibLayout again;
    FUZZ_CHECK(ox::win::read_dib_layout(back.data(), back.size(), &again, true) && again.width == view.width &&
               again.height == rows);
    const OxwBitmap copy = p::create_bitmap_from_dib(ox::win::dib_view(again));
    for (int32_t y = 0; y < rows; ++y)
        for (int32_t x = 0; x < view.width; ++x) {
            uint32_t a = 1, b = 2;
            FUZZ_CHECK(p::get_bitmap_pixel(bmp, x, y, &a) && p::get_bitmap_pixel(copy, x, y, &b) && a == b);
        }
    FUZZ_CHECK(p::delete_object(bmp) && p::delete_object(copy));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    constexpr std::size_t kFileHeader = 14;
    if (size > (1u << 20)) return 0;
    if (size <= kFileHeader) {
        check_file(data, size, 0);  // too short to load
        return 0;
    }
    uint32_t err = 0;
    const OxwGlobal block = oxwGlobalAlloc(static_cast<uint32_t>(size - kFileHeader), &err);
    FUZZ_CHECK(block != 0);
    std::memcpy(oxwGlobalLock(block), data + kFileHeader, size - kFileHeader);  // held, so a leaked lock shows
    const OwnedHandle image = check_block(block);
    FUZZ_CHECK(oxwGlobalFree(block) == 1);
    check_file(data, size, image.get());
    check_packed(data + 6, std::vector<uint8_t>(data + kFileHeader, data + size));
    return 0;
}
