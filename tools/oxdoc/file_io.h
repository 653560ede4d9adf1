// How oxdoc opens what it reads and writes what it makes. Inputs must be regular files and are opened
// without blocking, so a FIFO or a device given as a document or picture is refused instead of waited on.
// Outputs are written whole beside their target and renamed over it (the library's one whole-file
// helper), a device or FIFO in place, and "-" is standard output for the commands that make one stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "core/file_replace.h"

namespace oxdoc {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using InputFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` for reading. On failure returns null with "PATH: reason" in `error`: "is a directory",
// "not a regular file (a FIFO)", or the library's words for a file that cannot be opened ("no such file").
InputFile open_input(const std::string &path, std::string &error);

// Whether an output named `path` is standard output: "-", or a name of the file standard output is
// (/dev/stdout). A command then leaves its status line off standard output, so the stream stays whole.
bool is_stdout(const std::string &path);

// "PATH: reason" for a code of the library's file calls; a refused non-regular target says what it is.
std::string file_error(const std::string &path, uint32_t code);

// One output file. A failure before commit() leaves the target as it was and nothing beside it.
class Output {
public:
    // "-" is standard output; the caller refuses it where the output is not one stream.
    bool open(const std::string &path, std::string &error);
    bool write(const void *data, std::size_t size, std::string &error);
    bool commit(std::string &error);
    bool to_stdout() const { return to_stdout_; }

private:
    std::string path_;
    ox::core::Replacement file_;
    bool to_stdout_ = false;
};

// open, write and commit in one.
bool write_output(const std::string &path, const void *data, std::size_t size, std::string &error);

}  // namespace oxdoc
