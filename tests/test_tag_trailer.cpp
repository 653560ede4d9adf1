// Tagged documents: the file layout the tag writer produces, new and append mode, replacing tags, the
// readers, the writer's refusals, and documents whose trailer or records lie.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "ox.h"
#include "support.h"

using oxtest::Handle;
using oxtest::make_image;
using oxtest::TempDir;

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kTrailer = 2568;

Bytes read_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write_bytes(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes content(std::size_t n, uint8_t seed = 1) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}

// A memory block holding `bytes` at its start.
Handle block_with(const Bytes &bytes) {
    uint32_t err;
    Handle h(oxAlloc(static_cast<uint32_t>(bytes.size()), 0, &err));
    std::memcpy(oxLock(h.get()), bytes.data(), bytes.size());
    return h;
}

Bytes block_bytes(OxHandle h, std::size_t n) {
    const auto *p = static_cast<const uint8_t *>(oxLock(h));
    return Bytes(p, p + n);
}

uint32_t le16(const Bytes &b, std::size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t le32(const Bytes &b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

struct Entry {
    uint32_t id, size, offset;
};
// Directory entry i of the trailer at the end of `file`.
Entry entry(const Bytes &file, int i) {
    const std::size_t at = file.size() - kTrailer + 8 + 10 * i;
    return {le16(file, at), le32(file, at + 2), le32(file, at + 6)};
}

// A trailer image by hand: magic, version, then the given entries in order.
Bytes trailer_with(const std::vector<Entry> &entries, const char *magic = "KAVEL") {
    Bytes t(kTrailer, 0);
    std::memcpy(t.data(), magic, 5);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        uint8_t *e = t.data() + 8 + 10 * i;
        const Entry &en = entries[i];
        e[0] = uint8_t(en.id), e[1] = uint8_t(en.id >> 8);
        for (int k = 0; k < 4; ++k) e[2 + k] = uint8_t(en.size >> 8 * k), e[6 + k] = uint8_t(en.offset >> 8 * k);
    }
    return t;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Sets one raw tag holding `bytes` on the open writer.
void set_raw(const Bytes &bytes, uint16_t id = OX_TAG_RAW) {
    Handle h = block_with(bytes);
    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxSetKavelTag(h.get(), id, &err), 1) << "err " << err;
    EXPECT_EQ(err, 0u);
}

void close_writer(uint8_t version = 1) {
    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxCloseKavelTag(version, &err), 1) << "err " << err;
}

Bytes get_raw(const std::string &path, uint32_t id, std::size_t n) {
    uint32_t err = 0xDEAD;
    Handle h(oxGetKavelTag(path.c_str(), id, &err));
    EXPECT_TRUE(h) << "err " << std::hex << err;
    if (!h) return {};
    return block_bytes(h.get(), n);
}

uint32_t get_fails(const std::string &path, uint32_t id) {
    uint32_t err = 0xDEAD;
    Handle h(oxGetKavelTag(path.c_str(), id, &err));
    EXPECT_FALSE(h);
    return err;
}

class TagTrailer : public testing::Test {
protected:
    void TearDown() override {
        uint32_t err;
        oxCloseKavelTag(0, &err);  // never leave the module-wide writer holding a file of this test
    }
    TempDir dir;
    std::string doc = dir.file("cut01.doc");
};

TEST_F(TagTrailer, NewModeLayoutOfOneRawTag) {
    const Bytes own = content(1000);
    write_bytes(doc, own);
    uint32_t err = 0xDEAD;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    EXPECT_EQ(err, 0u);
    const Bytes body = content(100, 9);
    set_raw(body);
    close_writer(1);

    const Bytes file = read_bytes(doc);
    ASSERT_EQ(file.size(), 1000u + 2 + 4096 + kTrailer);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 1000), own);  // the application's content is untouched
    EXPECT_EQ(file[1000], 0xFF);                               // the id in front of the body, high byte first
    EXPECT_EQ(file[1001], 0x01);
    EXPECT_EQ(Bytes(file.begin() + 1002, file.begin() + 1102), body);
    for (std::size_t i = 1102; i < 1002 + 4096; ++i) ASSERT_EQ(file[i], 0) << i;  // the rest of the page
    const std::size_t t = file.size() - kTrailer;
    EXPECT_EQ(Bytes(file.begin() + t, file.begin() + t + 8), (Bytes{'K', 'A', 'V', 'E', 'L', 0, 1, 0}));
    EXPECT_EQ(Bytes(file.begin() + t + 8, file.begin() + t + 18), (Bytes{0x01, 0xFF, 0, 0x10, 0, 0, 0xE8, 0x03, 0, 0}));
    for (std::size_t i = t + 18; i < file.size(); ++i) ASSERT_EQ(file[i], 0) << "directory byte " << i - t;

    Handle got(oxGetKavelTag(doc.c_str(), OX_TAG_RAW, &err));
    ASSERT_TRUE(got);
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(oxGetHandleSize(got.get()), 4096u);
    EXPECT_EQ(block_bytes(got.get(), 4096), Bytes(file.begin() + 1002, file.begin() + 1002 + 4096));
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), OX_TAG_RAW), 1u);
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), OX_TAG_VECTOR), 0u);
}

