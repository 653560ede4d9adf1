// Colour charts on arbitrary bytes, read as a chart file by the library's loader and as text by oxdoc's CSV
// and JSON readers; every reader takes every input. Beyond not crashing:
// - a refused file leaves the chart as it was, with the code of the first check that fails (size, then
//   header); a loaded chart survives a save and a load unchanged;
// - text that reads, written back as CSV and as JSON, reads back to the same entries (and from JSON, which
//   carries it, the same header; CSV reads give the header of a cleared chart);
// - every chart read has channels of 0..255 and names terminated within their 16 bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "chart_text.h"
#include "ox.h"
#include "fuzz_support.h"

namespace {

using Writer = void (*)(FILE *, const OxColorChart &);

std::string written(Writer write, const OxColorChart &chart) {
    char *buf = nullptr;
    std::size_t len = 0;
    FILE *f = open_memstream(&buf, &len);
    FUZZ_CHECK(f != nullptr);
    write(f, chart);
    std::fclose(f);
    std::string text(buf, len);
    std::free(buf);
    return text;
}

void check_entries(const OxColorChart &chart) {
    for (const OxColorChartEntry &e : chart.entries)
        FUZZ_CHECK(e.red <= 255 && e.green <= 255 && e.blue <= 255 && strnlen(e.name, 16) < 16);
}

// The entries as the readers fill them: channels and names up to their terminator.
bool same_entries(const OxColorChart &a, const OxColorChart &b) {
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        const OxColorChartEntry &x = a.entries[i], &y = b.entries[i];
        if (x.red != y.red || x.green != y.green || x.blue != y.blue) return false;
        if (oxdoc::chart::name_of(x) != oxdoc::chart::name_of(y)) return false;
    }
    return true;
}

void check_file(const uint8_t *data, std::size_t size) {
    static const std::string in_path = oxfuzz::scratch_file("chart-in"), out_path = oxfuzz::scratch_file("chart-out");
    oxfuzz::write_file(in_path, data, size);
    auto before = std::make_unique<OxColorChart>();
    std::memset(before.get(), 0xA5, sizeof(OxColorChart));
    auto chart = std::make_unique<OxColorChart>(*before);
    uint32_t err = 0;
    uint32_t ok = oxColorChartLoad(in_path.c_str(), chart.get(), &err);
    if (size != OX_COLOR_CHART_SIZE || data[0] != 0x00 || data[1] != 0x64) {
        FUZZ_CHECK(!ok && err == (size != OX_COLOR_CHART_SIZE ? OX_ERR_CHART_SIZE : OX_ERR_CHART_HEADER));
        FUZZ_CHECK(std::memcmp(chart.get(), before.get(), sizeof(OxColorChart)) == 0);
        return;
    }
    FUZZ_CHECK(ok == 1 && err == 0 && chart->header == 100);
    check_entries(*chart);
    // A chart whose channels are all 0 saves as a low-byte file; both readings give the same colours.
    FUZZ_CHECK(oxColorChartSave(out_path.c_str(), chart.get(), 0, &err) == 1);
    auto again = std::make_unique<OxColorChart>();
    FUZZ_CHECK(oxColorChartLoad(out_path.c_str(), again.get(), &err) == 1 && same_entries(*chart, *again));
}

void check_text(const std::string &text, bool json) {
    auto chart = std::make_unique<OxColorChart>();
    std::string error;
    const bool ok = json ? oxdoc::chart::read_json(text, *chart, error) : oxdoc::chart::read_csv(text, *chart, error);
    if (!ok) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    check_entries(*chart);
    auto again = std::make_unique<OxColorChart>();
    FUZZ_CHECK(oxdoc::chart::read_csv(written(oxdoc::chart::write_csv, *chart), *again, error));
    FUZZ_CHECK(same_entries(*chart, *again) && again->header == 100);
    FUZZ_CHECK(oxdoc::chart::read_json(written(oxdoc::chart::write_json, *chart), *again, error));
    FUZZ_CHECK(same_entries(*chart, *again) && again->header == chart->header);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    check_file(data, size);
    const std::string text(reinterpret_cast<const char *>(data), size);
    check_text(text, false);
    check_text(text, true);
    return 0;
}
