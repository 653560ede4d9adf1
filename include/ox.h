/*
 * ox.h - the portable family of oxwUtl: memory handles, files, strings and paths, raster images,
 * selections, document files and geometry.
 *
 * Error convention (every function below says which pattern it follows):
 *   - The result says whether a call succeeded: 1 or a non-zero handle/pointer/count on success, 0 on
 *     failure (the few exceptions are noted at the function).
 *   - The last argument of most functions, `err`, receives the reason. It is never tested for null: always
 *     pass writable storage (compilers that know the nonnull attribute warn on a 0). Patterns:
 *       "set on failure"      the code is written only when the call fails;
 *       "cleared, then set"   0 on success, the reason on failure;
 *       "last error"          the library's last system error after every call, success or not.
 *   - A failure with code 0 means invalid arguments.
 *   - Codes are Win32-style system codes (OX_ERROR_*) or the library's own codes (OX_ERR_*, high word
 *     0x2001).
 *
 * Plain C99; every function has C linkage. Handles are pointer-sized unsigned integers, 0 meaning none.
 */
#ifndef OXWUTL_OX_H
#define OXWUTL_OX_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define OX_API __attribute__((visibility("default")))
#else
#define OX_API
#endif

/* OX_NONNULL((1, 3)) after a declaration: arguments 1 and 3 must never be 0 (the error code out-parameter
 * and the other records a function writes or reads without a check), so that the compiler warns where 0
 * is passed. Arguments documented as "may be 0" are never marked. The library's own build leaves the
 * attribute out, so that no check of its own is optimised away. */
#if defined(__GNUC__) && !defined(OXWUTL_BUILDING_LIBRARY)
#define OX_NONNULL(args) __attribute__((nonnull args))
#else
#define OX_NONNULL(args)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------------------------------------------- */
/* Version                                                                                               */
/* ---------------------------------------------------------------------------------------------------- */

#define OXWUTL_VERSION_MAJOR 1
#define OXWUTL_VERSION_MINOR 0
#define OXWUTL_VERSION_PATCH 0
#define OXWUTL_VERSION_NUMBER (OXWUTL_VERSION_MAJOR * 10000 + OXWUTL_VERSION_MINOR * 100 + OXWUTL_VERSION_PATCH)

/* The version of the loaded library, as OXWUTL_VERSION_NUMBER and as "major.minor.patch". */
OX_API uint32_t oxGetLibraryVersion(void);
OX_API const char *oxGetLibraryVersionString(void);

/* ---------------------------------------------------------------------------------------------------- */
/* Shared types and codes                                                                                */
/* ---------------------------------------------------------------------------------------------------- */

/* Memory block (and image) handle: the block's address; 0 = none. Released only with oxFree. */
typedef uintptr_t OxHandle;

/* Open file; OX_INVALID_FILE (all bits set) after a failed open. 0 is never returned by a failed open. */
typedef uintptr_t OxFileHandle;
#define OX_INVALID_FILE ((OxFileHandle) ~(uintptr_t)0)

/* System colour value: red bits 0-7, green 8-15, blue 16-23. */
typedef uint32_t OxColorRef;

/* Three channels of 0..255 each, in 16-bit fields. */
typedef struct OxRGBColor {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
} OxRGBColor;

/* Half-open rectangle: right and bottom lie outside. */
typedef struct OxRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} OxRect;

typedef struct OxPoint {
    int32_t x;
    int32_t y;
} OxPoint;

/* Library codes. */
#define OX_ERR_NOT_TAGGED_DOCUMENT 0x20010001u /* no tag trailer, or the tag is not in it */
#define OX_ERR_CHART_HEADER 0x20010002u        /* colour chart does not start with 0x00 0x64 */
#define OX_ERR_CHART_SIZE 0x20010003u          /* colour chart is not 28162 bytes long */
#define OX_ERR_POLYGON_TOO_SMALL 0x20010005u   /* clipped polygon box narrower or lower than 2 pixels */
#define OX_ERR_TAG_NOT_FOUND 0x20010006u       /* management file has no entry for the tag */

/* System codes the library reports (Win32 numbering). */
#define OX_ERROR_SUCCESS 0u
#define OX_ERROR_INVALID_FUNCTION 1u
#define OX_ERROR_FILE_NOT_FOUND 2u
#define OX_ERROR_PATH_NOT_FOUND 3u
#define OX_ERROR_TOO_MANY_OPEN_FILES 4u
#define OX_ERROR_ACCESS_DENIED 5u
#define OX_ERROR_INVALID_HANDLE 6u
#define OX_ERROR_NOT_ENOUGH_MEMORY 8u
#define OX_ERROR_NOT_SAME_DEVICE 17u
#define OX_ERROR_NOT_READY 21u /* a FIFO opened for writing that nobody reads; a device that is not there */
#define OX_ERROR_WRITE_FAULT 29u
#define OX_ERROR_READ_FAULT 30u
#define OX_ERROR_GEN_FAILURE 31u
#define OX_ERROR_SHARING_VIOLATION 32u
#define OX_ERROR_LOCK_VIOLATION 33u
#define OX_ERROR_HANDLE_EOF 38u
#define OX_ERROR_NOT_SUPPORTED 50u
#define OX_ERROR_FILE_EXISTS 80u
#define OX_ERROR_INVALID_PARAMETER 87u
#define OX_ERROR_BROKEN_PIPE 109u /* a write to a pipe whose reader has gone */
#define OX_ERROR_DISK_FULL 112u
#define OX_ERROR_INVALID_NAME 123u
#define OX_ERROR_NEGATIVE_SEEK 131u
#define OX_ERROR_DIR_NOT_EMPTY 145u
#define OX_ERROR_BUSY 170u
#define OX_ERROR_ALREADY_EXISTS 183u
#define OX_ERROR_FILENAME_EXCED_RANGE 206u
#define OX_ERROR_FILE_TOO_LARGE 223u
#define OX_ERROR_NOACCESS 998u

/* An addition to the library's documented functions: the meaning of an error code in English, as a short
 * lower-case phrase without a final stop ("no such file", "not a tagged document, or no such tag in it"),
 * for messages such as "FILE: <text>". Every code of ox.h and oxw.h has its own text; any other code gets
 * "system error N" or, in the library's range (high word 0x2001), "unknown library error 0x2001NNNN".
 * Code 0 reads as "no error code (invalid arguments)": a failure with code 0 means invalid arguments.
 * Writes at most `size` bytes into `buffer`, always terminated when `size` is at least 1 (a longer text is
 * cut); `buffer` may be 0 when `size` is 0. Returns the length of the whole text without its terminator,
 * as snprintf does, so a result of `size` or more means the text was cut. Never fails; no error code.
 * Every text, the forms for other codes included, fits in OX_MAX_ERROR_TEXT bytes. */
#define OX_MAX_ERROR_TEXT 96u
OX_API uint32_t oxGetErrorText(uint32_t code, char *buffer, uint32_t size);

/* ---------------------------------------------------------------------------------------------------- */
/* Memory blocks                                                                                         */
/* ---------------------------------------------------------------------------------------------------- */

/* A new zero-filled block of at least `size` bytes, rounded up to whole pages; the handle is the block's
 * address and never moves. `flags` is ignored. Returns 0 on failure (size 0: code 87; no memory: 8).
 * err: set on failure. Release with oxFree. */
OX_API OxHandle oxAlloc(uint32_t size, uint32_t flags, uint32_t *err) OX_NONNULL((3));

/* A new block of `newSize` bytes holding the first min(newSize, oxGetHandleSize(old)) bytes of `old`;
 * `old` is freed. Never grows in place. On failure returns 0 and `old` stays valid and owned by the
 * caller (an `old` of 0 or not made by oxAlloc: code 6). err: set on failure. */
OX_API OxHandle oxReAlloc(OxHandle old, uint32_t newSize, uint32_t flags, uint32_t *err) OX_NONNULL((4));

/* The block's address (the handle itself). oxUnlock does nothing; callers still pair the two. */
OX_API void *oxLock(OxHandle handle);
OX_API void oxUnlock(OxHandle handle);

/* The block's size: the size asked for, rounded up to the page size (4096). 0 for a handle of 0 or one
 * that oxAlloc did not return. */
OX_API uint32_t oxGetHandleSize(OxHandle handle);

/* Releases a block made by oxAlloc/oxReAlloc. 0 and unknown values are ignored. */
OX_API void oxFree(OxHandle handle);

/* A heap block of `size` bytes, zero-filled unless `noClear` is non-zero. Returns 0 on failure with
 * code 8 (not enough memory). err: set on failure. Release with oxFreePtr. */
OX_API void *oxAllocPtr(uint32_t size, uint32_t noClear, uint32_t *err) OX_NONNULL((3));

/* Resizes a heap block, possibly moving it; with `noClear` 0 a grown tail is zero-filled. On failure
 * returns 0 with code 8 and `old` stays valid. An `old` of 0 behaves like oxAllocPtr. */
OX_API void *oxReAllocPtr(void *old, uint32_t size, uint32_t noClear, uint32_t *err) OX_NONNULL((4));

/* The size that was asked for when the block was made or last resized; 0 for a null pointer. */
OX_API uint32_t oxGetPtrSize(void *ptr);

/* Releases a heap block; 0 is ignored. */
OX_API void oxFreePtr(void *ptr);

/* 1 while the Escape key (virtual key 27) is held down, else 0: the key state of the display layer, which
 * the host sets (oxwHostSetKeyState in oxw.h); no keyboard message is read or removed. */
