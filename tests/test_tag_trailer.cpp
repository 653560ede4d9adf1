// Tagged documents: the file layout the tag writer produces, new and append mode, replacing tags, the
// readers, the writer's refusals, and documents whose trailer or records lie.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "image_compare.h"
#include "ox.h"
#include "support.h"

using oxtest::Bytes;
using oxtest::cat;
using oxtest::pattern;
using oxtest::Handle;
using oxtest::make_image;
using oxtest::read_bytes;
using oxtest::write_bytes;

namespace {

constexpr uint32_t kTrailer = 2568;

// A memory block holding `bytes` at its start.
Handle block_with(const Bytes &bytes) {
    uint32_t err;
    Handle h(oxAlloc(uint32_t(bytes.size()), 0, &err));
    std::memcpy(oxLock(h.get()), bytes.data(), bytes.size());
    return h;
}

struct Entry {
    uint32_t id, size, offset;
};

// Directory entry i of the trailer at the end of `file`.
Entry entry(const Bytes &file, int i) {
    const uint8_t *e = file.data() + file.size() - kTrailer + 8 + 10 * i;
    auto le32 = [](const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; };
    return {uint32_t(e[0] | e[1] << 8), le32(e + 2), le32(e + 6)};
}

// A trailer made by hand: the version, `head` over its first bytes (the magic, perhaps bytes 5 to 7 too),
// then the given entries.
Bytes trailer_with(const std::vector<Entry> &entries, uint8_t version = 0, const char *head = "KAVEL") {
    Bytes t(kTrailer, 0);
    t[6] = version;
    std::memcpy(t.data(), head, std::strlen(head));
    for (std::size_t i = 0; i < entries.size(); ++i)
        for (int k = 0; k < 4; ++k) {
            uint8_t *e = t.data() + 8 + 10 * i;
            if (k < 2) e[k] = uint8_t(entries[i].id >> 8 * k);
            e[2 + k] = uint8_t(entries[i].size >> 8 * k);
            e[6 + k] = uint8_t(entries[i].offset >> 8 * k);
        }
    return t;
}

// The record of a raw tag: the id high byte first, then the block, which is rounded up to whole pages.
Bytes record(uint16_t id, const Bytes &raw) {
    Bytes r = cat({{uint8_t(id >> 8), uint8_t(id)}, raw});
    r.resize(2 + (raw.size() + 4095) / 4096 * 4096);
    return r;
}

void set_raw(const Bytes &bytes, uint16_t id = OX_TAG_RAW) {
    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxSetKavelTag(block_with(bytes).get(), id, &err), 1) << "err " << err;
    EXPECT_EQ(err, 0u);
}

void close_writer(uint8_t version = 1) {
    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxCloseKavelTag(version, &err), 1) << "err " << err;
}

// The first n bytes of a raw tag as read back; with n 0, the whole block.
Bytes get_raw(const std::string &path, uint32_t id, std::size_t n = 10) {
    uint32_t err = 0xDEAD;
    Handle h(oxGetKavelTag(path.c_str(), id, &err));
    EXPECT_TRUE(h) << "err " << std::hex << err;
    EXPECT_EQ(err, 0u);
    const auto *p = static_cast<const uint8_t *>(oxLock(h.get()));
    const std::size_t size = oxGetHandleSize(h.get());
    return h && size >= n ? Bytes(p, p + (n ? n : size)) : Bytes{};
}

// The code of a read that must fail.
uint32_t get_fails(const std::string &path, uint32_t id) {
    uint32_t err = 0xDEAD;
    EXPECT_FALSE(Handle(oxGetKavelTag(path.c_str(), id, &err)));
    return err;
}

class TagTrailer : public testing::Test {
protected:
    void TearDown() override {
        uint32_t err;
        oxCloseKavelTag(0, &err);  // never leave the module-wide writer holding a file of this test
    }
    void start_new(std::size_t own) {
        write_bytes(doc, pattern(own));
        uint32_t err = 0xDEAD;
        ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
        EXPECT_EQ(err, 0u);
    }
    oxtest::TempDir dir;
    std::string doc = dir.file("cut01.doc");
};

