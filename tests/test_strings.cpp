// Strings, paths, code pages, colour records, save state, byte order, rounding and cel layer names.
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "core/codepage.h"
#include "support.h"

namespace {

// Sets the code page for one test and goes back to following the locale afterwards.
struct CodePage {
    explicit CodePage(uint32_t page) { oxSetCodePage(page); }
    ~CodePage() { oxSetCodePage(0); }
};

// A heap copy of exactly the string's bytes and terminator, so that ASan sees any read outside it.
std::unique_ptr<char[]> exact(const std::string &s) {
    auto p = std::make_unique<char[]>(s.size() + 1);
    std::memcpy(p.get(), s.c_str(), s.size() + 1);
    return p;
}

std::string file_of(const std::string &path) {
    char dst[600];
    oxGetFileNamefromFullPath(dst, exact(path).get());
    return dst;
}

std::string folder_of(const std::string &path) {
    char dst[600];
    oxGetFolderfromFullPath(dst, exact(path).get());
    return dst;
}

}  // namespace

TEST(CodePage, FollowsLocaleUntilSetAndReportsPrevious) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
    EXPECT_EQ(oxGetCodePage(), 1252u);
    EXPECT_EQ(oxSetCodePage(932), 1252u);
    EXPECT_EQ(oxSetCodePage(936), 932u);
    EXPECT_EQ(oxGetCodePage(), 936u);
    EXPECT_EQ(oxSetCodePage(0), 936u);

    // The machine may lack double-byte locales, so the codeset names are checked directly.
    using ox::core::code_page_of_codeset;
    for (const char *name : {"SHIFT_JIS", "Shift-JIS", "sjis", "CP932", "WINDOWS-31J"})
        EXPECT_EQ(code_page_of_codeset(name), 932u) << name;
    for (const char *name : {"GBK", "GB2312", "GB18030", "EUC-CN"}) EXPECT_EQ(code_page_of_codeset(name), 936u);
    for (const char *name : {"EUC-KR", "UHC", "CP949"}) EXPECT_EQ(code_page_of_codeset(name), 949u);
    for (const char *name : {"BIG5", "BIG5-HKSCS", "cp950"}) EXPECT_EQ(code_page_of_codeset(name), 950u);
    for (const char *name : {"UTF-8", "ANSI_X3.4-1968", "ISO-8859-1", "EUC-JP", ""})
        EXPECT_EQ(code_page_of_codeset(name), 1252u) << name;
}

TEST(DoubleByte, TwoByteLookBackPerCodePage) {
    // Bytes from index 2: a, lead, c, A0, d, lead, lead, e, FD, f. 0xA0 and 0xFD lead only in 936.
    const char text[] = "xxa\x82" "c\xA0" "d\x82\x82" "e\xFD" "f";
    const struct {
        uint32_t page;
        const char *expect;  // oxIsDoubleByteCheck at each index from 2 on
    } cases[] = {
        {932, "0110011000"},   // after two leads the look-back says "not a trail byte"
        {936, "0111111011"},
        {949, "0111111011"},
        {1252, "0000000000"},
    };
    for (const auto &c : cases) {
        CodePage page(c.page);
        std::string got;
        for (std::size_t i = 2; i < sizeof text - 1; ++i) got += oxIsDoubleByteCheck(text + i) ? '1' : '0';
        EXPECT_EQ(got, c.expect) << "page " << c.page;
    }
}

TEST(Paths, ExtensionAndNameWithoutExtension) {
    const struct {
        uint32_t page;
        std::string path;
        int32_t has_ext;
        const char *ext, *name;
    } cases[] = {
        {1252, "a.b.txt", 1, "txt", "a"},
        {1252, "name.", 1, "", "name"},
        {1252, "name", 0, "", "name"},
        {1252, "", 0, "", ""},
        {1252, "a.d\\b", 1, "d\\b", "a"},
        {1252, "\x82.x", 1, "x", "\x82"},
        {932, "\x82.x", 0, "", "\x82.x"},             // the only dot is a trail byte
        {932, "k.\x82.y", 1, "\x82.y", "k"},          // the last real dot counts
        {936, "\xFE.\x81.z", 0, "", "\xFE.\x81.z"},
        {932, ".txt", 1, "txt", ""},                  // dot at the very start: nothing before it is read
    };
    for (const auto &c : cases) {
        CodePage page(c.page);
        char ext[64] = "garbage", name[64] = "garbage";
        EXPECT_EQ(oxCopyExtension(ext, exact(c.path).get()), c.has_ext) << c.path;
        EXPECT_STREQ(ext, c.ext) << c.path;
        oxGetFileNameDelExt(name, exact(c.path).get());
        EXPECT_STREQ(name, c.name) << c.path;
    }

    // Bytes before the string that would make its first dot a trail byte are not looked at.
    CodePage page(932);
    const char buffer[] = "A\x82.txt";
    char ext[16], name[16];
    EXPECT_EQ(oxCopyExtension(ext, buffer + 2), 1);
    EXPECT_STREQ(ext, "txt");
    oxGetFileNameDelExt(name, buffer + 2);
    EXPECT_STREQ(name, "");
}

