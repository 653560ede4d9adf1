// oxdoc's command line as a user meets it: --help and the refusal of unknown options before anything is
// written, for every command; the manual saying what --help says; one wording for an input that cannot be
// read; a management file kept unless --force; one line for each quiet success; the SVG canvas.
#include <cstdlib>
#include <regex>
#include <sstream>

#include "oxdoc_runner.h"
#include "png_files.h"

using namespace oxtest;

namespace {

// The command names that `oxdoc --help` lists.
std::vector<std::string> listed_commands(const std::string &help) {
    std::vector<std::string> names;
    std::istringstream in(help.substr(help.find("commands:\n") + 10));
    for (std::string line; std::getline(in, line) && line.rfind("  ", 0) == 0;)
        names.push_back(line.substr(2, line.find(' ', 2) - 2));
    return names;
}

std::string squeezed(const std::string &s) { return std::regex_replace(s, std::regex(R"(\s+)"), " "); }

// The manual's text without its markup: requests lose their name, font changes vanish, "\-" is "-".
std::string man_text(const std::string &roff) {
    std::istringstream in(roff);
    std::string text;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(".\\\"", 0) == 0) continue;
        if (line.rfind('.', 0) == 0) line = line.find(' ') == std::string::npos ? "" : line.substr(line.find(' '));
        text += " " + std::regex_replace(std::regex_replace(line, std::regex(R"(\\f[BIRP])"), ""), std::regex(R"(\\-)"),
                                         "-");
    }
    return squeezed(text);
}

// Every command's help is in the manual, and every command refuses an unknown option before writing.
TEST_F(OxdocCommands, EveryCommandHasHelpAsTheManualSaysAndRefusesUnknownOptions) {
    const char *root = std::getenv("OXWUTL_SOURCE_DIR");
    ASSERT_NE(root, nullptr);
    const std::string man = man_text(slurp(std::string(root) + "/tools/oxdoc/oxdoc.1"));
    ASSERT_GT(man.size(), 1000u);
    const Outcome top = run({"--help"});
    ASSERT_EQ(top.exit, 0);
    const auto names = listed_commands(top.out);
    ASSERT_GE(names.size(), 12u) << top.out;
    for (const std::string &name : names) {
        const Outcome help = run({name, "--help"});
        EXPECT_EQ(help.exit, 0) << name;
        EXPECT_EQ(help.out.rfind("usage: oxdoc " + name, 0), 0u) << name << ": " << help.out;
        std::istringstream lines(help.out);
        for (std::string line; std::getline(lines, line);) {
            line = squeezed(std::regex_replace(line, std::regex(R"(^\s*(usage:)?\s*)"), ""));
            if (line.empty() || line == "options:") continue;
            EXPECT_NE(man.find(line), std::string::npos) << line;
        }
        EXPECT_EQ(run({name, "out", "create", "--bogus"}).exit, 2) << name;
        for (const auto &entry : fs::directory_iterator(dir_.path()))
            EXPECT_EQ(entry.path().filename().string()[0], '.') << name << " wrote " << entry.path();
    }
    // No command, an unknown one, get without -o, an id beyond 16 bits, an option without its value.
    expect_runs({{{}, 2},
                 {{"frobnicate"}, 2},
                 {{"get", "a.doc", "0xFF02"}, 2},
                 {{"get", "a.doc", "0x10000", "-o", "x"}, 2},
                 {{"thumbs", "a.doc", "-o"}, 2}});
    EXPECT_EQ(run({"help", "mgmt"}).out, run({"mgmt", "--help"}).out);
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.exit, 0);
    EXPECT_EQ(version.out, run({"version"}).out);
}

