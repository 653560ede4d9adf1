// `oxdoc mgmt FILE create [--force] | ls | get TAG [--int] | set TAG VALUE [--int]`: read and write management files.
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "command_line.h"
#include "commands.h"
#include "file_io.h"
#include "ox.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

using store::report;

constexpr uint32_t kListLimit = 64u << 20;  // far beyond any management file; refuses absurd ones

uint32_t le32(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// Reads the whole file through a shared open, so that no writer of the library is at work meanwhile.
bool read_whole(const std::string &path, std::vector<unsigned char> &bytes, std::string &error) {
    uint32_t err = 0;
    OxFileHandle file;
    if (!oxOpenFile(path.c_str(), &file, OX_GENERIC_READ, OX_FILE_SHARE_READ, OX_OPEN_EXISTING,
                    OX_FILE_ATTRIBUTE_NORMAL, 0, 0, &err)) {
        error = store::error_text(err);
        return false;
    }
    uint32_t size = oxGetFileSize(file);
    bool ok = size <= kListLimit;
    if (!ok) error = "too large for a management file (" + std::to_string(size) + " bytes)";
    uint32_t done = 0;
    if (ok) {
        bytes.resize(size);
        ok = oxReadFile(file, bytes.data(), size, &done, &err) && done == size;
        if (!ok) error = "read failed: " + store::error_text(err ? err : OX_ERROR_HANDLE_EOF);
    }
    oxCloseFile(file);
    return ok;
}

// Walks the entries itself, checking each length against the file, and prints them.
int list(const std::string &path) {
    std::vector<unsigned char> b;
    std::string error;
    if (!read_whole(path, b, error)) return report("mgmt", path, error, kFailed);
    std::size_t off = 0;
    while (off < b.size()) {
        std::size_t left = b.size() - off;
        if (left < 8)
            return report("mgmt", path,
                          "damaged: " + std::to_string(left) + " bytes at offset " + std::to_string(off) +
                              " are not a whole entry head",
                          kFailed);
        uint32_t tag = le32(&b[off]), n = le32(&b[off + 4]);
        if (n > left - 8)
            return report("mgmt", path,
                          "damaged: the entry at offset " + std::to_string(off) + " (tag " + std::to_string(tag) +
                              ") claims " + std::to_string(n) + " bytes, " + std::to_string(left - 8) + " are left",
                          kFailed);
        std::printf("0x%08" PRIX32 " %10" PRIu32 "  \"%s\"%s\n", tag, tag,
                    store::escaped(reinterpret_cast<const char *>(&b[off + 8]), n).c_str(),
                    n > 255 ? "  (longer than 255 bytes: the library refuses to read it)" : "");
        off += 8 + n;
    }
    return kOk;
}

bool starts_with_number(const char *p) {
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    if (*p == '-' || *p == '+') ++p;
    return *p >= '0' && *p <= '9';
}

int get(const std::string &path, uint32_t tag, bool as_int) {
    char text[256];
    uint32_t err = 0;
    if (!oxManagementFileGetTagString(path.c_str(), tag, text, &err))
        return report("mgmt", path, "tag " + std::to_string(tag) + ": " + store::error_text(err), kFailed);
    if (!as_int) {
        std::printf("%s\n", text);
        return kOk;
    }
    if (!starts_with_number(text))
        return report("mgmt", path, "tag " + std::to_string(tag) + ": the value \"" +
                                        store::escaped(text, std::strlen(text)) + "\" is not a number", kFailed);
    int32_t value = 0;
    if (!oxManagementFileGetTagInt(path.c_str(), tag, &value, &err))
        return report("mgmt", path, "tag " + std::to_string(tag) + ": " + store::error_text(err), kFailed);
    std::printf("%" PRId32 "\n", value);
    return kOk;
}

}  // namespace

int cmd_mgmt(const Invocation &inv) {
    const std::vector<std::string> &pos = inv.positional;
    const std::string &path = pos[0], &action = pos[1];
    const bool as_int = inv.has("--int");
    const std::size_t want = action == "set" ? 4 : action == "get" ? 3 : 2;
    if (action != "create" && action != "ls" && action != "get" && action != "set")
        return inv.usage_error("unknown action '" + action + "'");
    if (pos.size() != want) return inv.usage_error("wrong number of arguments for " + action);
    if (as_int && action != "get" && action != "set") return inv.usage_error("--int goes with get and set");
    if (inv.has("--force") && action != "create") return inv.usage_error("--force goes with create");

    std::string error;
    uint32_t err = 0;
    if (action == "create") {
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return report("mgmt", path, "is a directory", kFailed);
        if (lstat(path.c_str(), &st) == 0 && !inv.has("--force"))
            return report("mgmt", path, "already exists; --force replaces it", kFailed);
        if (!oxCreateManagementFile(path.c_str(), 0, &err)) return fail("mgmt", file_error(path, err));
        std::printf("%s: created, tag 0 = \"0\"\n", path.c_str());
        return kOk;
    }
    if (!check_input(path, error)) return fail("mgmt", error);
    if (action == "ls") return list(path);
    uint32_t tag = 0;
    if (!store::parse_u32(pos[2], tag))
        return inv.usage_error("'" + pos[2] + "' is not a tag (decimal or 0x hex, 32 bits)");
    if (action == "get") return get(path, tag, as_int);

    const std::string &value = pos[3];
    uint32_t ok;
    if (as_int) {
        int32_t number = 0;
        if (!store::parse_i32(value, number)) return inv.usage_error("'" + value + "' is not a signed 32-bit number");
        ok = oxManagementFileAddTagInt(path.c_str(), tag, number, &err);
    } else {
        if (value.size() > 255)
            return report("mgmt", path, "the value is " + std::to_string(value.size()) + " bytes; at most 255 fit",
                          kFailed);
        ok = oxManagementFileAddTagString(path.c_str(), tag, value.c_str(), &err);
    }
    if (!ok) return report("mgmt", path, "tag " + std::to_string(tag) + ": " + store::error_text(err), kFailed);
    std::printf("%s: tag %" PRIu32 " = \"%s\"\n", path.c_str(), tag,
                store::escaped(value.data(), value.size()).c_str());
    return kOk;
}

}  // namespace oxdoc
