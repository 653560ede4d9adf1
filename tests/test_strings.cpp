// Strings, paths, code pages, colour records, save state, byte order, rounding and cel layer names.
#include <array>
#include <clocale>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "core/codepage.h"
#include "support.h"

namespace {

using oxtest::CodePage;

// A heap copy of exactly the string's bytes and terminator, so that ASan sees any read outside it.
std::unique_ptr<char[]> exact(const std::string &s) {
    auto p = std::make_unique<char[]>(s.size() + 1);
    std::memcpy(p.get(), s.c_str(), s.size() + 1);
    return p;
}

// One path piece (oxGetFileNamefromFullPath or oxGetFolderfromFullPath) as a string.
std::string piece(void (*call)(char *, const char *), const std::string &path) {
    char dst[600];
    call(dst, exact(path).get());
    return dst;
}

}  // namespace

TEST(CodePage, FollowsLocaleUntilSetAndReportsPrevious) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
    EXPECT_EQ(oxGetCodePage(), 1252u);
    EXPECT_EQ(oxSetCodePage(932), 1252u);
    EXPECT_EQ(oxSetCodePage(936), 932u);
    EXPECT_EQ(oxSetCodePage(0), 936u);
    // The machine may lack double-byte locales, so the codeset names are checked directly.
    const std::pair<const char *, uint32_t> names[] = {{"Shift-JIS", 932}, {"sjis", 932}, {"GB18030", 936},
                                                        {"UHC", 949},       {"big5_hkscs", 950}, {"UTF-8", 65001},
                                                        {"EUC-JP", 1252},   {"", 1252}};
    for (const auto &[name, page] : names) EXPECT_EQ(ox::core::code_page_of_codeset(name), page) << name;
}

TEST(DoubleByte, TwoByteLookBackPerCodePage) {
    // Bytes from index 2: a, lead, c, A0, d, lead, lead, e, FD, f. 0xA0 and 0xFD lead only in 936.
    const char text[] = "xxa\x82" "c\xA0" "d\x82\x82" "e\xFD" "f";
    const struct {
        uint32_t page;
        const char *expect;  // oxIsDoubleByteCheck at each index from 2 on
    } cases[] = {
        {932, "0110011000"},  // after two leads the look-back says "not a trail byte"
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

// Folder, file name, extension (nullptr: none) and the text before the first dot, per code page.
TEST(Paths, PiecesOfAPath) {
    const struct {
        uint32_t page;
        std::string path, folder, file;
        const char *ext, *stem;
    } cases[] = {
        {1252, "C:\\work\\cut01.tga", "C:\\work\\", "cut01.tga", "tga", "C:\\work\\cut01"},
        {1252, "dir\\sub/x.tar.gz", "dir\\sub/", "x.tar.gz", "gz", "dir\\sub/x"},
        {1252, "C:file.txt", "C:", "file.txt", "txt", "C:file"},
        {1252, "\\\\server\\share\\.profile", "\\\\server\\share\\", ".profile", "profile", "\\\\server\\share\\"},
        {1252, "a.d\\b", "a.d\\", "b", "d\\b", "a"},  // the extension looks for the dot only
        {1252, "name", "", "name", nullptr, "name"},
        {1252, "", "", "", nullptr, ""},
        // 0x5C ("\") and "." can be trail bytes of double-byte characters.
        {932, "C:\\dir\\\x95\x5C.tga", "C:\\dir\\", "\x95\x5C.tga", "tga", "C:\\dir\\\x95\x5C"},
        {1252, "C:\\dir\\\x95\x5C.tga", "C:\\dir\\\x95\\", ".tga", "tga", "C:\\dir\\\x95\\"},
        {936, "\x81\x5Cx", "", "\x81\x5Cx", nullptr, "\x81\x5Cx"},
        {932, "d/ab\x82", "d/", "ab\x82", nullptr, "d/ab\x82"},  // a lead byte just before the terminator
        {1252, "\x82.x", "", "\x82.x", "x", "\x82"},
        {932, "\x82.x", "", "\x82.x", nullptr, "\x82.x"},
        {932, "k.\x82.y", "", "k.\x82.y", "\x82.y", "k"},  // the last real dot counts
        {936, "\xFE.\x81.z", "", "\xFE.\x81.z", nullptr, "\xFE.\x81.z"},
        {932, ".txt", "", ".txt", "txt", ""},  // dot at the very start: nothing before it is read
        {932, "a\x82\x82.txt", "", "a\x82\x82.txt", "txt", "a\x82\x82"},  // a dot after a whole pair is real
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " page " << c.page);
        CodePage page(c.page);
        EXPECT_EQ(piece(oxGetFolderfromFullPath, c.path), c.folder);
        EXPECT_EQ(piece(oxGetFileNamefromFullPath, c.path), c.file);
        char ext[64] = "garbage", stem[64] = "garbage";
        EXPECT_EQ(oxCopyExtension(ext, exact(c.path).get()), c.ext != nullptr);
        EXPECT_STREQ(ext, c.ext ? c.ext : "");
        oxGetFileNameDelExt(stem, exact(c.path).get());
        EXPECT_STREQ(stem, c.stem);
    }
    // Bytes before the string that would make its first dot a trail byte are not looked at.
    CodePage page(932);
    const char buffer[] = "A\x82.txt";
    char ext[16], stem[16];
    EXPECT_EQ(oxCopyExtension(ext, buffer + 2), 1);
    oxGetFileNameDelExt(stem, buffer + 2);
    EXPECT_STREQ(stem, "");
}

TEST(Paths, PiecesAreCutTo255BytesWithoutSplittingCharacters) {
    const std::string d(300, 'd'), n(300, 'n'), e(300, 'e'), n254 = n.substr(0, 254);
    const struct {
        uint32_t page;
        std::string path, file;
    } cases[] = {
        {1252, n + ".ext", n.substr(0, 255) + ".ext"},
        {1252, "f." + e, "f." + e.substr(0, 254)},
        {1252, n254 + "\x82\xA0z.x", n254 + "\x82.x"},
        {932, n254 + "\x82\xA0z.x", n254 + ".x"},  // a lead byte as the 255th byte would lose its trail
        {1252, n + "\x82.tx", n.substr(0, 255) + ".tx"},
        {932, n + "\x82.tx", n.substr(0, 255)},  // the dot is a trail byte: no extension
    };
    for (const auto &c : cases) {
        CodePage page(c.page);
        EXPECT_EQ(piece(oxGetFileNamefromFullPath, c.path), c.file) << c.page;
    }
    EXPECT_EQ(piece(oxGetFolderfromFullPath, "C:\\" + d + "\\f.x"), "C:\\" + d.substr(0, 254));
}

TEST(Strings, PascalAndCStrings) {
    unsigned char out[300];
    std::memset(out, 0xEE, sizeof out);
    const std::string longer(300, 'L');
    oxCopyStringCtoPascal(out, longer.c_str());  // cut to 255 characters
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out + 1), 255), longer.substr(0, 255));
    EXPECT_EQ(out[256], 0xEE);  // nothing written past the 256 bytes
    char c[300];
    oxCopyStringPascalToC(c, out);
    EXPECT_EQ(std::string(c), longer.substr(0, 255));

    // Both directions work in place, as conversions of one buffer often are.
    char buf[256] = "in place";
    oxCopyStringCtoPascal(reinterpret_cast<unsigned char *>(buf), buf);
    EXPECT_EQ(std::string(buf, 9), "\x08in place");
    oxCopyStringPascalToC(buf, reinterpret_cast<unsigned char *>(buf));
    EXPECT_STREQ(buf, "in place");
}

