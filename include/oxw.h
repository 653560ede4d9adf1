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
/* A module whose resources (strings, bitmaps) the library reads; 0 = the library's own module. */
typedef uintptr_t OxwModule;

/* ---------------------------------------------------------------------------------------------------- */
/* Global memory blocks (host side)                                                                      */
/* ---------------------------------------------------------------------------------------------------- */

/* Movable blocks, as DIB blocks travel between the library, the host and the clipboard. The handle is an
 * opaque value, not an address: the address holds only between oxwGlobalLock and oxwGlobalUnlock, and a
 * block may move while it is unlocked. Every call checks its handle: 0, a freed handle or any value not
 * made here is refused. */

/* A new zero-filled block of `size` bytes. 0 on failure: size 0 gives 87, no memory 8. err: set on failure.
 * Release with oxwGlobalFree. */
OX_API OxwGlobal oxwGlobalAlloc(uint32_t size, uint32_t *err) OX_NONNULL((2));
/* The block's address, counting one lock more; 0 for a refused handle. */
OX_API void *oxwGlobalLock(OxwGlobal block);
/* Counts one lock less (never below 0). Returns the locks still held: 0 when the block is now unlocked
 * and for a refused handle. */
OX_API int32_t oxwGlobalUnlock(OxwGlobal block);
/* The size asked for at allocation or resize; 0 for a refused handle. */
OX_API uint32_t oxwGlobalSize(OxwGlobal block);
/* Resizes the block, keeping its handle: contents kept up to the smaller size, a grown part zero-filled;
 * the block may move. 1 on success; 0 with 6 (refused handle), 33 (the block is locked), 87 (size 0) or 8
 * (no memory), the block then unchanged. err: set on failure. */
OX_API int32_t oxwGlobalReAlloc(OxwGlobal block, uint32_t size, uint32_t *err) OX_NONNULL((3));
/* Releases a block, locked or not (addresses from its locks become invalid). 1, or 0 for a refused
 * handle. */
OX_API int32_t oxwGlobalFree(OxwGlobal block);

/* ---------------------------------------------------------------------------------------------------- */
/* Device-independent bitmaps                                                                            */
/* ---------------------------------------------------------------------------------------------------- */

/* A DIB block is a global memory block holding a packed device-independent bitmap: this 40-byte header
 * (host-endian), a colour table of 4-byte entries (blue, green, red, 0) and pixel rows padded to 32 bits,
 * the bottom row of the picture first; 24-bit pixels are stored blue, green, red. The functions here take
 * top-down coordinates (y = 0 is the top row) and hide the bottom-up storage. Blocks they return are
 * unlocked and owned by the caller, who frees them with oxwGlobalFree. */
typedef struct OxwBitmapInfoHeader {
    uint32_t biSize; /* 40 in blocks made here */
    int32_t biWidth;
    int32_t biHeight; /* positive: rows stored bottom-up */
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression; /* 0: uncompressed */
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} OxwBitmapInfoHeader;

/* A block made elsewhere (the clipboard, a file) is read only when it holds up: biSize from 40 up to the
 * block's size; width and height from 1 up; depth 1, 4, 8 or 24; no compression; a colour table of
 * biClrUsed entries when that is non-zero (at most 256), else 2, 16, 256 or 0 by depth; and the table
 * (read at block start + 40) and the rows (starting at block start + biSize + 4 x entries) inside the
 * block. A colour index at or beyond the table's entry count reads as black. */

/* The code of a block or bitmap file that does not hold up (the system's "invalid data"). */
#ifndef OX_ERROR_INVALID_DATA
#define OX_ERROR_INVALID_DATA 13u
#endif

/* What oxwDibLock returns, in a small global block of its own (field `self`). Pointer-sized fields hold
 * addresses and handles; the record stays valid until oxwDibUnlock. */
typedef struct OxwDibLockRec {
    OxwGlobal dib;                /* the locked DIB block */
    OxwGlobal self;               /* the block holding this record, freed by oxwDibUnlock */
    OxwBitmapInfoHeader *header;  /* the locked header */
    OxwBitmapInfoHeader *info;    /* the header again: the pixel functions read size and depth here */
    uint8_t *afterHeader;         /* header + 44; not read by the library */
    uint8_t *bits;                /* the first stored row: the bottom row of the picture */
    uint32_t rowBytes;            /* bytes per stored row, a multiple of 4 */
    uint32_t colors;              /* colour-table entries */
} OxwDibLockRec;

/* The colour a 1-bit block's pixel functions use for a set bit (a clear bit reads 0xFFFFFF), whatever the
 * block's colour table says. */
#define OXW_DIB_MARK_COLOR 0x7F7F7Fu

/* A new white-on-nothing block: all pixels 0, header as above (biSizeImage = row bytes x height, the rest
 * 0). Depth 1 gets the table black, white; depth 8 the gray ramp (entry i = i, i, i) when `gray` is
 * non-zero, else the library's fixed 256-colour palette; 24 and 32 no table. Depth 4 returns 0 with `err`
 * untouched; any other depth, and a negative width or height or a block above 4 GiB, return 0 with code 0.
 * A width or height of 0 gives a block of header and table alone (40 bytes at depth 24) that holds no
 * pixel, so the lock and the conversions refuse it as they refuse such a block from elsewhere.
 * No memory: 0 with 8. err: set on failure. */
OX_API OxwGlobal oxwCreateDIB(int32_t width, int32_t height, uint32_t depth, int32_t gray, uint32_t *err)
    OX_NONNULL((5));

/* Locks a block for the pixel functions: both the block and the record's own block stay locked until
 * oxwDibUnlock. 0 for a handle of 0, a refused handle, or a block that does not hold up (see above;
 * depth 32 is refused). */
OX_API OxwDibLockRec *oxwDibLock(OxwGlobal dib);
/* Frees the record's block and unlocks the DIB block. 1 (also for a record of 0, which does nothing). */
OX_API int32_t oxwDibUnlock(OxwDibLockRec *lock);

/* One pixel as a colour value 0x00BBGGRR (depth 8: the colour-table index). Outside the picture nothing
 * is written and reads give 0xFFFFFF. Depth 1: writing OXW_DIB_MARK_COLOR sets the bit and any other
 * colour clears it; reading gives OXW_DIB_MARK_COLOR or 0xFFFFFF. Depth 4 writes nothing and reads 0. */
OX_API void oxwPutDibPixel(const OxwDibLockRec *lock, int32_t x, int32_t y, uint32_t color) OX_NONNULL((1));
OX_API uint32_t oxwGetDibPixel(const OxwDibLockRec *lock, int32_t x, int32_t y) OX_NONNULL((1));
/* Lock, read one pixel, unlock; 0 when the block cannot be locked. */
OX_API uint32_t oxwGetPixelDIB(OxwGlobal dib, int32_t x, int32_t y);
/* Writes 0xFFFFFF to every pixel (clear bits, index 255, white). 1, or 0 when the block cannot be locked. */
OX_API int32_t oxwEraseDIB(OxwGlobal dib);

/* Draws the top-down source rectangle (sx, sy, width / z x height / z) of the block at (dx, dy) of the
 * context, scaled by the integer zoom z: for z > 1 the destination width and height are first rounded up
 * to multiples of z and each source pixel becomes a z x z block; z = 1 copies; z <= 0 takes |z| x width by
 * |z| x height source pixels into width x height (nearest pixel; z = 0 takes none and draws nothing). Any
 * depth a block holds up with, 32 included. 1, or 0 for a handle of 0, a refused handle or a block that
 * does not hold up. */
OX_API int32_t oxwDrawDIB(OxwDC dc, int32_t dx, int32_t dy, OxwGlobal dib, int32_t sx, int32_t sy, int32_t width,
                          int32_t height, int32_t zoom);

/* biWidth / biHeight; 0 for a handle of 0, a refused handle or a block shorter than 12 bytes. */
OX_API int32_t oxwDIBWidth(OxwGlobal dib);
OX_API int32_t oxwDIBHeight(OxwGlobal dib);

/* n rounded up to a multiple of 4 / of 32 (modulo 2^32). */
OX_API uint32_t oxwDIB_WIDTH_BYTE(uint32_t n);
OX_API uint32_t oxwDIB_WIDTH_BIT(uint32_t n);

/* A new image of `depth` 1, 8 or 24 from the block. A handle of 0 or another depth: 0 with `err`
 * untouched. A block that cannot be locked or does not hold up: 0 with 13. Same depths 1 and 8 copy the
 * rows (bits and indices, the colour table ignored); otherwise each pixel becomes its colour (the table
 * entry of its index, or the stored blue, green, red), the gray of it, or a bit set when that gray is
 * above 127. Gray of a table entry: (0.59 g + 0.3 r) + 0.11 b; of a 24-bit pixel (0.11 b + 0.59 g) + 0.3 r;
 * both in double precision, truncated. Image creation failures leave its code. err: set on failure.
 * Free with oxFree. */
OX_API OxHandle oxwDibToImage(OxwGlobal dib, uint32_t depth, uint32_t *err) OX_NONNULL((3));

/* A new block from an image: depth 1 gives a 1-bit block (black, white) with the same bits, 8 an 8-bit
 * block with the gray ramp and the same bytes, 24 and 32 a 24-bit block (the fourth byte of 32-bit pixels
 * dropped). Rows are turned bottom-up; padding bytes are 0. 0 when the image cannot be locked (`err`
 * untouched), for another depth (0) or without memory (8). err: set on failure. */
