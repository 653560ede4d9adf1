// Shared test helpers: temporary folders, random images, owned handles.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "core/memory.h"
#include "image/image_record.h"
#include "ox.h"

namespace oxtest {

// A fresh folder under the system's temporary folder, removed with everything in it at the end of scope.
class TempDir {
public:
    TempDir() {
        auto base = std::filesystem::temp_directory_path();
        std::mt19937_64 rng(std::random_device{}());
        for (;;) {
            path_ = base / ("oxwutl-test-" + std::to_string(rng()));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string file(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Sets the process code page for a scope, then goes back to following the locale.
struct CodePage {
    explicit CodePage(uint32_t page) { oxSetCodePage(page); }
    ~CodePage() { oxSetCodePage(0); }
    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;
};

// Owns a handle from oxAlloc or an image constructor.
using Handle = ox::core::OwnedHandle;

// A new image of the given kind, checked for success.
inline Handle make_image(int32_t w, int32_t h, int32_t bits, int32_t layer = OX_LAYER_NORMAL) {
    uint32_t err = 0xDEAD;
    OxHandle img = layer == OX_LAYER_GRAY   ? oxImageCreateGray(w, h, &err)
                   : layer == OX_LAYER_MASK ? oxImageCreateMask(w, h, &err)
                                            : oxImageCreate(w, h, bits, &err);
    EXPECT_NE(img, 0u);
    EXPECT_EQ(err, 0u);
    return Handle(img);
}

// Holds an image locked for a scope; get() is the lock record the pixel calls take.
struct Locked : ox::image::ScopedImageLock {
    explicit Locked(OxHandle image) : ScopedImageLock(image) { EXPECT_TRUE(ok()); }
    const OxImageLockRec *get() const { return &rec(); }
    const OxImageLockRec *operator->() const { return &rec(); }
};

// Fills every pixel byte of an image with random bytes.
inline void fill_random(OxHandle image, std::mt19937 &rng) {
    OxImageLockRec lock;
    ASSERT_EQ(oxImageLock(image, &lock), 1);
    for (uint32_t i = 0; i < lock.header->imageSize; ++i) lock.pixels[i] = static_cast<uint8_t>(rng());
    oxImageUnlock(&lock);
}

}  // namespace oxtest