OX_API uint32_t oxAbort(void);

/* ---------------------------------------------------------------------------------------------------- */
/* Files                                                                                                 */
/* ---------------------------------------------------------------------------------------------------- */

/* A file handle is the system's file descriptor as a pointer-sized value; 0 is never handed out. Handles are
 * opened close-on-exec. Positions and sizes are 32-bit: 0xFFFFFFFF is the failure value. Paths are narrow
 * strings used as they are; a path of 0 gives 87, an empty path 3. */

/* Access rights: read, write, or both (OX_GENERIC_ALL also means both). An access with neither right fails
 * with 87. A read through a handle without read access, or a write without write access, fails with 5. */
#define OX_GENERIC_READ 0x80000000u
#define OX_GENERIC_WRITE 0x40000000u
#define OX_GENERIC_ALL 0x10000000u
/* Share modes: 0 is exclusive: while the file is open no other open of it by this library succeeds, in this
 * process or another (32, sharing violation). Every other value is "shared": shared opens coexist, and any
 * of them blocks an exclusive one; the individual share bits are not told apart. The locks are advisory:
 * programs that do not use this library are not kept out. */
#define OX_FILE_SHARE_EXCLUSIVE 0u
#define OX_FILE_SHARE_READ 1u
#define OX_FILE_SHARE_WRITE 2u
#define OX_FILE_SHARE_DELETE 4u
/* Dispositions (any other value fails with 87). A missing file fails with 2, a missing folder on the way
 * with 3. */
#define OX_CREATE_NEW 1u        /* create; fails with 80 when the file exists */
#define OX_CREATE_ALWAYS 2u     /* create, or empty an existing file; success over an existing file leaves 183 */
#define OX_OPEN_EXISTING 3u     /* open an existing file */
#define OX_OPEN_ALWAYS 4u       /* open, or create; success over an existing file leaves 183 */
#define OX_TRUNCATE_EXISTING 5u /* open an existing file and empty it; needs write access, else 87 */
/* Attributes: only read-only has an effect. A file this call creates gets mode 0444 (else 0666, the umask
 * applies); OX_CREATE_ALWAYS over an existing file also takes its write bits away. The new handle may
 * still write. Other attribute and flag bits are ignored. */
#define OX_FILE_ATTRIBUTE_READONLY 0x01u
#define OX_FILE_ATTRIBUTE_NORMAL 0x80u

/* Opens or creates `path`. Stores the handle (OX_INVALID_FILE on failure) through `file` in every case.
 * creator and fileType are ignored (files carry no type metadata here).
 * Failures: a folder gives 5; an existing file without any write permission bit counts as read-only, and
 * opening it with write access (or emptying it) gives 5, whatever the caller's privileges; a conflicting
 * share mode gives 32 and leaves the file untouched (nothing is emptied before the lock is held). A failed
 * open leaves no descriptor and no lock, and removes a file it had just created.
 * Returns 1 when the file is open. err: last error (0 on success, except 183 when OX_CREATE_ALWAYS or
 * OX_OPEN_ALWAYS found the file). Close with oxCloseFile. */
OX_API int32_t oxOpenFile(const char *path, OxFileHandle *file, uint32_t access, uint32_t shareMode,
                          uint32_t disposition, uint32_t attributes, uint32_t creator, uint32_t fileType,
                          uint32_t *err) OX_NONNULL((2, 9));

/* Reads up to `count` bytes at the current position; the count read goes to `*done` (smaller only at the end
 * of the file). Returns 1 when the read succeeded. err: last error (0 on success; 6 for a handle that is not
 * open, 5 for one opened without read access). */
OX_API int32_t oxReadFile(OxFileHandle file, void *buffer, uint32_t count, uint32_t *done, uint32_t *err)
    OX_NONNULL((4, 5));

/* Writes `count` bytes at the current position; the count written goes to `*done`. Returns 1 when all of
 * them were written; a full disk gives 0 with 112 and `*done` says how much got through. err: last error
 * (0 on success; 6 for a handle that is not open, 5 for one opened without write access). */
OX_API int32_t oxWriteFile(OxFileHandle file, const void *buffer, uint32_t count, uint32_t *done,
                           uint32_t *err) OX_NONNULL((4, 5));

/* Moves the position by `distance` from origin 0 (start), 1 (current) or 2 (end); positions past the end are
 * allowed. A position before the start fails with 131, one past 0xFFFFFFFE with 87, another origin with 87,
 * a bad handle with 6; the position is then unchanged. Returns 1 on success. err: set on failure. */
OX_API int32_t oxSeekFile(OxFileHandle file, int32_t distance, uint32_t origin, uint32_t *err) OX_NONNULL((4));

/* Closes the file and drops its share lock. Non-zero on success, 0 for a handle that is not open (0 and
 * OX_INVALID_FILE included). */
OX_API int32_t oxCloseFile(OxFileHandle file);

/* Size (low 32 bits) or current position; 0xFFFFFFFF for a handle that is not open (and for a position that
 * does not fit). */
OX_API uint32_t oxGetFileSize(OxFileHandle file);
OX_API uint32_t oxGetFilePointer(OxFileHandle file);

/* The file ends at the current position (truncated, or extended with zeros). Non-zero on success; 0 for a
 * handle that is not open or was opened without write access. */
OX_API int32_t oxSetEndOfFile(OxFileHandle file);

/* Renames `oldPath` to `newPath` (new name first); files and folders. Never replaces: an existing `newPath`
 * gives 183. A missing `oldPath` gives 2 (3 for a missing folder), a missing folder of `newPath` 3. A regular
 * file moves to another file system by copy (data, mode, times), flush and removal of the original. A file
 * that an open of share mode 0 holds (in this process or another), as source or as target, gives 32.
 * Non-zero on success. err: cleared, then set. */
OX_API int32_t oxChangeFileName(const char *newPath, const char *oldPath, uint32_t *err) OX_NONNULL((3));

/* Deletes a file (a symbolic link itself, not its target). A read-only file (no write permission bit) and a
 * folder are refused with 5; a missing file gives 2, a missing folder 3; a file that an open of share mode 0
 * holds (in this process or another) gives 32. Non-zero on success. err: cleared, then set. */
OX_API int32_t oxDeleteFile(const char *path, uint32_t *err) OX_NONNULL((2));

/* 1 with code 5 when the file (or folder) has no write permission bit at all (read-only); 0 with code 0
 * otherwise, also when the file does not exist or `path` is 0. */
OX_API int32_t oxCheckFileReadOnlyAttribute(const char *path, uint32_t *err) OX_NONNULL((2));

/* Creates one folder with mode 0777 less the umask (the parent must exist: else 3); `ignored` is ignored.
 * 1 on success; an existing folder or file gives 0 with 183. err: cleared, then set. */
OX_API int32_t oxCreateFolder(const char *path, uint32_t ignored, uint32_t *err) OX_NONNULL((3));

/* ---------------------------------------------------------------------------------------------------- */
/* Strings, paths and small utilities                                                                    */
/* ---------------------------------------------------------------------------------------------------- */

/* The process-wide code page whose lead bytes the double-byte tests use (the host's "ANSI" page).
 * Double-byte pages: 932 (lead bytes 0x81-0x9F, 0xE0-0xFC) and 936, 949, 950 (0x81-0xFE); every other
 * value is a single-byte page without lead bytes. Until the host sets one, the page follows the codeset
 * of the locale the host selected with setlocale (LC_CTYPE), asked anew at each use: the Shift_JIS
 * (SJIS, CP932, WINDOWS-31J), GBK (GB2312, GB18030, CP936, EUC-CN), EUC-KR (CP949, UHC) and Big5
 * (BIG5-HKSCS, CP950) codesets give 932, 936, 949 and 950, UTF-8 gives 65001, any other codeset 1252.
 * 65001 is UTF-8: a page without lead bytes (right for paths), which the text functions of oxw.h decode as
 * UTF-8, so a Linux host can pass UTF-8 text by setting it. oxSetCodePage(0) returns to following the
 * locale. Returns the page in force before. Thread-safe; a
 * call that scans a string uses the page in force when it starts. */
OX_API uint32_t oxSetCodePage(uint32_t codePage);
OX_API uint32_t oxGetCodePage(void);

/* Path and string functions, in common: text is in the code page above; a "." or separator byte that
 * is the trail byte of a double-byte character is not taken for one. Destination buffers are the
 * caller's and are not size-checked; `dst` may be the source string itself (in-place use). */

/* 1 if the byte at `p` is a lead byte; else 1 if the byte before it is a lead byte that does not itself
 * follow a lead byte (a trail byte by a two-byte look-back, not a scan from the string's start); else 0.
 * The two bytes before `p` must be readable. */
OX_API int32_t oxIsDoubleByteCheck(const char *p) OX_NONNULL((1));

/* red | green << 8 | blue << 16. The fields are not masked: one above 255 spills into the next channel. */
OX_API OxColorRef oxGetColorReffromRGBColor(const OxRGBColor *color) OX_NONNULL((1));
/* Splits a colour value into the record's three fields, 0..255 each (bits 24-31 are dropped). */
OX_API void oxGetRGBColorfromColorRef(OxRGBColor *color, OxColorRef colorRef) OX_NONNULL((1));

/* Two-step save state owned by the caller: push 0->1, 1->2; pop 1->0, 0->1; other values (2 for pop)
 * stay. */
