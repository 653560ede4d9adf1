#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/errors.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

// What a path that is not a regular file names, for messages.
std::string not_a_file(mode_t mode) {
    if (S_ISDIR(mode)) return "is a directory";
    const char *kind = S_ISFIFO(mode) ? "a FIFO" : S_ISSOCK(mode) ? "a socket" : "a device";
    return std::string("not a regular file (") + kind + ")";
}

constexpr OxFileHandle kStdout = 1;

}  // namespace

InputFile open_input(const std::string &path, std::string &error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = file_error(path, ox::core::win_error_for_path(errno, path.c_str()));  // the library's words
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = path + ": " + not_a_file(st.st_mode);
        ::close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    InputFile f(fdopen(fd, "rb"));
    if (!f) {
        error = path + ": " + std::strerror(errno);
        ::close(fd);
    }
    return f;
}

bool is_stdout(const std::string &path) {
    struct stat named, out;
    return path == "-" || (stat(path.c_str(), &named) == 0 && fstat(1, &out) == 0 && named.st_dev == out.st_dev &&
                           named.st_ino == out.st_ino);
}

std::string file_error(const std::string &path, uint32_t code) {
    struct stat st;
    if (code == OX_ERROR_NOT_SUPPORTED && stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return path + ": " + not_a_file(st.st_mode) + ", which is never replaced";
    return path + ": " + store::error_text(code);
}

bool Output::open(const std::string &path, std::string &error) {
    path_ = path;
    to_stdout_ = path == "-";
    uint32_t err = 0;
    if (to_stdout_ || file_.begin(path.c_str(), ox::core::Special::in_place, &err)) return true;
    error = file_error(path, err);
    return false;
}

bool Output::write(const void *data, std::size_t size, std::string &error) {
    const auto *p = static_cast<const uint8_t *>(data);
    uint32_t err = 0;
    while (size > 0) {  // the file calls take 32-bit counts
        const auto n = static_cast<uint32_t>(std::min<std::size_t>(size, 1u << 30));
        if (!(to_stdout_ ? ox::core::write_all(kStdout, p, n, &err) : file_.write(p, n, &err))) {
            error = file_error(to_stdout_ ? "standard output" : path_, err);
            return false;
        }
        p += n;
        size -= n;
    }
    return true;
}

bool Output::commit(std::string &error) {
    uint32_t err = 0;
    if (to_stdout_ || file_.commit(OX_INVALID_FILE, true, &err)) return true;
    error = file_error(path_, err);
    return false;
}

bool write_output(const std::string &path, const void *data, std::size_t size, std::string &error) {
    Output out;
    return out.open(path, error) && out.write(data, size, error) && out.commit(error);
}

}  // namespace oxdoc
