// The built oxdoc's document commands, run as a user would: the demo road, listing, export, checking, and
// clear failures on files that are not tagged documents or are damaged.
#include <fstream>
#include <string>

#include "oxdoc_runner.h"

namespace {

using oxtest::OxdocCommands;
using oxtest::Outcome;
using oxtest::slurp;

bool is_png(const std::string &bytes) { return bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0; }

TEST_F(OxdocCommands, DemoWritesADocumentThatChecksAndReadsBack) {
    Outcome demo = run({"demo", "out"});
    ASSERT_EQ(demo.exit, 0) << demo.err;
    EXPECT_TRUE(is_png(slurp(file("out/thumb-small.png"))));
    EXPECT_TRUE(is_png(slurp(file("out/thumb-large.png"))));
    EXPECT_TRUE(is_png(slurp(file("out/view-half.png"))));
    EXPECT_TRUE(is_png(slurp(file("out/view-double.png"))));
    const std::string svg = slurp(file("out/vectors.svg"));
    EXPECT_NE(svg.find("<polygon"), std::string::npos);

    Outcome ls = run({"ls", "out/demo-cel.doc", "--json"});
    ASSERT_EQ(ls.exit, 0);
    for (const char *id : {"\"0xFF00\"", "\"0xFF02\"", "\"0xFF05\""}) EXPECT_NE(ls.out.find(id), std::string::npos) << id;
    EXPECT_EQ(run({"check", "out/demo-cel.doc"}).exit, 0);

    // The raw vector tag comes out byte for byte; its first four bytes give the outline length.
    ASSERT_EQ(run({"get", "out/demo-cel.doc", "0xFF05", "-o", "v.bin"}).exit, 0);
    const std::string raw = slurp(file("v.bin"));
    ASSERT_GE(raw.size(), 4096u);
    EXPECT_EQ(raw.size() % 4096, 0u);
}

TEST_F(OxdocCommands, SaveAppendsToATaggedDocumentAndKeepsItsTags) {
    ASSERT_EQ(run({"demo", "out"}).exit, 0);
    const auto before = slurp(file("out/demo-cel.doc")).size();
    // Saving again goes through append mode: the old trailer is reused, the new records replace the tags.
    Outcome again = run({"save", std::string(OXDOC_TEST_ASSETS) + "/demo_cel.png", "out/demo-cel.doc"});
    ASSERT_EQ(again.exit, 0) << again.err;
    EXPECT_GT(slurp(file("out/demo-cel.doc")).size(), before);
    EXPECT_EQ(run({"check", "out/demo-cel.doc"}).exit, 0);
}

TEST_F(OxdocCommands, RefusesWhatIsNotATaggedDocument) {
    std::ofstream(file("plain.txt")) << std::string(5000, 'x');
    Outcome ls = run({"ls", "plain.txt"});
    EXPECT_EQ(ls.exit, 1);
    EXPECT_NE(ls.err.find("plain.txt"), std::string::npos);
    EXPECT_NE(ls.err.find("not a tagged document"), std::string::npos);
    EXPECT_EQ(run({"check", "missing.doc"}).exit, 1);
    EXPECT_EQ(run({"get", "plain.txt", "0xFF02", "-o", "x.png"}).exit, 1);
}

TEST_F(OxdocCommands, CheckReportsADamagedRecord) {
    ASSERT_EQ(run({"demo", "out"}).exit, 0);
    std::string doc = slurp(file("out/demo-cel.doc"));
    // The first record (the small thumbnail) begins right after the picture: break its big-endian id.
    const size_t picture = slurp(std::string(OXDOC_TEST_ASSETS) + "/demo_cel.png").size();
    ASSERT_EQ(static_cast<unsigned char>(doc[picture]), 0xFF);
    doc[picture + 1] = 0x07;
    std::ofstream(file("bad.doc"), std::ios::binary) << doc;
    Outcome check = run({"check", "bad.doc"});
    EXPECT_EQ(check.exit, 1);
    EXPECT_NE(check.out.find("record begins with id 0xFF07"), std::string::npos) << check.out;
}

TEST_F(OxdocCommands, UsageErrorsExitWithTwo) {
    EXPECT_EQ(run({}).exit, 2);
    EXPECT_EQ(run({"frobnicate"}).exit, 2);
    EXPECT_EQ(run({"get", "a.doc", "0xFF02"}).exit, 2);          // no -o
    EXPECT_EQ(run({"get", "a.doc", "0x10000", "-o", "x"}).exit, 2);  // not a 16-bit id
    EXPECT_EQ(run({"thumbs", "a.doc", "-o"}).exit, 2);
}

}  // namespace
