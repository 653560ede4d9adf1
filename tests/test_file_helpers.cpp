// File helpers: version records of ELF and PE files (this test program is stamped by the build), temporary
// names next to a document, extension changes, and images from bitmap resources.
#include <cstring>
#include <regex>
#include <string>

#include "ddb_support.h"
#include "dib_blocks.h"
#include "file_bytes.h"
#include "oxw.h"
#include "support.h"
#include "version_files.h"

namespace {

using oxtest::Bytes;

// The version text of a file, or "(unchanged)" when the buffer was left alone.
std::string version_of(const std::string &path) {
    char buf[OXW_FILE_VERSION_SIZE + 8];
    std::memset(buf, 'u', sizeof buf);
    uint32_t err = 0xDEAD;
    EXPECT_EQ(oxwGetFileVersion(path.c_str(), buf, &err), 1) << path;
    EXPECT_EQ(err, 0xDEADu);
    if (buf[0] == 'u' && buf[1] == 'u') return "(unchanged)";
    EXPECT_EQ(buf[OXW_FILE_VERSION_SIZE], 'u') << "written beyond the documented size";
    return buf;
}

TEST(FileVersion, StampedElfAndBuiltPeFiles) {
    // tests/CMakeLists.txt: oxwutl_set_file_version(test_file_helpers "4.3.2.1" LANGUAGE 0411 CODEPAGE 3a4)
    EXPECT_EQ(version_of("/proc/self/exe"), "4.3.2.1");

    oxtest::TempDir dir;
    const std::string table = "\\StringFileInfo\\041103a4\\FileVersion=";
    const struct {
        const char *what;
        Bytes file;
        std::string expected;
    } cases[] = {
        {"PE: the first translation picks the second table",
         oxtest::pe_file(
             oxtest::version_resource({{"040904b0", "1.0"}, {"041104B0", "2.5.0.7"}}, {0x04B00411, 0x04B00409})),
         "2.5.0.7"},
        {"PE: no translation", oxtest::pe_file(oxtest::version_resource({{"040904b0", "1.0"}}, {})), "(unchanged)"},
        {"PE: no table of that translation",
         oxtest::pe_file(oxtest::version_resource({{"040904b0", "1.0"}}, {0x04E40409})), "(unchanged)"},
        {"ELF 32-bit big-endian, after a note of another owner",
         oxtest::elf_file(
             {{"GNU", 1, "abcd"}, {"oxwUtl", 1, "\\VarFileInfo\\Translation=041103a4\n" + table + "9.9\n"}}, false,
             true),
         "9.9"},
        {"ELF: a note of another type", oxtest::elf_file({{"oxwUtl", 2, table + "1\n"}}), "(unchanged)"},
        {"ELF: the text is cut within the buffer",
         oxtest::elf_file({{"oxwUtl", 1, "\\VarFileInfo\\Translation=041103a4\n" + table + std::string(300, '7')}}),
         std::string(OXW_FILE_VERSION_SIZE - 1, '7')},
        {"not a program", Bytes(300, 'x'), "(unchanged)"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(version_of(oxtest::write_file(dir, "file", c.file)), c.expected) << c.what;
    }
    EXPECT_EQ(version_of(dir.file("missing")), "(unchanged)");
    EXPECT_EQ(version_of(dir.path().string()), "(unchanged)");
}

TEST(FileNames, DummyFilesAndExtensions) {
    oxtest::TempDir dir;
    char a[260], b[260];
    const std::string doc = dir.file("scene.cel");
    ASSERT_EQ(oxwCreateDummyFileName(a, doc.c_str()), 1);
    ASSERT_EQ(oxwCreateDummyFileName(b, doc.c_str()), 1);
    const std::regex form(std::regex_replace(dir.path().string(), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                          R"(/\$\$\$[0-9A-F]{1,4}\.TMP)");
    EXPECT_TRUE(std::regex_match(a, form)) << a;
    EXPECT_STRNE(a, b);
    EXPECT_EQ(oxtest::folder_names(dir.path()).size(), 2u) << "both made, nothing else";
    const std::string deep = "/" + std::string(246, 'd') + "/x.cel";  // 248 bytes of folder
    EXPECT_EQ(oxwCreateDummyFileName(a, deep.c_str()), 0);
    EXPECT_EQ(oxwCreateDummyFileName(a, (dir.file("none") + "/x.cel").c_str()), 0);

    const struct {
        const char *path, *ext, *result;
    } types[] = {
        {"scene.cel", "bmp", "scene.bmp"},   {"scene", "bmp", "scene.bmp"}, {"dir.old/scene", "bmp", "dir.bmp"},
        {".profile", "bmp", ".profile.bmp"}, {"a.b.c", "", "a.b."},         {"x.", "tga", "x.tga"}};
    for (const auto &t : types) {
        char path[64];
        std::strcpy(path, t.path);
        EXPECT_EQ(oxwChangeFileType(path, t.ext), path);
        EXPECT_STREQ(path, t.result) << t.path;
    }
}

TEST(ImageResource, ImagesKeepTheBitmapDepth) {
    oxtest::TempDir dir;
    auto bmp = [&](const std::string &name, const Bytes &dib) { oxtest::write_file(dir, name, oxtest::bmp_file(dib)); };
    bmp("gray.bmp", oxtest::dib_bytes(3, 2, 8, std::vector<uint32_t>(256, 0), {1, 2, 3, 0, 4, 5, 6, 0}));
    bmp("5.bmp", oxtest::dib_bytes(1, 1, 24, {}, {0x10, 0x20, 0x30, 0}));
    bmp("four.bmp", oxtest::dib_bytes(2, 1, 4, {0, 0}, {0x10, 0, 0, 0}));
    uint32_t err = 0;
    const OxwModule m = oxwHostRegisterModule(dir.path().c_str(), &err);
    ASSERT_NE(m, 0u);
    oxtest::Handle gray(oxwImageResourceOpenDIB("GRAY", m, &err));
    ASSERT_TRUE(gray);
    EXPECT_EQ(oxImageGetBitCountDirect(gray.get()), 8);
    {
        oxtest::Locked l(gray.get());
        EXPECT_EQ(std::memcmp(l->pixels, "\x04\x05\x06\x01\x02\x03", 6), 0) << "rows turned top-down";
    }
    for (const char *five : {reinterpret_cast<const char *>(5), "#5"}) {
        oxtest::Handle rgb(oxwImageResourceOpenDIB(five, m, &err));
        ASSERT_TRUE(rgb);
        EXPECT_EQ(oxImageGetBitCountDirect(rgb.get()), 24);
    }
    err = 0xDEAD;
    EXPECT_EQ(oxwImageResourceOpenDIB("four", m, &err), 0u);
    EXPECT_EQ(err, 0xDEADu) << "another depth leaves the code alone";
    EXPECT_EQ(oxwImageResourceOpenDIB("none", m, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(oxwImageResourceOpenDIB("gray", 0x3E0000FFFFu, &err), 0u);
    EXPECT_EQ(err, OX_ERROR_INVALID_HANDLE);
    oxwHostUnregisterModule(m);
}

}  // namespace
