// The tag image decoder on arbitrary bytes. The first byte chooses the tag id (bit 0: the gray image tag,
// which decodes to a gray layer); the rest is the encoded block. Beyond not crashing: the fast decoder
// must agree with the reference decoder, and an image that decodes must come back unchanged through the
// encoder and the decoder.
#include <cstdint>
#include <cstdlib>

#include "document/tag_codec.h"
#include "ox.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    using namespace ox::document;
    using ox::core::OwnedHandle;
    using oxfuzz::same_image;
    const uint32_t id = data[0] & 1 ? OX_TAG_GRAY_IMAGE : 0x1234u;
    uint32_t err = 0, ref_err = 0;
    const OwnedHandle fast(decode_tag_image(data + 1, size - 1, id, &err));
    const OwnedHandle ref(plain::decode_tag_image(data + 1, size - 1, id, &ref_err));
    FUZZ_CHECK(bool(fast) == bool(ref));
    if (!fast) {
        FUZZ_CHECK(err == ref_err);
        return 0;
    }
    FUZZ_CHECK(same_image(fast.get(), ref.get()));
    FUZZ_CHECK(oxImageGetLayerDirect(fast.get()) == (id == OX_TAG_GRAY_IMAGE ? OX_LAYER_GRAY : OX_LAYER_NORMAL));

    const OwnedHandle block(encode_tag_image(fast.get(), id, &err));
    FUZZ_CHECK(block);
    const OwnedHandle again(decode_tag_image(block.bytes(), oxGetHandleSize(block.get()), id, &err));
    FUZZ_CHECK(again && same_image(fast.get(), again.get()));
    return 0;
}
