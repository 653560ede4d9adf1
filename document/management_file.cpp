// The management file: entries of (tag, length, text), little-endian, from offset 0 to the end of the file.
#include "document/management_file.h"

#include <cstdio>
#include <cstring>

#include "core/byte_order.h"
#include "core/errors.h"
#include "core/file_replace.h"

namespace ox::document {
namespace {

using core::FileGuard;
using core::open_exclusive;
using core::read_exact;
using core::seek_to;
using core::write_all;

using core::load_le32;
using core::store_le32;

// What a search learned about the file.
struct Found {
    uint64_t entry = 0;          // offset of the found entry
    uint32_t length = 0;         // its value length, when has_length
    bool has_length = false;     // the length field lies inside the file
    bool complete = false;       // the value lies inside the file too
    uint64_t sequence_end = 0;   // where the entries before a missing tag end: the append position
};

// Reads the heads of the entries from the start until the tag turns up. Returns 0 (code 0) when found,
// else 0x20010006 when the walk reaches the end of the file, or a system code. Every length is checked
// against the file before it is used: an entry that runs past the end of the file ends the walk, and only
// the entries before it count.
uint32_t search(OxFileHandle file, uint32_t tag, Found &found) {
    uint32_t err = 0;
    uint32_t size = oxGetFileSize(file);
    if (size == 0xFFFFFFFFu) return OX_ERROR_INVALID_HANDLE;
    if (!oxSeekFile(file, 0, 0, &err)) return err;
    uint64_t offset = 0;
    while (offset < size) {
        unsigned char head[8];
        uint32_t want = size - offset >= 8 ? 8u : static_cast<uint32_t>(size - offset);
        if (!read_exact(file, head, want, &err)) return err;
        if (want >= 4 && load_le32(head) == tag) {
            found.entry = offset;
            found.has_length = want == 8;
            found.length = found.has_length ? load_le32(head + 4) : 0;
            found.complete = found.has_length && offset + 8 + found.length <= size;
            return OX_ERROR_SUCCESS;
        }
        if (want < 8) break;
        uint64_t next = offset + 8 + load_le32(head + 4);
        if (next > size) break;
        if (!seek_to(file, next, &err)) return err;
        offset = next;
    }
    found.sequence_end = offset;
    return OX_ERR_TAG_NOT_FOUND;
}

// Reads the value of `tag` into `dst` (up to `limit` bytes plus a terminator).
int32_t read_value(const char *path, uint32_t tag, char *dst, uint32_t limit, uint32_t *err) {
    FileGuard file;
    if (!open_exclusive(path, file, OX_GENERIC_READ, OX_OPEN_EXISTING, err)) return 0;
    Found found;
    uint32_t code = search(file.get(), tag, found);
    if (code != OX_ERROR_SUCCESS) {
        *err = code;
        return 0;
    }
    if (!found.complete) {  // the entry is cut off by the end of the file
        *err = OX_ERROR_HANDLE_EOF;
        return 0;
    }
    if (found.length > limit) {
        *err = OX_ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    char text[kMaxValueLength + 1];
    if (!seek_to(file.get(), found.entry + 8, err) || !read_exact(file.get(), text, found.length, err)) return 0;
    file.close();
    text[found.length] = '\0';
    std::memcpy(dst, text, found.length + 1);
    *err = OX_ERROR_SUCCESS;
    return 1;
}

// Writes one whole entry at `offset` and makes it the end of the file. On failure the partial entry is cut
// off again, so the file stays the well-formed sequence it was.
int32_t append_entry(OxFileHandle file, uint64_t offset, const unsigned char *entry, uint32_t size, uint32_t *err) {
    if (!seek_to(file, offset, err)) return 0;
    bool written = write_all(file, entry, size, err);
    if (written && oxSetEndOfFile(file)) return 1;
    uint32_t code = written ? core::last_error() : *err;
    uint32_t ignored;
    if (seek_to(file, offset, &ignored)) oxSetEndOfFile(file);
    *err = code;
    return 0;
}

}  // namespace

// %d of a 32-bit accumulation: optional white space, an optional sign, then digits; digits beyond the
// range wrap. Returns false (nothing stored) when no digit follows.
bool scan_decimal(const char *text, int32_t &value) {
    const char *p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (*p < '0' || *p > '9') return false;
    uint32_t v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) v = v * 10u + static_cast<uint32_t>(*p - '0');
    value = static_cast<int32_t>(negative ? 0u - v : v);
    return true;
}

int32_t add_tag_string(const char *path, uint32_t tag, const char *value, uint32_t *err) {
    std::size_t n = strnlen(value, kMaxValueLength + 1);
    if (n > kMaxValueLength) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    unsigned char entry[8 + kMaxValueLength];
    store_le32(entry, tag);
    store_le32(entry + 4, static_cast<uint32_t>(n));
    std::memcpy(entry + 8, value, n);
    const uint32_t entry_size = static_cast<uint32_t>(8 + n);

    FileGuard file;
    if (!open_exclusive(path, file, OX_GENERIC_READ | OX_GENERIC_WRITE, OX_OPEN_EXISTING, err)) return 0;
    Found found;
    uint32_t code = search(file.get(), tag, found);
    if (code == OX_ERR_TAG_NOT_FOUND) {
        // Appended behind the last whole entry; a cut-off entry there (from a write that never finished)
        // could not be read anyway and would swallow the new one, so it is overwritten.
        if (!append_entry(file.get(), found.sequence_end, entry, entry_size, err)) return 0;
    } else if (code != OX_ERROR_SUCCESS) {
        *err = code;
        return 0;
    } else if (found.complete && found.length == n) {
        // Same length: the length field and text are written over the old ones; nothing else moves.
        if (!seek_to(file.get(), found.entry + 4, err) || !write_all(file.get(), entry + 4, entry_size - 4, err))
            return 0;
    } else {
        // Another length: the file is written anew beside the old one (the entries before, this entry, the
        // entries behind) and renamed over it, while the old file stays locked.
        uint64_t tail = found.complete ? found.entry + 8 + found.length : 0;
        uint32_t size = oxGetFileSize(file.get());
        core::Replacement replacement;
        if (!replacement.begin(path, core::Special::refuse, err) ||
            !replacement.copy_from(file.get(), 0, found.entry, err) ||
            !replacement.write(entry, entry_size, err) ||
            (found.complete && !replacement.copy_from(file.get(), tail, size - tail, err)) ||
            !replacement.commit(file.get(), true, err))
            return 0;
    }
    if (!file.close()) {
        *err = core::last_error();
        return 0;
    }
    *err = OX_ERROR_SUCCESS;
    return 1;
}

}  // namespace ox::document

