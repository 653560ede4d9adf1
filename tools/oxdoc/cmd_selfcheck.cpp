// `oxdoc version` and `oxdoc selfcheck`.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "commands.h"
#include "ox.h"

namespace oxdoc {
namespace {

bool check_memory() {
    uint32_t err = 0;
    OxHandle h = oxAlloc(100, 0, &err);
    if (!h) return false;
    bool ok = oxGetHandleSize(h) == 4096 && static_cast<uint8_t *>(oxLock(h))[4095] == 0;
    OxHandle bigger = oxReAlloc(h, 10000, 0, &err);
    ok = ok && bigger && oxGetHandleSize(bigger) == 12288;
    oxFree(bigger ? bigger : h);
    return ok;
}

bool check_pixels() {
    const int32_t depths[] = {1, 8, 24, 32};
    const uint32_t values[] = {1u, 0xA5u, 0xB2C3D4u, 0xA1B2C3D4u};
    for (int i = 0; i < 4; ++i) {
        uint32_t err = 0;
        OxHandle img = oxImageCreate(17, 5, depths[i], &err);
        if (!img) return false;
        uint32_t read = 0;
        bool ok = oxImagePutPixelDirect(img, 16, 4, values[i]) && oxImageGetPixelDirect(img, 16, 4, &read) &&
                  read == values[i];
        oxFree(img);
        if (!ok) return false;
    }
    return true;
}

bool check_files() {
    char path[] = "/tmp/oxdoc-selfcheck-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return false;
    close(fd);
    uint32_t err = 0, done = 0;
    OxFileHandle f = OX_INVALID_FILE, other = OX_INVALID_FILE;
    bool ok = oxOpenFile(path, &f, OX_GENERIC_READ | OX_GENERIC_WRITE, 0, OX_CREATE_ALWAYS, OX_FILE_ATTRIBUTE_NORMAL,
                         0, 0, &err) &&
              err == OX_ERROR_ALREADY_EXISTS;
    // A second exclusive open of the same file is refused while the first is held.
    ok = ok && !oxOpenFile(path, &other, OX_GENERIC_READ, 0, OX_OPEN_EXISTING, OX_FILE_ATTRIBUTE_NORMAL, 0, 0, &err) &&
         err == OX_ERROR_SHARING_VIOLATION;
    char buf[8] = {};
    ok = ok && oxWriteFile(f, "oxwUtl", 6, &done, &err) && done == 6 && oxSeekFile(f, -2, 2, &err) &&
         oxReadFile(f, buf, sizeof buf, &done, &err) && done == 2 && buf[0] == 't' && buf[1] == 'l' &&
         oxGetFileSize(f) == 6;
    if (f != OX_INVALID_FILE) oxCloseFile(f);
    ok = ok && oxDeleteFile(path, &err);
    if (!ok) unlink(path);
    return ok;
}

bool check_geometry() {
    OxRect a, b, u;
    oxSetRect(&a, 0, 0, 10, 10);
    oxSetRect(&b, 20, 20, 30, 30);
    oxUnionRect(&u, &a, &b);
    return u.left == 0 && u.top == 0 && u.right == 30 && u.bottom == 30;
}

}  // namespace

int cmd_version(const Invocation &) {
    // The version oxdoc was built with, and the one of the library it runs on.
    std::printf("oxdoc %d.%d.%d, library oxwUtl %s\n", OXWUTL_VERSION_MAJOR, OXWUTL_VERSION_MINOR,
                OXWUTL_VERSION_PATCH, oxGetLibraryVersionString());
    return kOk;
}

int cmd_selfcheck(const Invocation &) {
    struct Check {
        const char *name;
        std::function<bool()> run;
    };
    const Check checks[] = {
        {"memory handles", check_memory},
        {"pixels at 1, 8, 24, 32 bits", check_pixels},
        {"files and exclusive opens", check_files},
        {"rectangles", check_geometry},
    };
    int failed = 0;
    for (const auto &c : checks) {
        const bool ok = c.run();
        std::printf("  %-32s %s\n", c.name, ok ? "ok" : "FAILED");
        failed += !ok;
    }
    std::printf("selfcheck: %d passed, %d failed\n", static_cast<int>(std::size(checks)) - failed, failed);
    return failed ? kFailed : kOk;
}

}  // namespace oxdoc
