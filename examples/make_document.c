/* A first program: make a picture, save it as a tagged document with its two thumbnails and its outline
 * vectors, and read the large thumbnail back, as a host application and then a file browser do.
 *
 *     make_document OUT.doc
 *
 * The tag functions add tags to a file that exists: oxSaveStartKavelFile does not create one. A host writes
 * its own content first (here the picture itself, as a PPM file), then puts the tags behind it. */
#include <ox.h>
#include <stdio.h>

static int fail(const char *what, uint32_t err) {
    char text[OX_MAX_ERROR_TEXT];
    oxGetErrorText(err, text, sizeof text);
    fprintf(stderr, "make_document: %s: %s\n", what, text);
    return 1;
}

/* The document's content: a binary PPM, whose rows hold red, green, blue bytes as 24-bit images do. */
static int write_ppm(const char *path, OxHandle image) {
    OxImageLockRec lock;
    size_t rows;
    int written;
    FILE *f = fopen(path, "wb");
    if (!f) return 0;
    oxImageLock(image, &lock);
    rows = (size_t)lock.maxY + 1;
    written = fprintf(f, "P6\n%d %d\n255\n", (int)lock.maxX + 1, (int)rows) > 0 &&
              fwrite(lock.pixels, lock.rowBytes, rows, f) == rows;
    oxImageUnlock(&lock);
    return fclose(f) == 0 && written;
}

int main(int argc, char **argv) {
    uint32_t err = 0, centre = 0;
    OxHandle picture, thumbnail;
    int stored;

    if (argc != 2) {
        fprintf(stderr, "usage: make_document OUT.doc\n");
        return 2;
    }

    /* A white 320x240 picture with a black box in the middle and a red line five pixels wide (red is bits
     * 0-7 of a pixel value). */
    picture = oxImageCreate(320, 240, 24, &err);
    if (!picture) return fail("oxImageCreate", err);
    oxImageErase(picture);
    oxImageBoxFill(picture, 110, 70, 100, 100, 0x000000u);
    oxImageLine(picture, 20, 200, 300, 220, 5, 0x0000FFu);

    /* The host's save: its own content, then the tags. The trailer is written even when a tag failed, so
     * that the tags stored before stay readable. */
    if (!write_ppm(argv[1], picture)) {
        perror(argv[1]);
        oxFree(picture);
        return 1;
    }
    if (!oxSaveStartKavelFile(argv[1], &err)) {
        oxFree(picture);
        return fail(argv[1], err);
    }
    stored = oxSetFileThumbnailTag(picture, &err) && oxSetFileVectorTag(picture, &err);
    oxFree(picture);
    if (!stored) {
        uint32_t ignored;
        oxCloseKavelTag(1, &ignored);
        return fail("storing the tags", err);
    }
    if (!oxCloseKavelTag(1, &err)) return fail(argv[1], err);

    /* The browser's side: the large thumbnail comes back as a new 160x120 image, which the caller frees. */
    thumbnail = oxGetKavelTag(argv[1], OX_TAG_LARGE_THUMBNAIL, &err);
    if (!thumbnail) return fail(argv[1], err);
    oxImageGetPixelDirect(thumbnail, 80, 60, &centre);
    printf("%s: large thumbnail %dx%d, %d bits, colour 0x%06lX at its centre\n", argv[1],
           (int)oxImageGetWidthDirect(thumbnail), (int)oxImageGetHeightDirect(thumbnail),
           (int)oxImageGetBitCountDirect(thumbnail), (unsigned long)centre);
    oxFree(thumbnail);
    return 0;
}
