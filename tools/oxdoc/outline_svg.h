// The outline block of a vector tag, parsed without trusting it, and drawn as SVG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oxdoc {

struct Outline {
    struct Point {
        uint16_t x, y;
    };
    std::vector<std::vector<Point>> contours;  // first point: the start point, then the polygon's vertices
};

// Parses an outline block of `size` bytes (big-endian header: total length, contour count; contours of a
// point count and x, y pairs). Returns false with a message when a length or count points past the data.
bool parse_outline(const uint8_t *block, uint64_t size, Outline &out, std::string &error);

// One past the largest x and y of the points: the smallest canvas that holds them (at least 1 x 1).
void outline_extent(const Outline &outline, uint32_t &width, uint32_t &height);

// An SVG drawing of the contours on a canvas of `width` x `height` pixels, one element per contour: a
// closed polygon through the points' pixel centres, or, for a contour of fewer than three distinct points
// (a dot, or a line one pixel wide, which renderers do not draw as a polygon), a rect over its pixels.
std::string outline_to_svg(const Outline &outline, uint32_t width, uint32_t height);

}  // namespace oxdoc
