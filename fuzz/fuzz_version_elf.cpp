// The ELF version reader on arbitrary bytes (read from memory through the same checked source as files).
// Beyond not crashing: every text it finds is bytes of the input, and a translation is whole 4-byte entries.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "win/version_info.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace ox::win::version;
    const MemorySource source(data, size);
    VersionInfo info;
    if (!read_elf_version(source, &info)) return 0;
    for (const auto &[path, value] : info.values) {
        if (path == "\\VarFileInfo\\Translation") {
            FUZZ_CHECK(!value.empty() && value.size() % 4 == 0);
            continue;
        }
        const auto *v = reinterpret_cast<const uint8_t *>(value.data());
        FUZZ_CHECK(std::search(data, data + size, v, v + value.size()) != data + size || value.empty());
    }
    std::string text;
    if (file_version_text(info, &text)) FUZZ_CHECK(text.size() <= size);
    return 0;
}
