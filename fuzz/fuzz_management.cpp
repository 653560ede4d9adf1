// The management file reader and writer on arbitrary file contents. The input is the file; the tags asked
// for come from the input (its first and last four bytes, and 0), and so do the tag and value of one add.
// Beyond not crashing: every read must agree with a plain walk of the input bytes, and after the add the
// tag must read back as the value given while the entries in front of it keep their bytes.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/management_file.h"
#include "ox.h"
#include "fuzz_support.h"

namespace {

using ox::core::load_le32;

// The first entry of `tag` by a walk of the bytes: its offset, and whether its length field and value lie
// inside the input. Not found when the walk meets the end (or a cut-off entry) first, with the offset where
// it stopped: the end of the last whole entry.
struct Entry {
    bool found;
    std::size_t offset;
    bool complete;
    uint32_t length;
};
Entry find(const uint8_t *data, std::size_t size, uint32_t tag) {
    std::size_t off = 0;
    while (off + 4 <= size) {
        const bool has_length = off + 8 <= size;
        const uint32_t n = has_length ? load_le32(data + off + 4) : 0;
        const bool complete = has_length && n <= size - off - 8;
        if (load_le32(data + off) == tag) return {true, off, complete, n};
        if (!complete) break;
        off += 8 + n;
    }
    return {false, off, false, 0};
}

const std::string kPath = oxfuzz::scratch_file("management");

void check_read(const uint8_t *data, std::size_t size, uint32_t tag) {
    const char *path = kPath.c_str();
    char text[256];
    uint32_t err = 0;
    const Entry e = find(data, size, tag);
    uint32_t ok = oxManagementFileGetTagString(path, tag, text, &err);
    if (!e.found) {
        FUZZ_CHECK(!ok && err == OX_ERR_TAG_NOT_FOUND);
    } else if (!e.complete) {
        FUZZ_CHECK(!ok && err == OX_ERROR_HANDLE_EOF);
    } else if (e.length > ox::document::kMaxValueLength) {
        FUZZ_CHECK(!ok && err == OX_ERROR_INSUFFICIENT_BUFFER);
    } else {
        FUZZ_CHECK(ok && err == 0 && std::memcmp(text, data + e.offset + 8, e.length) == 0 && text[e.length] == 0);
    }
    int32_t value = 12345, expect = 12345;
    int32_t int_ok = oxManagementFileGetTagInt(path, tag, &value, &err);
    FUZZ_CHECK(int_ok == (e.found && e.complete && e.length <= ox::document::kMaxIntegerLength ? 1 : 0));
    if (int_ok) {
        ox::document::scan_decimal(text, expect);
        FUZZ_CHECK(value == expect);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 1 << 20) return 0;
    oxfuzz::write_file(kPath, data, size);
    const char *path = kPath.c_str();
    check_read(data, size, 0);
    if (size >= 4) {
        check_read(data, size, load_le32(data));
        check_read(data, size, load_le32(data + size - 4));
    }

    // One add: the tag from the last four bytes (so that it is often present), the value from the first
    // bytes up to a zero, at most 40 of them.
    uint32_t tag = size >= 4 ? load_le32(data + size - 4) : 7;
    const char *chars = reinterpret_cast<const char *>(data);
    std::string value(chars, strnlen(chars, std::min<std::size_t>(size, 40)));
    const Entry before = find(data, size, tag);
    uint32_t err = 0;
    FUZZ_CHECK(oxManagementFileAddTagString(path, tag, value.c_str(), &err) == 1);
    char text[256];
    FUZZ_CHECK(oxManagementFileGetTagString(path, tag, text, &err) == 1 && value == text);
    // Everything in front of the changed (or appended) entry is untouched.
    std::ifstream in(kPath, std::ios::binary);
    const std::vector<uint8_t> after{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::size_t kept = before.offset;  // the entry found, or behind the last whole entry
    FUZZ_CHECK(after.size() >= kept + 8 + value.size() && std::memcmp(after.data(), data, kept) == 0);
    return 0;
}