TEST(Paths, FolderAndFileFromFullPath) {
    const struct {
        uint32_t page;
        std::string path, folder, file;
    } cases[] = {
        {1252, "C:\\work\\cut01.tga", "C:\\work\\", "cut01.tga"},
        {1252, "C:/a/b.c/d", "C:/a/b.c/", "d"},
        {1252, "dir\\sub/x.tar.gz", "dir\\sub/", "x.tar.gz"},
        {1252, "C:file.txt", "C:", "file.txt"},
        {1252, "x:", "x:", ""},
        {1252, "", "", ""},
        {1252, "\\\\server\\share\\.profile", "\\\\server\\share\\", ".profile"},
        // 0x5C is "\" and also a trail byte of double-byte characters.
        {932, "C:\\dir\\\x95\x5C.tga", "C:\\dir\\", "\x95\x5C.tga"},
        {1252, "C:\\dir\\\x95\x5C.tga", "C:\\dir\\\x95\\", ".tga"},
        {936, "\x81\x5Cx", "", "\x81\x5Cx"},
        {1252, "\x81\x5Cx", "\x81\\", "x"},
        {932, "d/ab\x82", "d/", "ab\x82"},  // a lead byte just before the terminator
    };
    for (const auto &c : cases) {
        CodePage page(c.page);
        EXPECT_EQ(folder_of(c.path), c.folder) << c.path << " page " << c.page;
        EXPECT_EQ(file_of(c.path), c.file) << c.path << " page " << c.page;
    }
}

TEST(Paths, PiecesAreCutTo255BytesWithoutSplittingCharacters) {
    const std::string d(300, 'd'), n(300, 'n'), e(300, 'e');
    CodePage single(1252);
    EXPECT_EQ(folder_of("C:\\" + d + "\\f.x"), "C:\\" + d.substr(0, 254));
    EXPECT_EQ(file_of("C:\\" + d + "\\f.x"), "f.x");
    EXPECT_EQ(file_of(n + ".ext"), n.substr(0, 255) + ".ext");
    EXPECT_EQ(file_of("f." + e), "f." + e.substr(0, 254));
    EXPECT_EQ(file_of(n.substr(0, 254) + "\x82\xA0z.x"), n.substr(0, 254) + "\x82.x");
    EXPECT_EQ(file_of(n + "\x82.tx"), n.substr(0, 255) + ".tx");
    {
        CodePage page(932);
        // The 255th byte would be a lead byte without its trail: the name stops one byte earlier.
        EXPECT_EQ(file_of(n.substr(0, 254) + "\x82\xA0z.x"), n.substr(0, 254) + ".x");
        // The dot is a trail byte, so there is no extension and the whole tail is one name.
        EXPECT_EQ(file_of(n + "\x82.tx"), n.substr(0, 255));
    }
}

TEST(Strings, PascalAndCStrings) {
    unsigned char pascal[256];
    pascal[0] = 200;
    for (int i = 1; i <= 200; ++i) pascal[i] = static_cast<unsigned char>(0x20 + i % 0xD0);
    char c[300];
    oxCopyStringPascalToC(c, pascal);
    ASSERT_EQ(std::strlen(c), 200u);
    EXPECT_EQ(std::memcmp(c, pascal + 1, 200), 0);

    pascal[0] = 0;
    std::memset(c, 'x', sizeof c);
    oxCopyStringPascalToC(c, pascal);
    EXPECT_STREQ(c, "");

    unsigned char out[300];
    std::memset(out, 0xEE, sizeof out);
    oxCopyStringCtoPascal(out, "hello");
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(std::memcmp(out + 1, "hello", 5), 0);
    oxCopyStringCtoPascal(out, "");
    EXPECT_EQ(out[0], 0);
    const std::string longer(300, 'L');
    oxCopyStringCtoPascal(out, longer.c_str());
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out + 1), 255), longer.substr(0, 255));
    EXPECT_EQ(out[256], 0xEE);  // nothing written past the 256 bytes

    // Both directions work in place, as conversions of one buffer often are.
    char buf[256] = "in place";
    oxCopyStringCtoPascal(reinterpret_cast<unsigned char *>(buf), buf);
    EXPECT_EQ(buf[0], 8);
    oxCopyStringPascalToC(buf, reinterpret_cast<unsigned char *>(buf));
    EXPECT_STREQ(buf, "in place");
}