OX_API OxwGlobal oxwImageToDib(OxHandle image, uint32_t *err) OX_NONNULL((2));

/* A new 32-bit image (a gray layer when `gray` is non-zero) with each pixel's colour from the block:
 * bytes red, green, blue at 1..3, byte 0 left 0. A handle of 0 or a block that cannot be locked or does
 * not hold up: 0 with 13 (0 untouched for a handle of 0). err: set on failure. Free with oxFree. */
OX_API OxHandle oxwCreateClipBoardImage(OxwGlobal dib, int32_t gray, uint32_t *err) OX_NONNULL((3));

/* ---------------------------------------------------------------------------------------------------- */
/* Device-dependent bitmaps                                                                              */
/* ---------------------------------------------------------------------------------------------------- */

/* Bitmaps in the display's own format. The caller owns every bitmap returned here and deletes it with
 * oxwHostDeleteObject. Bitmaps made by oxwCreateDDB and oxwOpenFileDDB carry their width and height as a
 * recorded size: the copy functions take it as the default source size and oxGetPictRect reports it.
 * Drawing and copying functions take a window and a context: a context of 0 means the window's, taken
 * and released within the call; a bitmap of 0 means the context itself, any other bitmap is drawn on
 * through a memory context made for the call. They report nothing: what the drawing layer refuses is not
 * drawn. `palette` (a logical palette, 0 for none) is selected into the context around a copy. */

/* A bitmap of width x height filled white (depth 1, 4, 8, 16, 24 or 32 describes it; the pixels take the
 * display's format). 0 on failure: another depth gives 87, a size the display refuses its code (87 for a
 * side below 1), no memory 8. err: set on failure. */
OX_API OxwBitmap oxwCreateDDB(OxwWindow window, OxwDC dc, int32_t width, int32_t height, int32_t depth,
                              uint32_t *err) OX_NONNULL((6));

/* A bitmap from a bitmap file: "BM" and 12 more header bytes (their offset field is not used), then a
 * packed DIB whose rows follow its colour table. The DIB must hold up as for DIB blocks (header size,
 * width and height from 1, depth 1, 4, 8 or 24, no compression, at most 256 table entries, table and rows
 * inside the file); nothing outside the file is read. 0 on failure: the open's code (2, 3, 5 ...), 5 for a
 * folder, 13 for a file that is shorter than 14 bytes, lacks "BM" or whose DIB does not hold up, 30 when
 * the file ends before its size, 8 without memory. err: set on failure. */
OX_API OxwBitmap oxwOpenFileDDB(OxwWindow window, OxwDC dc, const char *path, uint32_t *err) OX_NONNULL((4));

/* A bitmap from a bitmap resource of `module` (0: the library's own), named by a string or by a number
 * below 0x10000 passed as the pointer value ("#123" also names number 123). The packed DIB must hold up as
 * for DIB blocks. `palette`, when given, is realised in the context while the bitmap is made, then the
 * previous palette is put back (as a background palette). 0 on failure: 6 for a refused module, 1814 for
 * a missing bitmap, 13 for one that does not hold up, 8 without memory. err: set on failure. */
#ifndef OX_ERROR_RESOURCE_NAME_NOT_FOUND
#define OX_ERROR_RESOURCE_NAME_NOT_FOUND 1814u
#endif
OX_API OxwBitmap oxwOpenResourceDDB(OxwWindow window, OxwDC dc, const char *name, uintptr_t palette,
                                    OxwModule module, uint32_t *err) OX_NONNULL((6));

/* A bitmap from bitmap resource number `id` of `module`, without a recorded size; its width and height go
 * to the out-pointers that are not 0. 0 when the resource is missing or does not hold up. */
OX_API OxwBitmap oxLoadPictResource(OxwModule module, uint16_t id, int32_t *width, int32_t *height);

/* Fills (0, 0, width, height) of `bitmap` with the system colour `index` (indices outside the scheme give
 * black); a bitmap of 0 makes a new one of width x height first (without a recorded size). Returns the
 * bitmap; 0 with the display's code when a bitmap or brush cannot be made (a new bitmap is then deleted).
 * err: set on failure. */
OX_API OxwBitmap oxwCreateSysColorDDB(OxwWindow window, OxwBitmap bitmap, int32_t width, int32_t height,
                                      int32_t index, uint32_t *err) OX_NONNULL((6));

/* Copies width x height pixels from (sx, sy) of `src` to (x, y) of `dst`; width and height both 0 take the
 * source's recorded size. Four cases: dst 0 copies from the source bitmap onto the context; src 0 from the
 * context into the destination bitmap; two bitmaps from one to the other; the same bitmap within itself.
 * Both 0 copy within the context. */
OX_API void oxwCopyDDB(OxwWindow window, OxwDC dc, OxwBitmap dst, int32_t x, int32_t y, int32_t width,
                       int32_t height, OxwBitmap src, int32_t sx, int32_t sy, uintptr_t palette);
/* The same cases, stretching the source rectangle (sx, sy, sw, sh) onto (x, y, width, height) by the
 * nearest pixel; sw and sh both 0 take the source's recorded size. */
OX_API void oxwCopyDDBEx(OxwWindow window, OxwDC dc, OxwBitmap dst, int32_t x, int32_t y, int32_t width,
                         int32_t height, OxwBitmap src, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                         uintptr_t palette);

/* The outline of (left, top, right, bottom) with a solid pen of `penWidth` and `color`, interior untouched:
 * the pixels from left to right - 1 and top to bottom - 1, a wider pen adding pixels outward first. */
OX_API void oxwDrawBoxDDB(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t left, int32_t top, int32_t right,
                          int32_t bottom, int32_t penWidth, OxColorRef color);
/* The interior of (left, top, right, bottom) in `color`, without outline: [left, right - 1) x
 * [top, bottom - 1). */
OX_API void oxwDrawFillDDB(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t left, int32_t top, int32_t right,
                           int32_t bottom, OxColorRef color);

/* Puts the source context's rectangle on the destination through `mask`: the mask (lying over the source,
 * read from (sx, sy) as the source is) is ANDed onto the destination rectangle, then the source ORed. The
 * mask is white where the destination shows through and black under the picture; the picture must be
 * black where the mask is white. 1 when the temporary context was deleted; 0 when it could not be made. */
OX_API int32_t oxwTransparentBlt(OxwDC dst, int32_t x, int32_t y, int32_t width, int32_t height, OxwDC src,
                                 int32_t sx, int32_t sy, OxwBitmap mask);

/* (0, 0, recorded width, recorded height) into `rect` (all 0 for a bitmap without a recorded size or a
 * refused handle); returns `rect`. */
OX_API OxRect *oxGetPictRect(OxwBitmap bitmap, OxRect *rect) OX_NONNULL((2));

/* Shows the wait cursor (and leaves it shown), then marks a polygon in a 1-bit image: the vertices'
 * bounding box, clipped to the image, is rasterised (even-odd interior plus a one-pixel outline) and every
 * covered pixel of the image becomes 1 with mode 2 and 0 with any other mode; pixels not covered keep their
 * value. The vertex array is changed: each vertex is moved by minus the box's top-left corner, negative
 * results becoming 0. 0 when the image cannot be locked (err untouched); 0 with 0x20010005 when the clipped
 * box is narrower or lower than 2 pixels; 0 with the bitmap's or the block's code when they cannot be made.
 * err: set on failure. */
OX_API int32_t oxwPolygonFill(OxwWindow window, OxHandle image, OxPoint *points, int32_t count, int32_t mode,
                              uint32_t *err) OX_NONNULL((6));

/* ---------------------------------------------------------------------------------------------------- */
/* Fonts and text                                                                                        */
/* ---------------------------------------------------------------------------------------------------- */

/* A font of the display layer: a drawing object made from a font description (height, weight, italic,
 * underline, strike-out, character set, pitch and family, face name). The face is the one fontconfig offers
 * for the character set (128 Shift-JIS: a Japanese face; 134 GB2312: a Simplified Chinese face), the pitch
 * and family (fixed pitch: monospace; roman: serif; others: sans), the weight and italic; the face names of
 * the description are recorded only. Glyphs are rendered by FreeType in monochrome, so equal text with
 * equal installed fonts gives equal pixels. The caller owns a font returned here and deletes it with
 * oxwHostDeleteObject. */
typedef uintptr_t OxwFont;

/* Text is zero-terminated bytes in the code page of oxGetCodePage (932, 936, 949, 950, 1252, or 65001 for
 * UTF-8). A byte sequence that does not decode draws the replacement character; a character the face
 * lacks draws the face's missing-glyph box. A text of 0 is taken as empty. */

/* An edition's text font (_J Japanese, _E English, _C Chinese) for the context (0: the window's). The
 * requested points snap to the edition's ladder (_J and _C: below 8 -> 8, 8-12 kept, 13-27 odd sizes lowered
 * by one, 28-35 -> 28, 36-47 -> 36, 48-71 -> 48, 72 up -> 72; _E: below 10 -> 8, 11 -> 10, 13 -> 12,
 * 14-17 -> 14, 18-23 -> 18, 24 up -> 24, 10 and 12 kept); the height is -(points x 96 / 72) rounded (96
 * pixels per inch). Style: bit 0 bold (weight 700, else 400), bit 8 italic, bit 16 underline, bit 24
 * strike-out; other bits ignored. 0 when the context (or a window of 0's) cannot be had. */
