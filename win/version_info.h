// Version records of program files, as the file-version lookup sees them: values by path
// ("\VarFileInfo\Translation", "\StringFileInfo\040904b0\FileVersion", ...), whatever the file kind.
// Two readers fill one: the note of an ELF file (version_elf.cpp) and the version resource of a PE file
// (version_pe.cpp). Both read through a ByteSource that checks every offset and size against the file, and
// read at most about a MiB of any file, however large it claims its parts to be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ox::win::version {

// Bytes of a file or of memory; read() fails for a range that does not lie wholly inside.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    virtual bool read(uint64_t offset, void *dst, std::size_t count) const = 0;
    // `count` bytes at `offset` into `out`; false when they are not all there.
    bool read_bytes(uint64_t offset, std::size_t count, std::vector<uint8_t> *out) const;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, void *dst, std::size_t count) const override;

private:
    const uint8_t *data_;
    std::size_t size_;
};

// The largest record either reader takes; a PE version resource cannot be larger (its length is 16 bits).
inline constexpr std::size_t kMaxRecord = 0x10000;

struct VersionInfo {
    // Paths as the file spells them, values as bytes: text without its terminator, the translation as
    // 4-byte entries (language in the low 16 bits, code page in the high 16, little-endian).
    std::vector<std::pair<std::string, std::string>> values;
    // The value of `path`, compared without regard to ASCII case; null when there is none.
    const std::string *find(std::string_view path) const;
};

// Fill `info` and return true when the file is of the reader's kind and holds a record that holds up.
bool read_elf_version(const ByteSource &file, VersionInfo *info);
bool read_pe_version(const ByteSource &file, VersionInfo *info);

// The file version text: the first translation's language and code page name the string table
// "\StringFileInfo\%04x%04x", whose "FileVersion" is the text. False when any step finds nothing.
bool file_version_text(const VersionInfo &info, std::string *text);

}  // namespace ox::win::version