TEST(Utilities, ColoursSaveStateAndByteOrder) {
    OxRGBColor rgb{};
    oxGetRGBColorfromColorRef(&rgb, 0xAB336699u);
    EXPECT_EQ(rgb.red, 0x99);
    EXPECT_EQ(rgb.green, 0x66);
    EXPECT_EQ(rgb.blue, 0x33);
    EXPECT_EQ(oxGetColorReffromRGBColor(&rgb), 0x00336699u);
    OxRGBColor wide{0x1FF, 0x01, 0xFFFF};  // fields are not masked: each spills into the next
    EXPECT_EQ(oxGetColorReffromRGBColor(&wide), 0x1FF | 0x100 | 0xFFFF0000u);

    uint32_t s = 0;
    std::string got;
    for (char op : std::string("--+-+++-")) {
        op == '+' ? oxPushSave(&s) : oxPopSave(&s);
        got += static_cast<char>('0' + s);
    }
    EXPECT_EQ(got, "10101222");  // pop turns 0 into 1; push stops at 2, where pop leaves it
    s = 7;
    oxPushSave(&s);
    oxPopSave(&s);
    EXPECT_EQ(s, 7u);

    EXPECT_EQ(oxReverseWord(0x1234), 0x3412);
    EXPECT_EQ(oxReverseDword(0x12345678u), 0x78563412u);
    EXPECT_EQ(oxReverseDword(0xFF000080u), 0x800000FFu);
}

TEST(Rounding, WorkedExamples) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {
        {2.5, 2},    {2.6, 3},    {-2.5, -2},  {-2.6, -3},   {2.9996, 3},  {-2.9996, -3}, {2.0004, 2},
        {1.5005, 1}, {1.5006, 2}, {0.5, 0},    {-0.9996, -1}, {3.0, 3},    {-0.0, 0},     {0.4999, 0},
        {2147483647.0, 2147483647}, {2147483647.4, 2147483647}, {-2147483648.5, INT32_MIN},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(oxDouble2Int(c.in), c.out) << c.in;
        EXPECT_EQ(oxDouble2Short(c.in), c.out) << c.in;  // no clamping to 16 bits either
    }
    // Outside int32 and not a number: the x86 "integer indefinite" value, without undefined behaviour.
    for (double d : {2147483647.6, -2147483649.0, 1e300, std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(oxDouble2Int(d), INT32_MIN) << d;
    EXPECT_EQ(oxDouble2Short(40000.7), 40001);
}

TEST(Rounding, ThousandthsGridAndSymmetry) {
    // On whole thousandths the rule is: up to .500 toward zero, from .501 away from it.
    for (int whole : {0, 1, 7, 1000}) {
        for (int k = 0; k < 1000; ++k) {
            const double d = whole + k / 1000.0;
            const int32_t expect = whole + (k > 500 ? 1 : 0);
            ASSERT_EQ(oxDouble2Int(d), expect) << d;
            ASSERT_EQ(oxDouble2Int(-d), -expect) << -d;
        }
    }
    std::mt19937_64 rng(1234);
    std::uniform_real_distribution<double> dist(-70000.0, 70000.0);
    for (int i = 0; i < 100000; ++i) {
        const double d = dist(rng);
        ASSERT_EQ(oxDouble2Int(-d), -oxDouble2Int(d)) << d;
        ASSERT_EQ(oxDouble2Short(d), oxDouble2Int(d)) << d;
        // A fraction below .5005 rounds to .500 in thousandths and so goes toward zero.
        ASSERT_LE(std::fabs(oxDouble2Int(d) - d), 0.5005) << d;
    }
}

TEST(CelLayerNames, SpreadsheetLettersAndBeyond) {
    const struct {
        uint32_t index;
        const char *name;
    } cases[] = {{0, "-BG"}, {1, "A"},     {26, "Z"},     {27, "AA"},   {52, "AZ"},   {53, "BA"},
                 {702, "ZZ"}, {703, "[A"}, {1638, "~Z"}, {1639, "??"}, {0xFFFFFFFFu, "??"}};
    for (const auto &c : cases) {
        char name[4];
        std::memset(name, 'x', sizeof name);
        oxGetCelLayerName(c.index, name);
        EXPECT_STREQ(name, c.name) << c.index;
    }
}
