#include "outline_svg.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace oxdoc {
namespace {

uint16_t be16(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t be32(const uint8_t *p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

}  // namespace

bool parse_outline(const uint8_t *block, uint64_t size, Outline &out, std::string &error) {
    if (size < 32) {
        error = "outline block shorter than its 32-byte header";
        return false;
    }
    const uint32_t total = be32(block);
    const uint16_t count = be16(block + 4);
    if (total < 32 || total > size) {
        error = "outline length " + std::to_string(total) + " does not fit the block of " + std::to_string(size) +
                " bytes";
        return false;
    }
    out.contours.clear();
    uint64_t at = 32;
    for (uint32_t c = 0; c < count; ++c) {
        if (at + 2 > total) {
            error = "contour " + std::to_string(c) + " of " + std::to_string(count) + " starts past the outline data";
            return false;
        }
        const uint16_t n = be16(block + at);
        at += 2;
        if (at + 4ull * n > total) {
            error = "contour " + std::to_string(c) + " has " + std::to_string(n) + " points, more than the data holds";
            return false;
        }
        std::vector<Outline::Point> pts(n);
        for (uint16_t i = 0; i < n; ++i, at += 4) pts[i] = {be16(block + at), be16(block + at + 2)};
        out.contours.push_back(std::move(pts));
    }
    if (at != total) {
        error = "outline length " + std::to_string(total) + " disagrees with its contours (" + std::to_string(at) +
                " bytes)";
        return false;
    }
    return true;
}

void outline_extent(const Outline &outline, uint32_t &width, uint32_t &height) {
    width = height = 1;
    for (const auto &c : outline.contours)
        for (const auto &p : c) {
            width = std::max<uint32_t>(width, p.x + 1u);
            height = std::max<uint32_t>(height, p.y + 1u);
        }
}

std::string outline_to_svg(const Outline &outline, uint32_t width, uint32_t height) {
    static const char *const kColours[] = {"#d62728", "#1f77b4", "#2ca02c", "#9467bd", "#ff7f0e", "#17becf"};
    std::string svg;
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%u\" height=\"%u\" viewBox=\"0 0 %u %u\">\n",
                  width * 2, height * 2, width, height);
    svg += buf;
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    for (size_t i = 0; i < outline.contours.size(); ++i) {
        const auto &c = outline.contours[i];
        if (c.empty()) continue;  // a damaged block's contour without points draws nothing
        const char *colour = kColours[i % std::size(kColours)];
        std::vector<Outline::Point> distinct;
        for (const auto &p : c) {
            if (distinct.size() == 3) break;
            if (std::none_of(distinct.begin(), distinct.end(), [&](auto q) { return q.x == p.x && q.y == p.y; }))
                distinct.push_back(p);
        }
        if (distinct.size() < 3) {
            uint32_t x0 = UINT32_MAX, y0 = UINT32_MAX, x1 = 0, y1 = 0;
            for (const auto &p : c) {
                x0 = std::min<uint32_t>(x0, p.x), y0 = std::min<uint32_t>(y0, p.y);
                x1 = std::max<uint32_t>(x1, p.x + 1u), y1 = std::max<uint32_t>(y1, p.y + 1u);
            }
            std::snprintf(buf, sizeof buf,
                          "<rect fill=\"none\" stroke-width=\"0.6\" stroke=\"%s\" x=\"%u\" y=\"%u\" width=\"%u\" "
                          "height=\"%u\"/>\n",
                          colour, x0, y0, x1 - x0, y1 - y0);
            svg += buf;
            continue;
        }
        // Points are pixel positions; draw through pixel centres.
        svg += "<polygon fill=\"none\" stroke-width=\"0.6\" stroke-linejoin=\"round\" stroke=\"";
        svg += colour;
        svg += "\" points=\"";
        for (const auto &p : c) {
            std::snprintf(buf, sizeof buf, "%.1f,%.1f ", p.x + 0.5, p.y + 0.5);
            svg += buf;
        }
        svg += "\"/>\n";
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace oxdoc
