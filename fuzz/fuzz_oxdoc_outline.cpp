// oxdoc's reader of vector tag outline blocks on arbitrary bytes, and its SVG drawing. Beyond not crashing
// or reading past the block: an outline that parses accounts for its stated length exactly (header, a
// count per contour, four bytes per point), and its SVG holds one polygon per contour.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "outline_svg.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    oxdoc::Outline outline;
    std::string error;
    if (!oxdoc::parse_outline(data, size, outline, error)) {
        check(!error.empty());
        return 0;
    }
    uint64_t bytes = 32;
    for (const auto &c : outline.contours) bytes += 2 + 4 * static_cast<uint64_t>(c.size());
    const uint64_t total = uint64_t{data[0]} << 24 | uint64_t{data[1]} << 16 | uint64_t{data[2]} << 8 | data[3];
    check(bytes == total && total <= size);
    check(outline.contours.size() == (uint64_t{data[4]} << 8 | data[5]));
    const std::string svg = oxdoc::outline_to_svg(outline, 0, 0);
    std::size_t polygons = 0;
    for (std::size_t at = svg.find("<polygon"); at != std::string::npos; at = svg.find("<polygon", at + 1)) ++polygons;
    check(polygons == outline.contours.size());
    return 0;
}