// Unreadable inputs are named one way by every command; a management file is kept unless --force; each
// quiet success says in one line what it wrote.
TEST_F(OxdocCommands, RefusalsAndQuietSuccessesSayOneLine) {
    fs::create_directory(file("folder"));
    std::ofstream(file("empty.png")).close();
    const std::string picture = slurp(std::string(OXDOC_TEST_ASSETS) + "/demo_cel.png");
    std::ofstream(file("cut.png"), std::ios::binary) << picture.substr(0, 100);
    std::ofstream(file("plain.txt")) << std::string(5000, 'x');
    std::ofstream(file("s.mgp")) << "precious";
    expect_runs({
        {{"ls", "gone.doc"}, 1, "oxdoc ls: gone.doc: no such file\n"},
        {{"ls", "plain.txt"}, 1,
         "oxdoc ls: plain.txt: not a tagged document (no trailer magic in the last 2568 bytes)\n"},
        {{"check", "gone.doc"}, 1, "oxdoc check: gone.doc: no such file\n"},
        {{"get", "gone.doc", "0xFF02", "-o", "x.png"}, 1, "oxdoc get: gone.doc: no such file\n"},
        {{"vector", "folder", "-o", "v.svg"}, 1, "oxdoc vector: folder: is a directory\n"},
        {{"mgmt", "gone/x.mgp", "ls"}, 1, "oxdoc mgmt: gone/x.mgp: no such folder\n"},
        {{"chart", "gone.pmcc", "dump"}, 1, "oxdoc chart: gone.pmcc: no such file\n"},
        {{"save", "empty.png", "d.doc"}, 1, "oxdoc save: empty.png: empty file, not a PNG\n"},
        {{"view", "cut.png", "-o", "v.png"}, 1,
         "oxdoc view: cut.png: truncated PNG: the file ends before the picture does\n"},
        {{"mgmt", "s.mgp", "create"}, 1, "oxdoc mgmt: s.mgp: already exists; --force replaces it\n"},
    });
    EXPECT_FALSE(fs::exists(file("d.doc")));
    EXPECT_EQ(slurp(file("s.mgp")), "precious");
    std::ofstream(file("c.csv")) << "index,red,green,blue,name\n3,1,2,3,x\n";
    expect_runs({
        {{"mgmt", "s.mgp", "create", "--force"}, 0, "s.mgp: created, tag 0 = \"0\"\n"},
        {{"mgmt", "s.mgp", "set", "7", "-5", "--int"}, 0, "s.mgp: tag 7 = \"-5\"\n"},
        {{"chart", "c.pmcc", "load", "c.csv"}, 0, "c.pmcc: 1280 colours written from c.csv\n"},
        {{"chart", "c.pmcc", "png", "c.png"}, 0, "c.pmcc: 1280 colours drawn -> c.png\n"},
    });
    EXPECT_EQ(slurp(file("s.mgp")).size(), 9u + 10u);
}

// A dot and an upright line one pixel wide trace to contours of one and two distinct points: boxes. The
// canvas is the picture's size, or the vectors' extent when the document holds no picture.
TEST_F(OxdocCommands, VectorCanvasIsThePictureAndTinyContoursAreBoxes) {
    Rgb picture{12, 13, std::vector<uint8_t>(12 * 13 * 3, 0xFF)};
    for (int y : {1, 3, 4, 5, 6, 7, 8, 9, 10}) std::memset(&picture.px[3 * (y * 12 + (y == 1 ? 1 : 6))], 0, 3);
    save_png(file("p.png"), picture);
    expect_runs({{{"save", "p.png", "d.doc"}, 0},
                 {{"vector", "d.doc", "-o", "v.svg"}, 0, "2 contours on 12x13 (the picture's size) -> v.svg\n"}});
    const std::string svg = slurp(file("v.svg"));
    EXPECT_NE(svg.find("viewBox=\"0 0 12 13\""), std::string::npos) << svg;
    EXPECT_EQ(svg.find("<polygon"), std::string::npos) << svg;
    EXPECT_NE(svg.find("x=\"1\" y=\"0\" width=\"1\" height=\"1\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("x=\"6\" y=\"2\" width=\"2\" height=\"7\""), std::string::npos) << svg;

    // When the content is not a PNG picture, the canvas is what the vectors reach: columns 0 to 7.
    std::string doc = slurp(file("d.doc"));
    doc[1] = 'Q';
    std::ofstream(file("d.doc"), std::ios::binary) << doc;
    EXPECT_EQ(run({"vector", "d.doc", "-o", "v.svg"}).out, "2 contours on 8x9 (the extent of the vectors) -> v.svg\n");
}

}  // namespace
