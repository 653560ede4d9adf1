// Packed DIBs as users' blocks bring them, on arbitrary bytes: the layout check that every DIB function runs
// first, then the display layer's drawing and bitmap conversion of what it takes. Input: 8 bytes of
// drawing parameters (destination x, y as signed bytes, destination width and height 1..64, source x, y as
// signed bytes, source width and height 1..64), then the DIB. Beyond not crashing: a DIB that is taken
// draws without reading outside it, and as a bitmap it comes back through a 32-bit packed DIB unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/gdi.h"
#include "platform/window.h"
#include "win/dib.h"
#include "fuzz_support.h"

namespace {

using namespace ox::platform;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const OxwWindow window = create_window(0, 0, 0, 48, 40, true);
    static const OxwDC dc = get_dc(window);
    if (size < 8) return 0;
    const auto sbyte = [&](int i) { return static_cast<int32_t>(static_cast<int8_t>(data[i])); };
    const auto extent = [&](int i) { return static_cast<int32_t>(data[i] % 64) + 1; };
    // A copy of exactly the DIB's bytes, so that the sanitizers see any read past its end.
    std::vector<uint8_t> dib(data + 8, data + size);
    ox::win::DibLayout layout;
    if (!ox::win::read_dib_layout(dib.data(), dib.size(), &layout, true)) return 0;
    const DibView view = ox::win::dib_view(layout);
    FUZZ_CHECK(stretch_dib_bits(dc, sbyte(0), sbyte(1), extent(2), extent(3), sbyte(4), sbyte(5), extent(6), extent(7),
                           view, kSrcCopy));

    const int32_t rows = view.height;
    if (int64_t{view.width} * rows > 4096) return 0;
    const OxwBitmap bmp = create_bitmap_from_dib(view);
    FUZZ_CHECK(bmp != 0);
    std::vector<uint8_t> back(write_packed_dib(bmp, 32, nullptr, 0));
    FUZZ_CHECK(write_packed_dib(bmp, 32, back.data(), back.size()) == back.size());
    ox::win::DibLayout again;
    FUZZ_CHECK(ox::win::read_dib_layout(back.data(), back.size(), &again, true) && again.width == view.width &&
          again.height == rows);
    const OxwBitmap copy = create_bitmap_from_dib(ox::win::dib_view(again));
    for (int32_t y = 0; y < rows; ++y)
        for (int32_t x = 0; x < view.width; ++x) {
            uint32_t a = 1, b = 2;
            FUZZ_CHECK(get_bitmap_pixel(bmp, x, y, &a) && get_bitmap_pixel(copy, x, y, &b) && a == b);
        }
    FUZZ_CHECK(delete_object(bmp) && delete_object(copy));
    return 0;
}
