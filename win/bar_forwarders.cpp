// The portable names of the progress bar functions: each hands its arguments to its display twin.
#include "oxw.h"

extern "C" {

OX_API int32_t oxCreateBar_J(const char *caption, int32_t total, int32_t pane, int32_t counterMode) {
    return oxwCreateBar_J(caption, total, pane, counterMode);
}
OX_API int32_t oxCreateBar_E(const char *caption, int32_t total, int32_t pane, int32_t counterMode) {
    return oxwCreateBar_E(caption, total, pane, counterMode);
}
OX_API int32_t oxCreateBar_C(const char *caption, int32_t total, int32_t pane, int32_t counterMode) {
    return oxwCreateBar_C(caption, total, pane, counterMode);
}
OX_API int32_t oxBarStep(void) { return oxwBarStep(); }
OX_API void oxDeleteBar(int32_t pane) { oxwDeleteBar(pane); }

}  // extern "C"
