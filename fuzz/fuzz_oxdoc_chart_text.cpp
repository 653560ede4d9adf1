// oxdoc's colour chart text readers on arbitrary text: byte 0 picks CSV (even) or JSON (odd), the rest is
// the text. Beyond not crashing: a chart that reads has channels of 0..255 and names of at most 15 bytes,
// and written back as CSV and as JSON it reads back to the same entries (and from JSON, which carries it,
// the same header; CSV reads give the header of a cleared chart).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "chart_text.h"
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

// The entries as the readers fill them: channels and names up to their terminator.
bool same_entries(const OxColorChart &a, const OxColorChart &b) {
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        const OxColorChartEntry &x = a.entries[i], &y = b.entries[i];
        if (x.red != y.red || x.green != y.green || x.blue != y.blue) return false;
        if (oxdoc::chart::name_of(x) != oxdoc::chart::name_of(y)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    const bool json = data[0] & 1;
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    auto chart = std::make_unique<OxColorChart>();
    std::string error;
    const bool ok = json ? oxdoc::chart::read_json(text, *chart, error) : oxdoc::chart::read_csv(text, *chart, error);
    if (!ok) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    for (const OxColorChartEntry &e : chart->entries) {
        FUZZ_CHECK(e.red <= 255 && e.green <= 255 && e.blue <= 255);
        FUZZ_CHECK(oxdoc::chart::name_of(e).size() <= 15);
    }
    auto again = std::make_unique<OxColorChart>();
    FUZZ_CHECK(oxdoc::chart::read_csv(written(oxdoc::chart::write_csv, *chart), *again, error));
    FUZZ_CHECK(same_entries(*chart, *again) && again->header == 100);
    FUZZ_CHECK(oxdoc::chart::read_json(written(oxdoc::chart::write_json, *chart), *again, error));
    FUZZ_CHECK(same_entries(*chart, *again) && again->header == chart->header);
    return 0;
}