OX_API void oxPushSave(uint32_t *state) OX_NONNULL((1));
OX_API void oxPopSave(uint32_t *state) OX_NONNULL((1));

/* Everything after the last "." of `path` into `dst` (no length limit; the dot may lie in a folder name,
 * "a.d" gives "d"). Returns 1 if there is such a dot ("name." gives "" and 1), else `dst` is empty
 * and 0. Bytes before `path` are never read. */
OX_API int32_t oxCopyExtension(char *dst, const char *path) OX_NONNULL((1, 2));
/* `name` up to, not including, its first "." into `dst` (no length limit): "a.b.txt" gives "a". */
OX_API void oxGetFileNameDelExt(char *dst, const char *name) OX_NONNULL((1, 2));
/* Path pieces: an optional drive (the first two characters when the second is ":"); the folder up to
 * and including the last "" or "/"; the file name up to the last "." after the folder; the extension
 * from that "." to the end. Each of folder, file name and extension is cut to at most 255 bytes, one
 * byte less where the 255th would be the lead byte of a split double-byte character. */
/* File name and extension ("C:\work\cut01.tga" gives "cut01.tga"); `dst` holds 511 bytes at most. */
OX_API void oxGetFileNamefromFullPath(char *dst, const char *path) OX_NONNULL((1, 2));
/* Drive and folder with its trailing separator ("C:\work\cut01.tga" gives "C:\work"; a path without a
 * separator gives just its drive, or ""); `dst` holds 258 bytes at most. */
OX_API void oxGetFolderfromFullPath(char *dst, const char *path) OX_NONNULL((1, 2));

/* Length-prefixed (length byte 0..255, then the characters) to zero-terminated; `dst` holds length + 1. */
OX_API void oxCopyStringPascalToC(char *dst, const unsigned char *src) OX_NONNULL((1, 2));
/* Zero-terminated to length-prefixed; `dst` holds 256 bytes. A source longer than 255 characters is cut
 * to its first 255 (no terminator is stored). */
OX_API void oxCopyStringCtoPascal(unsigned char *dst, const char *src) OX_NONNULL((1, 2));

OX_API uint16_t oxReverseWord(uint16_t value);
OX_API uint32_t oxReverseDword(uint32_t value);

/* The library's rounding rule: the fraction is rounded to thousandths (half up, in double precision),
 * then a fraction of at most one half goes toward zero and a larger one away from zero:
 * 2.5 -> 2, 2.6 -> 3, -2.5 -> -2, -2.6 -> -3, 2.9996 -> 3, 1.5005 -> 1 (0.5005 is stored just below).
 * NaN, infinities and results outside the int32 range give INT32_MIN (0x80000000).
 * oxDouble2Short is the same function under a second name: the same 32-bit result, not clamped. */
OX_API int32_t oxDouble2Int(double value);
OX_API int32_t oxDouble2Short(double value);

/* Services of the display layer (see the host-side calls in oxw.h). Windows, contexts and modules are the
 * OxwWindow, OxwDC and OxwModule handles of oxw.h, passed here as plain pointer-sized values. */

/* Makes the wait cursor (system cursor 32514) the current cursor. */
OX_API void oxTimeCursor(void);
/* Records a beep of the given sound type (0xFFFFFFFF simple beep, 0 default, 0x10/0x20/0x30/0x40 the icon
 * sounds; any value is accepted) and rings the terminal bell when stderr is a terminal. */
OX_API void oxMessageBeep(uint32_t type);
/* Copies string `id` of `module`'s string table (module 0: the library's own) into `buffer`, at most
 * size - 1 bytes and a terminator, never half of a double-byte character of the active code page. Returns
 * the bytes copied; 0 for a missing string or a refused module (the buffer then holds an empty string).
 * `ignored` is ignored. A buffer of 0 or a size below 1 writes nothing and returns 0. */
OX_API int32_t oxLoadString(uintptr_t module, uint32_t id, uint32_t ignored, char *buffer, int32_t size);
/* 1 while the key with this virtual key code (0..255) is held down, else 0 (also for other codes). */
OX_API int32_t oxGetKeyState(int32_t virtualKey);

/* ---------------------------------------------------------------------------------------------------- */
/* Image record and pixel access                                                                         */
/* ---------------------------------------------------------------------------------------------------- */

#define OX_IMAGE_HEADER_SIZE 28u
#define OX_LAYER_NORMAL 0
#define OX_LAYER_GRAY 1
#define OX_LAYER_MASK 2

/* The record at the start of an image handle; unpadded pixel rows follow it, row 0 (the top) first.
 * Pixel values: 1 bit MSB first; 8 bits one byte; 24 bits bytes red, green, blue (value bits 0-7, 8-15,
 * 16-23); 32 bits bytes fourth, red, green, blue (value bits 24-31, 0-7, 8-15, 16-23). */
typedef struct OxImageHeader {
    uint32_t headerSize; /* 28 */
    int32_t width;
    int32_t height;
    int32_t bitCount; /* 1, 8, 24 or 32 */
    int32_t layer;    /* OX_LAYER_NORMAL, OX_LAYER_GRAY or OX_LAYER_MASK */
    uint32_t imageSize; /* rowBytes * height */
    uint32_t rowBytes;  /* ceil(width * bitCount / 8) */
} OxImageHeader;

/* Filled by oxImageLock; the caller owns it (normally a local variable). */
typedef struct OxImageLockRec {
    OxHandle handle;
    OxImageHeader *header;
    uint8_t *pixels; /* first byte of row 0 */
    int32_t maxX;    /* width - 1 */
    int32_t maxY;    /* height - 1 */
    int32_t layer;
    uint32_t rowBytes;
} OxImageLockRec;

/* A new normal image with all pixels 0. Width and height at least 1; bitCount 1, 8, 24 or 32; a size
 * whose pixel area or handle would not fit 32 bits is refused. Returns 0 with code 0 for invalid
 * arguments, 0 with the allocation's code when memory runs out. err: cleared, then set. Free with oxFree. */
OX_API OxHandle oxImageCreate(int32_t width, int32_t height, int32_t bitCount, uint32_t *err) OX_NONNULL((4));
/* A 32-bit gray layer (layer 1) / a 1-bit mask (layer 2); otherwise as oxImageCreate. */
OX_API OxHandle oxImageCreateGray(int32_t width, int32_t height, uint32_t *err) OX_NONNULL((3));
OX_API OxHandle oxImageCreateMask(int32_t width, int32_t height, uint32_t *err) OX_NONNULL((3));

/* Host call: the largest image, in pixels (width x height), that any call of the library may make from now
 * on, in every thread; 0 (the initial setting) means no limit beyond the 32-bit sizes above. A host that
 * opens documents from strangers sets it: every image constructor, and every call that makes an image
 * (oxGetKavelTag decoding a tag, conversions, resampling, DIB conversions), then refuses a larger one with
 * 0 and code 8 (not enough memory) before allocating anything for it. Returns the previous limit. */
OX_API uint64_t oxSetImageLimit(uint64_t maxPixels);

/* Fills `lock` from the image; 0 when the handle or `lock` is 0. */
OX_API int32_t oxImageLock(OxHandle image, OxImageLockRec *lock);
/* Ends the pairing; 0 when `lock` is 0, else 1. The record's fields are left as they are. */
OX_API int32_t oxImageUnlock(OxImageLockRec *lock);

/* Header fields; -1 for a handle of 0. */
OX_API int32_t oxImageGetWidthDirect(OxHandle image);
OX_API int32_t oxImageGetHeightDirect(OxHandle image);
OX_API int32_t oxImageGetBitCountDirect(OxHandle image);
OX_API int32_t oxImageGetLayerDirect(OxHandle image);

/* Pixel access through a lock record. Coordinates are not checked: the caller keeps 0 <= x <= maxX and
 * 0 <= y <= maxY. An unsupported bitCount reads 0 and writes nothing. */
OX_API uint32_t oxImageGetPixel(const OxImageLockRec *lock, int32_t x, int32_t y) OX_NONNULL((1));
/* The pixel value AND mask (1 bit: the bit AND mask AND 1). */
OX_API uint32_t oxImageGetPixelEx(const OxImageLockRec *lock, int32_t x, int32_t y, uint32_t mask) OX_NONNULL((1));
OX_API void oxImagePutPixel(const OxImageLockRec *lock, int32_t x, int32_t y, uint32_t value) OX_NONNULL((1));
/* Masked store byte by byte: mask bits 0-7 guard the byte of value bits 16-23 and mask bits 16-23 the byte
 * of value bits 0-7 (crosswise), bits 8-15 the middle byte, bits 24-31 the fourth byte of 32-bit pixels.
 * 1-bit images ignore the mask. */
OX_API void oxImagePutPixelEx(const OxImageLockRec *lock, int32_t x, int32_t y, uint32_t value, uint32_t mask)
    OX_NONNULL((1));

/* Lock, access one pixel, unlock. 1, or 0 when the image cannot be locked (nothing is stored then). */
OX_API int32_t oxImageGetPixelDirect(OxHandle image, int32_t x, int32_t y, uint32_t *value) OX_NONNULL((4));
OX_API int32_t oxImagePutPixelDirect(OxHandle image, int32_t x, int32_t y, uint32_t value);

/* Address of the byte holding pixel (x, y); 0 for an unsupported bitCount. */
OX_API uint8_t *oxImageGetAdr(const OxImageLockRec *lock, int32_t x, int32_t y) OX_NONNULL((1));

