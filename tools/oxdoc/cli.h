// Small command-line helpers shared by oxdoc's commands.
#pragma once

#include <cstdio>
#include <string>

#include "commands.h"
#include "ox.h"

namespace oxdoc {

// Whether `path` can be read as an input: false with "PATH: is a directory", or with the library's words
// when it cannot be opened for reading ("PATH: no such file"). Pipes and devices are left to the reader.
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

// Writes bytes to a file through a temporary file in the same folder, renamed over the target once flushed.
bool write_file_atomic(const std::string &path, const void *data, size_t size, std::string &error);

// Makes a folder (and its parents) when missing.
bool ensure_dir(const std::string &path, std::string &error);

}  // namespace oxdoc