// The id picks the kind of image written and read back; the body is stored as a page-rounded block.
TEST_F(TagTrailer, ImageTagsComeBackWithTheirKind) {
    std::mt19937 rng(3);
    Handle thumb = make_image(160, 120, 24), gray = make_image(33, 7, 32, OX_LAYER_GRAY);
    oxtest::fill_random(thumb.get(), rng);
    oxtest::fill_random(gray.get(), rng);
    start_new(10);
    uint32_t err;
    ASSERT_EQ(oxSetKavelTag(thumb.get(), OX_TAG_LARGE_THUMBNAIL, &err), 1);
    ASSERT_EQ(oxSetKavelTag(gray.get(), OX_TAG_GRAY_IMAGE, &err), 1);
    ASSERT_EQ(oxSetKavelTag(gray.get(), OX_TAG_IMAGE_24, &err), 1);
    close_writer();

    struct Want {
        uint32_t id;
        OxHandle original;
        int bits, layer;
    } const wants[] = {{OX_TAG_LARGE_THUMBNAIL, thumb.get(), 24, OX_LAYER_NORMAL},
                       {OX_TAG_GRAY_IMAGE, gray.get(), 32, OX_LAYER_GRAY},
                       {OX_TAG_IMAGE_24, gray.get(), 24, OX_LAYER_NORMAL}};
    for (const Want &w : wants) {
        SCOPED_TRACE(testing::Message() << std::hex << w.id);
        Handle back(oxGetKavelTag(doc.c_str(), w.id, &err));
        ASSERT_TRUE(back);
        EXPECT_EQ(oxImageGetBitCountDirect(back.get()), w.bits);
        EXPECT_EQ(oxImageGetLayerDirect(back.get()), w.layer);
        oxtest::Values want = oxtest::values(w.original);
        for (uint32_t &v : want) v &= w.bits == 24 ? 0xFFFFFF : 0xFFFFFFFF;  // 24 bits keep bits 0-23
        EXPECT_EQ(oxtest::values(back.get()), want);
    }
    // 160 x 120 random pixels encode to 57600 bytes, packet headers and 44 bytes of header and footer:
    // the body is the block of 15 pages.
    EXPECT_EQ(entry(read_bytes(doc), 0).size, 61440u);
}

TEST_F(TagTrailer, NewModeLayoutReplacingATagAndStartingAfresh) {
    const uint16_t R = OX_TAG_RAW, V = OX_TAG_VECTOR;
    start_new(50);
    set_raw(pattern(10, 1), R);
    set_raw(pattern(10, 2), V);
    set_raw(pattern(10, 3), R);  // one entry, pointed at the newer record; the replaced record stays
    close_writer();
    // The content untouched, the records, the trailer.
    const Bytes file = read_bytes(doc);
    EXPECT_EQ(file, cat({pattern(50), record(R, pattern(10, 1)), record(V, pattern(10, 2)), record(R, pattern(10, 3)),
                         trailer_with({{R, 4096, 50 + 2 * 4098}, {V, 4096, 50 + 4098}}, 1)}));
    const auto body = file.begin() + 50 + 2 * 4098 + 2;  // a tag reads back as its whole block
    EXPECT_EQ(get_raw(doc, R, 0), Bytes(body, body + 4096));

    // New mode over a tagged file: the old trailer stays behind as bytes, its tags are no longer listed.
    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(pattern(10, 4), R);
    close_writer();
    EXPECT_EQ(read_bytes(doc),
              cat({file, record(R, pattern(10, 4)), trailer_with({{R, 4096, uint32_t(file.size())}}, 1)}));
    EXPECT_EQ(get_raw(doc, R), pattern(10, 4));  // read through the last trailer
}