OX_API OxwFont oxwCreateFont_J(OxwWindow window, OxwDC dc, int32_t points, int32_t style);
OX_API OxwFont oxwCreateFont_E(OxwWindow window, OxwDC dc, int32_t points, int32_t style);
OX_API OxwFont oxwCreateFont_C(OxwWindow window, OxwDC dc, int32_t points, int32_t style);
/* The colour chart fonts: _J an 8-point Japanese fixed-pitch face; _E a 7-point light serif face, or with
 * `terminal` non-zero a 6-point fixed-pitch face; _C an 8-point light Chinese face. 0 as above. */
OX_API OxwFont oxwCreateFont_ColorChart_J(OxwWindow window, OxwDC dc);
OX_API OxwFont oxwCreateFont_ColorChart_E(OxwWindow window, OxwDC dc, int32_t terminal);
OX_API OxwFont oxwCreateFont_ColorChart_C(OxwWindow window, OxwDC dc);

/* Draws `text` with the top-left of its cell at (x, y) in `color`, background left as it is, onto `bitmap`
 * (0: onto the context; the context 0: the window's). The font is made for the call and deleted; the
 * ByFont forms use the caller's `font`, which stays the caller's (oxwDrawString_ColorChartByFont is the same
 * function). Every state of the context is put back. Always 1: an empty text, a refused font, window,
 * context or bitmap draws nothing. */
OX_API int32_t oxwDrawString_J(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y, const char *text,
                               int32_t points, OxColorRef color, int32_t style);
OX_API int32_t oxwDrawString_E(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y, const char *text,
                               int32_t points, OxColorRef color, int32_t style);
OX_API int32_t oxwDrawString_C(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y, const char *text,
                               int32_t points, OxColorRef color, int32_t style);
OX_API int32_t oxwDrawStringByFont(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                   const char *text, OxwFont font, OxColorRef color);
OX_API int32_t oxwDrawString_ColorChartByFont(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                              const char *text, OxwFont font, OxColorRef color);
/* With the colour chart fonts; the last argument of _J and _C is not read. */
OX_API int32_t oxwDrawString_ColorChart_J(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                          const char *text, OxColorRef color, int32_t unused);
OX_API int32_t oxwDrawString_ColorChart_E(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                          const char *text, OxColorRef color, int32_t terminal);
OX_API int32_t oxwDrawString_ColorChart_C(OxwWindow window, OxwDC dc, OxwBitmap bitmap, int32_t x, int32_t y,
                                          const char *text, OxColorRef color, int32_t unused);

/* Draws `text` into an image record standing on baseline y, its left end at x: a white picture of the text
 * is rendered with the font (the edition's font made for `dc`, 0: the window's, and deleted; or the caller's
 * `font`), and every pixel of it that is not pure white is written with oxImagePutPixelEx(lock, x, y, color,
 * 0xFFFFFF): the full colour, no blending (white text changes nothing). Only the text's box is rendered and
 * walked; the pixels are those of a picture of the whole image. 1 with err 0; an empty text or a text of 0
 * returns 1 at once (err untouched, image not looked at, even 0); an image of 0 or one that cannot be
 * locked returns 0 with err untouched; 0 with 8 when the context cannot be had or the font or picture cannot
 * be made; ByFont: 0 with 6 for a font of 0 or a deleted font. */
OX_API int32_t oxwImageDrawString_J(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y,
                                    const char *text, int32_t points, OxColorRef color, int32_t style, uint32_t *err)
    OX_NONNULL((10));
OX_API int32_t oxwImageDrawString_E(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y,
                                    const char *text, int32_t points, OxColorRef color, int32_t style, uint32_t *err)
    OX_NONNULL((10));
OX_API int32_t oxwImageDrawString_C(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y,
                                    const char *text, int32_t points, OxColorRef color, int32_t style, uint32_t *err)
    OX_NONNULL((10));
OX_API int32_t oxwImageDrawStringByFont(OxwWindow window, OxwDC dc, OxHandle image, int32_t x, int32_t y,
                                        const char *text, OxwFont font, OxColorRef color, uint32_t *err)
    OX_NONNULL((9));

/* The locater box of a view showing an image at integer zoom z: with cx = (picture right / 2) x z + origin
 * x and cy = (picture bottom / 2) x z + origin y (halves truncated), `rect` gets (cx - 1, cy - 1, cx + z + 1,
 * cy + z + 1), wrapped to 32 bits. Nothing is done when `rect` or `picture` is 0. */
OX_API void oxwGetLocaterBoxRect(OxRect *rect, const OxRect *picture, OxPoint origin, int32_t zoom);
/* Rounds *width and *height up to multiples of the zoom (a zoom below 1 counts as 1) and gives `rect`
 * (0, 0, width / zoom, height / zoom). Nothing is done when a pointer is 0. */
OX_API void oxwGetLocaterOffSize(int32_t *width, int32_t *height, OxRect *rect, int32_t zoom);

/* ---------------------------------------------------------------------------------------------------- */
/* Status bar and progress bars                                                                          */
/* ---------------------------------------------------------------------------------------------------- */

/* One status bar and at most one progress bar exist at a time, process-wide, for the host's user-interface
 * thread. The status bar is a child window (id 201) along the bottom of the host window, 22 pixels tall, as
 * wide as the window, with a size grip; its panes end at the right edges set by oxwBarSize (-1: the bar's
 * end), each starting 2 pixels after the previous one, from y 2 to the bar's bottom; each shows its text in
 * a sunken frame. It paints into its own window surface (oxwHostReadWindowPixels reads it). */

/* Makes the status bar of `parent` and keeps it (replacing the one kept before, also when this fails).
 * 1, or 0 for a refused parent. */
OX_API int32_t oxwCreateStatusBar(OxwWindow parent);
/* The status bar kept (0 when none). */
OX_API OxwWindow oxwGetStatusBarHandle(void);
/* Sets a pane's text (0: empty) and repaints the pane. 1, or 0 without a status bar or for a pane that does
 * not exist. */
OX_API int32_t oxwSetBarText(const char *text, int32_t pane);
/* The status bar's rectangle in screen coordinates into `rect`; then panes ending at `rightEdges[0 ..
 * count - 1]` (1..256 of them; another count keeps the panes) and the bar moved to x 0, y = yRef - that
 * rectangle's bottom, width x height, repainted. 1 when moved; 0 without a status bar, for a `rect` of 0 or
 * a refused size. */
OX_API int32_t oxwBarSize(int32_t yRef, OxRect *rect, int32_t count, int32_t width, int32_t height,
                          const int32_t *rightEdges);

/* Starts the progress bar in pane `pane` of the status bar. `counterMode` non-zero: a counter bar showing
 * "caption steps/total" in black on the button face, inside the pane's frame, with the done share
 * (trunc(steps x pane width / total) pixels) inverted, text included; _J draws the text with the Japanese
 * font at 9 points, _E the English at 8, _C the Chinese at 9. `counterMode` 0: the caption becomes the pane's
 * text and each step inverts the next block of a strip that grows over the pane (blocks of trunc(pane width /
 * total) pixels, or 1 when that is at most 0.9; steps that land on the pixel of the last block draw nothing;
 * the strip stops one pixel short of the pane's end); a total of 0 inverts the whole pane at each step.
 * Captions longer than 259 bytes are cut to 259 at a character boundary; a caption of 0 is empty. A bar still
 * active is dropped first (its context and bitmap released, its pane not repainted). 1; 0 without a status
 * bar or for a pane that does not exist (no bar is active then). */
OX_API int32_t oxwCreateBar_J(const char *caption, int32_t total, int32_t pane, int32_t counterMode);
OX_API int32_t oxwCreateBar_E(const char *caption, int32_t total, int32_t pane, int32_t counterMode);
OX_API int32_t oxwCreateBar_C(const char *caption, int32_t total, int32_t pane, int32_t counterMode);
/* One step of the active bar. 1, or 0 (and nothing done) when no bar is active. */
OX_API int32_t oxwBarStep(void);
/* Ends the active bar: the pane's text becomes empty and the pane is repainted (a plain bar first inverts
 * its pane once more). Nothing without an active bar. */
OX_API void oxwDeleteBar(int32_t pane);
/* The same functions under their portable names. */
OX_API int32_t oxCreateBar_J(const char *caption, int32_t total, int32_t pane, int32_t counterMode);
OX_API int32_t oxCreateBar_E(const char *caption, int32_t total, int32_t pane, int32_t counterMode);
OX_API int32_t oxCreateBar_C(const char *caption, int32_t total, int32_t pane, int32_t counterMode);
OX_API int32_t oxBarStep(void);
OX_API void oxDeleteBar(int32_t pane);

/* ---------------------------------------------------------------------------------------------------- */
/* Sound and movies                                                                                      */
/* ---------------------------------------------------------------------------------------------------- */

/* Wave sounds play asynchronously, each on a media-control device of its own named by a device id (never 0;
 * ids count up and are not reused before they wrap). Files are RIFF wave files (RIFF or RIFX, plain or
 * extensible) of any kind libsndfile decodes: PCM of 8 to 32 bits, float, mu-law, A-law, IMA and MS ADPCM,
 * GSM; 1..8 channels, 1..768000 frames a second. They play on the ALSA device when one opens and otherwise
 * on a null sink that takes the samples at the pace of a device (oxwHostSetSoundOutput chooses). When a
 * play ends, the window given to oxwPlayWaveMCI receives OXW_MM_MCINOTIFY in its message queue (read it with
 * oxwHostPeekMessage) with wParam telling how and lParam the device id; the device stays open until it is
 * closed. Any thread may call. At exit, playing sounds are stopped without a notice. */
