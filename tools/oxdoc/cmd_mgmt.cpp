// `oxdoc mgmt FILE create | ls | get TAG [--int] | set TAG VALUE [--int]`: read and write management files.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "ox.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

using store::report;

constexpr const char *kUsageText =
    "usage: oxdoc mgmt FILE create                 make a new management file (tag 0 = \"0\")\n"
    "       oxdoc mgmt FILE ls                     list every entry: tag and value\n"
    "       oxdoc mgmt FILE get TAG [--int]        print the value of TAG\n"
    "       oxdoc mgmt FILE set TAG VALUE [--int]  store VALUE under TAG (added when new)\n"
    "TAG is decimal or 0x hex, 0 to 0xFFFFFFFF. --int reads or stores a signed 32-bit number.\n"
    "Values are at most 255 bytes. \"--\" ends the options (for a VALUE that starts with \"--\").\n";

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

int cmd_mgmt(const Args &args) {
    bool as_int = false, options_done = false;
    std::vector<std::string> pos;
    for (const std::string &a : args) {
        if (!options_done && a == "--") options_done = true;
        else if (!options_done && a == "--int") as_int = true;
        else if (!options_done && (a == "-h" || a == "--help")) {
            std::fputs(kUsageText, stdout);
            return kOk;
        } else if (!options_done && a.size() > 2 && a.compare(0, 2, "--") == 0)
            return store::usage_error("mgmt", "unknown option " + a, kUsageText);
        else pos.push_back(a);
    }
    if (pos.size() < 2) return store::usage_error("mgmt", "missing FILE or action", kUsageText);
    const std::string &path = pos[0], &action = pos[1];
    const std::size_t want = action == "set" ? 4 : action == "get" ? 3 : 2;
    if (action != "create" && action != "ls" && action != "get" && action != "set")
        return store::usage_error("mgmt", "unknown action '" + action + "'", kUsageText);
    if (pos.size() != want) return store::usage_error("mgmt", "wrong number of arguments for " + action, kUsageText);
    if (as_int && (action == "create" || action == "ls"))
        return store::usage_error("mgmt", "--int goes with get and set", kUsageText);

    uint32_t err = 0;
    if (action == "create") {
        if (!oxCreateManagementFile(path.c_str(), 0, &err)) return report("mgmt", path, store::error_text(err), kFailed);
        return kOk;
    }
    if (action == "ls") return list(path);
    uint32_t tag = 0;
    if (!store::parse_u32(pos[2], tag))
        return store::usage_error("mgmt", "'" + pos[2] + "' is not a tag (decimal or 0x hex, 32 bits)", kUsageText);
    if (action == "get") return get(path, tag, as_int);

    const std::string &value = pos[3];
    uint32_t ok;
    if (as_int) {
        int32_t number = 0;
        if (!store::parse_i32(value, number))
            return store::usage_error("mgmt", "'" + value + "' is not a signed 32-bit number", kUsageText);
        ok = oxManagementFileAddTagInt(path.c_str(), tag, number, &err);
    } else {
        if (value.size() > 255)
            return report("mgmt", path, "the value is " + std::to_string(value.size()) + " bytes; at most 255 fit",
                          kFailed);
        ok = oxManagementFileAddTagString(path.c_str(), tag, value.c_str(), &err);
    }
    if (!ok) return report("mgmt", path, "tag " + std::to_string(tag) + ": " + store::error_text(err), kFailed);
    return kOk;
}

}  // namespace oxdoc