TEST_F(TagTrailer, AppendModeKeepsTheDirectoryAndReusesTheOldTrailer) {
    const uint16_t R = OX_TAG_RAW, V = OX_TAG_VECTOR;
    start_new(700);
    set_raw(pattern(10, 1), R);
    close_writer();
    const Bytes kept = cat({pattern(700), record(R, pattern(10, 1))});  // the file without its trailer

    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxAddStartKavelFile(doc.c_str(), &err), 1u);
    EXPECT_EQ(err, 0u);
    set_raw(pattern(10, 2), V);  // written over the old trailer
    set_raw(pattern(10, 3), R);  // replaces the tag kept from the file's directory
    close_writer(7);
    const uint32_t at = uint32_t(kept.size());
    const std::vector<Entry> entries{{R, 4096, at + 4098}, {V, 4096, at}};
    const Bytes file = read_bytes(doc);
    EXPECT_EQ(file, cat({kept, record(V, pattern(10, 2)), record(R, pattern(10, 3)), trailer_with(entries, 7)}));

    // Closed without a tag, the new trailer follows the old one.
    ASSERT_EQ(oxAddStartKavelFile(doc.c_str(), &err), 1u);
    close_writer();
    EXPECT_EQ(read_bytes(doc), cat({file, trailer_with(entries, 1)}));

    // Content of 2569 bytes or more without a trailer: an empty directory, records behind the content.
    write_bytes(doc, pattern(5000));
    ASSERT_EQ(oxAddStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(pattern(10, 4), R);
    close_writer();
    EXPECT_EQ(read_bytes(doc), cat({pattern(5000), record(R, pattern(10, 4)), trailer_with({{R, 4096, 5000}}, 1)}));
}