#define OXW_MM_MCINOTIFY 0x3B9u
#define OXW_MCI_NOTIFY_SUCCESSFUL 1u /* the sound played to its end */
#define OXW_MCI_NOTIFY_SUPERSEDED 2u /* not posted here: a device plays once */
#define OXW_MCI_NOTIFY_ABORTED 4u    /* oxwStopWaveMCI or oxwCloseMCIDevice cut the sound short */
#define OXW_MCI_NOTIFY_FAILURE 8u    /* decoding or the output failed while playing */
/* The media-control result for a device id that is not open. */
#define OXW_MCIERR_INVALID_DEVICE_ID 257u

/* Opens the wave file at `path` and starts playing it to `window` (0: no notice; a window destroyed before
 * the end gets none). Returns the device id at once; the caller closes the device with oxwCloseMCIDevice,
 * typically on the notice. 0, with no device left open and no thread started, for a path of 0, a path that
 * does not open, a folder, a pipe or device, a file that is not such a wave file, one whose header declares
 * more sound than the file holds (data chunk length, or the "fact" frame count of block-coded kinds), and
 * when no output takes the sound (only with OXW_SOUND_OUTPUT_ALSA) or memory or a thread cannot be had. */
OX_API uint32_t oxwPlayWaveMCI(OxwWindow window, const char *path);
/* Stops a playing sound: the window receives OXW_MCI_NOTIFY_ABORTED before this returns, and the device
 * stays open. 0 (also for a device that is not playing); OXW_MCIERR_INVALID_DEVICE_ID for an id that is not
 * open. On ALSA a stop may wait for up to a tenth of a second of queued sound. */
OX_API uint32_t oxwStopWaveMCI(uint32_t device);
/* Closes a device, stopping it first when it plays (the window then receives OXW_MCI_NOTIFY_ABORTED); the id
 * is not open from then on. 0, or OXW_MCIERR_INVALID_DEVICE_ID for an id that is not open. */
OX_API uint32_t oxwCloseMCIDevice(uint32_t device);

/* The optional movie framework: a shared object named "QuickTime.qts", looked for, on the first
 * initialisation, (1) among the objects already loaded into the process, by file name, (2) in the folder of
 * the process's executable, (3) in the system folder: /usr/lib/oxwUtl unless the host names another with
 * oxwHostSetSystemDirectory. It must export "theQuickTimeDispatcher", "_CallComponent" and
 * "_CallComponentFunctionWithStorage", each int32_t (uint32_t selector, ...). The library calls the
 * dispatcher only, with a selector and the framework function's arguments: 0x001D0008 InitializeQTML
 * (int32_t flags), 0x001D0009 TerminateQTML, 0x00020001 EnterMovies, 0x00020002 ExitMovies, 0x00110001 the
 * version query (uint32_t 0x7174696D 'qtim', int32_t *answer), each answering 0 for success or a 16-bit
 * error code. Call order: oxwInitializeQTML, oxwEnterMovies; then oxwIsInstallQT says whether the
 * framework is usable; at the end oxwExitMovies, oxwTerminateQTML. The state is process-wide and not
 * guarded: call from one thread. */
#define OXW_QTML_LIBRARY_NOT_FOUND (-2093) /* no framework library could be loaded */
#define OXW_QTML_ENTRY_MISSING (-2094)     /* the library lacks one of the three entries */
#define OXW_QTML_NOT_BOUND (-2095)         /* a framework function called while nothing is bound */

/* Binds the framework on the first call (a later call only counts one initialisation more and returns 0).
 * 0 on success; OXW_QTML_LIBRARY_NOT_FOUND, OXW_QTML_ENTRY_MISSING, or the framework's own non-zero
 * answer, the library then unloaded. The installed flag becomes 1 unless the result is
 * OXW_QTML_LIBRARY_NOT_FOUND (then 0): another failure leaves it to oxwEnterMovies to clear. */
OX_API int16_t oxwInitializeQTML(void);
/* Enters the framework's movie services and asks its version: when the query fails or answers below 3.0
 * (high 16 bits below 0x0300), calls oxwExitMovies and oxwTerminateQTML and clears the installed flag. */
OX_API void oxwEnterMovies(void);
/* While the installed flag is set: leaves the movie services / counts one initialisation less, unbinding
 * and unloading the framework on the last one (a termination beyond the count does nothing). */
OX_API void oxwExitMovies(void);
OX_API void oxwTerminateQTML(void);
/* The installed flag: 1 or 0 (0 until the first initialisation). */
OX_API int32_t oxwIsInstallQT(void);

/* ---------------------------------------------------------------------------------------------------- */
/* Window, dialog and settings helpers                                                                   */
/* ---------------------------------------------------------------------------------------------------- */

/* An open key of the settings store that stands in for the registry (opened and closed by the host, see
 * oxwHostOpenSettingsKey); 0 = none. */
typedef uintptr_t OxwSettingsKey;

/* A window's placement, 44 bytes. Positions are in the parent's client coordinates (the screen's for a
 * top-level window). showCmd: 1 shown normally, 2 minimised, 3 maximised. */
typedef struct OxwWindowPlacement {
    uint32_t length; /* 44 */
    uint32_t flags;  /* 0 */
    uint32_t showCmd;
    OxPoint ptMinPosition; /* (-1, -1) until a placement sets them */
    OxPoint ptMaxPosition;
    OxRect rcNormalPosition; /* the restored rectangle */
} OxwWindowPlacement;

/* Saves the window's placement under `key` as 32-bit values, in this order: "NormalPositionLeft",
 * "NormalPositionTop", then for a resizable window (`fixedSize` 0) "NormalPositionRight",
 * "NormalPositionBottom" and "ShowCmd", and last "Visible" (1 when the window and its ancestors are shown,
 * else 0). 1 when every value was written; 0 for a refused window (nothing written) or at the first write
 * that fails (the values before it stay written). */
OX_API int32_t oxwRegSetWindowPlacement(OxwWindow window, OxwSettingsKey key, int32_t fixedSize);

/* Reads a placement saved by oxwRegSetWindowPlacement into `placement` (cleared, length 44, filled with the
 * window's current placement first), keeping it inside `bounds`, of which only the width W = right - left
 * and height H = bottom - top count: a negative left or top becomes 0; a fixed-size window keeps its
 * current width and height and is pushed back left or up when it would end beyond W or H; a resizable
 * window ending beyond W or H is moved back by its own width or height and ends at W or H; a stored show
 * state of 2 comes back as 1. Arithmetic wraps at 32 bits. "Visible" goes to `visible` (0 allowed: the
 * value must still be there). The placement is not applied. 1; 0 for a refused window, a `placement` or
 * `bounds` of 0, or a missing or unreadable value (a fixed-size window needs no right, bottom or show
 * state): the record then holds what was read before it. */
OX_API int32_t oxwRegQueryWindowPlacement(OxwWindow window, OxwSettingsKey key, OxwWindowPlacement *placement,
                                          const OxRect *bounds, uint32_t *visible, int32_t fixedSize);

/* Moves a top-level window by dragging its outline while the left mouse button is held: (x, y) is the
 * cursor and (left, top, right, bottom) the window's rectangle on the screen when the drag starts. It
 * captures the mouse and polls the cursor, calling the host's input hook at each poll, until the button
 * is up: whenever the cursor has moved, the outline (one black pixel wide) is drawn on the screen surface
 * at cursor - (x - left, y - top), the screen pixels under its four edges saved first and put back when it
 * moves on, so the screen is restored exactly. The arrow becomes the current and the class cursor. Last
 * the window is moved there with its size and invalidated, the capture released. A rectangle without area
 * draws no outline. Returns 1 when the last temporary object was deleted; 0 for a refused window (nothing
 * done). The loop does not return while the button stays down. */
OX_API int32_t oxwDragWindow(OxwWindow window, int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                             int32_t bottom);

/* Centres `dialog` on `reference` (0: on the screen) in screen coordinates, integer halves, then keeps it
 * on the screen: x < 0 becomes 0, else x beyond screen width - dialog width becomes that; y likewise. The
 * position goes to the move as it is (dialogs are top-level windows). 1 when moved; 0 for a refused
 * window. */
OX_API int32_t oxwMoveDlg(OxwWindow reference, OxwWindow dialog);

/* 1 when left <= x <= left + width and top <= y <= top + height (all edges inside; sums without
 * overflow), else 0. */
OX_API int32_t oxwCmpBoxIn(int32_t x, int32_t y, int32_t left, int32_t top, int32_t width, int32_t height);

/* For zoom > 1, rounds *width and *height each up to the next multiple of zoom (a size already a multiple,
 * and one whose rounding would pass 32 bits, stays). Other zooms change nothing; a pointer of 0 is
 * skipped. */
OX_API void oxwAdjustDrawSize(int32_t *width, int32_t *height, int32_t zoom);

/* Removes and discards the messages waiting for `window` (0: for any window), oldest first, until none is
 * left (result 0) or 1001 have been removed (result 1). A refused window has none. */
OX_API int32_t oxwFlashEvent(OxwWindow window);