using namespace ox::document;

extern "C" {

OX_API uint32_t oxCreateManagementFile(const char *path, uint32_t creator, uint32_t *err) {
    // The new file is made whole beside the old one and renamed over it: tag 0 with the value "0".
    static constexpr unsigned char kFresh[] = {0, 0, 0, 0, 1, 0, 0, 0, '0'};
    return ox::core::replace_file(path, kFresh, sizeof kFresh, err) ? 1u : 0u;
}

OX_API uint32_t oxManagementFileAddTagString(const char *path, uint32_t tag, const char *value, uint32_t *err) {
    if (!path || !value) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    return add_tag_string(path, tag, value, err) ? 1u : 0u;
}

OX_API uint32_t oxManagementFileAddTagInt(const char *path, uint32_t tag, int32_t value, uint32_t *err) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return oxManagementFileAddTagString(path, tag, text, err);
}

OX_API uint32_t oxManagementFileGetTagString(const char *path, uint32_t tag, char *dst, uint32_t *err) {
    if (!path || !dst) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    return read_value(path, tag, dst, kMaxValueLength, err) ? 1u : 0u;
}

OX_API int32_t oxManagementFileGetTagInt(const char *path, uint32_t tag, int32_t *value, uint32_t *err) {
    if (!path || !value) {
        *err = OX_ERROR_INVALID_PARAMETER;
        return 0;
    }
    char text[kMaxIntegerLength + 1];
    if (!read_value(path, tag, text, kMaxIntegerLength, err)) return 0;
    scan_decimal(text, *value);
    return 1;
}

}  // extern "C"
