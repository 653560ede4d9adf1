// What the fuzz targets share: a check that names the property that broke before aborting (the fuzzer, or
// its replay as a test, then says which one), image comparisons, and scratch files for the functions that
// read and write paths. The byte readers of the formats they take apart are the library's (core/byte_order.h).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/byte_order.h"
#include "core/memory.h"
#include "ox.h"

// Aborts after printing the file, the line and the condition when `condition` is false.
#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::oxfuzz::check_failed(__FILE__, __LINE__, #condition))

namespace oxfuzz {

[[noreturn]] inline void check_failed(const char *file, int line, const char *condition) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

// Whether two images have the same header and pixel bytes (two refusals, 0, count as the same).
inline bool same_image(OxHandle a, OxHandle b) {
    if (a == 0 || b == 0) return a == b;
    const auto *ha = static_cast<const OxImageHeader *>(oxLock(a));
    const auto *hb = static_cast<const OxImageHeader *>(oxLock(b));
    return std::memcmp(ha, hb, sizeof(OxImageHeader)) == 0 && std::memcmp(ha + 1, hb + 1, ha->imageSize) == 0;
}

// Every pixel value of an image through its lock, row 0 first.
inline std::vector<uint32_t> pixels(OxHandle image) {
    OxImageLockRec lock;
    FUZZ_CHECK(oxImageLock(image, &lock) == 1);
    std::vector<uint32_t> v;
    for (int32_t y = 0; y <= lock.maxY; ++y)
        for (int32_t x = 0; x <= lock.maxX; ++x) v.push_back(oxImageGetPixel(&lock, x, y));
    oxImageUnlock(&lock);
    return v;
}

// A path of this process's own under $TMPDIR (or /tmp), `name` telling a target's files apart. What is made
// at a path given out, a file or a folder, is removed at exit; a target asks once per name and keeps it.
inline std::string scratch_file(const char *name) {
    static auto *paths = new std::vector<std::string>;  // never destroyed: the exit handler still reads it
    static const bool cleanup = std::atexit([] {
        std::error_code ec;
        for (const std::string &p : *paths) std::filesystem::remove_all(p, ec);
    }) == 0;
    (void)cleanup;
    const char *tmp = std::getenv("TMPDIR");
    paths->push_back(std::string(tmp && *tmp ? tmp : "/tmp") + "/oxwutl-fuzz-" + name + "-" +
                     std::to_string(getpid()));
    return paths->back();
}

// Replaces the file at `path` with `size` bytes.
inline void write_file(const std::string &path, const uint8_t *data, std::size_t size) {
    FILE *f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
    FUZZ_CHECK(std::fclose(f) == 0);
}

}  // namespace oxfuzz