TEST_F(TagTrailer, ShortFilesMissingFilesAndAClosedWriter) {
    // A file of 2568 bytes is no document, even when it is a valid trailer.
    write_bytes(doc, trailer_with({{OX_TAG_RAW, 4096, 0}}));
    EXPECT_EQ(get_fails(doc, OX_TAG_RAW), OX_ERR_NOT_TAGGED_DOCUMENT);
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), OX_TAG_RAW), 0u);
    uint32_t err = 0xDEAD;
    EXPECT_EQ(oxAddStartKavelFile(doc.c_str(), &err), 0u);
    EXPECT_EQ(err, OX_ERR_NOT_TAGGED_DOCUMENT);
    OxFileHandle f;  // closed again: an exclusive open succeeds
    ASSERT_EQ(oxOpenFile(doc.c_str(), &f, OX_GENERIC_READ, 0, OX_OPEN_EXISTING, OX_FILE_ATTRIBUTE_NORMAL, 0, 0, &err),
              1);
    oxCloseFile(f);

    const std::string missing = dir.file("none.doc");
    EXPECT_EQ(oxSaveStartKavelFile(missing.c_str(), &err), 0u);
    EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(missing));  // not created
    EXPECT_EQ(oxAddStartKavelFile(missing.c_str(), &err), 0u);
    EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(get_fails(missing, OX_TAG_RAW), OX_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(oxCheckKavelTag(missing.c_str(), OX_TAG_RAW), 0u);

    // No file is being tagged after those failures.
    EXPECT_EQ(oxSetKavelTag(block_with({1}).get(), OX_TAG_RAW, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
    err = 0xDEAD;
    EXPECT_EQ(oxCloseKavelTag(1, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
    EXPECT_EQ(read_bytes(doc).size(), kTrailer);
}

TEST_F(TagTrailer, RefusedTagsLeaveFileAndDirectoryUntouched) {
    start_new(30);
    set_raw(pattern(10, 1), OX_TAG_RAW);
    const std::size_t size = read_bytes(doc).size();
    Handle mask = make_image(8, 8, 1, OX_LAYER_MASK), bits8 = make_image(4, 4, 8), rgb = make_image(4, 4, 24);
    Handle too_wide = make_image(32768, 1, 24), too_tall = make_image(1, 32768, 32);
    uint32_t err;
    Handle no_image(oxAlloc(100, 0, &err));  // a zeroed block: no image record
    int on_stack = 0;
    struct Bad {
        const char *what;
        OxHandle data;
        uint16_t id;
        uint32_t code;
    } const bad[] = {{"id 0", rgb.get(), 0, 0},
                     {"no data", 0, OX_TAG_RAW, OX_ERROR_INVALID_HANDLE},
                     {"not a handle", reinterpret_cast<OxHandle>(&on_stack), 0x0100, OX_ERROR_INVALID_HANDLE},
                     {"1-bit image", mask.get(), 0x0100, 0},
                     {"8-bit image", bits8.get(), OX_TAG_IMAGE_24, 0},
                     {"24 bits as gray", rgb.get(), OX_TAG_GRAY_IMAGE, 0},
                     {"block that is no image", no_image.get(), 0x0100, 0},
                     {"32768 wide", too_wide.get(), 0x0100, 0},
                     {"32768 tall", too_tall.get(), OX_TAG_GRAY_IMAGE, 0}};
    for (const Bad &b : bad) {
        SCOPED_TRACE(b.what);
        err = 0xDEAD;
        EXPECT_EQ(oxSetKavelTag(b.data, b.id, &err), 0);
        EXPECT_EQ(err, b.code);
        EXPECT_EQ(read_bytes(doc).size(), size);
    }
    set_raw(pattern(10, 2), OX_TAG_VECTOR);  // the writer goes on as before
    close_writer();
    EXPECT_EQ(read_bytes(doc),
              cat({pattern(30), record(OX_TAG_RAW, pattern(10, 1)), record(OX_TAG_VECTOR, pattern(10, 2)),
                   trailer_with({{OX_TAG_RAW, 4096, 30}, {OX_TAG_VECTOR, 4096, 30 + 4098}}, 1)}));
}

TEST_F(TagTrailer, AFullDirectoryRefusesNewIdsButStillReplaces) {
    start_new(5);
    Handle one = make_image(1, 1, 24);
    uint32_t err;
    for (uint32_t id = 1; id <= 256; ++id) ASSERT_EQ(oxSetKavelTag(one.get(), uint16_t(id), &err), 1) << id;
    const std::size_t size = read_bytes(doc).size();
    for (uint16_t id : {uint16_t(257), uint16_t(OX_TAG_RAW)}) {
        err = 0xDEAD;
        EXPECT_EQ(oxSetKavelTag(block_with({1}).get(), id, &err), 0);
        EXPECT_EQ(err, OX_ERROR_NO_MORE_ITEMS);
    }
    EXPECT_EQ(read_bytes(doc).size(), size);
    EXPECT_EQ(oxSetKavelTag(make_image(3, 3, 24).get(), 0x0100, &err), 1);  // id 256 is listed: replaced
    close_writer();
    const Bytes file = read_bytes(doc);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(entry(file, i).id, uint32_t(i + 1));
    EXPECT_EQ(oxImageGetWidthDirect(Handle(oxGetKavelTag(doc.c_str(), 0x0100, &err)).get()), 3);
}

TEST_F(TagTrailer, ASecondStartClosesTheFirstFileWithoutATrailer) {
    const std::string other = dir.file("cut02.doc");
    write_bytes(other, pattern(60));
    start_new(40);
    set_raw(pattern(10, 1), OX_TAG_RAW);
    // While the writer holds the file, nobody else opens it.
    EXPECT_EQ(get_fails(doc, OX_TAG_RAW), OX_ERROR_SHARING_VIOLATION);
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), OX_TAG_RAW), 0u);

    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(other.c_str(), &err), 1u);
    EXPECT_EQ(read_bytes(doc).size(), 40u + 4098);  // no trailer for the first file, which is free again
    EXPECT_EQ(get_fails(doc, OX_TAG_RAW), OX_ERR_NOT_TAGGED_DOCUMENT);
    set_raw(pattern(10, 2), OX_TAG_VECTOR);
    ASSERT_EQ(oxSaveStartKavelFile(other.c_str(), &err), 1u);  // restarting the same file works too
    set_raw(pattern(10, 3), OX_TAG_RAW);
    close_writer();
    EXPECT_EQ(get_raw(other, OX_TAG_RAW), pattern(10, 3));
    EXPECT_EQ(oxCheckKavelTag(other.c_str(), OX_TAG_VECTOR), 0u);
}

