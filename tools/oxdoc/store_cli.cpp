#include "store_cli.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "commands.h"
#include "ox.h"

namespace oxdoc::store {

bool parse_u32(const std::string &text, uint32_t &value) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char *end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || end == text.c_str() + (hex ? 2 : 0) || v > 0xFFFFFFFFull) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool parse_i32(const std::string &text, int32_t &value) {
    if (text.empty() || text[0] == ' ') return false;
    char *end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || end == text.c_str() || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

std::string error_text(uint32_t code) {
    const char *what;
    switch (code) {
    case OX_ERROR_FILE_NOT_FOUND: what = "no such file"; break;
    case OX_ERROR_PATH_NOT_FOUND: what = "no such folder"; break;
    case OX_ERROR_ACCESS_DENIED: what = "access denied (a read-only file, or a folder)"; break;
    case OX_ERROR_SHARING_VIOLATION: what = "the file is in use by another program; try again"; break;
    case OX_ERROR_HANDLE_EOF: what = "the file is damaged: an entry runs past its end"; break;
    case OX_ERROR_INVALID_PARAMETER: what = "invalid argument (a value longer than 255 bytes?)"; break;
    case OX_ERROR_DISK_FULL: what = "the disk is full"; break;
    case OX_ERROR_INSUFFICIENT_BUFFER: what = "the stored value is too long to read"; break;
    case OX_ERROR_FILE_TOO_LARGE: what = "file size limit reached"; break;
    case OX_ERROR_INVALID_HANDLE: what = "invalid handle"; break;
    case OX_ERROR_NOT_ENOUGH_MEMORY: what = "not enough memory"; break;
    case OX_ERROR_FILE_EXISTS:
    case OX_ERROR_ALREADY_EXISTS: what = "already exists"; break;
    case OX_ERR_NOT_TAGGED_DOCUMENT: what = "not a tagged document, or the tag is not in it"; break;
    case OX_ERR_TAG_NOT_FOUND: what = "no such tag in the file"; break;
    case OX_ERR_CHART_SIZE: what = "not a colour chart: the file is not 28162 bytes long"; break;
    case OX_ERR_CHART_HEADER: what = "not a colour chart: the file does not begin with 00 64"; break;
    case 0: what = "no reason given (invalid input, such as an unsupported image)"; break;
    default: what = "failed"; break;
    }
    char buf[160];
    std::snprintf(buf, sizeof buf, code >= 0x20010000u ? "%s (0x%08" PRIX32 ")" : "%s (%" PRIu32 ")", what, code);
    return buf;
}

int report(const char *cmd, const std::string &file, const std::string &message, int exit_code) {
    std::fprintf(stderr, "oxdoc %s: %s: %s\n", cmd, file.c_str(), message.c_str());
    return exit_code;
}

int usage_error(const char *cmd, const std::string &message, const char *usage) {
    std::fprintf(stderr, "oxdoc %s: %s\n\n%s", cmd, message.c_str(), usage);
    return kUsage;
}

std::string escaped(const char *bytes, std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

}  // namespace oxdoc::store
