// The version readers of program files on arbitrary bytes, read from memory through the same checked source
// as files; the ELF reader and the PE reader both take every input. Beyond not crashing:
// - ELF: every text found is bytes of the input, and a translation is whole 4-byte entries;
// - PE: a record read is a tree of at most one node per 6 bytes of the input, each path below the root
//   starting with '\', and the version text is no longer than the input's UTF-16 text could be.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ox.h"
#include "win/version_info.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace ox::win::version;
    const MemorySource source(data, size);
    VersionInfo info;
    std::string text, pe_text;
    if (read_elf_version(source, &info)) {
        for (const auto &[path, value] : info.values) {
            if (path == "\\VarFileInfo\\Translation") {
                FUZZ_CHECK(!value.empty() && value.size() % 4 == 0);
                continue;
            }
            const auto *v = reinterpret_cast<const uint8_t *>(value.data());
            FUZZ_CHECK(std::search(data, data + size, v, v + value.size()) != data + size || value.empty());
        }
        if (file_version_text(info, &text)) FUZZ_CHECK(text.size() <= size);
    }

    oxSetCodePage(size % 2 ? 65001 : 1252);  // UTF-8 output on odd sizes
    info = VersionInfo();
    if (read_pe_version(source, &info)) {
        FUZZ_CHECK(!info.values.empty() && info.values.size() <= size / 6 && info.values.front().first == "\\");
        for (const auto &v : info.values) FUZZ_CHECK(v.first[0] == '\\');
        if (file_version_text(info, &pe_text)) FUZZ_CHECK(pe_text.size() <= size / 2 * 3);
    }
    oxSetCodePage(0);
    return 0;
}
