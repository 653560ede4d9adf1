// oxGetErrorText: every code that ox.h and oxw.h name, in words a message can put after a file name.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "ox.h"
#include "oxw.h"

namespace ox::core {
namespace {

struct CodeText {
    uint32_t code;
    const char *text;
};

// One row per named code. Texts say what went wrong in the user's terms, lower case, without a stop.
constexpr CodeText kTexts[] = {
    {OX_ERROR_SUCCESS, "no error code (invalid arguments)"},
    {OX_ERROR_INVALID_FUNCTION, "function not supported"},
    {OX_ERROR_FILE_NOT_FOUND, "no such file"},
    {OX_ERROR_PATH_NOT_FOUND, "no such folder"},
    {OX_ERROR_TOO_MANY_OPEN_FILES, "too many open files"},
    {OX_ERROR_ACCESS_DENIED, "access denied"},
    {OX_ERROR_INVALID_HANDLE, "invalid handle"},
    {OX_ERROR_NOT_ENOUGH_MEMORY, "not enough memory"},
    {OX_ERROR_INVALID_DATA, "invalid data: the block or file does not hold up"},
    {OX_ERROR_NOT_SAME_DEVICE, "cannot move to another device"},
    {OX_ERROR_NOT_READY, "nobody reads the FIFO, or the device is not there"},
    {OX_ERROR_WRITE_FAULT, "write fault"},
    {OX_ERROR_READ_FAULT, "read fault"},
    {OX_ERROR_GEN_FAILURE, "the system call failed"},
    {OX_ERROR_SHARING_VIOLATION, "the file is in use by another program; try again"},
    {OX_ERROR_LOCK_VIOLATION, "part of the file is locked"},
    {OX_ERROR_HANDLE_EOF, "the file ends early: damaged or truncated"},
    {OX_ERROR_NOT_SUPPORTED, "not supported"},
    {OX_ERROR_FILE_EXISTS, "the file exists"},
    {OX_ERROR_INVALID_PARAMETER, "invalid argument"},
    {OX_ERROR_BROKEN_PIPE, "the reader of the pipe has gone"},
    {OX_ERROR_DISK_FULL, "the disk is full"},
    {OX_ERROR_INSUFFICIENT_BUFFER, "the stored value is too long for the buffer"},
    {OX_ERROR_INVALID_NAME, "invalid file name (or too many symbolic links)"},
    {OX_ERROR_NEGATIVE_SEEK, "position before the start of the file"},
    {OX_ERROR_DIR_NOT_EMPTY, "the folder is not empty"},
    {OX_ERROR_BUSY, "busy"},
    {OX_ERROR_ALREADY_EXISTS, "already exists"},
    {OX_ERROR_NO_MORE_ITEMS, "no room for another entry"},
    {OX_ERROR_FILENAME_EXCED_RANGE, "file name too long"},
    {OX_ERROR_FILE_TOO_LARGE, "file too large"},
    {OX_ERROR_MORE_DATA, "the name does not fit the buffer"},
    {OX_ERROR_NOACCESS, "invalid memory access"},
    {OX_ERROR_KEY_DELETED, "the settings key was deleted while open"},
    {OX_ERROR_INVALID_WINDOW_HANDLE, "invalid window handle"},
    {OX_ERROR_RESOURCE_NAME_NOT_FOUND, "no such resource"},
    {OX_ERROR_NOT_ENOUGH_QUOTA, "quota exceeded: too many waiting"},
    {OX_ERR_NOT_TAGGED_DOCUMENT, "not a tagged document, or no such tag in it"},
    {OX_ERR_CHART_HEADER, "not a colour chart: it does not begin with 00 64"},
    {OX_ERR_CHART_SIZE, "not a colour chart: it is not 28162 bytes long"},
    {OX_ERR_POLYGON_TOO_SMALL, "polygon too small: under 2 pixels wide or high once clipped"},
    {OX_ERR_TAG_NOT_FOUND, "no such tag in the management file"},
};

constexpr bool fits(const char *s, uint32_t n) { return *s == '\0' || (n > 1 && fits(s + 1, n - 1)); }
constexpr bool all_fit() {
    for (const CodeText &t : kTexts)
        if (!fits(t.text, OX_MAX_ERROR_TEXT)) return false;
    return true;
}
static_assert(all_fit(), "every text fits OX_MAX_ERROR_TEXT with its terminator");

const char *text_of(uint32_t code) {
    for (const CodeText &t : kTexts)
        if (t.code == code) return t.text;
    return nullptr;
}

}  // namespace
}  // namespace ox::core

extern "C" OX_API uint32_t oxGetErrorText(uint32_t code, char *buffer, uint32_t size) {
    char other[OX_MAX_ERROR_TEXT];
    const char *text = ox::core::text_of(code);
    if (!text) {
        if ((code >> 16) == 0x2001u) std::snprintf(other, sizeof other, "unknown library error 0x%08" PRIX32, code);
        else std::snprintf(other, sizeof other, "system error %" PRIu32, code);
        text = other;
    }
    const auto length = static_cast<uint32_t>(std::strlen(text));
    if (size > 0) {
        const uint32_t n = length < size ? length : size - 1;
        std::memcpy(buffer, text, n);
        buffer[n] = '\0';
    }
    return length;
}