/* Byte offsets of red, green and blue within a pixel: 0, 1, 2 for 3 bytes per pixel, else 1, 2, 3. */
OX_API void oxGetChannel(uint32_t bytesPerPixel, uint32_t *red, uint32_t *green, uint32_t *blue) OX_NONNULL((2, 3, 4));

/* ---------------------------------------------------------------------------------------------------- */
/* Fills, lines and erase                                                                                */
/* ---------------------------------------------------------------------------------------------------- */

/* These functions take an image handle and lock the image themselves; a handle of 0 cannot be locked.
 * None has an error code. Boxes are x, y (top-left pixel), w, h (size), clipped to the image; all four 0
 * mean the whole image. Coordinates are exact: sums such as x + w never wrap around 32 bits. Nothing
 * outside the image is ever touched. */

/* Sets every byte of the pixel area to 0xFF: white at every depth, every mask bit 1, the fourth byte of
 * 32-bit pixels 255. Does nothing for a handle of 0. */
OX_API void oxImageErase(OxHandle image);

/* Fills the clipped box with `color`. 32 bits: the value's four bytes (fourth channel from bits 24-31); on
 * a gray layer 0xFFFFFF counts as 0xFFFFFFFF. 24 bits: red, green, blue; 8 bits: the low byte; 1 bit: set
 * for any non-zero colour, cleared for 0. A box covering the whole 1-bit image also sets or clears the
 * spare bits at the end of each row; a smaller box changes only its own bits.
 * Returns 1 (also when the clipped box is empty), 0 when the image cannot be locked. */
OX_API int32_t oxImageBoxFill(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t color);

/* Inverts the pixels of the clipped box: 8- and 24-bit bytes become 255 - b, 1-bit pixels flip (the spare
 * bits at the end of a row stay), 32-bit pixels get their three colour bytes inverted and their fourth byte
 * set to 0. Returns 1, or 0 when the image cannot be locked. */
OX_API int32_t oxXorImageBoxFill(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h);

/* Stores `value` into one byte of each pixel of the clipped box, the other bytes kept. channel: 0 the
 * fourth channel, 1 red, 2 green, 3 blue; on 24-bit images channel 0 is the red byte; 8-bit images ignore
 * the channel and store the byte. On 24- and 32-bit images a channel above 3 writes nothing. 1-bit images
 * are left unchanged. Returns 1, or 0 when the image cannot be locked. */
OX_API int32_t oxImageBoxFillEx(OxHandle image, int32_t x, int32_t y, int32_t w, int32_t h, uint8_t value,
                                uint32_t channel);

/* Lines: an error-term walk from (x1, y1) to (x2, y2) over max(|dx|, |dy|) + 1 points (one point for a
 * zero-length line), the end point included; x is the major axis when |dx| == |dy|, and an error term of 0
 * steps the minor axis. At each point a penSize x penSize square is drawn whose top-left pixel is the point
 * (extending right and down); its pixels outside the image are skipped. penSize <= 0 draws nothing. End
 * points may lie anywhere in the 32-bit range. Each pixel covered by the line is drawn once, however many
 * squares cover it. */

/* Paints the line with `color`: on 24- and 32-bit images its red, green and blue bytes (the fourth byte
 * stays); on 1-bit images color AND 1. 8-bit images are left unchanged. Returns 1, or 0 when the image
 * cannot be locked. */
OX_API int32_t oxImageLine(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penSize,
                           uint32_t color);

/* Paints the line with `color` on 24- and 32-bit images by mode: 1 paints only the pixels whose red, green
 * and blue equal keyColor's; 2 paints every pixel, and on 32-bit images also sets the fourth byte to 255
 * when the colour is white (red, green and blue 255); any other mode paints every pixel, keeping the fourth
 * byte. 1- and 8-bit images are left unchanged. Returns 1, or 0 when the image cannot be locked. */
OX_API int32_t oxImageLineEx(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penSize,
                             uint32_t color, uint32_t keyColor, uint32_t mode);

/* Inverts the line (colour bytes 255 - b, the fourth byte of 32-bit pixels kept; 8-bit values 255 - v;
 * 1-bit pixels flip), each covered pixel exactly once, so drawing the same line twice restores the image.
 * Both end points are first clamped into the image, which bends a line that leaves the image onto its
 * border. Returns 1, or 0 when the image cannot be locked (a handle of 0). */
OX_API int32_t oxXorImageLine(OxHandle image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penSize);

/* ---------------------------------------------------------------------------------------------------- */
/* Copy, conversion, mask and channel operations                                                         */
/* ---------------------------------------------------------------------------------------------------- */

/* In all of these the three colour bytes of 24- and 32-bit pixels are red, green, blue through the channel
 * map of each image (oxGetChannel); byte 0 of a 32-bit pixel is the fourth channel. Gray values are
 * 0.3 red + 0.59 green + 0.11 blue in double precision, truncated toward zero (never rounded). A value above
 * 127 gives a set bit; a set bit gives 255. Images whose header holds a depth other than 1, 8, 24 or 32 are
 * never touched: the functions with a result return 0 for them. */

/* Duplicates `src` into *dst or overwrites the image *dst. err: cleared, then set.
 *   - src 0: frees *dst (if any), sets *dst to 0, result 1.
 *   - *dst 0: a new image like src (same size; normal image of src's depth for layer 0, 32-bit gray layer for
 *     layer 1, 1-bit mask for any other layer) is made and stored in *dst; the caller frees it with oxFree.
 *     Creation failing gives 0 with the constructor's code.
 *   - Same bytes per pixel (bitCount / 8) and same size: the whole pixel area is copied byte for byte (fourth
 *     channel and spare bits of 1-bit rows included).
 *   - Otherwise the common area (smaller width and height, from the origin) is copied pixel by pixel exactly
 *     as oxImageCopyEx(*dst, 0, 0, w, h, src, 0, 0) copies it: between 24 and 32 bits the colour bytes (the
 *     fourth channel only when both are 32-bit, else the destination keeps its own); to or from 1 and 8 bits
 *     with the depth conversions of oxImageCopyEx. Pixels outside the common area keep their values.
 * An existing destination keeps its own size, depth and layer. */
OX_API int32_t oxImageCopy(OxHandle *dst, OxHandle src, uint32_t *err) OX_NONNULL((1, 3));

/* Copies the w x h block at (sx, sy) of `src` to (dx, dy) of `dst`, converting depth; 1, or 0 when either
 * handle is 0. w and h are first limited to both images' widths and heights. A 1-bit image is addressed by
 * bytes: its x acts as if rounded down to a multiple of 8 (toward zero).
 *   - 24/32 to 24/32: the three colour bytes; the fourth channel too when both are 32-bit.
 *   - from 1 bit: 0 or 255 (into all three colour bytes of 24/32-bit pixels); 1 to 1 copies the bit.
 *   - from 8 bits: thresholded into 1 bit, the value into all three colour bytes; 8 to 8 copies the byte.
 *   - from 24/32 bits: the gray value summed as (red x 0.3 + blue x 0.11) + green x 0.59, thresholded for a
 *     1-bit destination. (23,23,23) gives 23 and (57,57,57) gives 56.
 * Callers keep both blocks inside their images; a block reaching outside either image is clipped to both
 * (pixels that would fall outside are skipped, the others keep their places). A zero or negative w or h
 * copies nothing and gives 1. When dst and src are the same image, overlapping blocks are copied as if the
 * whole source block were read before anything is written. */
OX_API int32_t oxImageCopyEx(OxHandle dst, int32_t dx, int32_t dy, int32_t w, int32_t h, OxHandle src, int32_t sx,
                             int32_t sy);

/* Exchanges the pixels of two images of the same width and height; 0 (nothing changed) when the sizes differ
 * or a handle is 0. Between 24- and 32-bit images the colour bytes are exchanged, and the fourth channel too
 * when both are 32-bit. Two 1-bit or two 8-bit images exchange every pixel; a 1- or 8-bit image with an image
 * of another depth gives 0 and nothing changes. */
OX_API int32_t oxSwapImage(OxHandle a, OxHandle b);

/* 1 if the mask has a clear pixel (selects something), else 0. 0 also for a handle of 0 and for an image that
 * is not a 1-bit image with layer 2. Bits past the width of a row are not looked at. */
OX_API int32_t oxImageCheckMask(OxHandle image);

/* 1 if any pixel's colour bytes differ from white (value AND 0xFFFFFF != 0xFFFFFF), else 0; the fourth
 * channel does not count. Always 1 for a 1- or 8-bit image. 0 for a handle of 0 and for layers other than
 * normal and gray. */
OX_API int32_t oxImageCheckWhite(OxHandle image);

/* A new 8-bit normal image of the same size holding the gray value of each pixel of a 24- or 32-bit image,
 * summed as (blue x 0.11 + green x 0.59) + red x 0.3: (23,23,23) gives 22, white 255. The source is not
 * changed; the caller frees the result with oxFree. 0 for a handle of 0 or another depth (err untouched
 * then); 0 with the constructor's code when memory runs out. err: 0 on success. */
OX_API OxHandle oxImageFullColorToGrayScale(OxHandle image, uint32_t *err) OX_NONNULL((2));

/* Turns a 32-bit image into a gray layer in place: layer 1, fourth channel 255 for white pixels (all three
 * colour bytes 255) and 0 for all others; colour bytes unchanged. Images that are not 32-bit and a handle of
 * 0 are left entirely unchanged, layer included. */
