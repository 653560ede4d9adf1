/* Compiled as strict C99 with warnings as errors: both public headers must be clean C. */
#include <oxw.h>
#include <ox.h>

#include <stdio.h>
#include <string.h>

int main(void) {
    uint32_t err = 0;
    OxHandle image;
    OxImageLockRec lock;
    OxRect r;
    char version[32];

    if (oxGetLibraryVersion() != OXWUTL_VERSION_NUMBER) return 1;
    sprintf(version, "%d.%d.%d", OXWUTL_VERSION_MAJOR, OXWUTL_VERSION_MINOR, OXWUTL_VERSION_PATCH);
    if (strcmp(version, oxGetLibraryVersionString()) != 0) return 2;

    image = oxImageCreate(4, 3, 24, &err);
    if (image == 0 || err != 0) return 3;
    if (!oxImageLock(image, &lock)) return 4;
    oxImagePutPixel(&lock, 3, 2, 0x123456u);
    if (oxImageGetPixel(&lock, 3, 2) != 0x123456u) return 5;
    oxImageUnlock(&lock);
    oxFree(image);

    oxSetRect(&r, 0, 0, 10, 10);
    if (!oxPtInRect(&r, 9, 9) || oxPtInRect(&r, 10, 0)) return 6;
    puts("public headers compile as C99 and link");
    return 0;
}
