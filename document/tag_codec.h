// The tag image codec: images of 24 and 32 bits per pixel stored as run-length encoded true-colour TGA
// files (image type 10, 18-byte header, packets that never cross a row, 26-byte footer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "ox.h"

namespace ox::document {

inline constexpr uint32_t kTgaHeaderSize = 18;
inline constexpr uint32_t kTgaFooterSize = 26;
inline constexpr int32_t kMaxTagImageSide = 32767;  // width and height are signed 16-bit in the header

// Raw tags are stored byte for byte; every other id holds an encoded image.
inline bool is_raw_tag(uint32_t id) { return id == OX_TAG_RAW || id == OX_TAG_VECTOR; }

// A new handle holding the encoded image: header, packet stream and footer (L + 44 bytes, page-rounded,
// zero behind the footer). Depth 24 for OX_TAG_IMAGE_24 (a 32-bit image loses its fourth channel), else
// the image's own depth. Refuses, with result 0 and code 0, a handle that is no image record, images of
// 1 or 8 bits, images wider or taller than 32767 pixels and a 24-bit image under OX_TAG_GRAY_IMAGE (which
// could not be read back). No memory: 0 with code 8. The image is not changed.
OxHandle encode_tag_image(OxHandle image, uint32_t id, uint32_t *err);

// The block encode_tag_image would make, its zero bytes behind the footer included, handed to `sink` piece by
// piece and in order without the block ever being made. Refuses as encode_tag_image does (0, code 0) before
// the sink sees anything; returns the block's size, or 0 when the sink returns false (the sink sets the
// code) or there is no memory (8). tag_image_bound is the largest size it can return for this image and id,
// 0 for one it refuses.
using TagBytesSink = std::function<bool(const uint8_t *bytes, std::size_t count)>;
uint64_t write_tag_image(OxHandle image, uint32_t id, const TagBytesSink &sink, uint32_t *err);
uint64_t tag_image_bound(OxHandle image, uint32_t id);

// A new image decoded from `size` bytes at `data`: a gray image for OX_TAG_GRAY_IMAGE (32-bit streams
// only), else a normal image of the stored depth. The origin bits of the image descriptor are honoured,
// an image ID field is skipped, the footer is not looked at. Nothing outside [data, data + size) is
// read, and the stream must be long enough to fill the image it claims before the image is made. Returns
// 0 with OX_ERR_NOT_TAGGED_DOCUMENT for a block that is no such encoding (short header, image type other
// than 10, a colour map, a depth other than 24 or 32, a width or height below 1, a stream too short for
// the image it claims, a truncated stream); 0 with the image constructor's code when it fails.
OxHandle decode_tag_image(const uint8_t *data, std::size_t size, uint32_t id, uint32_t *err);

// The codec's work without the blocks around it, for benchmarks and tests. encode_tag_stream writes the
// packet stream of a locked 24- or 32-bit image at `depth` (24 or 32; 24 from a 32-bit image drops byte 0)
// to `out`, which has room for width x height x (depth / 8 + 1) bytes, and returns its length.
// decode_tag_pixels decodes a block into `target`, an image of the stream's width, height and depth;
// false for a block that decode_tag_image refuses or a target of another shape.
std::size_t encode_tag_stream(const OxImageLockRec &lock, int32_t depth, uint8_t *out);
bool decode_tag_pixels(const uint8_t *data, std::size_t size, uint32_t id, const OxImageLockRec &target);

// The plain reference paths: a literal transcription of the encoding rules, pixel by pixel through the
// pixel accessors, with the reordered work block and the per-pixel state machine; and the decoder that
// unpacks into a work block with a column counter and then places pixels by the origin formula. Same
// results and refusals as the fast paths above, which the tests compare against them.
namespace plain {
OxHandle encode_tag_image(OxHandle image, uint32_t id, uint32_t *err);
OxHandle decode_tag_image(const uint8_t *data, std::size_t size, uint32_t id, uint32_t *err);
}  // namespace plain

}  // namespace ox::document