OX_API void oxImageConvertNormaltoGray(OxHandle image);

/* Turns a 32-bit gray layer into a normal image in place: layer 0 and fourth channel 0 everywhere. White
 * pixels keep their colour; every other pixel mixes in white by its fourth channel a: with
 * f = a x 0.00392156862745098, f = 1 gives white, f = 0 black, else each colour byte c becomes
 * trunc(c x (1 - f) + f x 255) (black with a = 33 gives 32). Images that are not 32-bit and a handle of 0 are
 * left entirely unchanged. */
OX_API void oxImageConvertGraytoNormal(OxHandle image);

/* Restores from `src` the pixels of `dst` whose bit in `mask` is 1 (outside the selection), within `rect`
 * (right and bottom exclusive) clipped to all three images. Between 24- and 32-bit images a pixel is restored
 * only when its colour bytes differ from the source's: then the colour bytes are copied and, into a 32-bit
 * destination, the source pixel's byte 0 goes to the fourth channel (the source is expected to have the
 * destination's depth). Two 8-bit or two 1-bit images copy the masked values. 1 on success, also for an empty
 * box; 0 (nothing changed) when a handle or rect is 0, the mask is not a 1-bit image with layer 2, or a 1- or
 * 8-bit image meets an image of another depth. */
OX_API int32_t oxImageRevertMask(OxHandle dst, OxHandle mask, OxHandle src, const OxRect *rect);

/* A new 8-bit normal image holding one channel of a 24- or 32-bit image: 0 the fourth channel, 1 red,
 * 2 green, 3 blue. A 24-bit image has no fourth channel: 0 gives its red bytes. The caller frees the result
 * with oxFree. 0 for a handle of 0 or another depth (err untouched), 0 with code 0 for a channel above 3, 0
 * with the constructor's code when memory runs out. err: 0 on success. */
OX_API OxHandle oxImageGetChannel(OxHandle image, uint32_t channel, uint32_t *err) OX_NONNULL((3));

/* Flips the bits of a mask within left <= x < right, top <= y < bottom, clipped to the image. 1 on success
 * (also when nothing is left after clipping); 0 for a handle of 0 or an image that is not a 1-bit image with
 * layer 2. */
OX_API int32_t oxImageReverse(OxHandle mask, int32_t left, int32_t top, int32_t right, int32_t bottom);

/* ---------------------------------------------------------------------------------------------------- */
/* Resampling                                                                                            */
/* ---------------------------------------------------------------------------------------------------- */

/* Scales the source rectangle (sx, sy, sw, sh) of image `src` into the destination rectangle
 * (dx, dy, dw, dh) of image `dst`, each axis enlarged or reduced on its own. Both images stay the
 * caller's; nothing is allocated, nothing is kept, at most about 64 KiB of stack is used. Returns 1, or 0
 * when an image is 0, cannot be locked or holds a depth other than 1, 8, 24 or 32 (code 0).
 * err: cleared, then set (the first shortcut reports oxImageCopy's code).
 *
 * The first way that applies is taken (the mode is not looked at for equal sizes):
 *   1. dw == sw, dh == sh and all four offsets 0: oxImageCopy(&dst, src, err), which copies the area the two
 *      images have in common whatever the rectangles say. The handle `dst` is never replaced or freed.
 *   2. dw == sw and dh == sh, some offset not 0: oxImageCopyEx(dst, dx, dy, dw, dh, src, sx, sy).
 *   3. mode 1, or either image 1 bit per pixel: box sampling, in integers, over the four bytes of the pixel
 *      value (oxImageGetPixel / oxImagePutPixel encodings, so the depths may differ; a 1-bit result is 1
 *      only where every sample is 1). Destination pixel i starts at source column Xs = i * sw / dw; on
 *      reduction the run Xs .. Xe - 1 (Xe = (i + 1) * sw / dw) is added on top of that starting pixel,
 *      which thus counts twice, but only while Xe + sx <= sw. Rows likewise; where both a row run and
 *      Xe + sx <= sw apply, the plain mean of the block Xs .. Xe - 1 x Ys .. Ye - 1 is taken instead, and
 *      where only the row run applies, the column Xs is added on top of the starting pixel. A source
 *      narrower than the destination but taller gives blocks without a column (Xe == Xs): they take the
 *      column Xs. A source width (height) of 0 stands for the source image's width (height) less one.
 *      Products and sums are 64-bit and never wrap.
 *   4. Any other mode: area sampling between 8-, 24- and 32-bit images. Each destination pixel is the
 *      area-weighted mean of its cell, in double precision; cell edges are running sums of sw / dw and
 *      sh / dh from the rectangle's corner. Each byte field is limited to 255 and rounded with oxDouble2Int
 *      (127.5 gives 127). Bytes are read in the source's layout and written in the destination's, so 24
 *      and 32 bits convert (a missing fourth byte reads 0). Columns and rows at or beyond the source
 *      image's right and bottom edges are not read, but the divisor stays the whole cell; a source width
 *      or height of 0 gives cells of area 0, whose sums are not divided. A cell may cover any number of
 *      source pixels: reduction factors above 99 are sampled like the others.
 *      Half-size shortcut: when sw == 2 * dw, sh == 2 * dh, all offsets are 0, both images have the same
 *      depth and the source image is at least twice the destination image in each direction, every pixel
 *      (x, y) of the whole destination IMAGE (not only the rectangle) becomes the truncated mean of the
 *      source pixels (2x, 2y) .. (2x + 1, 2y + 1). Calls with those sizes that fail the other conditions
 *      are area sampled.
 * Outside the shortcuts, dw or dh below 1 writes nothing (result 1). Nothing is clipped: the caller keeps
 * the destination rectangle inside `dst` and the source rectangle inside `src` (0 <= sx and
 * sx + sw <= width, likewise for y; a box-sampled size of 0 counts as the image's size less one); only
 * area sampling tolerates a source rectangle that runs off the right or bottom edge. */
OX_API int32_t oxImageChangeResolution(OxHandle dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, OxHandle src,
                                       int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t mode, uint32_t *err)
    OX_NONNULL((12));

/* ---------------------------------------------------------------------------------------------------- */
/* Drawing images to a device context                                                                    */
/* ---------------------------------------------------------------------------------------------------- */

/* Draws the source rectangle (sx, sy, sw, sh) of `image` into the destination rectangle (dx, dy, dw, dh)
 * of the device context `dc` (an OxwDC of oxw.h), as 24-bit tiles of at most 128 x 128 pixels cut from the
 * destination's top left, band by band. A size of 0 stands for the image's width or height (for the
 * destination too). The source rectangle is limited to the image. Destination pixel (X, Y) (offsets in
 * the destination rectangle) shows the source pixel (sx + X * sw / dw, sy + Y * sh / dh), integer
 * division, except in the reduction below. Ways:
 *   1- and 8-bit images: always that nearest pixel; bit 1 white, bit 0 black, 8-bit value v as gray v.
 *   24- and 32-bit images, when both axes have the same whole scale: one to one; enlargement by n (each
 *   source pixel an n x n block); reduction by n, where each field is the truncated mean of the four
 *   pixels (x, y), (x + d, y), (x, y + d), (x + d, y + d) with d = n / 2 around the nearest pixel (x, y).
 *   Otherwise (no whole factor, or different ones) the nearest pixel.
 * With a 32-bit image and `grayFlag` non-zero the fourth byte (a gray layer's level) shows as gray;
 * otherwise red, green and blue show. Nothing is drawn outside the context's pixels, and tiles wholly
 * outside them are not built. 1 when the drawing ran (also when there was nothing to draw: an empty source
 * or destination); 0 when the image cannot be locked or sx, sy lie outside 0..width, 0..height. */
OX_API int32_t oxImageDraw(uintptr_t dc, int32_t dx, int32_t dy, int32_t dw, int32_t dh, OxHandle image, int32_t sx,
                           int32_t sy, int32_t sw, int32_t sh, uint32_t grayFlag);

/* ---------------------------------------------------------------------------------------------------- */
/* Selections: lasso list, selection masks, transfer and outlines                                        */
/* ---------------------------------------------------------------------------------------------------- */

/* A selection mask is a 1-bit image (normally from oxImageCreateMask): a 0 bit selects its pixel, a 1 bit
 * leaves it out, so a new mask selects everything. Every function below reads a mask as a 1-bit image of
 * its width and height whatever depth its header holds (and oxSelectWhiteOut writes it so). Positions
 * outside a mask or an image are never read or written. None of these functions has an error code. */

/* The lasso list: one list of at most 998 points for the whole library, for one caller at a time. */
/* Empties the list. */
OX_API void oxInitializeLassoTool(void);
/* Appends a point: 1 while the list holds fewer than 999 points afterwards; the 999th point empties the
 * list (that point is lost too) and gives 0. */
OX_API uint32_t oxAddLassoToolPoint(int32_t x, int32_t y);
/* The number of points in the list. */
OX_API int32_t oxGetLassoPoint(void);
/* The list's first point: 1000 slots of x, y, always at the same address; the library owns them (read
 * only). */
OX_API const OxPoint *oxGetLassoPointData(void);

/* Takes the white pixels of `image` (24 or 32 bits, red, green and blue all 255; the fourth byte is not
 * looked at) out of the selection: their bits in `mask` become 1, and when `outer` is not 0 so do the bits
 * at (x + offsetX, y + offsetY) in `outer` that lie inside it, white pixels already outside the selection
 * included. The image is read at the mask's positions; where it is smaller than the mask, the positions it
 * lacks are left alone. 1- and 8-bit images have no white pixels: nothing changes. Returns 1, or 0 (nothing
 * changed) when the image or the mask cannot be locked (a handle of 0). */
