#include "cli.h"

#include <filesystem>

#include "file_io.h"

namespace oxdoc {

bool check_input(const std::string &path, std::string &error) { return open_input(path, error) != nullptr; }

int fail(const char *cmd, const std::string &message, int code) {
    std::fprintf(stderr, "oxdoc %s: %s\n", cmd, message.c_str());
    return code;
}

namespace {
uint64_t g_max_pixels = kDefaultMaxPixels;
}

uint64_t max_pixels() { return g_max_pixels; }

void set_max_pixels(uint64_t pixels) {
    g_max_pixels = pixels;
    oxSetImageLimit(pixels);
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