TEST_F(TagTrailer, ImageTagsRoundTripWithTheirKind) {
    write_bytes(doc, content(10));
    std::mt19937 rng(3);
    Handle small = make_image(64, 48, 24), large = make_image(160, 120, 24),
           gray = make_image(33, 7, 32, OX_LAYER_GRAY);
    Handle wide = make_image(200, 3, 32), odd = make_image(129, 5, 24);
    for (OxHandle h : {small.get(), large.get(), gray.get(), wide.get(), odd.get()}) oxtest::fill_random(h, rng);
    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    ASSERT_EQ(oxSetKavelTag(small.get(), OX_TAG_SMALL_THUMBNAIL, &err), 1);
    ASSERT_EQ(oxSetKavelTag(large.get(), OX_TAG_LARGE_THUMBNAIL, &err), 1);
    ASSERT_EQ(oxSetKavelTag(gray.get(), OX_TAG_GRAY_IMAGE, &err), 1);
    ASSERT_EQ(oxSetKavelTag(wide.get(), OX_TAG_IMAGE_24, &err), 1);
    ASSERT_EQ(oxSetKavelTag(odd.get(), 0x0042, &err), 1);
    close_writer();

    struct Want {
        uint32_t id;
        OxHandle original;
        int bits, layer;
    };
    const Want wants[] = {{OX_TAG_SMALL_THUMBNAIL, small.get(), 24, OX_LAYER_NORMAL},
                          {OX_TAG_LARGE_THUMBNAIL, large.get(), 24, OX_LAYER_NORMAL},
                          {OX_TAG_GRAY_IMAGE, gray.get(), 32, OX_LAYER_GRAY},
                          {OX_TAG_IMAGE_24, wide.get(), 24, OX_LAYER_NORMAL},
                          {0x0042, odd.get(), 24, OX_LAYER_NORMAL}};
    for (const Want &w : wants) {
        SCOPED_TRACE(testing::Message() << std::hex << w.id);
        err = 0xDEAD;
        Handle back(oxGetKavelTag(doc.c_str(), w.id, &err));
        ASSERT_TRUE(back);
        EXPECT_EQ(err, 0u);
        EXPECT_EQ(oxImageGetBitCountDirect(back.get()), w.bits);
        EXPECT_EQ(oxImageGetLayerDirect(back.get()), w.layer);
        OxImageLockRec a, b;
        oxImageLock(w.original, &a);
        oxImageLock(back.get(), &b);
        ASSERT_EQ(b.maxX, a.maxX);
        ASSERT_EQ(b.maxY, a.maxY);
        const uint32_t keep = w.bits == a.header->bitCount ? 0xFFFFFFFFu : 0xFFFFFFu;
        for (int32_t y = 0; y <= a.maxY; ++y)
            for (int32_t x = 0; x <= a.maxX; ++x)
                ASSERT_EQ(oxImageGetPixel(&b, x, y), oxImageGetPixel(&a, x, y) & keep) << x << "," << y;
    }
    // Each image body is its encoding padded to whole pages, and the size field says so.
    const Bytes file = read_bytes(doc);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(entry(file, i).size % 4096, 0u);
    EXPECT_EQ(entry(file, 1).size, 61440u);  // 160 x 120 random pixels: 57600 bytes and the packet headers
}