OX_API int32_t oxSelectWhiteOut(OxHandle image, OxHandle outer, OxHandle mask, int32_t offsetX, int32_t offsetY);

/* The bounding box of the selected pixels into *rect, widened by one at the left and the top only: right
 * and bottom are exclusive, left and top one before the first selected column and row. The single pixel
 * (5, 7) gives 4, 6, 6, 8; a new w x h mask gives -1, -1, w, h. Returns 1 when something is selected; 0
 * with *rect all zeros when nothing is; 0 with *rect untouched when the mask cannot be locked or rect is 0. */
OX_API int32_t oxGetSelection(OxHandle mask, OxRect *rect);

/* Masked transfer of the width x height rectangle whose corners are (dstX, dstY) in `dst`, (srcX, srcY) in
 * `src`, (maskX, maskY) in `mask` and (condX, condY) in `cond`. `cond` (condition image) and `mask` may be
 * 0 (not used). Width and height both 0 stand for the source's size. A position is visited only when it
 * lies inside every image used; it is written when the mask (if given) selects it and the condition image
 * (if given) holds exactly 0xFFFFFF there as oxImageGetPixel reads it (a 32-bit pixel needs its fourth byte
 * 0; a 1- or 8-bit condition image lets nothing through). The destination gets the source value as
 * oxImagePutPixel stores it, whatever the two depths. Positions are visited row by row from the top, each
 * row from the left, so within one image a copy to the right of or below its source repeats pixels it has
 * already written. Returns 1, also when nothing was written; 0 when dst or src cannot be locked. */
OX_API int32_t oxSelectImageToImage(OxHandle dst, int32_t dstX, int32_t dstY, OxHandle cond, int32_t condX,
                                    int32_t condY, OxHandle mask, int32_t maskX, int32_t maskY, OxHandle src,
                                    int32_t srcX, int32_t srcY, int32_t width, int32_t height);

/* As oxSelectImageToImage, but without a mask nothing is written (result 1), and a source pixel whose value
 * has its low 24 bits all 1 (white; the fourth byte does not count) leaves the destination as it was. When
 * darkerWins is not 0 and both images are gray layers (layer 1), white pixels are not skipped; the source
 * value is written when its bits 24-31 are not above the destination's, else the destination stays (the
 * darker level wins, the source on a tie). With a normal image on either side the flag is ignored. */
OX_API int32_t oxSelectImageToImageEx(OxHandle dst, int32_t dstX, int32_t dstY, OxHandle cond, int32_t condX,
                                      int32_t condY, OxHandle mask, int32_t maskX, int32_t maskY, OxHandle src,
                                      int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                                      int32_t darkerWins);

/* Paints `value` (in dst's encoding, stored as oxImagePutPixel stores it) into the pixels of the box x, y,
 * width, height that the mask (if given) selects and where the condition image (if given) is exactly
 * 0xFFFFFF; all images share the box's coordinates. x, y, width and height all 0 mean the whole destination.
 * Positions outside any image used are skipped. Returns 1, or 0 when dst cannot be locked. */
OX_API int32_t oxSelectImageBoxFill(OxHandle dst, OxHandle cond, OxHandle mask, int32_t x, int32_t y,
                                    int32_t width, int32_t height, uint32_t value);

/* Outlines. Drawing a pixel inverts its colour bytes (255 - b; byte 0 of a 32-bit pixel stays); 8-bit
 * values are inverted too and 1-bit pixels flip. A second call with the same arguments therefore restores
 * the image. Images of other depths are not drawn into. */

/* Draws the outline of the selection within `rect` (normally from oxGetSelection; a negative left or top
 * counts as 0, right and bottom at or past the image's edge are clipped to it), dashed by `phase`: an outline
 * pixel at (x, y) is drawn when ((x + y - 2 * phase) mod 8) >= 5. Only bits 0-1 of phase are used. Inside
 * the rectangle an outline pixel is a selected pixel with an unselected four-neighbour; on the rectangle's
 * border lines only one whose unselected neighbour lies outward (none at all at the image's edge). The mask
 * is read at the image's positions: image positions outside the mask are unselected, and a neighbour outside
 * the mask (such as the pixel below its bottom row) counts as selected, so a selection running along the
 * image's bottom edge gets its corners drawn like the rest of that edge. Returns 1; 0 (nothing drawn) when
 * rect is 0 or the image or the mask cannot be locked. */
OX_API int32_t oxImageSelectionMerge(OxHandle image, OxHandle mask, const OxRect *rect, uint32_t phase);

/* Draws, solid, the outline of the region maskRect of the mask, placed with its top-left corner at
 * imageRect's left and top. imageRect's right and bottom tell whether the region reaches the image's right
 * or bottom edge; if so it is clipped to stop one short of the image's last column or row. A negative left
 * or top clips the region there. A selected pixel of the region is drawn, by the first line that applies:
 *   - on the region's first column: unless that is the image's first column (then only its top pixel, and
 *     only when the region's top is not the image's first row);
 *   - on its first row: unless that is the image's first row;
 *   - at its bottom-right corner: always;
 *   - on its last column (row): unless imageRect's right (bottom), after clipping, is the image's last
 *     column (row);
 *   - inside: when one of its four neighbours is unselected (a neighbour outside the mask counts as
 *     unselected).
 * Region pixels right of or below the image (an imageRect that understates the region) or outside the mask
 * are skipped. Returns 1, also when the mask cannot be locked or a rectangle is 0 (nothing drawn); 0 when
 * the image cannot be locked. */
OX_API int32_t oxImageMoveSelectionMerge(OxHandle image, OxHandle mask, const OxRect *maskRect,
                                         const OxRect *imageRect);
/* As oxImageMoveSelectionMerge with the whole mask as the region. */
OX_API int32_t oxImageMoveSelectionMergeEx(OxHandle image, OxHandle mask, const OxRect *imageRect);

/* ---------------------------------------------------------------------------------------------------- */
/* Tagged documents                                                                                      */
/* ---------------------------------------------------------------------------------------------------- */

/* Tag ids. Every id other than 0 and the two raw ids is an image tag. */
#define OX_TAG_SMALL_THUMBNAIL 0xFF00u /* image tag: 64x48, 24 bits */
#define OX_TAG_RAW 0xFF01u             /* raw tag: a memory block, byte for byte */
#define OX_TAG_LARGE_THUMBNAIL 0xFF02u /* image tag: 160x120, 24 bits */
#define OX_TAG_GRAY_IMAGE 0xFF03u      /* image tag of a 32-bit image, read back as a gray layer */
#define OX_TAG_IMAGE_24 0xFF04u        /* image tag stored at 24 bits whatever the image's depth */
#define OX_TAG_VECTOR 0xFF05u          /* raw tag: an outline block */

/* A tagged document ends in a 2568-byte trailer: "KAVEL", 0, a version byte, 0, then a directory of 256
 * entries of 10 bytes (tag id u16, body size u32, body offset u32, little-endian; an empty entry is all
 * zero). Each tag record lies in front of the trailer: the id high byte first, then the body. Raw tags
 * (OX_TAG_RAW, OX_TAG_VECTOR) store a memory block byte for byte; every other id stores an image as a
 * run-length encoded true-colour TGA file. A body is always a whole handle (a multiple of 4096 bytes; an
 * image's encoding is followed by zeros), and the size field says so.
 *
 * Writing: one start call, any number of oxSetKavelTag, then oxCloseKavelTag. The tag writer is one
 * module-wide state without a lock: one document at a time, from one thread. While it holds a file open,
 * nobody else can open that file (the readers fail with 32).
 *
 * Error codes of this family: OX_ERR_NOT_TAGGED_DOCUMENT for a file that is no tagged document or holds no
 * such tag, and for a damaged one (a directory entry whose record does not lie in front of the trailer,
 * an id in front of the body that differs from the directory's, an image body that does not decode);
 * otherwise the file calls' codes (2 missing file, 5 denied, 32 file in use, 112 disk full, ...). */

/* The tag directory has no entry left for another id (256 different ids are the most). */
#define OX_ERROR_NO_MORE_ITEMS 259u

/* Starts tagging `path` in new mode: opens the existing file for writing and puts the tags behind
 * everything it holds, under an empty directory. A trailer the file already has stays as unreferenced
 * bytes and its tags are not listed. A file that does not exist is not created.
 * Decision: a start call while another file is being tagged first closes that file without a trailer
 * (its tags set since its start call are then listed nowhere); when the new open fails, no file is being
 * tagged afterwards.
 * Returns 1; 0 when the file cannot be opened. err: the open's code (0 on success). */
OX_API uint32_t oxSaveStartKavelFile(const char *path, uint32_t *err) OX_NONNULL((2));

/* Starts tagging `path` in append mode: opens the existing file for reading and writing and keeps the
 * directory of its trailer, so every tag already in the file stays listed; the first new record is
 * written over the old trailer. A file of 2569 bytes or more without a valid trailer is taken as untagged
 * content and gets an empty directory. A second start call behaves as with oxSaveStartKavelFile.
 * Returns 1; 0 on failure, the file closed again: OX_ERR_NOT_TAGGED_DOCUMENT for a file of 2568 bytes or
 * less, else the file calls' code. err: 0 on success. */
