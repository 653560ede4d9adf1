// The file version of a program or library, and the system kind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/codepage.h"
#include "core/no_throw.h"
#include "oxw.h"
#include "win/version_info.h"

namespace ox::win::version {

bool ByteSource::read_bytes(uint64_t offset, std::size_t count, std::vector<uint8_t> *out) const {
    if (offset > size() || count > size() - offset) return false;  // before allocating: hostile sizes
    out->resize(count);
    return read(offset, out->data(), count);
}

bool MemorySource::read(uint64_t offset, void *dst, std::size_t count) const {
    if (offset > size_ || count > size_ - offset) return false;
    if (count) std::memcpy(dst, data_ + offset, count);
    return true;
}

const std::string *VersionInfo::find(std::string_view path) const {
    auto same = [&](const std::string &p) {
        return p.size() == path.size() && std::equal(p.begin(), p.end(), path.begin(), [](char a, char b) {
                   auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
                   return low(a) == low(b);
               });
    };
    auto it = std::find_if(values.begin(), values.end(), [&](const auto &v) { return same(v.first); });
    return it == values.end() ? nullptr : &it->second;
}

bool file_version_text(const VersionInfo &info, std::string *text) {
    const std::string *translation = info.find("\\VarFileInfo\\Translation");
    if (!translation || translation->size() < 4) return false;
    const auto *t = reinterpret_cast<const uint8_t *>(translation->data());
    const unsigned language = t[0] | t[1] << 8, code_page = t[2] | t[3] << 8;
    char path[64];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\FileVersion", language, code_page);
    const std::string *found = info.find(path);
    if (!found) return false;
    *text = *found;
    return true;
}

namespace {

// A regular file read with pread.
class FileSource : public ByteSource {
public:
    explicit FileSource(const char *path) : fd_(open(path, O_RDONLY | O_CLOEXEC)) {
        struct stat st;
        if (fd_ >= 0 && fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<uint64_t>(st.st_size);
    }
    ~FileSource() override {
        if (fd_ >= 0) close(fd_);
    }
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, void *dst, std::size_t count) const override {
        if (offset > size_ || count > size_ - offset) return false;
        for (std::size_t done = 0; done < count;) {
            const ssize_t n =
                pread(fd_, static_cast<uint8_t *>(dst) + done, count - done, static_cast<off_t>(offset + done));
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
    uint64_t size_ = 0;
};

}  // namespace
}  // namespace ox::win::version

using namespace ox::win::version;

extern "C" {

OX_API int32_t oxwGetFileVersion(const char *path, char *version, uint32_t *err) {
    if (!path || !version) return 1;
    const int32_t ok = ox::core::no_throw(0, [&] {
        const FileSource file(path);
        VersionInfo info;
        std::string text;
        if ((read_elf_version(file, &info) || read_pe_version(file, &info)) && file_version_text(info, &text)) {
            const std::size_t n = ox::core::fit_prefix(ox::core::active_lead_bytes(), text, OXW_FILE_VERSION_SIZE - 1);
            std::memcpy(version, text.data(), n);
            version[n] = '\0';
        }
        return 1;
    });
    if (!ok) *err = OX_ERROR_NOT_ENOUGH_MEMORY;
    return ok;
}

OX_API int32_t oxwGetOSVersion(void) { return 0; }

}  // extern "C"