/* Flashes a rectangle of a button drawn from `bitmap`: inverts it on the bitmap, copies it to the same
 * place of the window, waits 50 ms, inverts it back and copies it again (the bitmap ends as it was).
 * Returns the result of releasing the window's context: 1, or 0 for a refused window. */
OX_API int32_t oxwFlashButton(OxwWindow window, OxwBitmap bitmap, int32_t x, int32_t y, int32_t width,
                              int32_t height);

/* The 16 custom colours the colour dialog starts with, in order. */
#define OXW_CUSTOM_COLORS                                                                                    \
    {0x000000u, 0x3F0000u, 0x7F0000u, 0xFF0000u, 0x007F00u, 0x00FF00u, 0x7F7F00u, 0xFFFF00u,                 \
     0x00007Fu, 0x0000FFu, 0x7F007Fu, 0xFF00FFu, 0x007F7Fu, 0x00FFFFu, 0x7F7F7Fu, 0xFFFFFFu}

/* Lets the user pick a colour through the host's colour chooser (oxwHostSetColorChooser), starting from
 * *color with the custom colours above. While the chooser runs, a dialog window (450 x 330, top-level,
 * shown) exists and *dialog holds it (when `dialog` is not 0), centred with oxwMoveDlg on `reference`
 * when `centre` is non-zero; it is destroyed afterwards and *dialog set back to 0. 1 when a colour was
 * chosen (stored in *color); 0 when the chooser cancelled, when no chooser is registered, for a refused
 * owner (0 is allowed) or a `color` of 0, or when the dialog cannot be made. */
OX_API int32_t oxwColorDialog(OxwWindow owner, OxwWindow reference, OxColorRef *color, OxwWindow *dialog,
                              int32_t centre);

/* Checks an integer field of a dialog. The item's text is read as the system's integer reader does:
 * spaces at the start are skipped, then `isSigned` non-zero allows one '-', then one or more digits 0-9 and
 * nothing after them; a value beyond 2147483647 (signed; -2147483648 is the least) or 4294967295
 * (unsigned) fails. The read value is compared as a signed 32-bit number. Not a number: the default is
 * written back (signed or unsigned as the flag says), a beep (type 0x30) sounds, 0. Above the maximum or
 * below the minimum: that bound written back, the beep, 0. Otherwise *value is set and 1 returned. A
 * missing item reads as not a number; `value` may be 0 for a check only. */
OX_API int32_t oxwIntValueCheck(OxwWindow dialog, int32_t id, int32_t *value, int32_t maximum, int32_t minimum,
                                int32_t defaultValue, int32_t isSigned);

/* Checks a real-number field: the item's first 255 bytes are read as a decimal number in C notation
 * (blanks at the start, a sign, digits with an optional '.', an optional exponent e or E; no hex, inf or
 * nan). Empty text, an overflow (beyond the double range either way), or characters left after the number
 * get the default; a value above the maximum gets the maximum, below the minimum the minimum: that value is
 * written into the item formatted with `format` (printf-style, one double conversion of e, E, f, F, g, G,
 * a or A with flags, width and precision as numbers, surrounding text allowed; any other format, or 0,
 * formats with "%g"; at most 511 bytes are written, "." the decimal point), the beep sounds, and 0 is
 * returned. Otherwise *value is set (when not 0) and 1 returned. */
OX_API int32_t oxwDoubleValueCheck(OxwWindow dialog, int32_t id, double *value, double maximum, double minimum,
                                   double defaultValue, const char *format);

/* Enables (non-zero) or disables dialog item `id`. Non-zero when the item was disabled before; 0 when it
 * was enabled or is missing. */
OX_API int32_t oxwEnableDlgItem(OxwWindow dialog, int32_t id, int32_t enable);
/* Shows (non-zero) or hides dialog item `id`. Non-zero when the item was shown before; 0 when it was hidden
 * or is missing. */
OX_API int32_t oxwShowDlgItem(OxwWindow dialog, int32_t id, int32_t show);
/* Sets the window's text to the value in decimal ("%d"). 1, or 0 for a refused window. */
OX_API int32_t oxwDrawEditControlInt(OxwWindow window, int32_t value);

/* Loads cursor `name` of `module` and makes it the window's class cursor and the current cursor. Module 0
 * means the system's cursors (a number such as 32512, the arrow, passed as the pointer value, or "#32512");
 * another module is a registered host module (oxwHostRegisterModule) and `name` one of its cursors. A
 * cursor that cannot be loaded sets no cursor (0) in both places. A window of 0 does nothing. */
OX_API void oxwWindowSetCursor(OxwWindow window, OxwModule module, const char *name);

/* The system kind: 0 for the NT family, 1 and 2 for the consumer family (minor version 0, and any other).
 * Linux reports 0: a multi-user system with protected memory is what the NT family stood for, and nothing
 * of the consumer family (nor its gradient captions) applies. */
OX_API int32_t oxwGetOSVersion(void);

/* The file version text of a program or library, into `version` (at most OXW_FILE_VERSION_SIZE bytes with
 * the terminator; a longer text is cut, never within a double-byte character). It reads two kinds of file:
 *   - ELF (32- or 64-bit, either byte order): a note named "oxwUtl" of type 1 in an SHT_NOTE section (in
 *     a PT_NOTE segment when the file has no section headers) holding lines "path=value" such as
 *     "\VarFileInfo\Translation=040904b0" (language then code page, 4 hex digits each; several separated
 *     by blanks) and "\StringFileInfo\040904b0\FileVersion=1.2.3.4". oxwutl_set_file_version() of the
 *     installed CMake package stamps it into a target.
 *   - PE (32- or 64-bit): the first language of the first version resource, with Unicode keys; its text
 *     comes out as ASCII ('?' for other characters) or, under code page 65001, as UTF-8.
 * The first translation's language and code page pick the string table "%04x%04x" whose "FileVersion" is
 * copied. A path that cannot be read, a file of another kind, without the record or with one that does not
 * hold up, without a translation or without the text: 1, `version` unchanged. `version` of 0: 1, nothing
 * written. 0 only when memory runs out (8). err: set on failure. */
#define OXW_FILE_VERSION_SIZE 260
OX_API int32_t oxwGetFileVersion(const char *path, char *version, uint32_t *err) OX_NONNULL((3));

/* Makes an empty file with a new name "$$$" + 1..4 upper-case hex digits + ".TMP" in the folder of `path`
 * (its drive and folder part, "" meaning the current folder), created exclusively so that no other file is
 * ever taken, and writes its path to `name` (260 bytes). 1 when a name was made; 0 when `name` or `path`
 * is 0, the folder part is longer than 246 bytes, all 65535 names are taken, or the folder cannot be
 * written. */
OX_API int32_t oxwCreateDummyFileName(char *name, const char *path);

/* Replaces the extension of `path` in place: the path is cut right after its last '.' (a '.' at the first
 * position does not count, nor one inside a double-byte character; a '.' in a folder name counts when the
 * file name has none), or '.' is appended when it has none; then `extension` (without the dot) is
 * appended. The buffer must have room. Returns `path` (0 for a `path` of 0; an `extension` of 0 appends
 * nothing). */
OX_API char *oxwChangeFileType(char *path, const char *extension);

/* A new image from bitmap resource `name` of `module` (0: the library's own; a number below 0x10000 passed
 * as the pointer value or "#n" names number n), of the bitmap's own depth: 1-, 8- and 24-bit resources
 * give images, others 0 with `err` untouched. 0 with 6 for a refused module, 1814 for a missing bitmap,
 * 8 without memory, 13 for one that does not hold up. err: set on failure. Free with oxFree. */
OX_API OxHandle oxwImageResourceOpenDIB(const char *name, OxwModule module, uint32_t *err) OX_NONNULL((3));

/* ---------------------------------------------------------------------------------------------------- */
/* Splash windows                                                                                        */
/* ---------------------------------------------------------------------------------------------------- */

/* One splash window per process, for the thread that made it: a topmost popup window of class
 * "SplashWindow" with a thin border (recorded in its style; the layer draws no frame: the window's pixels
 * are the picture's), centred on the screen ((screen - picture) / 2 each way, integer halves), owned by
 * `parent`, showing bitmap resource `id` (its low 16 bits) of `module` (oxwHostRegisterModule) with the version line
 * "Windows 98/NT 4.0 Version " and the host executable's file version (oxwGetFileVersion; nothing after the
 * blank when it has none) at (60, 307) in the edition's 10-point bold text font, and a message line at
 * (2, 38) in the 10-point regular font, both black and cut at the picture's edges. The class stays
 * registered for the life of the process once a create has registered it: a later create fails, also after
 * oxwDestroySplashWindow and after a create that failed past registering it. */

/* Shows the splash with `message` (0: none) and records the tick count (oxwHostSetTickSource) as its start
 * and `minSeconds` as its minimum display time. _J, _E and _C draw with that edition's text (and the message
 * lines after it too). The splash window, or 0: for a module of 0, when the class is registered already
 * (a splash is up, or was), when the bitmap cannot be loaded, or the window cannot be made. */
OX_API OxwWindow oxwCreateSplashWindow_J(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                         uint32_t minSeconds);
OX_API OxwWindow oxwCreateSplashWindow_E(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                         uint32_t minSeconds);
OX_API OxwWindow oxwCreateSplashWindow_C(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                         uint32_t minSeconds);
/* Replaces the message line: L + 38 rows of the picture from row 38 down (L, the line height, is 10 points
 * at the window's pixels per inch: 13) are put back from a clean copy of the resource, then `message` (0:
 * none) is drawn at (2, 38) and the picture copied to the window. Nothing without a splash. */
