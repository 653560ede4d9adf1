#include "cli.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "store_cli.h"

namespace oxdoc {

bool check_input(const std::string &path, std::string &error) {
    struct stat st;
    const bool exists = stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        error = path + ": is a directory";
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) return true;  // a pipe or a device is left to its reader
    // Opened through the library, so that a missing or unreadable file reads the same here as in every
    // library message.
    uint32_t err = 0;
    OxFileHandle file = OX_INVALID_FILE;
    if (oxOpenFile(path.c_str(), &file, OX_GENERIC_READ, OX_FILE_SHARE_READ, OX_OPEN_EXISTING,
                   OX_FILE_ATTRIBUTE_NORMAL, 0, 0, &err)) {
        oxCloseFile(file);
        return true;
    }
    error = path + ": " + store::error_text(err);
    return false;
}

int fail(const char *cmd, const std::string &message, int code) {
    std::fprintf(stderr, "oxdoc %s: %s\n", cmd, message.c_str());
    return code;
}

bool write_file_atomic(const std::string &path, const void *data, size_t size, std::string &error) {
    const std::string tmp = path + ".tmp-" + std::to_string(getpid());
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const auto *p = static_cast<const uint8_t *>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = path + ": " + std::strerror(errno);
            close(fd);
            unlink(tmp.c_str());
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    const bool synced = fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!synced || !closed || rename(tmp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        unlink(tmp.c_str());
        return false;
    }
    return true;
}

bool ensure_dir(const std::string &path, std::string &error) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) {
        error = path + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace oxdoc