TEST_F(TagTrailer, SettingAnIdAgainRepointsItsEntry) {
    write_bytes(doc, content(50));
    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(content(10, 1), OX_TAG_RAW);
    set_raw(content(10, 2), OX_TAG_VECTOR);
    set_raw(content(10, 3), OX_TAG_RAW);
    close_writer();
    const Bytes file = read_bytes(doc);
    ASSERT_EQ(file.size(), 50u + 3 * 4098 + kTrailer);  // the replaced record stays in the file
    EXPECT_EQ(entry(file, 0).id, OX_TAG_RAW);
    EXPECT_EQ(entry(file, 0).offset, 50u + 2 * 4098);
    EXPECT_EQ(entry(file, 1).id, OX_TAG_VECTOR);
    EXPECT_EQ(entry(file, 1).offset, 50u + 4098);
    EXPECT_EQ(entry(file, 2).id, 0u);
    EXPECT_EQ(get_raw(doc, OX_TAG_RAW, 10), content(10, 3));
}

TEST_F(TagTrailer, NewModeOnATaggedFileLeavesTheOldTrailerUnreferenced) {
    write_bytes(doc, content(3000));
    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(content(10, 1), OX_TAG_VECTOR);
    close_writer();
    const std::size_t first = read_bytes(doc).size();
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(content(10, 2), OX_TAG_RAW);
    close_writer();
    const Bytes file = read_bytes(doc);
    EXPECT_EQ(file.size(), first + 4098 + kTrailer);
    EXPECT_EQ(entry(file, 0).offset, first);
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), OX_TAG_VECTOR), 0u);
    EXPECT_EQ(get_fails(doc, OX_TAG_VECTOR), OX_ERR_NOT_TAGGED_DOCUMENT);
    EXPECT_EQ(get_raw(doc, OX_TAG_RAW, 10), content(10, 2));
}

TEST_F(TagTrailer, AppendModeKeepsTheDirectoryAndReusesTheOldTrailer) {
    write_bytes(doc, content(700));
    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(content(10, 1), OX_TAG_RAW);
    close_writer();
    const std::size_t before = read_bytes(doc).size();

    ASSERT_EQ(oxAddStartKavelFile(doc.c_str(), &err), 1u);
    EXPECT_EQ(err, 0u);
    set_raw(content(10, 2), OX_TAG_VECTOR);
    set_raw(content(10, 3), 0xFF01);  // replaces the tag kept from the file's directory
    close_writer(7);
    const Bytes file = read_bytes(doc);
    EXPECT_EQ(file.size(), before - kTrailer + 2 * 4098 + kTrailer);
    EXPECT_EQ(entry(file, 1).id, OX_TAG_VECTOR);
    EXPECT_EQ(entry(file, 1).offset, before - kTrailer);  // written over the old trailer
    EXPECT_EQ(entry(file, 0).offset, before - kTrailer + 4098);
    EXPECT_EQ(file[file.size() - kTrailer + 6], 7);
    EXPECT_EQ(get_raw(doc, OX_TAG_VECTOR, 10), content(10, 2));
    EXPECT_EQ(get_raw(doc, OX_TAG_RAW, 10), content(10, 3));

    // Append mode closed without a tag: the new trailer follows the old one.
    ASSERT_EQ(oxAddStartKavelFile(doc.c_str(), &err), 1u);
    close_writer();
    EXPECT_EQ(read_bytes(doc).size(), file.size() + kTrailer);
    EXPECT_EQ(get_raw(doc, OX_TAG_VECTOR, 10), content(10, 2));
}

TEST_F(TagTrailer, AppendModeOnUntaggedContent) {
    const Bytes own = content(5000);
    write_bytes(doc, own);
    uint32_t err;
    ASSERT_EQ(oxAddStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(content(10, 4), OX_TAG_RAW);
    close_writer();
    const Bytes file = read_bytes(doc);
    EXPECT_EQ(file.size(), 5000u + 4098 + kTrailer);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 5000), own);
    EXPECT_EQ(entry(file, 0).offset, 5000u);
    EXPECT_EQ(entry(file, 1).id, 0u);
}

