// A host module's strings.txt on arbitrary bytes: registered from a scratch folder, then read back. Beyond
// not crashing: a refused file gives code 13; in a registered module every line's id has its string, and
// oxLoadString into any buffer size writes a terminated prefix of it, shorter than the buffer.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ox.h"
#include "oxw.h"
#include "platform/resources.h"
#include "fuzz_support.h"

namespace {

// The ids the lines of a file start with (comment and empty lines left out).
std::vector<uint32_t> line_ids(std::string_view text) {
    std::vector<uint32_t> ids;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::string id(line.substr(0, line.find_first_of(" \t")));
        ids.push_back(static_cast<uint32_t>(std::strtoul(id.c_str(), nullptr, 10)));
    }
    return ids;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const std::string folder = oxfuzz::scratch_file("module");
    std::filesystem::create_directories(folder);
    oxfuzz::write_file(folder + "/strings.txt", data, size);
    uint32_t err = 0;
    const OxwModule module = oxwHostRegisterModule(folder.c_str(), &err);
    if (!module) {
        FUZZ_CHECK(err == 13);
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    for (const uint32_t id : line_ids(text)) {
        std::string_view full;
        FUZZ_CHECK(ox::platform::find_string(module, id, &full));
        for (const int32_t room : {1, 2, 3, 7, 64}) {
            std::vector<char> buffer(static_cast<std::size_t>(room));  // exactly sized: overruns show
            const int32_t n = oxLoadString(module, id, 0, buffer.data(), room);
            FUZZ_CHECK(n >= 0 && n < room && buffer[static_cast<std::size_t>(n)] == '\0');
            const auto copied = static_cast<std::size_t>(n);
            FUZZ_CHECK(full.substr(0, copied) == std::string_view(buffer.data(), copied));
            FUZZ_CHECK(n + 1 >= room || copied == full.size() || n + 2 == room);
        }
    }
    FUZZ_CHECK(oxwHostUnregisterModule(module) == 1);
    return 0;
}
