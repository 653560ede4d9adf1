#include "store_cli.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

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
    char text[OX_MAX_ERROR_TEXT];
    oxGetErrorText(code, text, sizeof text);
    return text;
}

int report(const char *cmd, const std::string &file, const std::string &message, int exit_code) {
    std::fprintf(stderr, "oxdoc %s: %s: %s\n", cmd, file.c_str(), message.c_str());
    return exit_code;
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
