// Thumbnail and vector tags: the fit of oxCalcThumbSize, where each thumbnail places the picture, and the
// tags as a document file stores them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "ox.h"
#include "support.h"

using oxtest::Handle;
using oxtest::make_image;
using oxtest::TempDir;

namespace {

struct Fit {
    double a, b, box_w, box_h, want_w, want_h;
};

TEST(CalcThumbSize, FitsWithoutEnlarging) {
    const Fit fits[] = {
        {640, 480, 64, 48, 64, 48}, {100, 20, 64, 48, 64, 12.8}, {100, 20, 160, 120, 100, 20},
        {40, 30, 64, 48, 40, 30},   {48, 64, 64, 48, 36, 48},    {48, 64, 160, 120, 48, 64},
    };
    for (const Fit &f : fits) {
        double p = f.box_w, q = f.box_h;
        oxCalcThumbSize(f.a, f.b, &p, &q);
        EXPECT_DOUBLE_EQ(p, f.want_w) << f.a << "x" << f.b << " into " << f.box_w << "x" << f.box_h;
        EXPECT_DOUBLE_EQ(q, f.want_h) << f.a << "x" << f.b << " into " << f.box_w << "x" << f.box_h;
    }
}

// The box of non-white pixels of a thumbnail, as x, y, width, height.
OxRect ink_box(OxHandle thumb) {
    OxImageLockRec lock;
    EXPECT_EQ(oxImageLock(thumb, &lock), 1);
    OxRect box{lock.maxX + 1, lock.maxY + 1, -1, -1};
    for (int32_t y = 0; y <= lock.maxY; ++y)
        for (int32_t x = 0; x <= lock.maxX; ++x)
            if (oxImageGetPixel(&lock, x, y) != 0xFFFFFF) {
                OxPoint p{x, y};
                oxGetRegion(&p, &box);
            }
    oxImageUnlock(&lock);
    return OxRect{box.left, box.top, box.right - box.left + 1, box.bottom - box.top + 1};
}

struct Placement {
    int32_t src_w, src_h;
    OxRect small, large;  // x, y, width, height of the picture in each thumbnail
};

// Each thumbnail places the picture centred. The vector tag is the outline block stored as a raw tag; a
// picture without ink stores none, which would replace the outline stored before it.
TEST(ThumbnailTag, PlacesThePictureCentredAndStoresBothThumbnailsAndTheOutline) {
    const Placement cases[] = {
        {640, 480, {0, 0, 64, 48}, {0, 0, 160, 120}},
        {100, 20, {0, 18, 64, 12}, {30, 50, 100, 20}},
        {40, 30, {12, 9, 40, 30}, {60, 45, 40, 30}},
        {48, 64, {14, 0, 36, 48}, {56, 28, 48, 64}},
    };
    TempDir dir;
    Handle blank = make_image(8, 8, 24);
    ASSERT_EQ(oxImageBoxFill(blank.get(), 0, 0, 0, 0, 0xFFFFFF), 1);
    for (const Placement &c : cases) {
        SCOPED_TRACE(testing::Message() << c.src_w << "x" << c.src_h);
        Handle picture = make_image(c.src_w, c.src_h, 24);  // black everywhere: every sample is ink
        const std::string doc = dir.file("doc.bin");
        std::ofstream(doc, std::ios::binary) << std::string(3000, 'c');  // content of its own, then the tags
        uint32_t err = 0;
        ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
        ASSERT_EQ(oxSetFileThumbnailTag(picture.get(), &err), 1u);
        ASSERT_EQ(oxSetFileVectorTag(picture.get(), &err), 1);
        EXPECT_EQ(oxSetFileVectorTag(blank.get(), &err), 0);
        ASSERT_EQ(oxCloseKavelTag(1, &err), 1);

        Handle small(oxGetKavelTag(doc.c_str(), 0xFF00, &err));
        Handle large(oxGetKavelTag(doc.c_str(), 0xFF02, &err));
        ASSERT_TRUE(small && large);
        EXPECT_EQ(oxImageGetWidthDirect(small.get()), 64);
        EXPECT_EQ(oxImageGetHeightDirect(large.get()), 120);
        EXPECT_EQ(oxImageGetBitCountDirect(large.get()), 24);
        const OxRect s = ink_box(small.get()), l = ink_box(large.get());
        EXPECT_TRUE(oxEqualRect(&s, &c.small)) << s.left << "," << s.top << " " << s.right << "x" << s.bottom;
        EXPECT_TRUE(oxEqualRect(&l, &c.large)) << l.left << "," << l.top << " " << l.right << "x" << l.bottom;

        Handle direct(oxImageToVector(picture.get(), &err));
        Handle stored(oxGetKavelTag(doc.c_str(), 0xFF05, &err));
        ASSERT_TRUE(direct && stored);
        ASSERT_EQ(oxGetHandleSize(stored.get()), oxGetHandleSize(direct.get()));
        EXPECT_EQ(std::memcmp(oxLock(stored.get()), oxLock(direct.get()), oxGetHandleSize(direct.get())), 0);
    }
}

}  // namespace
