// Arbitrary bytes as a document file: written to a temporary file, then read through oxCheckKavelTag and
// oxGetKavelTag for the ids its directory names (when it has one), the first two bytes and the fixed tag
// ids. Beyond not crashing: a tag that reads must be listed, and appending a tag in append mode must leave
// every tag that read before reading the same and make the new one read back.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ox.h"
#include "fuzz_support.h"

namespace {

// The bytes that identify what a tag read gave: a raw block's bytes, an image's header and pixels.
std::vector<uint8_t> fingerprint(OxHandle h, uint16_t id) {
    const auto *p = static_cast<const uint8_t *>(oxLock(h));
    if (id == OX_TAG_RAW || id == OX_TAG_VECTOR) return std::vector<uint8_t>(p, p + oxGetHandleSize(h));
    const auto *hdr = reinterpret_cast<const OxImageHeader *>(p);
    FUZZ_CHECK(hdr->width >= 1 && hdr->width <= 32767 && hdr->height >= 1 && hdr->height <= 32767);
    FUZZ_CHECK(hdr->bitCount == 24 || hdr->bitCount == 32);
    FUZZ_CHECK(hdr->layer == (id == OX_TAG_GRAY_IMAGE ? OX_LAYER_GRAY : OX_LAYER_NORMAL));
    return std::vector<uint8_t>(p, p + OX_IMAGE_HEADER_SIZE + hdr->imageSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const std::string file = oxfuzz::scratch_file("reader");
    const char *path = file.c_str();
    oxfuzz::write_file(file, data, size);

    std::vector<uint16_t> ids = {OX_TAG_SMALL_THUMBNAIL, OX_TAG_RAW, OX_TAG_GRAY_IMAGE, OX_TAG_VECTOR, 0};
    if (size >= 2) ids.push_back(ox::core::load_be16(data));
    if (size > 2568)  // the ids of the trailer directory's first four entries
        for (int i = 0; i < 4; ++i) ids.push_back(ox::core::load_le16(data + size - 2568 + 8 + 10 * i));
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());

    std::vector<std::pair<uint16_t, std::vector<uint8_t>>> readable;
    for (uint16_t id : ids) {
        const uint32_t listed = oxCheckKavelTag(path, id);
        uint32_t err = 0;
        const ox::core::OwnedHandle h(oxGetKavelTag(path, id, &err));
        if (h) {
            FUZZ_CHECK(listed == 1);
            readable.emplace_back(id, fingerprint(h.get(), id));
        }
    }

    // Append a small image under the id of the first two bytes (the small thumbnail's when that is no
    // image id) and read everything back.
    uint16_t new_id = size >= 2 ? ox::core::load_be16(data) : 0;
    if (new_id == 0 || new_id == OX_TAG_RAW || new_id == OX_TAG_VECTOR) new_id = OX_TAG_SMALL_THUMBNAIL;
    uint32_t err = 0;
    if (!oxAddStartKavelFile(path, &err)) return 0;
    OxHandle image = new_id == OX_TAG_GRAY_IMAGE ? oxImageCreateGray(3, 2, &err) : oxImageCreate(3, 2, 24, &err);
    static_cast<uint8_t *>(oxLock(image))[OX_IMAGE_HEADER_SIZE] = 0x5A;
    const std::vector<uint8_t> expected = fingerprint(image, new_id);
    const int32_t set = oxSetKavelTag(image, new_id, &err);
    FUZZ_CHECK(set || err == OX_ERROR_NO_MORE_ITEMS);
    FUZZ_CHECK(oxCloseKavelTag(1, &err) == 1);
    oxFree(image);
    if (set) {  // the new tag reads as the image set, every other one as before
        std::erase_if(readable, [&](const auto &r) { return r.first == new_id; });
        readable.emplace_back(new_id, expected);
    }
    for (const auto &[id, before] : readable) {
        const ox::core::OwnedHandle h(oxGetKavelTag(path, id, &err));
        FUZZ_CHECK(h && fingerprint(h.get(), id) == before);
    }
    return 0;
}
