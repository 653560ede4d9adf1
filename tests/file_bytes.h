// Whole files as bytes, the names in a folder and a file's permissions: for tests that check what a call
// left on the disk. Also the scaffolding of the tests that let writes fail or kill a writer half-way.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/file_replace.h"

namespace oxtest {

using Bytes = std::vector<uint8_t>;

// n bytes seed + 7 i: content that differs from its neighbours and from other seeds.
inline Bytes pattern(std::size_t n, uint8_t seed = 3) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + seed);
    return v;
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The 18-byte header of an image tag body (a run-length encoded true-colour TGA file) of w x h pixels at
// `depth` bits, origin bottom-left unless `descriptor` says otherwise.
inline Bytes tga_header(int32_t w, int32_t h, int depth, uint8_t descriptor = 0) {
    return {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8),
            uint8_t(depth), descriptor};
}

inline Bytes read_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_bytes(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Sorted names of a folder's entries (hidden ones included): shows leftover temporary files.
inline std::vector<std::string> folder_names(const std::filesystem::path &dir) {
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Permission bits of a file (links followed).
inline unsigned file_mode(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : ~0u;
}

// call() with the n-th write of the file replacement failing as on a full disk.
template <class F>
auto with_failing_write(unsigned n, F call) {
    ox::core::fail_write_for_test(n);
    const auto r = call();
    ox::core::fail_write_for_test(0);
    return r;
}

// Runs body() in a child process, whose exit status is body's result; true when that is 0.
template <class F>
bool child_succeeds(F body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// In a child process: files can grow to `bytes` at most; a write beyond fails (EFBIG) instead of killing.
inline void limit_file_size(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim {bytes, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &lim);
}

// Runs loop() (which never returns) in a child process and kills the child after 1 to 21 ms drawn from rng.
template <class F>
void kill_during(std::mt19937 &rng, F loop) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        loop();
        _exit(0);
    }
    usleep(1000 + rng() % 20000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

}  // namespace oxtest
