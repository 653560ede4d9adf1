// Small command-line helpers shared by oxdoc's commands.
#pragma once

#include <cstdio>
#include <string>

#include "commands.h"
#include "ox.h"

namespace oxdoc {

// Whether `path` can be read as an input (open_input in file_io.h): false with "PATH: is a directory",
// "PATH: not a regular file (a FIFO)", or the library's words when it cannot be opened ("PATH: no such
// file").
bool check_input(const std::string &path, std::string &error);

// Prints "oxdoc CMD: message" to stderr and returns kFailed (or `code`).
int fail(const char *cmd, const std::string &message, int code = kFailed);

// Owns a library handle (image or memory block).
class OwnedHandle {
public:
    explicit OwnedHandle(OxHandle h = 0) : h_(h) {}
    ~OwnedHandle() { oxFree(h_); }
    OwnedHandle(const OwnedHandle &) = delete;
    OwnedHandle &operator=(const OwnedHandle &) = delete;
    OxHandle get() const { return h_; }
    explicit operator bool() const { return h_ != 0; }

private:
    OxHandle h_;
};

// The largest picture or image tag, in pixels, that oxdoc decodes (--max-pixels; 0 = no limit). Setting it
// sets the library's image limit too, so that no image above it is ever allocated.
constexpr uint64_t kDefaultMaxPixels = 1ull << 28;  // 268 million: 16384 x 16384
uint64_t max_pixels();
void set_max_pixels(uint64_t pixels);

// Makes a folder (and its parents) when missing.
bool ensure_dir(const std::string &path, std::string &error);

}  // namespace oxdoc
