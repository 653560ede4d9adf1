/* Lists the tags of a tagged document: reads the directory in the document's 2568-byte trailer (its layout
 * is in ox.h, beside the tag ids), then reads each image tag through the library to show its size.
 *
 *     list_tags DOC */
#include <ox.h>
#include <stdio.h>
#include <string.h>

#define TRAILER_SIZE 2568L

static unsigned long le(const unsigned char *p, int bytes) {
    unsigned long v = 0;
    while (bytes-- > 0) v = v << 8 | p[bytes];
    return v;
}

static const char *tag_name(unsigned long id) {
    switch (id) {
    case OX_TAG_SMALL_THUMBNAIL: return "small thumbnail";
    case OX_TAG_RAW: return "raw block";
    case OX_TAG_LARGE_THUMBNAIL: return "large thumbnail";
    case OX_TAG_GRAY_IMAGE: return "gray image";
    case OX_TAG_IMAGE_24: return "24-bit image";
    case OX_TAG_VECTOR: return "outline vectors";
    default: return "image";
    }
}

int main(int argc, char **argv) {
    static unsigned char trailer[TRAILER_SIZE];
    FILE *f;
    int i, read;

    if (argc != 2) {
        fprintf(stderr, "usage: list_tags DOC\n");
        return 2;
    }
    f = fopen(argv[1], "rb");
    if (!f) {
        perror(argv[1]);
        return 1;
    }
    read = fseek(f, -TRAILER_SIZE, SEEK_END) == 0 && fread(trailer, 1, sizeof trailer, f) == sizeof trailer;
    fclose(f);
    if (!read || memcmp(trailer, "KAVEL", 5) != 0) {
        fprintf(stderr, "list_tags: %s: not a tagged document\n", argv[1]);
        return 1;
    }
    printf("%s: trailer version %d\n", argv[1], trailer[6]);
    for (i = 0; i < 256; ++i) {
        const unsigned char *entry = trailer + 8 + 10 * i;
        const unsigned long id = le(entry, 2);
        uint32_t err = 0;
        OxHandle tag;
        if (id == 0) continue;
        printf("  0x%04lX  %-16s %6lu bytes at %lu", id, tag_name(id), le(entry + 2, 4), le(entry + 6, 4));
        tag = oxGetKavelTag(argv[1], (uint32_t)id, &err);
        if (!tag) {
            char text[OX_MAX_ERROR_TEXT];
            oxGetErrorText(err, text, sizeof text);
            printf(": cannot be read: %s\n", text);
        } else if (id == OX_TAG_RAW || id == OX_TAG_VECTOR) {
            printf("\n");
        } else {
            printf(": %dx%d, %d bits\n", (int)oxImageGetWidthDirect(tag), (int)oxImageGetHeightDirect(tag),
                   (int)oxImageGetBitCountDirect(tag));
        }
        oxFree(tag);
    }
    return 0;
}