TEST(Utilities, ColoursSaveStateAndByteOrder) {
    OxRGBColor rgb{};
    oxGetRGBColorfromColorRef(&rgb, 0xAB336699u);
    EXPECT_EQ((std::array{rgb.red, rgb.green, rgb.blue}), (std::array<uint16_t, 3>{0x99, 0x66, 0x33}));
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

    EXPECT_EQ(oxReverseWord(0x1234), 0x3412);
    EXPECT_EQ(oxReverseDword(0xFF345680u), 0x805634FFu);
}

TEST(Rounding, WorkedExamplesLimitsAndThousandths) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {
        {2.5, 2},    {2.6, 3},    {-2.5, -2},  {-2.6, -3},    {2.9996, 3}, {-2.9996, -3}, {2.0004, 2},
        {1.5005, 1}, {1.5006, 2}, {0.5, 0},    {-0.9996, -1}, {-0.0, 0},   {0.4999, 0},
        {2147483647.4, 2147483647}, {-2147483648.5, INT32_MIN},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(oxDouble2Int(c.in), c.out) << c.in;
        EXPECT_EQ(oxDouble2Short(c.in), c.out) << c.in;  // no clamping to 16 bits either
    }
    // Outside int32 and not a number: the x86 "integer indefinite" value, without undefined behaviour.
    for (double d : {2147483647.6, -2147483649.0, 1e300, std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(oxDouble2Int(d), INT32_MIN) << d;
    // On whole thousandths: up to .500 toward zero, from .501 away from it, the same on both sides of zero.
    for (int whole : {0, 1, 7, 1000, 40000})
        for (int k = 0; k < 1000; ++k) {
            const double d = whole + k / 1000.0;
            ASSERT_EQ(oxDouble2Int(d), whole + (k > 500)) << d;
            ASSERT_EQ(oxDouble2Int(-d), -whole - (k > 500)) << -d;
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
