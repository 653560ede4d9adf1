#include <oxw.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    uint32_t err = 0;
    OxHandle h = oxAlloc(100, 0, &err);
    int ok = h != 0 && oxGetHandleSize(h) == 4096 && oxGetLibraryVersion() == OXWUTL_VERSION_NUMBER;
    oxFree(h);
#ifdef STAMPED
    char version[OXW_FILE_VERSION_SIZE] = "";
    ok = ok && oxwGetFileVersion("/proc/self/exe", version, &err) && strcmp(version, STAMPED) == 0;
#endif
    printf("consumer linked against oxwUtl %s: %s\n", oxGetLibraryVersionString(), ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
