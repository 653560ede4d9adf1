#include <ox.h>
#include <stdio.h>

int main(void) {
    uint32_t err = 0;
    OxHandle h = oxAlloc(100, 0, &err);
    int ok = h != 0 && oxGetHandleSize(h) == 4096 && oxGetLibraryVersion() == OXWUTL_VERSION_NUMBER;
    oxFree(h);
    printf("consumer linked against oxwUtl %s: %s\n", oxGetLibraryVersionString(), ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
