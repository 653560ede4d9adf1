#include "ox.h"

// OXWUTL_PROJECT_VERSION_NUMBER and OXWUTL_VERSION_STRING come from the build's project version.
static_assert(OXWUTL_VERSION_NUMBER == OXWUTL_PROJECT_VERSION_NUMBER,
              "keep the version macros of ox.h in step with the project version in CMakeLists.txt");

extern "C" {
OX_API uint32_t oxGetLibraryVersion(void) { return OXWUTL_VERSION_NUMBER; }
OX_API const char *oxGetLibraryVersionString(void) { return OXWUTL_VERSION_STRING; }
}