// Documents whose directory or records lie, and ids they do not hold. Each read is refused with the format
// code, without reading outside the file or allocating more than it holds; the check looks at the directory
// alone. (Image bodies that do not decode are the codec test's: here only that the tag's size and id reach
// the decoder.)
TEST_F(TagTrailer, ReadersRefuseWhatTheDirectoryAndRecordsDoNotHold) {
    const Bytes own = pattern(100);
    const uint32_t at = 100;  // records start behind the content
    auto doc_with = [&](uint16_t id, const Bytes &body, Entry e, const char *head = "KAVEL") {
        return cat({own, {uint8_t(id >> 8), uint8_t(id)}, body, trailer_with({e}, 0, head)});
    };
    const Bytes image = cat({oxtest::tga_header(2, 1, 24), {0x81, 1, 2, 3}});  // a valid 2 x 1 body of 22 bytes
    const uint16_t R = OX_TAG_RAW, I = 0x0100;
    struct Case {
        const char *what;
        Bytes file;
        uint16_t id;
        uint32_t listed;  // what the check says
    } const cases[] = {
        {"offset past the end", doc_with(R, pattern(50), {R, 50, 1u << 20}), R, 1},
        {"offset 0xFFFFFFFF", doc_with(R, pattern(50), {R, 50, 0xFFFFFFFFu}), R, 1},
        {"size past the end", doc_with(R, pattern(50), {R, 0x7FFFFFF0u, at}), R, 1},
        {"size 0xFFFFFFFF", doc_with(R, pattern(50), {R, 0xFFFFFFFFu, at}), R, 1},
        {"body runs into the trailer", doc_with(R, pattern(50), {R, 51, at}), R, 1},
        {"size 0", doc_with(R, pattern(50), {R, 0, at}), R, 1},
        {"offset inside the trailer", cat({own, trailer_with({{R, 4, 102}})}), R, 1},
        {"record of another id", doc_with(OX_TAG_VECTOR, pattern(50), {R, 50, at}), R, 1},
        {"24-bit body under the gray tag", doc_with(OX_TAG_GRAY_IMAGE, image, {OX_TAG_GRAY_IMAGE, 22, at}),
         OX_TAG_GRAY_IMAGE, 1},
        {"size cuts the image header", doc_with(I, image, {I, 10, at}), I, 1},
        {"id not listed", doc_with(R, pattern(50), {R, 50, at}), OX_TAG_VECTOR, 0},
        {"id 0, which empty entries hold", doc_with(R, pattern(50), {R, 50, at}), 0, 0},
        {"no trailer magic", doc_with(R, pattern(50), {R, 50, at}, "KAVEl"), R, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        write_bytes(doc, c.file);
        EXPECT_EQ(get_fails(doc, c.id), OX_ERR_NOT_TAGGED_DOCUMENT);
        EXPECT_EQ(oxCheckKavelTag(doc.c_str(), c.id), c.listed);
    }
    // The same layouts with honest fields read back; bytes 5 to 7 of the trailer do not matter, and the
    // readers take the low 16 bits of the id.
    write_bytes(doc, doc_with(I, image, {I, 22, at}));
    uint32_t err;
    Handle img(oxGetKavelTag(doc.c_str(), I, &err));
    ASSERT_TRUE(img);
    EXPECT_EQ(oxtest::get(img.get(), 1, 0), 0x010203u);
    write_bytes(doc, doc_with(R, pattern(50), {R, 50, at}, "KAVEL\x55\x66\xAA"));
    EXPECT_EQ(get_raw(doc, 0x7FFF0000u | R, 50), pattern(50));
}

}  // namespace