TEST_F(TagTrailer, FilesOfAtMost2568BytesAreNotTaggedDocuments) {
    // Even a file that is nothing but a valid trailer.
    write_bytes(doc, trailer_with({{OX_TAG_RAW, 4096, 0}}));
    EXPECT_EQ(get_fails(doc, OX_TAG_RAW), OX_ERR_NOT_TAGGED_DOCUMENT);
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), OX_TAG_RAW), 0u);
    uint32_t err = 0xDEAD;
    EXPECT_EQ(oxAddStartKavelFile(doc.c_str(), &err), 0u);
    EXPECT_EQ(err, OX_ERR_NOT_TAGGED_DOCUMENT);
    // The failed start closed the file again, and left no writer behind.
    OxFileHandle f;
    ASSERT_EQ(oxOpenFile(doc.c_str(), &f, OX_GENERIC_READ, 0, OX_OPEN_EXISTING, OX_FILE_ATTRIBUTE_NORMAL, 0, 0, &err),
              1);
    oxCloseFile(f);
    EXPECT_EQ(oxSetKavelTag(block_with({1}).get(), OX_TAG_RAW, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
    EXPECT_EQ(read_bytes(doc).size(), kTrailer);
}

TEST_F(TagTrailer, MissingFilesAndClosedWriter) {
    const std::string missing = dir.file("none.doc");
    uint32_t err = 0xDEAD;
    EXPECT_EQ(oxSaveStartKavelFile(missing.c_str(), &err), 0u);
    EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::ifstream(missing).good());  // not created
    EXPECT_EQ(oxAddStartKavelFile(missing.c_str(), &err), 0u);
    EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(get_fails(missing, OX_TAG_RAW), OX_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(oxCheckKavelTag(missing.c_str(), OX_TAG_RAW), 0u);

    Handle h = block_with({1, 2});
    EXPECT_EQ(oxSetKavelTag(h.get(), OX_TAG_RAW, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
    err = 0xDEAD;
    EXPECT_EQ(oxCloseKavelTag(1, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
}

TEST_F(TagTrailer, ReadersFindTheLow16BitsAndCheckTheRecordsId) {
    write_bytes(doc, content(20));
    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(content(10, 5), OX_TAG_RAW);
    close_writer();
    EXPECT_EQ(get_raw(doc, 0x7FFF0000u | OX_TAG_RAW, 10), content(10, 5));
    EXPECT_EQ(get_fails(doc, OX_TAG_VECTOR), OX_ERR_NOT_TAGGED_DOCUMENT);
    EXPECT_EQ(get_fails(doc, 0), OX_ERR_NOT_TAGGED_DOCUMENT);  // id 0 is no tag, although empty entries hold it
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), 0), 0u);

    // The directory says 0xFF01 but the record begins with another id.
    Bytes file = read_bytes(doc);
    file[20] = 0xFF, file[21] = 0x05;
    write_bytes(doc, file);
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), OX_TAG_RAW), 1u);  // the record itself is not visited
    EXPECT_EQ(get_fails(doc, OX_TAG_RAW), OX_ERR_NOT_TAGGED_DOCUMENT);

    // Bytes 5 to 7 of the header are not looked at; the magic is.
    file[20] = 0xFF, file[21] = 0x01;
    file[file.size() - kTrailer + 5] = 0x55;
    file[file.size() - kTrailer + 7] = 0xAA;
    write_bytes(doc, file);
    EXPECT_EQ(get_raw(doc, OX_TAG_RAW, 10), content(10, 5));
    file[file.size() - kTrailer + 4] = 'l';
    write_bytes(doc, file);
    EXPECT_EQ(get_fails(doc, OX_TAG_RAW), OX_ERR_NOT_TAGGED_DOCUMENT);
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), OX_TAG_RAW), 0u);
}

TEST_F(TagTrailer, RefusedTagsLeaveFileAndDirectoryUntouched) {
    write_bytes(doc, content(30));
    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(content(10, 1), OX_TAG_RAW);
    const std::size_t size = read_bytes(doc).size();

    Handle mask = make_image(8, 8, 1, OX_LAYER_MASK), bits8 = make_image(4, 4, 8), rgb = make_image(4, 4, 24);
    Handle too_wide = make_image(32768, 1, 24);
    int on_stack = 0;
    struct Bad {
        const char *what;
        OxHandle data;
        uint16_t id;
        uint32_t code;
    };
    const Bad bad[] = {
        {"id 0", rgb.get(), 0, 0},
        {"no data", 0, OX_TAG_RAW, OX_ERROR_INVALID_HANDLE},
        {"not a handle", reinterpret_cast<OxHandle>(&on_stack), OX_TAG_SMALL_THUMBNAIL, OX_ERROR_INVALID_HANDLE},
        {"1-bit image", mask.get(), 0x0100, 0},
        {"8-bit image", bits8.get(), OX_TAG_IMAGE_24, 0},
        {"24 bits as gray", rgb.get(), OX_TAG_GRAY_IMAGE, 0},
        {"32768 wide", too_wide.get(), 0x0100, 0}};
    for (const Bad &b : bad) {
        SCOPED_TRACE(b.what);
        err = 0xDEAD;
        EXPECT_EQ(oxSetKavelTag(b.data, b.id, &err), 0);
        EXPECT_EQ(err, b.code);
        EXPECT_EQ(read_bytes(doc).size(), size);
    }
    set_raw(content(10, 2), OX_TAG_VECTOR);  // the writer goes on as before
    close_writer();
    const Bytes file = read_bytes(doc);
    EXPECT_EQ(entry(file, 0).id, OX_TAG_RAW);
    EXPECT_EQ(entry(file, 1).id, OX_TAG_VECTOR);
    EXPECT_EQ(entry(file, 1).offset, 30u + 4098);
    EXPECT_EQ(entry(file, 2).id, 0u);
}