OX_API uint32_t oxAddStartKavelFile(const char *path, uint32_t *err) OX_NONNULL((2));

/* Appends one tag record to the file being tagged and lists it under `id`; an id already listed (set
 * since the start call or kept by append mode) is pointed at the new record, the old one staying as
 * unreferenced bytes. For OX_TAG_RAW and OX_TAG_VECTOR `data` is any handle, written whole; for every
 * other id `data` is an image of 24 or 32 bits, at most 32767 pixels on each side, encoded at its own
 * depth (24 bits for OX_TAG_IMAGE_24, a 32-bit image losing its fourth channel); the gray image tag takes
 * 32-bit images only. The caller keeps `data`.
 * Decisions: the image is encoded and the directory checked before anything is written, so a refused
 * tag leaves the file and the directory untouched:
 *   - no file is being tagged: 0 with 6;
 *   - `id` 0 (it marks empty entries): 0 with code 0;
 *   - `data` 0 or not a live handle: 0 with 6;
 *   - an image the encoding cannot hold (1 or 8 bits, wider or taller than 32767, 24 bits under
 *     OX_TAG_GRAY_IMAGE): 0 with code 0;
 *   - a new id when all 256 entries are taken: 0 with OX_ERROR_NO_MORE_ITEMS (ids already listed can still
 *     be replaced);
 *   - a record that would carry the file past 32-bit positions: 0 with OX_ERROR_FILE_TOO_LARGE.
 * A failed write leaves its bytes as unreferenced bytes and the directory unchanged; the writer stays
 * open. Returns 1 on success. err: 0 on success, else the code above or the file calls' code (not
 * updated when only cutting the file behind the record fails). */
OX_API int32_t oxSetKavelTag(OxHandle data, uint16_t id, uint32_t *err) OX_NONNULL((3));

/* Writes the trailer (with `version` as its version byte) behind the last record, ends the file there and
 * closes it. Returns 1; 0 with 6 when no file is being tagged, 0 with the file calls' code when writing
 * fails (code not updated when only ending the file fails), in which case the file stays open and the
 * writer as it was. */
OX_API int32_t oxCloseKavelTag(uint8_t version, uint32_t *err) OX_NONNULL((2));

/* Reads the tag with the low 16 bits of `id` from the document at `path`: a new memory block of the
 * stored size (page-rounded) holding the body's bytes for OX_TAG_RAW and OX_TAG_VECTOR, else a new image
 * (a gray layer for OX_TAG_GRAY_IMAGE, else a normal image of the stored depth, 24 or 32 bits). The
 * caller frees it with oxFree.
 * Returns 0 with OX_ERR_NOT_TAGGED_DOCUMENT when the file is 2568 bytes or less, its trailer lacks the
 * magic, no entry lists the id (id 0 never is), the record does not lie wholly in front of the trailer
 * (checked before anything is allocated), the id in front of the body differs, or an image body does not
 * decode (not this encoding, sizes that its bytes cannot fill, a truncated stream). Other failures: 0
 * with the file calls' code (2 missing, 32 in use, ...) or 8 when memory runs out. The file is always
 * closed again. err: 0 on success. */
OX_API OxHandle oxGetKavelTag(const char *path, uint32_t id, uint32_t *err) OX_NONNULL((3));

/* 1 when `path` ends in a valid trailer whose directory lists `id`, else 0 (also for a missing file, a
 * file in use, id 0). The record itself is not visited. */
OX_API uint32_t oxCheckKavelTag(const char *path, uint16_t id);

/* The standard tags of a saved document, written through the open tag writer (call between
 * oxSaveStartKavelFile/oxAddStartKavelFile and oxCloseKavelTag). */

/* Fits a source of srcWidth x srcHeight into the box *boxWidth x *boxHeight, keeping proportions and never
 * enlarging; the fitted size replaces the box. Double arithmetic: when the box is wider in proportion the
 * height is srcHeight / (srcWidth / boxWidth), else the width is srcWidth / (srcHeight / boxHeight). */
OX_API void oxCalcThumbSize(double srcWidth, double srcHeight, double *boxWidth, double *boxHeight) OX_NONNULL((3, 4));

/* Stores the small (64x48, tag 0xFF00) and large (160x120, tag 0xFF02) thumbnails of `image` (any depth):
 * white 24-bit images with the whole picture box-sampled into their centre, fitted by oxCalcThumbSize (sizes
 * and offsets truncated). The large one is stored only when the small one was. The image is not changed.
 * 1 when both were stored; 0 otherwise with the constructor's or oxSetKavelTag's code. */
OX_API uint32_t oxSetFileThumbnailTag(OxHandle image, uint32_t *err) OX_NONNULL((2));

/* Stores the outline block of oxImageToVector(image) as the raw tag 0xFF05. 1 when stored; 0 with
 * oxImageToVector's or oxSetKavelTag's code (a picture without ink has no outline and stores nothing). */
OX_API int32_t oxSetFileVectorTag(OxHandle image, uint32_t *err) OX_NONNULL((2));

/* ---------------------------------------------------------------------------------------------------- */
/* Vectorization                                                                                         */
/* ---------------------------------------------------------------------------------------------------- */

/* Traces the ink of a 24- or 32-bit image into outline polygons: every connected area of non-white pixels
 * (diagonal contact connects) and every hole in one becomes a contour. A pixel is background when the low
 * 24 bits of its value are all ones; the fourth byte of 32-bit pixels is ignored. The image is only read.
 *
 * Returns a new handle holding the outline block, big-endian throughout:
 *   offset 0  u32  total length of the outline data, this 32-byte header included
 *   offset 4  u16  number of contours
 *   offset 6  26 zero bytes
 *   offset 32 the contours in the order they were found (rows of the image from the top, left to right):
 *             u16 point count n (at least 1), then n points of u16 x, u16 y. The first point is the
 *             contour's start point, the others the polygon's vertices in tracing order.
 * Every point, the start point included, lies inside the image (0 <= x < width, 0 <= y < height). The
 * handle's page-rounded size exceeds the total length; the rest is zero. Free it with oxFree.
 *
 * Failure gives 0; err: set on failure, except where it stays unchanged:
 *   image 0 (cannot be locked)                                  code 6
 *   bitCount other than 24 or 32 (1- and 8-bit images are refused), width or height above 65536 (points
 *   would not fit 16 bits), or a record whose rows do not fit its block                    code 0
 *   no ink at all: there is no contour                          code unchanged
 *   more than 65535 contours, or one contour of more than 65535 points: the block's 16-bit counts cannot
 *   hold the outline, and it is refused rather than cut short                              code 87
 *   the classification array, the cell grid or the block cannot be allocated                code 8
 *   a contour's chain cannot be allocated                       code unchanged
 * One call works at a time: the cell grid is module-wide for the length of a call, and calls from several
 * threads wait for one another. */
OX_API OxHandle oxImageToVector(OxHandle image, uint32_t *err) OX_NONNULL((2));

/* ---------------------------------------------------------------------------------------------------- */
/* Rectangles and points                                                                                 */
/* ---------------------------------------------------------------------------------------------------- */

OX_API void oxSetRect(OxRect *rect, int32_t left, int32_t top, int32_t right, int32_t bottom) OX_NONNULL((1));
OX_API void oxSetPt(OxPoint *point, int32_t x, int32_t y) OX_NONNULL((1));
/* The rectangle spanned by two corners, per axis: the smaller value is the first edge, the larger the
 * exclusive edge, and equal values give an extent of 1. */
OX_API void oxMyPt2Rect(OxRect *rect, int32_t x1, int32_t y1, int32_t x2, int32_t y2) OX_NONNULL((1));
OX_API void oxOffsetRect(OxRect *rect, int32_t dx, int32_t dy) OX_NONNULL((1));
/* Edges move inward by dx, dy (negative widens). */
OX_API void oxInsetRect(OxRect *rect, int32_t dx, int32_t dy) OX_NONNULL((1));
OX_API void oxReformRect(OxRect *rect, int32_t dLeft, int32_t dTop, int32_t dRight, int32_t dBottom) OX_NONNULL((1));
/* Union of the inclusive corners of a and b (empty and inverted rectangles included); dst may be a or b. */
OX_API void oxUnionRect(OxRect *dst, const OxRect *a, const OxRect *b) OX_NONNULL((1, 2, 3));
/* The overlap of a and b into dst; all zeros and result 0 when they do not overlap or either is empty. */
OX_API int32_t oxIntersectRect(OxRect *dst, const OxRect *a, const OxRect *b) OX_NONNULL((1, 2, 3));
OX_API int32_t oxPtInRect(const OxRect *rect, int32_t x, int32_t y) OX_NONNULL((1));
/* 1 when left == right or top == bottom (an inverted rectangle is not empty). */
OX_API int32_t oxEmptyRect(const OxRect *rect) OX_NONNULL((1));
OX_API int32_t oxEqualRect(const OxRect *a, const OxRect *b) OX_NONNULL((1, 2));
/* Grows an inclusive bounding box so that it takes in `point`. */
OX_API void oxGetRegion(const OxPoint *point, OxRect *rect) OX_NONNULL((1, 2));

/* Window operations of the display layer; `window` is an OxwWindow, `dc` an OxwDC (oxw.h). Each returns 1
 * on success and 0 for a refused handle (0 included) or, where a rect is required, a rect of 0. */
/* The client rectangle: (0, 0, client width, client height). `rect` is untouched on failure. */
OX_API int32_t oxPortRect(uintptr_t window, OxRect *rect);
/* Adds `rect` (0: the whole client area), clipped to the client area, to the window's update region; the
 * background is not to be erased. */
