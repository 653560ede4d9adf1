// File-name helpers: an empty temporary file made next to a document, and an extension replaced.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/codepage.h"
#include "core/no_throw.h"
#include "ox.h"
#include "oxw.h"

namespace {

constexpr std::size_t kNameSize = 260;
// The folder part must leave room for "$$$" + 4 hex digits + ".TMP" and the terminator within kNameSize.
constexpr std::size_t kMaxFolder = kNameSize - 14;
constexpr uint32_t kNumbers = 0xFFFF;  // the names $$$1.TMP .. $$$FFFF.TMP

}  // namespace

extern "C" {

OX_API int32_t oxwCreateDummyFileName(char *name, const char *path) {
    if (!name || !path) return 0;
    return ox::core::no_throw(0, [&] {
        std::string folder(std::strlen(path) + 1, '\0');
        oxGetFolderfromFullPath(folder.data(), path);
        folder.resize(std::strlen(folder.c_str()));
        if (folder.size() > kMaxFolder) return 0;
        // Numbers start from the clock and count up past the names already taken, as the system's
        // temporary names did.
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const auto start = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
        char candidate[kNameSize];
        for (uint32_t i = 0; i < kNumbers; ++i) {
            const uint32_t number = (start + i) % kNumbers + 1;
            std::snprintf(candidate, sizeof candidate, "%s$$$%X.TMP", folder.c_str(), number);
            const int fd = open(candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                close(fd);
                std::memcpy(name, candidate, std::strlen(candidate) + 1);
                return 1;
            }
            if (errno != EEXIST) return 0;
        }
        return 0;
    });
}

OX_API char *oxwChangeFileType(char *path, const char *extension) {
    if (!path) return nullptr;
    const ox::core::LeadBytes &lead = ox::core::active_lead_bytes();
    std::size_t end = std::strlen(path);
    std::size_t cut = 0;
    for (std::size_t i = end; i-- > 1;) {  // the first character is never the dot
        if (path[i] == '.' && !ox::core::is_double_byte_at(lead, path, path + i)) {
            cut = i + 1;
            break;
        }
    }
    if (cut == 0) {
        path[end] = '.';
        cut = end + 1;
    }
    const std::size_t n = extension ? std::strlen(extension) : 0;
    std::memmove(path + cut, extension ? extension : "", n);
    path[cut + n] = '\0';
    return path;
}

}  // extern "C"
