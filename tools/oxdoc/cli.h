// Small command-line helpers shared by oxdoc's commands.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "ox.h"

namespace oxdoc {

// Splits a command's arguments into positionals and options. `with_value` names the options that take a
// value ("-o"); every other argument starting with "-" is a flag. Returns false with a message on an
// unknown option or a missing value.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    bool has(const std::string &name) const;
    std::string value(const std::string &name) const;  // "" when absent
};
bool parse_args(const Args &args, const std::vector<std::string> &with_value,
                const std::vector<std::string> &flags, ParsedArgs &out, std::string &error);

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