OX_API void oxwDrawSplashWindowString(const char *message);
/* Waits on the calling thread for what is left of the minimum display time (the tick difference is taken
 * modulo 2^32, so a wrap of the tick count between create and destroy is harmless; minimum times above
 * 4294967 seconds count as that), then destroys the window and both pictures. The class stays registered.
 * Returns 0; without a splash it returns 0 at once. */
OX_API int32_t oxwDestroySplashWindow(void);
/* The same functions under their portable names. */
OX_API OxwWindow oxCreateSplashWindow_J(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                        uint32_t minSeconds);
OX_API OxwWindow oxCreateSplashWindow_E(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                        uint32_t minSeconds);
OX_API OxwWindow oxCreateSplashWindow_C(OxwWindow parent, OxwModule module, int32_t id, const char *message,
                                        uint32_t minSeconds);
OX_API void oxDrawSplashWindowString(const char *message);
OX_API int32_t oxDestroySplashWindow(void);

/* ---------------------------------------------------------------------------------------------------- */
/* Palette chrome, icons and control bitmaps                                                             */
/* ---------------------------------------------------------------------------------------------------- */

/* Floating tool palettes draw their caption strip into a bitmap and copy it to the palette window. The
 * strip is 15 pixels high. With a close button, x = width - 2 x edge - 2 (edge = system metric 45, 2 here)
 * and the button occupies (x - B - 1, 1, x - 1, 14), B = the small caption button width (metric 52, 12
 * here). The caption shows the window's text in the active or inactive caption colours. Window properties
 * of a palette (read them with oxwHostGetProp):
 *   "Color3DFace"        the button face colour (system colour 15) as the value itself;
 *   "PaletteRect"        address of an OxRect (0, 0, palette width, palette height): the unrolled size;
 *   "CloseRectOnCaption" address of an OxRect: the close button's rectangle (with a close button only);
 *   "CloseRectOnPalette" address of an OxRect (x - B, 2, B, 13), width and height in right and bottom as
 *                        the hit-tests read it (with a close button only).
 * The rectangles belong to the library until oxwDeletePalette frees them; a second oxwCreatePaletteBitmap on
 * one window frees the ones it replaces. */
#ifndef OX_ERROR_INVALID_WINDOW_HANDLE
#define OX_ERROR_INVALID_WINDOW_HANDLE 1400u
#endif
/* An icon: a monochrome mask and a colour picture (oxwHostGetIconBitmaps reads them); 0 = none. Destroy it
 * with oxwHostDestroyIcon. */
typedef uintptr_t OxwIcon;

/* A bitmap of bitmapWidth x bitmapHeight filled with the button face, the caption drawn into its top 15
 * rows (`active` non-zero: the active colours) and, with `closeButton` non-zero, the close button; then
 * the properties above are set on `window`. The caller deletes the bitmap with oxwDeletePalette. 0 on
 * failure, nothing left behind: 1400 for a refused window (0 included), the code of oxwCreateDDB for a
 * bad size, 8 without memory. err: set on failure. */
OX_API OxwBitmap oxwCreatePaletteBitmap(OxwWindow window, int32_t bitmapWidth, int32_t bitmapHeight,
                                        int32_t paletteWidth, int32_t paletteHeight, int32_t closeButton,
                                        int32_t active, uint32_t *err) OX_NONNULL((8));
/* Redraws the caption into `bitmap` as wide as the window, with the close button (not pushed) when
 * `closeButton` is non-zero, and copies the caption's first 15 rows to the window: all of its width, or the
 * x columns before the button's area with a close button. Nothing for a refused window or bitmap. */
OX_API void oxwDrawPaletteCaption(OxwWindow window, OxwBitmap bitmap, int32_t closeButton, int32_t active);
/* Draws the close button (`pushed` non-zero: pushed in) at `rect` (0: the window's "CloseRectOnCaption") on
 * `dc`, or when `dc` is 0 on `bitmap` (0: nothing drawn); with `copy` non-zero then copies the bitmap's top
 * 15 rows, as wide as the window's client area, to the window. 1; 0 when both `dc` and `window` are 0, or
 * when `rect` is 0 and the window has no such property (nothing drawn). */
OX_API int32_t oxwDrawCloseButton(OxwWindow window, OxwDC dc, OxwBitmap bitmap, const OxRect *rect, int32_t pushed,
                                  int32_t copy);
/* Removes the four properties from the window (a refused window has none), frees the rectangles and
 * deletes the bitmap: 1 when the bitmap was deleted, else 0. */
OX_API int32_t oxwDeletePalette(OxwWindow window, OxwBitmap bitmap);
/* Rolls a palette up to its 21-pixel caption (`*rolledUp` 0, set to 1) or down to the height of its
 * "PaletteRect" (`*rolledUp` non-zero, set to 0), keeping its left, width and place among windows. Inner
 * bottom = the frame's bottom - the edge width (2), in screen coordinates. A palette whose bottom is at or
 * below the inner bottom is moved so that its bottom stays on it; any other keeps its top and changes
 * height. 1 when the palette was moved; 0 with nothing changed for a refused palette or frame, a
 * `rolledUp` of 0 or a palette without "PaletteRect". */
OX_API int32_t oxwPaletteShard(OxwWindow palette, OxwWindow frame, int32_t *rolledUp);
/* A sunken edge (two one-pixel rings: shadow and dark shadow at the left and top, highlight and light at the
 * right and bottom) on `rect` of `bitmap`, drawn through a memory context made like `dc` (0 allowed; a
 * refused bitmap draws nothing). 1 when the memory context was deleted; 0 for a refused `dc` or a `rect` of
 * 0. */
OX_API int32_t oxwDrawSunkenEdge(OxwDC dc, OxwBitmap bitmap, const OxRect *rect);
/* A transparency pair from the rectangle (sx, sy, *width, *height) of `picture` (0: bitmap resource `id` of
 * the window's module, oxwHostSetWindowModule, or of the library's own for a window of 0, loaded for the
 * call and deleted): *mask gets a monochrome
 * bitmap, white where the picture is pure white 0xFFFFFF (any other colour, 0xFEFEFE included, is black),
 * and *bitmap a colour bitmap with the picture's pixels, black under the white of the mask: the pair that
 * oxwTransparentBlt takes. A *width or *height of 0 takes the picture's own and is written back. The caller
 * deletes both bitmaps. 1; 0 with nothing made: 87 for an out-pointer of 0 or a size below 1 or above the
 * layer's limits, 1400 for a refused window, 6 for a refused picture, the resource's code (6, 1814, 13),
 * 8 without memory. err: set on failure. */
OX_API int32_t oxwCreateMaskAndBitmap(OxwWindow window, OxwBitmap picture, OxwBitmap *mask, OxwBitmap *bitmap,
                                      uint16_t id, int32_t sx, int32_t sy, int32_t *width, int32_t *height,
                                      uint32_t *err) OX_NONNULL((10));
/* An icon (hot spot (0, 0)) from the pair oxwCreateMaskAndBitmap makes of a 32 x 32 rectangle, or of
 * *width x *height for the Ex form (0: the picture's own, written back); the pair is deleted. 0 with the
 * codes of oxwCreateMaskAndBitmap, or 8 when the icon cannot be made. err: set on failure. */
OX_API OxwIcon oxwCreateIconFromBitmap(OxwWindow window, OxwBitmap picture, uint16_t id, int32_t sx, int32_t sy,
                                       uint32_t *err) OX_NONNULL((6));
OX_API OxwIcon oxwCreateIconFromBitmapEx(OxwWindow window, OxwBitmap picture, uint16_t id, int32_t sx, int32_t sy,
                                         int32_t *width, int32_t *height, uint32_t *err) OX_NONNULL((8));
/* A control glyph: a bitmap of width x height (oxwCreateDDB of depth 24) filled with the button face
 * (`face` non-zero) or white, with the polygon of `count` vertices filled in `color` without outline (even-
 * odd rule). The caller deletes it with oxwHostDeleteObject. 0: 87 for `points` of 0 or a negative count,
 * the code of oxwCreateDDB. err: set on failure. */
OX_API OxwBitmap oxwCreateCtrlBitmapIndirect(OxwWindow window, OxwDC dc, int32_t width, int32_t height,
                                             const OxPoint *points, int32_t count, OxColorRef color, int32_t face,
                                             uint32_t *err) OX_NONNULL((9));
/* Bitmap resource `id` of the window's module with the white area that touches its top-left pixel (pixels
 * of 0xFFFFFF joined side by side) filled with the button face (`face` non-zero) or white; a picture whose
 * top-left pixel is not white keeps its colours. `unused1` and `unused2` are not read. The caller deletes
 * it. 0: 1400 for a refused window, the resource's code (6, 1814, 13), 8 without memory. err: set on
 * failure. */
OX_API OxwBitmap oxwCreateCtrlBitmapFromResource(OxwWindow window, OxwDC dc, uint16_t id, int32_t unused1,
                                                 int32_t unused2, int32_t face, uint32_t *err) OX_NONNULL((7));

/* ---------------------------------------------------------------------------------------------------- */
/* Host side: the calls a host makes in place of the window system                                      */
/* ---------------------------------------------------------------------------------------------------- */

