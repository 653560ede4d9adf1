// The colour chart file: a 2-byte big-endian header (100) and 1280 records of three 16-bit big-endian
// channels and a length-prefixed name of up to 15 characters.
#include <cstring>

#include "core/file_replace.h"

namespace ox::document {
namespace {

using core::FileGuard;
using core::read_exact;

constexpr uint32_t kRecordSize = 22;
constexpr uint32_t kFileSize = 2 + OX_COLOR_CHART_ENTRIES * kRecordSize;
constexpr uint32_t kNameMax = 15;
static_assert(sizeof(OxColorChart) == kFileSize && sizeof(OxColorChartEntry) == kRecordSize);

// Lays the chart out as the file holds it. Each 8-bit channel v is written as v * 257 (both bytes v).
void encode(const OxColorChart &chart, unsigned char *out) {
    out[0] = static_cast<unsigned char>(chart.header >> 8);
    out[1] = static_cast<unsigned char>(chart.header);
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        const OxColorChartEntry &e = chart.entries[i];
        unsigned char *r = out + 2 + i * kRecordSize;
        const uint16_t channels[3] = {e.red, e.green, e.blue};
        for (int c = 0; c < 3; ++c) r[2 * c] = r[2 * c + 1] = static_cast<unsigned char>(channels[c]);
        // The length stops at the first zero, or at 15 when the field holds no zero there.
        r[6] = static_cast<unsigned char>(strnlen(e.name, kNameMax));
        std::memcpy(r + 7, e.name, kNameMax);
    }
}

}  // namespace
}  // namespace ox::document

using namespace ox::document;

extern "C" {

OX_API uint32_t oxColorChartLoad(const char *path, OxColorChart *chart, uint32_t *err) {
    if (!path || !chart) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    FileGuard file;
    if (!ox::core::open_exclusive(path, file, OX_GENERIC_READ, OX_OPEN_EXISTING, err)) return 0;
    if (oxGetFileSize(file.get()) != kFileSize) {
        *err = OX_ERR_CHART_SIZE;
        return 0;
    }
    // The whole file is read before the chart is touched: a failed load leaves the chart as it was.
    static_assert(kFileSize < 65536);
    unsigned char bytes[kFileSize];
    if (!read_exact(file.get(), bytes, 2, err)) return 0;
    if (bytes[0] != 0x00 || bytes[1] != 0x64) {
        *err = OX_ERR_CHART_HEADER;
        return 0;
    }
    if (!read_exact(file.get(), bytes + 2, kFileSize - 2, err)) return 0;
    file.close();

    // Low-byte files hold each channel in the second byte and leave every first byte zero.
    bool low_byte = true;
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES && low_byte; ++i) {
        const unsigned char *r = bytes + 2 + i * kRecordSize;
        low_byte = r[0] == 0 && r[2] == 0 && r[4] == 0;
    }
    const int pick = low_byte ? 1 : 0;
    chart->header = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        const unsigned char *r = bytes + 2 + i * kRecordSize;
        OxColorChartEntry &e = chart->entries[i];
        e.red = r[0 + pick];
        e.green = r[2 + pick];
        e.blue = r[4 + pick];
        std::memcpy(e.name, r + 7, kNameMax);
        // The field has room for 15 characters and the terminator: a longer length is cut to 15.
        e.name[r[6] > kNameMax ? kNameMax : r[6]] = '\0';
    }
    *err = OX_ERROR_SUCCESS;
    return 1;
}

OX_API uint32_t oxColorChartSave(const char *path, const OxColorChart *chart, uint32_t creator, uint32_t *err) {
    if (!path || !chart) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (oxCheckFileReadOnlyAttribute(path, err)) return 0;
    static_assert(kFileSize < 65536);
    unsigned char bytes[kFileSize];
    encode(*chart, bytes);

    return ox::core::replace_file(path, bytes, kFileSize, err) ? 1u : 0u;
}

OX_API void oxColorChartClear(OxColorChart *chart) {
    if (!chart) return;
    for (OxColorChartEntry &e : chart->entries) {
        e.red = e.green = e.blue = 255;
        e.name[0] = '\0';
    }
}

}  // extern "C"
