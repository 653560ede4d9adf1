// Helpers of the bitmap tests and the fuzz seeds: owned global blocks and their bytes, and DIB blocks and
// bitmap files built byte by byte.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "oxw.h"
#include "platform/global_memory.h"

namespace oxtest {

// Owns a global memory block.
using Global = ox::platform::GlobalOwner;

// The whole content of a block.
inline std::vector<uint8_t> block_bytes(OxwGlobal g) {
    const auto *p = static_cast<const uint8_t *>(oxwGlobalLock(g));
    std::vector<uint8_t> out(p, p + oxwGlobalSize(g));
    oxwGlobalUnlock(g);
    return out;
}

// A new block holding exactly `bytes`, for the caller to free; aborts when none can be made, so that no
// check passes on a missing block.
inline OxwGlobal block_of(const std::vector<uint8_t> &bytes) {
    uint32_t err = 0;
    const OxwGlobal g = oxwGlobalAlloc(static_cast<uint32_t>(bytes.size()), &err);
    if (!g) std::abort();
    std::memcpy(oxwGlobalLock(g), bytes.data(), bytes.size());
    oxwGlobalUnlock(g);
    return g;
}

// A packed DIB: a 40-byte header, `colors` table entries (given as 0xRRGGBB) and `rows` as stored.
inline std::vector<uint8_t> dib_bytes(int32_t w, int32_t h, uint16_t depth, const std::vector<uint32_t> &colors,
                                      const std::vector<uint8_t> &rows, uint32_t clr_used = 0) {
    OxwBitmapInfoHeader hdr{};
    hdr.biSize = 40;
    hdr.biWidth = w;
    hdr.biHeight = h;
    hdr.biPlanes = 1;
    hdr.biBitCount = depth;
    hdr.biClrUsed = clr_used;
    std::vector<uint8_t> out(sizeof hdr);
    std::memcpy(out.data(), &hdr, sizeof hdr);
    for (uint32_t c : colors) out.insert(out.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// A bitmap file holding `dib`: "BM" and the file size, then reserved words and an offset field that the
// loader does not read, left 0.
inline std::vector<uint8_t> bmp_file(const std::vector<uint8_t> &dib) {
    std::vector<uint8_t> file = {'B', 'M'};
    const uint32_t size = static_cast<uint32_t>(14 + dib.size());
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(size >> (8 * i)));
    file.resize(14, 0);
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

}  // namespace oxtest
