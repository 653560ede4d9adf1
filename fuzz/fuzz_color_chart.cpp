// The colour chart loader on arbitrary file contents. Beyond not crashing: a refused file leaves the chart
// as it was, with the code of the first check that fails (size, then header); a loaded chart has channels
// of 0..255, names terminated within their field, and survives a save and a load unchanged.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "ox.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const std::string in_path = oxfuzz::scratch_file("chart-in"), out_path = oxfuzz::scratch_file("chart-out");
    oxfuzz::write_file(in_path, data, size);

    auto chart = std::make_unique<OxColorChart>();
    auto before = std::make_unique<OxColorChart>();
    std::memset(before.get(), 0xA5, sizeof(OxColorChart));
    std::memcpy(chart.get(), before.get(), sizeof(OxColorChart));
    uint32_t err = 0;
    uint32_t ok = oxColorChartLoad(in_path.c_str(), chart.get(), &err);
    if (size != OX_COLOR_CHART_SIZE || data[0] != 0x00 || data[1] != 0x64) {
        FUZZ_CHECK(!ok && err == (size != OX_COLOR_CHART_SIZE ? OX_ERR_CHART_SIZE : OX_ERR_CHART_HEADER));
        FUZZ_CHECK(std::memcmp(chart.get(), before.get(), sizeof(OxColorChart)) == 0);
        return 0;
    }
    FUZZ_CHECK(ok == 1 && err == 0 && chart->header == 100);
    for (const auto &e : chart->entries)
        FUZZ_CHECK(e.red < 256 && e.green < 256 && e.blue < 256 && strnlen(e.name, 16) < 16);

    FUZZ_CHECK(oxColorChartSave(out_path.c_str(), chart.get(), 0, &err) == 1);
    auto again = std::make_unique<OxColorChart>();
    FUZZ_CHECK(oxColorChartLoad(out_path.c_str(), again.get(), &err) == 1);
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        const auto &a = chart->entries[i];
        const auto &b = again->entries[i];
        // A chart whose channels are all 0 saves as a low-byte file; both readings give the same colours.
        FUZZ_CHECK(a.red == b.red && a.green == b.green && a.blue == b.blue && std::strcmp(a.name, b.name) == 0);
    }
    return 0;
}