OX_API int32_t oxInvalidateRect(uintptr_t window, const OxRect *rect);
/* Removes `rect` (0: the whole client area) from the update region. */
OX_API int32_t oxValidateRect(uintptr_t window, const OxRect *rect);
/* Inverts the colours (every bit of the pixel) of `rect`, clipped to what the context draws into; an empty
 * or inverted rect inverts nothing and succeeds. A context without pixels (the screen's) succeeds too. */
OX_API int32_t oxInvertRect(uintptr_t dc, const OxRect *rect);

/* ---------------------------------------------------------------------------------------------------- */
/* Curve and line points                                                                                 */
/* ---------------------------------------------------------------------------------------------------- */

/* The point at parameter t of the quadratic curve from (x1, y1) to (x2, y2) with control (cx, cy), by de
 * Casteljau's construction in double precision, ((x2 t + cx u) t) + ((x1 u + cx t) u) with u = 1 - t.
 * Each coordinate is rounded with oxDouble2Int and keeps only its low 16 bits as a signed value
 * (40000 -> -25536). t is not limited to 0..1; a NaN t gives (0, 0). */
OX_API void oxBezPoint(int32_t cx, int32_t cy, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double t,
                       OxPoint *result) OX_NONNULL((8));

/* While Shift (virtual key 16) is held down, snaps `end` to the horizontal, vertical or 45-degree line
 * through `start` that is nearest the dragged direction (slope dy / dx against tan(pi/8) and tan(3pi/8);
 * dx = 0 counts as slope 100). Horizontal and vertical keep the dragged coordinate. A diagonal keeps the
 * length: d = trunc(sqrt((dx^2 + dy^2) / 2)) steps toward the side of end.x (backward when end.x <= start.x),
 * then the end slides back along the diagonal until 0 <= x < width and 0 <= y < height (testing only the
 * two limits its direction can cross, x first). With Shift up nothing changes. */
OX_API void oxGetShiftLinePoint(const OxPoint *start, OxPoint *end, int32_t width, int32_t height) OX_NONNULL((1, 2));

/* ---------------------------------------------------------------------------------------------------- */
/* Management file and colour chart                                                                      */
/* ---------------------------------------------------------------------------------------------------- */

/* The code for a value too long for the buffer it is read through (see the Get functions below). */
#define OX_ERROR_INSUFFICIENT_BUFFER 122u

/* A management file is a sequence of entries from offset 0 to its end, with no header: tag (u32), value
 * length n (u32), then n bytes of text without a terminator; numbers little-endian. Values hold at most
 * 255 bytes; a tag may be any 32-bit number, and only its first entry is ever found.
 *
 * Every call opens the file exclusively (another open of it meanwhile fails with 32, sharing violation),
 * works, and closes it again before it returns. Results: 1 on success, 0 on failure. err: the reason on
 * failure (a system code, or the codes named below); 0 on success. A path, value or destination of 0 gives
 * 0 with 87.
 *
 * Files are untrusted: every length is checked against the file. An entry that runs past the end of the
 * file (a damaged file) ends the search: tags behind it are not found (0x20010006), and reading the cut-off
 * entry itself gives 0 with 38. */

/* Whole-file writes of this family and of the colour chart go through a temporary file beside the target,
 * ".NAME.XXXXXXXX.tmp" (X random letters and digits, created exclusively, never through a link), flushed
 * to the disk and renamed over the target, whose folder is then flushed too: a failure or a crash leaves
 * the old file or the new one, never a torn or empty one. A writer first removes the temporary files of
 * the same target that no live writer holds, so crashes leave at most one behind. The target keeps its
 * permissions; a symbolic link is followed and stays a link, and a dangling one gets its file. A target
 * that exists and is not a regular file is never replaced: a device, FIFO or socket gives 0 with 50
 * (OX_ERROR_NOT_SUPPORTED), a folder 0 with 5. */

/* Creates `path` holding one entry, tag 0 with the value "0": 9 bytes, replacing an existing file whole
 * (written as above, while the old file is held open). `creator` is ignored. */
OX_API uint32_t oxCreateManagementFile(const char *path, uint32_t creator, uint32_t *err) OX_NONNULL((3));

/* Stores `value` (a zero-terminated string) under `tag` in the existing file `path`.
 * - A tag not in the file is appended as a new entry behind the last one, in one write; a write that fails
 *   is cut off again, so the file stays as it was. A cut-off entry at the end of a damaged file is
 *   replaced by the new one.
 * - A present tag with a value of the same length: the entry's length and text are written over in place;
 *   nothing else in the file changes.
 * - A present tag with a value of another length (also the growth of the last entry): the entry takes the
 *   new length and text where it stood, every other entry keeps its place in the order and its value, and
 *   the file grows or shrinks by the difference. It is written whole beside the old file and renamed over it
 *   (as above) while the old file is held open.
 * A value longer than 255 bytes is refused with 0 and 87 before the file is opened. */
OX_API uint32_t oxManagementFileAddTagString(const char *path, uint32_t tag, const char *value, uint32_t *err)
    OX_NONNULL((4));

/* oxManagementFileAddTagString with `value` as signed decimal text ("%d": "-12", "0"). */
OX_API uint32_t oxManagementFileAddTagInt(const char *path, uint32_t tag, int32_t value, uint32_t *err) OX_NONNULL((4));

/* Copies the value of `tag` to `dst` with a terminator (`dst` holds at least its length + 1, at most 256
 * bytes). A missing tag (an empty file included) gives 0 with 0x20010006; a stored value longer than 255
 * bytes gives 0 with 122 (OX_ERROR_INSUFFICIENT_BUFFER), and `dst` is then untouched. */
OX_API uint32_t oxManagementFileGetTagString(const char *path, uint32_t tag, char *dst, uint32_t *err) OX_NONNULL((4));

/* Reads the value of `tag` as "%d" does: optional white space, an optional sign, decimal digits, up to the
 * first other character ("12ab" gives 12). When the text does not begin with a number the destination is
 * left unchanged and the result is still 1. A number outside the int32 range wraps modulo 2^32, as its
 * 32-bit accumulation would. Fails like oxManagementFileGetTagString; a stored value longer than 99 bytes
 * gives 0 with 122. */
OX_API int32_t oxManagementFileGetTagInt(const char *path, uint32_t tag, int32_t *value, uint32_t *err) OX_NONNULL((4));

/* A colour chart: 1280 named colours in a caller-owned record of exactly 28162 bytes. Channels hold
 * 0..255; a name is zero-terminated, at most 15 characters. */
#define OX_COLOR_CHART_ENTRIES 1280u
#define OX_COLOR_CHART_SIZE 28162u
typedef struct OxColorChartEntry {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
    char name[16];
} OxColorChartEntry;
typedef struct OxColorChart {
    uint16_t header; /* 100 after a load */
    OxColorChartEntry entries[OX_COLOR_CHART_ENTRIES];
} OxColorChart;

/* Fills `chart` from a colour chart file (28162 bytes: the header 0x00 0x64, then per entry three 16-bit
 * big-endian channels, a name length byte and 15 name bytes). The size is checked first: another size
 * gives 0 with 0x20010003 (a short file with a good header too); then the header: 0 with 0x20010002.
 * When the first byte of every channel in the file is zero, the channels are read from their second bytes
 * (low-byte files), otherwise from their first bytes. A name length above 15 is cut to 15. The whole file
 * is read before the chart is written, so a failed load leaves the chart as it was. Results: 1 or 0.
 * err: 0 on success, else the reason (a system code from opening or reading, 32 while another call holds
 * the file). */
OX_API uint32_t oxColorChartLoad(const char *path, OxColorChart *chart, uint32_t *err) OX_NONNULL((3));

/* Writes `chart` to `path` as a colour chart file: the header value as it is (a chart whose header is not
 * 100 saves into a file that loading refuses), each channel's low byte twice, the name's length up to its
 * first zero but at most 15 (a name field with no zero in its first 15 bytes saves as 15 characters), and
 * the first 15 bytes of the name field. An existing read-only file is refused with 0 and 5 before
 * anything is written. The new file is written beside the old one and renamed over it while the old one
 * is held open exclusively, as the management file's whole-file writes are (above). `creator` is ignored;
 * the chart is not changed. Results: 1 or 0. err: 0 on success, else the reason. */
OX_API uint32_t oxColorChartSave(const char *path, const OxColorChart *chart, uint32_t creator, uint32_t *err)
    OX_NONNULL((4));

/* Sets every entry to white (255, 255, 255) with an empty name (its first byte 0). The header and the
 * rest of the name fields are left as they are. A chart of 0 is ignored. */
OX_API void oxColorChartClear(OxColorChart *chart);

/* ---------------------------------------------------------------------------------------------------- */
/* Cel layer names                                                                                       */
/* ---------------------------------------------------------------------------------------------------- */

/* The name of layer `index` into `name` (at least 4 bytes): 0 "-BG", 1..26 "A".."Z", 27..702 "AA".."ZZ".
 * Beyond 702 the first character runs on past 'Z' ('[', '\', ...) while it is printable ASCII, up to
 * index 1638 ("~Z"); larger indexes give "??". */
OX_API void oxGetCelLayerName(uint32_t index, char *name) OX_NONNULL((2));

#ifdef __cplusplus
}
#endif

#endif /* OXWUTL_OX_H */
