// The built oxdoc's mgmt and chart commands, run as a user would: round trips through the files, the
// listing of a damaged file, messages that name the file, and the exit codes.
#include <cstring>
#include <memory>

#include "oxdoc_runner.h"

namespace {

using namespace oxtest;

TEST_F(OxdocCommands, ManagementFileRoundTrips) {
    ASSERT_EQ(run({"mgmt", "s.mgp", "create"}).exit, 0);
    expect_runs({
        {{"mgmt", "s.mgp", "set", "7", "blue sky"}, 0},
        {{"mgmt", "s.mgp", "set", "0xFFFFFFFF", "-12", "--int"}, 0},
        {{"mgmt", "s.mgp", "set", "7", "sky"}, 0},  // a shorter value: rewritten whole
        {{"mgmt", "s.mgp", "set", "8", "--", "--dashes \"q\""}, 0},
        {{"mgmt", "s.mgp", "get", "7"}, 0, "sky\n"},
        {{"mgmt", "s.mgp", "get", "4294967295", "--int"}, 0, "-12\n"},
        {{"mgmt", "s.mgp", "ls"}, 0,
         "0x00000000          0  \"0\"\n"
         "0x00000007          7  \"sky\"\n"
         "0xFFFFFFFF 4294967295  \"-12\"\n"
         "0x00000008          8  \"--dashes \\\"q\\\"\"\n"},
        {{"mgmt", "s.mgp", "get", "9"}, 1, "s.mgp: tag 9: no such tag"},
        {{"mgmt", "s.mgp", "get", "7", "--int"}, 1},
        {{"mgmt", "s.mgp", "set", "9", std::string(256, 'x')}, 1},
        {{"mgmt", "none.mgp", "ls"}, 1},
        {{"mgmt"}, 2},
        {{"mgmt", "s.mgp", "frob"}, 2},
        {{"mgmt", "s.mgp", "get", "0x"}, 2},
        {{"mgmt", "s.mgp", "get", "4294967296"}, 2},
        {{"mgmt", "s.mgp", "set", "1", "x1", "--int"}, 2},
        {{"mgmt", "s.mgp", "set", "1"}, 2},
        {{"mgmt", "s.mgp", "ls", "--json"}, 2},
    });

    // A damaged file: the entries before the damage are listed, then the reason, and the exit code is 1.
    std::string bytes = slurp(file("s.mgp"));
    std::ofstream(file("cut.mgp"), std::ios::binary) << bytes.substr(0, bytes.size() - 3);
    const Outcome ls = run({"mgmt", "cut.mgp", "ls"});
    EXPECT_EQ(ls.exit, 1);
    EXPECT_EQ(std::count(ls.out.begin(), ls.out.end(), '\n'), 3);
    EXPECT_NE(ls.err.find("cut.mgp: damaged"), std::string::npos) << ls.err;
}

// A chart with awkward names (quotes, commas, a line break, bytes outside ASCII, 15 characters) goes
// through CSV and JSON and comes back the same.
TEST_F(OxdocCommands, ChartRoundTrips) {
    auto chart = std::make_unique<OxColorChart>();
    std::memset(chart.get(), 0x5C, sizeof(OxColorChart));  // name bytes behind the terminators too
    chart->header = 100;
    const char *names[] = {"Sky", "say \"hi\"", "a,b", "two\nlines", "\xE9t\xE9", "ABCDEFGHIJKLMNO", ""};
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        auto &e = chart->entries[i];
        e.red = (i * 3 + 1) & 0xFF, e.green = (i * 5 + 2) & 0xFF, e.blue = (i * 7 + 3) & 0xFF;
        std::strncpy(e.name, names[i % 7], 16);
    }
    uint32_t err;
    ASSERT_EQ(oxColorChartSave(file("c.pmcc").c_str(), chart.get(), 0, &err), 1u);

    // Dumped, loaded into a new chart and dumped again, each format gives the same text and the same chart.
    for (const std::string format : {"csv", "json"}) {
        const Outcome dump = run({"chart", "c.pmcc", "dump", "--" + format});
        ASSERT_EQ(dump.exit, 0) << dump.err;
        std::ofstream(file("c." + format), std::ios::binary) << dump.out;
        ASSERT_EQ(run({"chart", "from_" + format + ".pmcc", "load", "c." + format}).exit, 0);
        EXPECT_EQ(run({"chart", "from_" + format + ".pmcc", "dump", "--" + format}).out, dump.out) << format;
    }
    EXPECT_EQ(slurp(file("from_json.pmcc")), slurp(file("from_csv.pmcc")));
    const std::string head =
        "index,red,green,blue,name\n0,1,2,3,\"Sky\"\n1,4,7,10,\"say \"\"hi\"\"\"\n2,7,12,17,\"a,b\"\n";
    EXPECT_EQ(slurp(file("c.csv")).substr(0, head.size()), head);

    auto back = std::make_unique<OxColorChart>();
    ASSERT_EQ(oxColorChartLoad(file("from_json.pmcc").c_str(), back.get(), &err), 1u);
    for (uint32_t i = 0; i < OX_COLOR_CHART_ENTRIES; ++i) {
        ASSERT_EQ(back->entries[i].red, chart->entries[i].red);
        ASSERT_STREQ(back->entries[i].name, names[i % 7]);
    }

    // The swatch sheet is a PNG of 3072 x 2560.
    ASSERT_EQ(run({"chart", "c.pmcc", "png", "c.png"}).exit, 0);
    EXPECT_EQ(slurp(file("c.png")).substr(16, 8), std::string("\0\0\x0C\0\0\0\x0A\0", 8));  // in the header chunk
}

// Refused loads write nothing; entries left out load as white without a name.
TEST_F(OxdocCommands, ChartRefusals) {
    std::ofstream(file("bad.csv")) << "index,red,green,blue,name\n5,1,2,3,ok\n5,1,2,3,again\n";
    std::ofstream(file("wide.csv")) << "index,red,green,blue,name\n5,1,256,3,x\n";  // channels end at 255
    std::ofstream(file("long.json"))
        << R"({"entries": [{"red": 1, "green": 2, "blue": 3, "name": "sixteen chars..."}]})";
    std::ofstream(file("nul.csv"), std::ios::binary) << std::string("7,1,2,3,a\0b\n", 12);
    std::ofstream(file("one.json")) << R"({"entries": [{"index": 9, "red": 1, "green": 2, "blue": 3, "name": "x"}]})";
    std::ofstream(file("short.pmcc"), std::ios::binary) << std::string("\x00\x64 too short", 13);
    expect_runs({
        {{"chart", "out.pmcc", "load", "bad.csv"}, 1, "bad.csv: line 3"},
        {{"chart", "out.pmcc", "load", "wide.csv"}, 1},
        {{"chart", "out.pmcc", "load", "long.json"}, 1},
        {{"chart", "out.pmcc", "load", "nul.csv"}, 1, R"(nul.csv: line 1: the name "a\x00b" holds a NUL)"},
        {{"chart", "one.pmcc", "load", "one.json"}, 0},
        {{"chart", "one.pmcc", "dump"}, 0, "    9    1     2    3  #010203  \"x\""},
        {{"chart", "one.pmcc", "dump"}, 0, "   10  255   255  255  #FFFFFF  \"\""},
        {{"chart", "short.pmcc", "dump"}, 1, "short.pmcc: not a colour chart"},
        {{"chart", "one.pmcc", "png"}, 2},
        {{"chart", "one.pmcc", "paint"}, 2},
    });
    EXPECT_FALSE(fs::exists(file("out.pmcc")));
}

}  // namespace
