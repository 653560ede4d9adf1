// Internal view of the file handles: the descriptor behind a handle, and a guard that closes a handle on
// every path out of a scope.
#pragma once

#include <climits>
#include <cstdint>

#include "ox.h"

namespace ox::core {

// The descriptor behind a file handle, or -1 for 0, OX_INVALID_FILE and values that cannot be one. 0 is
// never handed out (oxOpenFile moves a descriptor 0 off), so it cannot name an open file of ours.
inline int fd_of(OxFileHandle file) {
    if (file == 0 || file > static_cast<OxFileHandle>(INT_MAX)) return -1;
    return static_cast<int>(file);
}

// oxChangeFileName's rename and its code (0 on success), without the test for exclusive holders: for a
// caller that holds the file itself.
uint32_t rename_no_replace(const char *new_path, const char *old_path);

// Owns an open file handle and closes it at the end of scope (OX_INVALID_FILE when empty).
class FileGuard {
public:
    FileGuard() = default;
    explicit FileGuard(OxFileHandle file) : file_(file) {}
    ~FileGuard() { close(); }
    FileGuard(const FileGuard &) = delete;
    FileGuard &operator=(const FileGuard &) = delete;

    OxFileHandle get() const { return file_; }
    // Where oxOpenFile stores the handle; whatever the guard held before is closed first.
    OxFileHandle *out() {
        close();
        return &file_;
    }
    OxFileHandle release() {
        OxFileHandle f = file_;
        file_ = OX_INVALID_FILE;
        return f;
    }
    // Closes now; non-zero when the close succeeded (or there was nothing to close).
    int32_t close() {
        if (file_ == OX_INVALID_FILE) return 1;
        int32_t ok = oxCloseFile(file_);
        file_ = OX_INVALID_FILE;
        return ok;
    }
    explicit operator bool() const { return file_ != OX_INVALID_FILE; }

private:
    OxFileHandle file_ = OX_INVALID_FILE;
};

}  // namespace ox::core
