// DIB blocks as they come from the clipboard: arbitrary bytes in a global block, locked, read pixel by pixel
// and converted to images of every depth. Beyond not crashing or reading outside the block: the lock, both
// conversions and the per-pixel reference agree on whether the block holds up, the row kernels give the
// reference's bytes, and a refused block leaves no lock behind.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "oxw.h"
#include "win/dib_convert.h"
#include "fuzz_support.h"

namespace {

bool same_image(OxHandle a, OxHandle b) {
    if (a == 0 || b == 0) return a == b;
    const auto *pa = static_cast<const uint8_t *>(oxLock(a));
    const auto *pb = static_cast<const uint8_t *>(oxLock(b));
    const uint32_t size = OX_IMAGE_HEADER_SIZE + reinterpret_cast<const OxImageHeader *>(pa)->imageSize;
    return std::memcmp(pa, pb, size) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0 || size > (1u << 20)) return 0;
    uint32_t err = 0;
    const OxwGlobal block = oxwGlobalAlloc(static_cast<uint32_t>(size), &err);
    FUZZ_CHECK(block != 0);
    std::memcpy(oxwGlobalLock(block), data, size);
    oxwGlobalUnlock(block);

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
    for (uint32_t target : {1u, 8u, 24u}) {
        uint32_t e1 = 0xAB, e2 = 0xAB;
        const OxHandle fast = oxwDibToImage(block, target, &e1);
        const OxHandle ref = ox::win::plain::dib_to_image(block, target, &e2);
        FUZZ_CHECK((fast != 0) == holds && e1 == e2 && same_image(fast, ref));
        FUZZ_CHECK(holds || e1 == OX_ERROR_INVALID_DATA);
        oxFree(fast);
        oxFree(ref);
    }
    for (int32_t gray : {0, 1}) {
        uint32_t e1 = 0xAB, e2 = 0xAB;
        const OxHandle fast = oxwCreateClipBoardImage(block, gray, &e1);
        const OxHandle ref = ox::win::plain::create_clipboard_image(block, gray, &e2);
        FUZZ_CHECK((fast != 0) == holds && e1 == e2 && same_image(fast, ref));
        oxFree(fast);
        oxFree(ref);
    }
    FUZZ_CHECK(oxwGlobalUnlock(block) == 0);  // no lock was left behind
    FUZZ_CHECK(oxwGlobalFree(block) == 1);
    return 0;
}
