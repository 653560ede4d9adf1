// The PE version reader on arbitrary bytes (read from memory through the same checked source as files).
// Beyond not crashing: a record read is a tree of at most one node per 6 bytes of the input, each path
// below the root starting with '\', and the version text is no longer than the input's UTF-16 text could be.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ox.h"
#include "win/version_info.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace ox::win::version;
    oxSetCodePage(size % 2 ? 65001 : 1252);  // UTF-8 output on odd sizes
    const MemorySource source(data, size);
    VersionInfo info;
    if (read_pe_version(source, &info)) {
        FUZZ_CHECK(!info.values.empty() && info.values.size() <= size / 6 && info.values.front().first == "\\");
        for (const auto &v : info.values) FUZZ_CHECK(v.first[0] == '\\');
        std::string text;
        if (file_version_text(info, &text)) FUZZ_CHECK(text.size() <= size / 2 * 3);
    }
    oxSetCodePage(0);
    return 0;
}
