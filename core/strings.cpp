// Strings, paths and small utilities: the double-byte test, the save state, path pieces and
// length-prefixed strings.
//
// Path text is narrow and may be in a double-byte code page, so the searches for "." and the separators
// skip bytes that belong to a double-byte character (by the active page's lead bytes). Destination
// buffers are the caller's and are not checked; dst may be the source string itself.
#include <cstddef>
#include <cstring>
#include <string_view>

#include "core/codepage.h"
#include "ox.h"

namespace ox::core {
namespace {

constexpr std::size_t kMaxComponent = 255;

struct PathParts {
    std::string_view drive, dir, name, ext;
};

// A drive ("X:"), then the rest scanned forward with a lead byte taking its trail byte unexamined: the
// folder runs to the last separator ("\" or "/") included, the name to the last dot after it, the
// extension from that dot (included) to the end.
PathParts split_path(const LeadBytes &lead, const char *path) {
    PathParts parts;
    const char *rest = path;
    if (path[0] != '\0' && path[1] == ':') {
        parts.drive = std::string_view(path, 2);
        rest = path + 2;
    }
    std::size_t after_sep = 0, dot = std::string_view::npos, i = 0;
    while (rest[i] != '\0') {
        const char c = rest[i];
        if (lead.is_lead_byte(static_cast<uint8_t>(c))) {
            i += rest[i + 1] != '\0' ? 2 : 1;  // a lead byte at the very end stands alone
            continue;
        }
        if (c == '\\' || c == '/')
            after_sep = i + 1;
        else if (c == '.')
            dot = i;
        ++i;
    }
    const std::string_view all(rest, i);
    const bool has_ext = dot != std::string_view::npos && dot >= after_sep;
    parts.dir = all.substr(0, after_sep);
    parts.name = all.substr(after_sep, (has_ext ? dot : i) - after_sep);
    if (has_ext) parts.ext = all.substr(dot);
    return parts;
}

// The longest prefix of a path piece of at most 255 bytes that does not split a double-byte character
// (pieces start on a character boundary, so stepping from their start finds the boundaries).
std::string_view fit_component(const LeadBytes &lead, std::string_view s) {
    return s.substr(0, fit_prefix(lead, s, kMaxComponent));
}

// Appends a piece at `dst` (memmove: the piece may lie in the same buffer, never before `dst`).
char *put(char *dst, std::string_view s) {
    if (s.empty()) return dst;  // an absent piece has no data pointer to hand to memmove
    std::memmove(dst, s.data(), s.size());
    return dst + s.size();
}

}  // namespace
}  // namespace ox::core

using namespace ox::core;

extern "C" {

OX_API int32_t oxIsDoubleByteCheck(const char *p) {
    // The caller vouches for the two bytes before p, so the look-back is not bounded here.
    const LeadBytes &lead = active_lead_bytes();
    auto lead_at = [&](std::ptrdiff_t back) { return lead.is_lead_byte(static_cast<uint8_t>(p[-back])); };
    if (lead_at(0)) return 1;
    if (!lead_at(1)) return 0;
    return lead_at(2) ? 0 : 1;
}

OX_API void oxPushSave(uint32_t *state) {
    if (*state == 0)
        *state = 1;
    else if (*state == 1)
        *state = 2;
}

OX_API void oxPopSave(uint32_t *state) {
    if (*state == 1)
        *state = 0;
    else if (*state == 0)
        *state = 1;
}

OX_API int32_t oxCopyExtension(char *dst, const char *path) {
    const LeadBytes &lead = active_lead_bytes();
    const std::size_t len = std::strlen(path);
    for (std::size_t i = len; i-- > 0;) {
        if (path[i] == '.' && !is_double_byte_at(lead, path, path + i)) {
            std::memmove(dst, path + i + 1, len - i);  // with the terminator
            return 1;
        }
    }
    dst[0] = '\0';
    return 0;
}

OX_API void oxGetFileNameDelExt(char *dst, const char *name) {
    const LeadBytes &lead = active_lead_bytes();
    std::size_t i = 0;
    while (name[i] != '\0' && !(name[i] == '.' && !is_double_byte_at(lead, name, name + i))) ++i;
    std::memmove(dst, name, i);
    dst[i] = '\0';
}

OX_API void oxGetFileNamefromFullPath(char *dst, const char *path) {
    const LeadBytes &lead = active_lead_bytes();
    const PathParts parts = split_path(lead, path);
    char *end = put(dst, fit_component(lead, parts.name));
    end = put(end, fit_component(lead, parts.ext));
    *end = '\0';
}

OX_API void oxGetFolderfromFullPath(char *dst, const char *path) {
    const LeadBytes &lead = active_lead_bytes();
    const PathParts parts = split_path(lead, path);
    char *end = put(dst, parts.drive);
    end = put(end, fit_component(lead, parts.dir));
    *end = '\0';
}

OX_API void oxCopyStringPascalToC(char *dst, const unsigned char *src) {
    const std::size_t n = src[0];
    std::memmove(dst, src + 1, n);
    dst[n] = '\0';
}

OX_API void oxCopyStringCtoPascal(unsigned char *dst, const char *src) {
    std::size_t n = 0;
    while (n < 255 && src[n] != '\0') ++n;  // a longer string is cut to 255 characters
    std::memmove(dst + 1, src, n);
    dst[0] = static_cast<unsigned char>(n);
}

}  // extern "C"