/* The library draws into windows and bitmaps of its own headless display layer: every window and bitmap
 * is a pixel surface in memory. A host creates windows and takes their contexts with these calls, reads
 * the pixels back, and releases what the library's functions hand it. They are not part of the library's
 * documented drawing functions and follow none of their error patterns beyond what each says here.
 * Handles are checked: 0, a destroyed or deleted handle, or a made-up value is refused (result 0), never
 * dereferenced. Colour values are 0x00BBGGRR (red in bits 0-7). One thread at a time. */

/* A window at (x, y) of the parent's client area (of the screen for a parent of 0) with a client area of
 * width x height pixels (0..16384 each), filled white; there is no frame. `visible` non-zero shows it.
 * 0 for a refused parent or size. Destroy with oxwHostDestroyWindow. */
OX_API OxwWindow oxwHostCreateWindow(OxwWindow parent, int32_t x, int32_t y, int32_t width, int32_t height,
                                     uint32_t visible);
/* Destroys the window and its children. Contexts taken from them draw nothing from then on and are still
 * released with oxwHostReleaseDC. 1, or 0 for a refused handle. */
OX_API int32_t oxwHostDestroyWindow(OxwWindow window);

/* The window's drawing context (window 0: a screen context that has no pixels, so drawing on it does
 * nothing). Pair every call with oxwHostReleaseDC. 0 for a refused window. */
OX_API OxwDC oxwHostGetDC(OxwWindow window);
/* Releases a context from oxwHostGetDC for the same window. 1, or 0 for anything else. */
OX_API int32_t oxwHostReleaseDC(OxwWindow window, OxwDC dc);

/* Copies a rectangle of a window's client area (or of a bitmap) into `dst`: width x height colour values,
 * top row first. Monochrome bitmap pixels read 0 (black) or 0xFFFFFF (white). 1, or 0 with nothing
 * written for a refused handle, a `dst` of 0, a non-positive size or a rectangle that is not inside. */
OX_API int32_t oxwHostReadWindowPixels(OxwWindow window, int32_t x, int32_t y, int32_t width, int32_t height,
                                       OxColorRef *dst);
OX_API int32_t oxwHostReadBitmapPixels(OxwBitmap bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                                       OxColorRef *dst);
/* A bitmap's pixel size and bits per pixel (32 colour, 1 monochrome); each out-pointer may be 0. 1, or 0
 * for a refused handle. */
OX_API int32_t oxwHostGetBitmapSize(OxwBitmap bitmap, int32_t *width, int32_t *height, int32_t *bitCount);

/* Deletes a drawing object the library handed out (a bitmap, pen, brush or palette). 1 on success (also
 * for a stock object, which stays); 0 for a refused handle or an object still selected into a context. */
OX_API int32_t oxwHostDeleteObject(uintptr_t object);

/* The update region of a window: its bounding box into `rect` (all zeros when empty). 1 when the region is
 * not empty, 0 when it is or for a refused handle. */
OX_API int32_t oxwHostGetUpdateRect(OxwWindow window, OxRect *rect);

/* Registers a folder of resources as a module for the functions that take one:
 *   strings.txt  one string a line: "<id> <text>", the id 0..65535 in decimal, one space or tab, then the
 *                text (bytes in the code page) to the end of the line; \n, \t and \\ stand for a line
 *                feed, a tab and a backslash; empty lines and lines starting with '#' are skipped; the file
 *                may be missing;
 *   NAME.bmp     bitmap files: NAME of decimal digits (1..65535) is the resource number, another NAME the
 *                resource name (ASCII case ignored);
 *   NAME.cur     cursor files (a head of 0, type 2 and an image count from 1, then 16 bytes an image), named
 *                as the bitmaps are; only their names are used (oxwWindowSetCursor);
 *   other files are ignored.
 * Everything is read at once. 0 on failure: folder 0 (87), a missing folder (3), an unreadable file (its
 * code), a malformed line, a repeated id or name, a .bmp file without "BM", shorter than 54 bytes or
 * longer than 256 MiB, or a .cur file that is not one (13). err: set on failure. Forget it with
 * oxwHostUnregisterModule. */
OX_API OxwModule oxwHostRegisterModule(const char *folder, uint32_t *err) OX_NONNULL((2));
/* 1, or 0 for a refused module and for 0 (the library's own module cannot be forgotten). */
OX_API int32_t oxwHostUnregisterModule(OxwModule module);

/* Marks the key with virtual key code `virtualKey` (0..255) as held down (`down` non-zero) or released; the
 * library's key polls (oxGetKeyState, oxAbort, the Shift snap) read this state. 1, or 0 for another code. */
OX_API int32_t oxwHostSetKeyState(int32_t virtualKey, int32_t down);

/* The resource number of the current cursor (32512 arrow, 32514 wait, ...), 0 when none was set. */
OX_API uint32_t oxwHostGetCursor(void);

/* The number of beeps since the last call, with the sound types of the first min(count, capacity, 256)
 * copied to `types` (0 allowed when capacity is 0); the record is then cleared. */
OX_API uint32_t oxwHostTakeBeeps(uint32_t *types, uint32_t capacity);

/* Window messages. Messages posted to windows wait in one queue in posting order until a peek removes them;
 * destroying a window drops the messages waiting for it. Any thread may post. */
typedef struct OxwMessage {
    OxwWindow window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
} OxwMessage;

#ifndef OX_ERROR_NOT_ENOUGH_QUOTA
#define OX_ERROR_NOT_ENOUGH_QUOTA 1816u
#endif
/* Queues a message for a window. 1, or 0 for a refused window and when 10000 messages already wait for it
 * (the library's last error is then 6 or 1816). */
OX_API int32_t oxwHostPostMessage(OxwWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);
/* The oldest waiting message for `window` (0: for any window) whose number lies in first..last (both 0:
 * any number), copied to `msg` when it is not 0 and removed from the queue when `remove` is non-zero.
 * 1 when there was one; 0 when there was none or for a refused window. */
OX_API int32_t oxwHostPeekMessage(OxwMessage *msg, OxwWindow window, uint32_t first, uint32_t last,
                                  uint32_t remove);

/* Where wave sounds play from now on (sounds already playing keep their output), and the ALSA device name
 * (0 or "": "default"). Without this call: OXW_SOUND_OUTPUT_AUTO and "default". 1; 0 for another output
 * value, and for OXW_SOUND_OUTPUT_ALSA when the device does not open for playback now (the setting is then
 * unchanged). */
#define OXW_SOUND_OUTPUT_AUTO 0 /* the ALSA device when it takes the sound, else the null sink */
#define OXW_SOUND_OUTPUT_NULL 1 /* the null sink: samples taken at the pace of a device, nothing heard */
#define OXW_SOUND_OUTPUT_ALSA 2 /* the ALSA device only: a sound it does not take fails to play */
OX_API int32_t oxwHostSetSoundOutput(int32_t output, const char *alsaDevice);

/* Names the system folder where the movie framework's library is looked for last; 0 or "" goes back to
 * /usr/lib/oxwUtl. Takes effect on the next initialisation that loads the framework. 1, or 0 without
 * memory. */
OX_API int32_t oxwHostSetSystemDirectory(const char *folder);

/* Dialog items and window state. A dialog item is a child window with an id and a text; the library's
 * dialog helpers find items by id (the first made, when several share one). */

/* A visible, enabled item `id` at (x, y) of the dialog's client area, width x height, holding `text` (0:
 * ""). 0 for a refused dialog or size. Destroyed with its dialog or with oxwHostDestroyWindow. */
OX_API OxwWindow oxwHostCreateDialogItem(OxwWindow dialog, int32_t id, int32_t x, int32_t y, int32_t width,
                                         int32_t height, const char *text);
/* A window's text: set (0 sets ""), or copied into `text` (at most size - 1 bytes and a terminator). 1, or 0
 * for a refused window or, when getting, a `text` of 0 or a size of 0. */
OX_API int32_t oxwHostSetWindowText(OxwWindow window, const char *text);
OX_API int32_t oxwHostGetWindowText(OxwWindow window, char *text, uint32_t size);
/* The window's rectangle in screen coordinates. 1, or 0 for a refused window or a `rect` of 0. */
OX_API int32_t oxwHostGetWindowRect(OxwWindow window, OxRect *rect);
/* 1 when the window and all its ancestors are shown / when the window takes input; 0 otherwise and for a
 * refused window. */
OX_API int32_t oxwHostIsWindowVisible(OxwWindow window);
OX_API int32_t oxwHostIsWindowEnabled(OxwWindow window);
/* Shows the window normally (1), minimised (2) or maximised (3). Maximising remembers the restored
 * rectangle and fills the parent's client area (the screen for a top-level window); minimising remembers
 * it and keeps the rectangle; showing normally puts it back. 1, or 0 for a refused window or state. */
OX_API int32_t oxwHostSetShowState(OxwWindow window, uint32_t showCmd);
/* The window's placement (length 44, flags 0, its show state, positions and restored rectangle), or
 * applies one: length 44 needed, the restored rectangle set, then showCmd 0 hides the window and 1..3 act
 * as oxwHostSetShowState. 1, or 0 for a refused window, a record of 0, another length, a show state above
 * 3 or a rectangle with a side outside 0..16384. */
OX_API int32_t oxwHostGetWindowPlacement(OxwWindow window, OxwWindowPlacement *placement);
OX_API int32_t oxwHostSetWindowPlacement(OxwWindow window, const OxwWindowPlacement *placement);

