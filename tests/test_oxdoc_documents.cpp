// The built oxdoc's document commands, run as a user would: the demo road, listing, export, checking, and
// clear failures on files that are not tagged documents or are damaged.
#include <cstring>

#include "oxdoc_runner.h"
#include "png_files.h"

namespace {

using namespace oxtest;

// The offset of a tag's record, from the document's directory.
uint32_t record_offset(const std::string &doc, uint16_t id) {
    const auto *t = reinterpret_cast<const uint8_t *>(doc.data() + doc.size() - 2568);
    for (int i = 0; i < 256; ++i) {
        const uint8_t *e = t + 8 + 10 * i;
        if ((e[0] | e[1] << 8) == id) return e[6] | e[7] << 8 | e[8] << 16 | static_cast<uint32_t>(e[9]) << 24;
    }
    return 0;
}

// The demo writes its pictures and a document that checks. Saving again writes the document anew: its content
// and another tag stay, the size does not grow. A picture without ink stores no vector tag; an outline too
// large for one fails and changes nothing.
TEST_F(OxdocCommands, DemoDocumentChecksAndSavingAgainKeepsItsOtherTags) {
    const Outcome demo = run({"demo", "out"});
    ASSERT_EQ(demo.exit, 0) << demo.err;
    for (const char *name : {"thumb-small", "thumb-large", "view-half", "view-double", "splash", "palette"})
        EXPECT_GT(load_png(file("out/" + std::string(name) + ".png")).w, 0) << name;
    const std::string svg = slurp(file("out/vectors.svg"));
    EXPECT_NE(svg.find("<polygon"), std::string::npos);

    const Outcome listed = run({"ls", "out/demo-cel.doc", "--json"});
    ASSERT_EQ(listed.exit, 0);
    for (const char *id : {"\"0xFF00\"", "\"0xFF02\"", "\"0xFF05\""})
        EXPECT_NE(listed.out.find(id), std::string::npos) << id;
    EXPECT_EQ(run({"check", "out/demo-cel.doc"}).exit, 0);

    const std::string doc = file("out/demo-cel.doc");
    uint32_t err = 0;
    Handle raw(oxAlloc(100, 0, &err));
    std::memset(oxLock(raw.get()), 0x5A, 100);
    ASSERT_EQ(oxAddStartKavelFile(doc.c_str(), &err), 1u);
    ASSERT_EQ(oxSetKavelTag(raw.get(), OX_TAG_RAW, &err), 1);
    ASSERT_EQ(oxCloseKavelTag(1, &err), 1);
    const auto size = slurp(doc).size();
    expect_runs({{{"save", std::string(OXDOC_TEST_ASSETS) + "/demo_cel.png", "out/demo-cel.doc"}, 0},
                 {{"get", "out/demo-cel.doc", "0xFF01", "-o", "raw.bin"}, 0},
                 {{"check", "out/demo-cel.doc"}, 0}});
    EXPECT_EQ(slurp(doc).size(), size);
    EXPECT_EQ(slurp(file("raw.bin")).substr(0, 101), std::string(100, 0x5A) + '\0');

    save_png(file("white.png"), {64, 48, std::vector<uint8_t>(64 * 48 * 3, 255)});
    expect_runs({{{"save", "white.png", "out/demo-cel.doc"}, 0, "no ink"}, {{"ls", "out/demo-cel.doc"}, 0, "0xFF01"}});
    const Outcome ls = run({"ls", "out/demo-cel.doc"});
    EXPECT_EQ(ls.out.find("0xFF05"), std::string::npos) << ls.out;  // the old outline went with the old picture

    // 256 x 256 separate dots: 65536 contours, one more than a vector tag can count.
    Rgb dots{512, 512, std::vector<uint8_t>(512 * 512 * 3, 255)};
    for (int y = 0; y < 512; y += 2)
        for (int x = 0; x < 512; x += 2) std::memset(&dots.px[3 * (y * 512 + x)], 0, 3);
    save_png(file("dots.png"), dots);
    const std::string before = slurp(doc);
    expect_runs({{{"save", "dots.png", "out/demo-cel.doc"}, 1, "more than 65535 contours"}});
    EXPECT_EQ(slurp(doc), before);
    fs::permissions(doc, fs::perms::owner_read);  // refused, not replaced
    EXPECT_EQ(run({"save", "white.png", "out/demo-cel.doc"}).exit, 1);
    EXPECT_EQ(slurp(doc), before);
}

// What oxdoc says names the file and the cause, where the library has one code for many; check says it too.
TEST_F(OxdocCommands, RefusalsNameTheFileAndTheCause) {
    ASSERT_EQ(run({"demo", "out"}).exit, 0);
    const std::string good = slurp(file("out/demo-cel.doc"));
    const struct {
        uint16_t id;
        std::size_t at;  // byte of the record changed, counted from the id in front of the body
        std::vector<std::string> args;
        const char *says;
    } cases[] = {
        {0xFF00, 1, {"get", "bad.doc", "65280", "-o", "x"}, "bad.doc: tag 0xFF00: record begins with id 0xFF40"},
        {0xFF00, 1, {"check", "bad.doc"}, "record begins with id 0xFF40"},
        // The TGA image type.
        {0xFF02, 4, {"get", "bad.doc", "65282", "-o", "x"}, "bad.doc: tag 0xFF02: the image does not decode"},
        {0xFF05, 3, {"vector", "bad.doc", "-o", "x"}, "bad.doc: vector tag: outline length"},
    };
    for (const auto &c : cases) {
        std::string doc = good;
        doc[record_offset(doc, c.id) + c.at] ^= 0x40;
        std::ofstream(file("bad.doc"), std::ios::binary) << doc;
        expect_runs({{c.args, 1, c.says}});
    }
    expect_runs({{{"get", "out/demo-cel.doc", "0x1234", "-o", "x"}, 1, "demo-cel.doc: no tag 0x1234 in it"}});
}

}  // namespace
