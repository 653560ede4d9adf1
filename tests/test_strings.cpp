// Strings, paths, code pages, colour records, save state, byte order, rounding and cel layer names.
#include <array>
#include <clocale>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "core/codepage.h"
#include "image_compare.h"
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

// The path calls and the double-byte test on random paths of separators, dots, letters and bytes that lead
// or trail double-byte characters in some code pages, some with pieces longer than 255 bytes, folded into a
// pinned checksum. Each path is an exact heap copy, so that the sanitizer build sees any read outside it.
// Spelled out: "\" after a lead byte of code page 932 is that character's trail byte, not a separator.
TEST(Paths, PiecesOfRandomPathsPinned) {
    std::mt19937 rng(6);
    const char bytes[] = {'a', 'b', '.', '\\', '/', ':', '\x81', '\x82', '\xA0', '\xFD', '\xFE'};
    const auto some = [&](std::size_t n) {
        std::string s(n, 'n');
        for (char &c : s) c = bytes[rng() % sizeof bytes];
        return s;
    };
    uint64_t sum = oxtest::kChecksumStart;
    for (int i = 0; i < 20000; ++i) {
        const uint32_t page = std::array{932u, 936u, 949u, 950u, 1252u}[rng() % 5];
        std::string path = some(rng() % 10);
        path += std::string(rng() % 8 ? 0 : 240 + rng() % 30, 'n');
        path += some(rng() % 10);
        const CodePage code_page(page);
        std::string got = piece(oxGetFolderfromFullPath, path) + '|' + piece(oxGetFileNamefromFullPath, path);
        char ext[600] = "garbage", stem[600] = "garbage";
        got += '|' + std::to_string(oxCopyExtension(ext, exact(path).get())) + ext;
        oxGetFileNameDelExt(stem, exact(path).get());
        got += '|' + std::string(stem) + '|';
        for (std::size_t at = 2; at < path.size(); ++at) got += oxIsDoubleByteCheck(path.c_str() + at) ? '1' : '0';
        sum = oxtest::fold(sum, oxtest::Bytes(got.begin(), got.end()));
    }
    EXPECT_EQ(sum, 0x49afbe975efd1db0ull);
    const CodePage sjis(932);
    EXPECT_EQ(piece(oxGetFolderfromFullPath, "C:\\dir\\\x95\x5C.tga"), "C:\\dir\\");
    // Bytes before the string that would make its first dot a trail byte are not looked at.
    const char buffer[] = "A\x82.txt";
    char stem[16];
    oxGetFileNameDelExt(stem, buffer + 2);
    EXPECT_STREQ(stem, "");
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