/* Screen, mouse and cursor. */

/* The screen size (1920 x 1080 until set; 1..16384 each way). The screen surface, a pixel surface that
 * only the functions drawing on the whole display and these calls touch, is made white at that size; a new
 * size makes it white again. 1, or 0 for a bad size or without memory. */
OX_API int32_t oxwHostSetScreenSize(int32_t width, int32_t height);
/* A system metric: 0 the screen width, 1 its height, 45 and 46 the edge width (2), 52 the small caption
 * button width (12); 0 for other indices. */
OX_API int32_t oxwHostGetSystemMetric(int32_t index);
/* Reads or writes a rectangle of the screen surface as colour values, top row first. 1, or 0 (nothing
 * done) for a buffer of 0 or a rectangle that is empty or not inside the screen. */
OX_API int32_t oxwHostReadScreenPixels(int32_t x, int32_t y, int32_t width, int32_t height, OxColorRef *dst);
OX_API int32_t oxwHostWriteScreenPixels(int32_t x, int32_t y, int32_t width, int32_t height,
                                        const OxColorRef *src);
/* The cursor position in screen coordinates, (0, 0) until set. The mouse buttons are the keys 1 (left),
 * 2 (right) and 4 (middle) of oxwHostSetKeyState. Returns 1. */
OX_API int32_t oxwHostSetCursorPos(int32_t x, int32_t y);
/* A hook that the library calls at each poll of a loop waiting on the mouse (oxwDragWindow), on the
 * calling thread, so that the host (or a test) moves the cursor and releases the button in its place.
 * One hook; 0 removes it. Returns 1. */
typedef void (*OxwInputHook)(void *context);
OX_API int32_t oxwHostSetInputHook(OxwInputHook hook, void *context);
/* The name of the current cursor (window 0) or of the window's class cursor: "#32512" for a system cursor,
 * a module cursor's name as registered ("#n" for a numbered one), "" for none. 1, or 0 for a refused
 * window, a `name` of 0 or a size that the name and its terminator do not fit (nothing written). */
OX_API int32_t oxwHostGetCursorName(OxwWindow window, char *name, uint32_t size);

/* The colour chooser: what oxwColorDialog hands the host, which shows a chooser of its own and returns
 * non-zero with `color` set to the choice, or 0 when the user cancels. The dialog window is open (and given
 * to the caller of oxwColorDialog) for the call only. One chooser; 0 removes it. Returns 1. */
typedef struct OxwColorChoice {
    OxwWindow owner;
    OxwWindow dialog;
    OxColorRef color;       /* in: the initial colour; out: the chosen one */
    uint32_t flags;         /* 0x13: initial colour given, full dialog, hook */
    OxColorRef custom[16];  /* in: OXW_CUSTOM_COLORS; the chooser may change them for the call */
} OxwColorChoice;
typedef int32_t (*OxwColorChooser)(void *context, OxwColorChoice *choice);
OX_API int32_t oxwHostSetColorChooser(OxwColorChooser chooser, void *context);

/* The settings store, which stands in for the per-user registry. Each key is a folder below the root and
 * keeps its values, 32-bit numbers, in a text file ".values" of one "Name = number" line each (decimal,
 * negative numbers for their two's complement, or 0x hex; '#' starts a comment line), which a person may
 * read and edit. The root is $XDG_CONFIG_HOME/oxwUtl/settings when that variable holds an absolute path,
 * else ~/.config/oxwUtl/settings, unless the host sets another. Key paths ("Software/Studio/Paint/Canvas",
 * '/' or '\' between components) and value names compare without regard to ASCII case; key folders are
 * stored in lower case. A component or name is 1..255 bytes without control bytes or '=', not starting with
 * '#' or a blank nor ending with a blank; a component also has no separator and does not start with '.'
 * (so no "..", no absolute path). Writes are atomic and durable (a new file flushed and renamed over the
 * old one) and lock the key, so writers in other threads and processes lose no update. A line that cannot
 * be read is reported missing and kept by every rewrite, except that writing its name replaces it.
 * Codes: 87 a bad path or name, 6 a refused key, 2 a missing key or value, 1018 a key deleted while open,
 * 13 a values file above 1 MiB (its values missing, writes refused), 5 deleting a key that has subkeys,
 * or the code of a failing file operation. err: set on failure. */
#ifndef OX_ERROR_KEY_DELETED
#define OX_ERROR_KEY_DELETED 1018u
#endif
#ifndef OX_ERROR_MORE_DATA
#define OX_ERROR_MORE_DATA 234u
#endif
/* The store's root folder; 0 or "" goes back to the default. Keys open already stay where they are.
 * Returns 1. */
OX_API int32_t oxwHostSetSettingsRoot(const char *folder);
/* Opens the key at `path` below `parent` (0: the root), making the missing folders when `create` is
 * non-zero; a `path` of 0 or "" opens `parent` again. 0 on failure. Close it with oxwHostCloseSettingsKey. */
OX_API OxwSettingsKey oxwHostOpenSettingsKey(OxwSettingsKey parent, const char *path, int32_t create,
                                             uint32_t *err) OX_NONNULL((4));
/* 1, or 0 for a refused key. */
OX_API int32_t oxwHostCloseSettingsKey(OxwSettingsKey key);
/* Deletes the key at `path` (not "") below `parent` with its values; a key with subkeys stays (5). 1 or 0. */
OX_API int32_t oxwHostDeleteSettingsKey(OxwSettingsKey parent, const char *path, uint32_t *err) OX_NONNULL((3));
/* The name of subkey `index` (names in byte order, as stored) or of value `index` (in file order, each
 * name once) into `name` with its terminator. For a value, `type` (0 allowed) gets 4 (a 32-bit number,
 * stored in `value`, 0 allowed) or 0 for a line whose number cannot be read (`value` untouched). 1; 0 with
 * 259 past the last one, 234 when `name` (0 allowed with size 0) is too small, or another code. */
OX_API int32_t oxwHostEnumSettingsKey(OxwSettingsKey key, uint32_t index, char *name, uint32_t size, uint32_t *err)
    OX_NONNULL((5));
OX_API int32_t oxwHostEnumSettingsValue(OxwSettingsKey key, uint32_t index, char *name, uint32_t size,
                                        uint32_t *type, uint32_t *value, uint32_t *err) OX_NONNULL((7));
/* One value: read into `value`, written, or deleted (2 when it is not there). 1 or 0. */
OX_API int32_t oxwHostGetSettingsValue(OxwSettingsKey key, const char *name, uint32_t *value, uint32_t *err)
    OX_NONNULL((4));
OX_API int32_t oxwHostSetSettingsValue(OxwSettingsKey key, const char *name, uint32_t value, uint32_t *err)
    OX_NONNULL((4));
OX_API int32_t oxwHostDeleteSettingsValue(OxwSettingsKey key, const char *name, uint32_t *err) OX_NONNULL((3));

/* Time, windows' modules and styles, properties, system values, icons. */

/* The tick count in milliseconds (wrapping at 2^32) and the sleep that the library's waits use (the splash's
 * minimum time): `tick` replaces the monotonic clock and `sleep` (called with the milliseconds to wait)
 * replaces real sleeping, each given `context`; 0 restores the system's. Returns 1. */
typedef uint32_t (*OxwTickSource)(void *context);
typedef void (*OxwSleepHook)(void *context, uint32_t milliseconds);
OX_API int32_t oxwHostSetTickSource(OxwTickSource tick, OxwSleepHook sleep, void *context);
/* The module whose resources the library's functions load for a window (the palette functions); a host
 * window starts with 0, the library's own. 1, or 0 for a refused window. */
OX_API int32_t oxwHostSetWindowModule(OxwWindow window, OxwModule module);
/* The style and extended style a library window was made with (0 for windows made by the host), each
 * out-pointer may be 0: the splash is a popup with a thin border (0x80800000) and topmost (0x8). 1, or 0
 * for a refused window. */
OX_API int32_t oxwHostGetWindowStyles(OxwWindow window, uint32_t *style, uint32_t *exStyle);
/* A window property's value (0 when missing or for a refused window or a `name` of 0). */
OX_API uintptr_t oxwHostGetProp(OxwWindow window, const char *name);
/* A system colour of the one scheme the layer has (0x00BBGGRR): 2 / 3 active / inactive caption 0x6A240A /
 * 0x808080, 9 / 19 their text 0xFFFFFF / 0xC8D0D4, 15 button face 0xC8D0D4, 16 shadow 0x808080, 18 button
 * text 0, 20 highlight 0xFFFFFF, 21 dark shadow 0x404040, 22 light 0xC8D0D4, 27 / 28 the gradients' ends
 * 0xF0CAA6 / 0xC0C0C0; 0..30 in all, 0 for other indices. */
OX_API OxColorRef oxwHostGetSysColor(int32_t index);
/* New copies of an icon's mask (monochrome) and colour bitmap, which the caller deletes with
 * oxwHostDeleteObject; each out-pointer may be 0 (that copy is not made). 1, or 0 for a refused icon or
 * without memory. */
OX_API int32_t oxwHostGetIconBitmaps(OxwIcon icon, OxwBitmap *mask, OxwBitmap *color);
/* Destroys an icon. 1, or 0 for a refused handle. */
OX_API int32_t oxwHostDestroyIcon(OxwIcon icon);

#ifdef __cplusplus
}
#endif

#endif /* OXWUTL_OXW_H */