TEST_F(TagTrailer, AFullDirectoryRefusesNewIdsButStillReplaces) {
    write_bytes(doc, content(5));
    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    Handle one = make_image(1, 1, 24);
    for (uint32_t id = 1; id <= 256; ++id) ASSERT_EQ(oxSetKavelTag(one.get(), uint16_t(id), &err), 1) << id;
    const std::size_t size = read_bytes(doc).size();
    err = 0xDEAD;
    EXPECT_EQ(oxSetKavelTag(one.get(), 257, &err), 0);
    EXPECT_EQ(err, OX_ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(oxSetKavelTag(block_with({1}).get(), OX_TAG_RAW, &err), 0);
    EXPECT_EQ(err, OX_ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(read_bytes(doc).size(), size);
    Handle image = make_image(3, 3, 24);
    EXPECT_EQ(oxSetKavelTag(image.get(), 0x0100, &err), 1);  // id 256 was there: it is replaced
    close_writer();
    const Bytes file = read_bytes(doc);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(entry(file, i).id, uint32_t(i + 1));
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), 257), 0u);
    EXPECT_EQ(oxImageGetWidthDirect(Handle(oxGetKavelTag(doc.c_str(), 0x0100, &err)).get()), 3);
}

TEST_F(TagTrailer, ASecondStartClosesTheFirstFileWithoutATrailer) {
    const std::string other = dir.file("cut02.doc");
    write_bytes(doc, content(40));
    write_bytes(other, content(60));
    uint32_t err;
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    set_raw(content(10, 1), OX_TAG_RAW);
    // While the writer holds the file, nobody else opens it.
    EXPECT_EQ(get_fails(doc, OX_TAG_RAW), OX_ERROR_SHARING_VIOLATION);
    EXPECT_EQ(oxCheckKavelTag(doc.c_str(), OX_TAG_RAW), 0u);

    ASSERT_EQ(oxSaveStartKavelFile(other.c_str(), &err), 1u);
    EXPECT_EQ(read_bytes(doc).size(), 40u + 4098);  // no trailer for the first file, but it is free again
    EXPECT_EQ(get_fails(doc, OX_TAG_RAW), OX_ERR_NOT_TAGGED_DOCUMENT);
    set_raw(content(10, 2), OX_TAG_VECTOR);
    // Restarting the file that is being tagged works too (it is closed first).
    ASSERT_EQ(oxSaveStartKavelFile(other.c_str(), &err), 1u);
    set_raw(content(10, 3), OX_TAG_RAW);
    close_writer();
    EXPECT_EQ(get_raw(other, OX_TAG_RAW, 10), content(10, 3));
    EXPECT_EQ(oxCheckKavelTag(other.c_str(), OX_TAG_VECTOR), 0u);

    // A start that fails leaves no file being tagged.
    ASSERT_EQ(oxSaveStartKavelFile(doc.c_str(), &err), 1u);
    EXPECT_EQ(oxSaveStartKavelFile(dir.file("missing").c_str(), &err), 0u);
    EXPECT_EQ(oxCloseKavelTag(1, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
}

// Documents whose directory or records lie. Each is refused with the format code, without reading
// outside the file or allocating more than it holds.
TEST_F(TagTrailer, HostileDocumentsAreRefused) {
    const Bytes own = content(100);
    auto record = [](uint16_t id, const Bytes &body) { return cat({{uint8_t(id >> 8), uint8_t(id)}, body}); };
    // A valid 2x1 24-bit image body (one run per row), and variants of it.
    auto tga = [](int w, int h, int depth, const Bytes &packets) {
        Bytes b = {0,
                   0,
                   10,
                   0,
                   0,
                   0,
                   0,
                   0,
                   0,
                   0,
                   0,
                   0,
                   uint8_t(w),
                   uint8_t(w >> 8),
                   uint8_t(h),
                   uint8_t(h >> 8),
                   uint8_t(depth),
                   0};
        return cat({b, packets});
    };
    const Bytes good_image = tga(2, 1, 24, {0x81, 1, 2, 3});
    const uint32_t at = 100;  // records start behind the content
    struct Case {
        const char *what;
        Bytes file;
        uint16_t id;
    };
    const Case cases[] = {
        {"offset past the end", cat({own, record(OX_TAG_RAW, content(50)), trailer_with({{OX_TAG_RAW, 50, 1u << 20}})}),
         OX_TAG_RAW},
        {"offset 0xFFFFFFFF",
         cat({own, record(OX_TAG_RAW, content(50)), trailer_with({{OX_TAG_RAW, 50, 0xFFFFFFFFu}})}), OX_TAG_RAW},
        {"size past the end",
         cat({own, record(OX_TAG_RAW, content(50)), trailer_with({{OX_TAG_RAW, 0x7FFFFFF0u, at}})}), OX_TAG_RAW},
        {"size 0xFFFFFFFF", cat({own, record(OX_TAG_RAW, content(50)), trailer_with({{OX_TAG_RAW, 0xFFFFFFFFu, at}})}),
         OX_TAG_RAW},
        {"body runs into the trailer",
         cat({own, record(OX_TAG_RAW, content(50)), trailer_with({{OX_TAG_RAW, 51, at}})}), OX_TAG_RAW},
        {"size 0", cat({own, record(OX_TAG_RAW, content(50)), trailer_with({{OX_TAG_RAW, 0, at}})}), OX_TAG_RAW},
        {"offset inside the trailer", cat({own, trailer_with({{OX_TAG_RAW, 4, 102}})}), OX_TAG_RAW},
        {"image body is no encoding", cat({own, record(0x0100, content(64)), trailer_with({{0x0100, 64, at}})}),
         0x0100},
        {"image claims 32767 x 32767",
         cat({own, record(0x0100, tga(32767, 32767, 32, {0xFF, 1, 2, 3, 4})), trailer_with({{0x0100, 23, at}})}),
         0x0100},
        {"image stream truncated",
         cat({own, record(0x0100, tga(2, 2, 24, {0x81, 1, 2, 3, 0x81, 4, 5})), trailer_with({{0x0100, 25, at}})}),
         0x0100},
        {"image of zero width",
         cat({own, record(0x0100, tga(0, 1, 24, {0x81, 1, 2, 3})), trailer_with({{0x0100, 22, at}})}), 0x0100},
        {"image of depth 16",
         cat({own, record(0x0100, tga(2, 1, 16, {0x81, 1, 2, 3})), trailer_with({{0x0100, 22, at}})}), 0x0100},
        {"24-bit body under the gray tag",
         cat({own, record(OX_TAG_GRAY_IMAGE, good_image), trailer_with({{OX_TAG_GRAY_IMAGE, 22, at}})}),
         OX_TAG_GRAY_IMAGE},
        {"image size field cuts the header", cat({own, record(0x0100, good_image), trailer_with({{0x0100, 10, at}})}),
         0x0100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        write_bytes(doc, c.file);
        EXPECT_EQ(get_fails(doc, c.id), OX_ERR_NOT_TAGGED_DOCUMENT);
    }
    // The same layout with honest fields reads back.
    write_bytes(doc, cat({own, record(0x0100, good_image), trailer_with({{0x0100, 22, at}})}));
    uint32_t err;
    Handle img(oxGetKavelTag(doc.c_str(), 0x0100, &err));
    ASSERT_TRUE(img);
    uint32_t px = 0;
    oxImageGetPixelDirect(img.get(), 1, 0, &px);
    EXPECT_EQ(px, 0x010203u);
    write_bytes(doc, cat({own, record(OX_TAG_RAW, content(50)), trailer_with({{OX_TAG_RAW, 50, at}})}));
    EXPECT_EQ(get_raw(doc, OX_TAG_RAW, 50), content(50));
}

}  // namespace
