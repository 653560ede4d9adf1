// The bitmap file loader on arbitrary file contents. Beyond not crashing or reading outside the file: a
// file is loaded exactly when it starts with "BM" and the DIB behind its 14-byte header holds up as a DIB
// block (the same bytes in a global block convert to an image); a loaded bitmap has the DIB's size, as
// pixels and as its recorded size, and the colours that the block's conversion to 24 bits gives; a
// refused file gives code 13 and leaves no drawing object behind.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "oxw.h"
#include "platform/gdi.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 20)) return 0;
    static const std::string path = oxfuzz::scratch_file("bmp");
    oxfuzz::write_file(path, data, size);

    // The same DIB as a block, converted to colours for comparison.
    OxHandle image = 0;
    uint32_t err = 0;
    if (size > 14 && data[0] == 'B' && data[1] == 'M') {
        const OxwGlobal block = oxwGlobalAlloc(static_cast<uint32_t>(size - 14), &err);
        FUZZ_CHECK(block != 0);
        std::memcpy(oxwGlobalLock(block), data + 14, size - 14);
        oxwGlobalUnlock(block);
        image = oxwDibToImage(block, 24, &err);
        oxwGlobalFree(block);
    }

    const std::size_t objects = ox::platform::live_object_count();
    err = 0xAB;
    const OxwBitmap bmp = oxwOpenFileDDB(0, 0, path.c_str(), &err);
    FUZZ_CHECK((bmp != 0) == (image != 0));
    if (bmp == 0) {
        FUZZ_CHECK(err == OX_ERROR_INVALID_DATA);
        FUZZ_CHECK(ox::platform::live_object_count() == objects);
        return 0;
    }
    const int32_t w = oxImageGetWidthDirect(image), h = oxImageGetHeightDirect(image);
    int32_t bw = 0, bh = 0;
    FUZZ_CHECK(oxwHostGetBitmapSize(bmp, &bw, &bh, nullptr) == 1 && bw == w && bh == h);
    OxRect r;
    oxGetPictRect(bmp, &r);
    FUZZ_CHECK(r.right == w && r.bottom == h);
    std::vector<OxColorRef> px(static_cast<std::size_t>(w) * h);
    FUZZ_CHECK(oxwHostReadBitmapPixels(bmp, 0, 0, w, h, px.data()) == 1);
    OxImageLockRec lock;
    oxImageLock(image, &lock);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            FUZZ_CHECK(px[static_cast<std::size_t>(y) * w + x] == oxImageGetPixel(&lock, x, y));
    oxImageUnlock(&lock);
    oxFree(image);
    FUZZ_CHECK(oxwHostDeleteObject(bmp) == 1);
    return 0;
}
