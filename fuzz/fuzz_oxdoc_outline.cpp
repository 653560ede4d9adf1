// oxdoc's reader of vector tag outline blocks on arbitrary bytes, and its SVG drawing. Beyond not crashing
// or reading past the block: an outline that parses accounts for its stated length exactly (header, a
// count per contour, four bytes per point), and its SVG holds one polygon or box per contour with points.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "outline_svg.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    oxdoc::Outline outline;
    std::string error;
    if (!oxdoc::parse_outline(data, size, outline, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    uint64_t bytes = 32;
    for (const auto &c : outline.contours) bytes += 2 + 4 * static_cast<uint64_t>(c.size());
    const uint64_t total = oxfuzz::load_be32(data);
    FUZZ_CHECK(bytes == total && total <= size);
    FUZZ_CHECK(outline.contours.size() == oxfuzz::load_be16(data + 4));
    uint32_t w, h;
    oxdoc::outline_extent(outline, w, h);
    const std::string svg = oxdoc::outline_to_svg(outline, w, h);
    std::size_t shapes = 0, drawn = 0;  // the background is a rect too
    for (const char *tag : {"<polygon", "<rect"})
        for (std::size_t at = svg.find(tag); at != std::string::npos; at = svg.find(tag, at + 1)) ++shapes;
    for (const auto &c : outline.contours) drawn += !c.empty();
    FUZZ_CHECK(shapes == drawn + 1);
    return 0;
}
