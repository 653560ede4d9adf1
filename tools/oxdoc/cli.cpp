#include "cli.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace oxdoc {

bool ParsedArgs::has(const std::string &name) const {
    return std::any_of(options.begin(), options.end(), [&](const auto &o) { return o.first == name; });
}

std::string ParsedArgs::value(const std::string &name) const {
    for (const auto &o : options)
        if (o.first == name) return o.second;
    return {};
}

bool parse_args(const Args &args, const std::vector<std::string> &with_value,
                const std::vector<std::string> &flags, ParsedArgs &out, std::string &error) {
    auto listed = [](const std::vector<std::string> &v, const std::string &s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a.size() > 1 && a[0] == '-' && !(a.size() > 1 && std::isdigit(static_cast<unsigned char>(a[1])))) {
            if (listed(with_value, a)) {
                if (i + 1 >= args.size()) {
                    error = "option " + a + " needs a value";
                    return false;
                }
                out.options.emplace_back(a, args[++i]);
            } else if (listed(flags, a)) {
                out.options.emplace_back(a, "");
            } else {
                error = "unknown option " + a;
                return false;
            }
        } else {
            out.positional.push_back(a);
        }
    }
    return true;
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
