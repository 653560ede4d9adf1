/*
 * oxw.h - the display family of oxwUtl: bitmaps, text, status-bar progress, splash windows, palette
 * chrome, window helpers, sound and movies, and the host-side calls a Linux host makes in place of the
 * window system. Includes ox.h; follows its error convention.
 */
#ifndef OXWUTL_OXW_H
#define OXWUTL_OXW_H

#include "ox.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Window, device context, bitmap and global memory block handles of the display layer; 0 = none. */
typedef uintptr_t OxwWindow;
typedef uintptr_t OxwDC;
typedef uintptr_t OxwBitmap;
typedef uintptr_t OxwGlobal;

#ifdef __cplusplus
}
#endif

#endif /* OXWUTL_OXW_H */
