// oxGetErrorText: a text of its own for every code the public headers name, and snprintf's contract for
// the buffer.
#include <cstdlib>
#include <cstring>
#include <regex>
#include <set>
#include <string>

#include "file_bytes.h"
#include "support.h"

namespace {

std::string text_of(uint32_t code) {
    char buf[OX_MAX_ERROR_TEXT];
    oxGetErrorText(code, buf, sizeof buf);
    return buf;
}

// Read from the headers themselves, so that a code added later without a text fails here.
TEST(ErrorText, EveryCodeTheHeadersNameHasItsOwnText) {
    const char *root = std::getenv("OXWUTL_SOURCE_DIR");
    ASSERT_NE(root, nullptr);
    const std::regex define(R"(#define\s+(OX_ERR(OR)?_\w+)\s+(0x[0-9A-Fa-f]+|\d+)u\b)");
    std::set<std::string> texts;
    int codes = 0;
    for (const char *header : {"/include/ox.h", "/include/oxw.h"}) {
        const oxtest::Bytes bytes = oxtest::read_bytes(std::string(root) + header);
        const std::string s(bytes.begin(), bytes.end());
        for (std::sregex_iterator m(s.begin(), s.end(), define), end; m != end; ++m) {
            const auto code = static_cast<uint32_t>(std::stoul((*m)[3], nullptr, 0));
            const std::string text = text_of(code);
            EXPECT_TRUE(text.rfind("system error ", 0) && text.rfind("unknown library error ", 0)) << (*m)[1];
            EXPECT_TRUE(texts.insert(text).second) << (*m)[1] << " shares its text: " << text;
            ++codes;
        }
    }
    EXPECT_GE(codes, 30);
}

TEST(ErrorText, CutsAndTerminatesLikeSnprintf) {
    const std::string whole = "no such file";
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(oxGetErrorText(OX_ERROR_FILE_NOT_FOUND, nullptr, 0), whole.size());
    EXPECT_EQ(oxGetErrorText(OX_ERROR_FILE_NOT_FOUND, buf, 5), whole.size());
    EXPECT_EQ(std::string(buf, 6), std::string("no s\0x", 6));
    EXPECT_EQ(oxGetErrorText(OX_ERROR_FILE_NOT_FOUND, buf, 1), whole.size());
    EXPECT_EQ(buf[0], '\0');
    // Codes that no header names: the library's range and the rest read differently; both fit.
    EXPECT_EQ(text_of(0x20010004u), "unknown library error 0x20010004");
    EXPECT_EQ(text_of(0xFFFFFFFFu), "system error 4294967295");
}

}  // namespace
