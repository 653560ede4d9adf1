// The settings store: paths that stay inside it, damaged files that still read, no update lost between
// processes, no torn file after a kill, and oxdoc settings on a stored placement.
#include <random>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "oxdoc_runner.h"
#include "oxw.h"

namespace {

using namespace std::string_literals;
using oxtest::read_bytes;

// An open key, closed at the end of scope; err is the open's error code.
struct Key {
    Key(const char *path, bool create) : handle(oxwHostOpenSettingsKey(0, path, create, &err)) {}
    ~Key() { oxwHostCloseSettingsKey(handle); }
    uint32_t err = 0;
    const OxwSettingsKey handle;
};

uint32_t get(OxwSettingsKey key, const char *name, uint32_t *err) {
    uint32_t v = 0xDEAD;
    return oxwHostGetSettingsValue(key, name, &v, err) ? v : 0xDEAD;
}

class Store : public ::testing::Test {
protected:
    void SetUp() override { oxwHostSetSettingsRoot(root().c_str()); }
    void TearDown() override { oxwHostSetSettingsRoot(nullptr); }
    std::string root() const { return dir_.file("root"); }
    std::string values_of(const std::string &key) const { return root() + "/" + key + "/.values"; }
    oxtest::TempDir dir_;
};

TEST_F(Store, PathsStayInsideAndIgnoreCase) {
    for (const std::string &path : std::vector<std::string>{"..", "a/../b", "/abs", "a//b", "a/", ".hidden", "a\\.b",
                                                            "x=y", "#c", " a", "a\tb", std::string(256, 'k')}) {
        Key k(path.c_str(), true);
        EXPECT_EQ(k.handle, 0u) << path;
        EXPECT_EQ(k.err, OX_ERROR_INVALID_PARAMETER) << path;
    }
    EXPECT_EQ(oxtest::folder_names(dir_.path()), std::vector<std::string>{}) << "nothing made anywhere";

    Key made("Software/Studio", true);
    uint32_t err = 0;
    ASSERT_EQ(oxwHostSetSettingsValue(made.handle, "Left", static_cast<uint32_t>(-15), &err), 1);
    EXPECT_EQ(oxwHostSetSettingsValue(made.handle, "a=b", 1, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_PARAMETER);
    Key again("SOFTWARE\\studio", false);
    EXPECT_EQ(get(again.handle, "LEFT", &err), static_cast<uint32_t>(-15));
    EXPECT_EQ(oxtest::slurp(values_of("software/studio")), "Left = -15\n");
    EXPECT_EQ(Key("software/other", false).err, OX_ERROR_FILE_NOT_FOUND);
}

// Lines a person broke read as missing, the others as written; a write keeps every line it does not own.
TEST_F(Store, DamagedFileStillReads) {
    Key key("app", true);
    const std::string damaged =
        "# a comment\nGood = 7\ngarbage\nBroken = 12a\nBig = 4294967296\n"
        "Hex = 0xfF\nLeast = -2147483648\nCr = 5\r\nNul = 3\0x\nDup = 1\nDUP = 2\n"s;
    oxtest::write_bytes(values_of("app"), oxtest::Bytes(damaged.begin(), damaged.end()));
    const struct {
        const char *name;
        uint32_t value;  // 0xDEAD: missing
    } cases[] = {{"good", 7}, {"Broken", 0xDEAD}, {"Big", 0xDEAD}, {"Hex", 255},       {"Least", 0x80000000u},
                 {"Cr", 5},   {"Nul", 0xDEAD},    {"dup", 1},      {"garbage", 0xDEAD}};
    for (const auto &c : cases) {
        uint32_t err = 0;
        EXPECT_EQ(get(key.handle, c.name, &err), c.value) << c.name;
        if (c.value == 0xDEAD) {
            EXPECT_EQ(err, OX_ERROR_FILE_NOT_FOUND) << c.name;
        }
    }
    uint32_t err = 0;
    ASSERT_EQ(oxwHostSetSettingsValue(key.handle, "broken", 1, &err), 1);
    ASSERT_EQ(oxwHostSetSettingsValue(key.handle, "dup", 3, &err), 1);
    ASSERT_EQ(oxwHostDeleteSettingsValue(key.handle, "Good", &err), 1);
    EXPECT_EQ(oxwHostDeleteSettingsValue(key.handle, "Good", &err), 0);
    EXPECT_EQ(oxtest::slurp(values_of("app")),
              "# a comment\ngarbage\nBroken = 1\nBig = 4294967296\nHex = 0xfF\nLeast = -2147483648\n"
              "Cr = 5\r\nNul = 3\0x\nDup = 3\n"s);

    oxtest::write_bytes(values_of("app"), oxtest::Bytes((1 << 20) + 1, '#'));
    EXPECT_EQ(oxwHostSetSettingsValue(key.handle, "x", 1, &err), 0);
    EXPECT_EQ(err, OX_ERROR_INVALID_DATA);
    EXPECT_EQ(read_bytes(values_of("app")).size(), (1u << 20) + 1) << "an oversized file is left alone";
}

// A child and the parent write at the same time, each its own names.
TEST_F(Store, TwoProcessesLoseNoUpdate) {
    Key key("shared", true);
    constexpr uint32_t kWrites = 50;
    const auto write_names = [](const char *prefix) {
        Key own("shared", false);
        int failures = 0;
        uint32_t err;
        for (uint32_t i = 0; i < kWrites; ++i)
            failures += !oxwHostSetSettingsValue(own.handle, (prefix + std::to_string(i)).c_str(), i, &err);
        return failures;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(write_names("Child"));
    EXPECT_EQ(write_names("Parent"), 0);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    char name[64];
    uint32_t err = 0, count = 0;
    while (oxwHostEnumSettingsValue(key.handle, count, name, sizeof name, nullptr, nullptr, &err)) ++count;
    EXPECT_EQ(err, OX_ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(count, 2u * kWrites);
}

TEST_F(Store, KilledWriterLeavesOldOrNewFile) {
    Key key("crash", true);
    std::string initial;
    for (uint32_t i = 0; i < 300; ++i) initial += "V" + std::to_string(i) + " = " + std::to_string(i) + "\n";
    oxtest::write_bytes(values_of("crash"), oxtest::Bytes(initial.begin(), initial.end()));
    uint32_t err = 0;
    std::mt19937 rng(15);
    for (int round = 0; round < 8; ++round) {
        oxtest::kill_during(rng, [&] {
            for (uint32_t n = 0;; ++n) oxwHostSetSettingsValue(key.handle, "Counter", n, &err);
        });
        for (uint32_t i = 0; i < 300; i += 37)
            ASSERT_EQ(get(key.handle, ("V" + std::to_string(i)).c_str(), &err), i) << "round " << round;
        const auto text = read_bytes(values_of("crash"));
        EXPECT_EQ(text.back(), '\n');
        const auto lines = std::count(text.begin(), text.end(), '\n');
        EXPECT_TRUE(lines == 300 || lines == 301) << lines;
    }
}

// oxdoc shows and repairs the values of a placement the library wrote.
class StoreAndOxdoc : public oxtest::OxdocCommands {
protected:
    void SetUp() override {
        OxdocCommands::SetUp();
        oxwHostSetSettingsRoot(file("root").c_str());
    }
    void TearDown() override { oxwHostSetSettingsRoot(nullptr); }
};

TEST_F(StoreAndOxdoc, ShowsAndRepairsAPlacement) {
    const std::string root = file("root"), key = "Software/Studio/Paint/Canvas";
    const OxwWindow w = oxwHostCreateWindow(0, 900, 100, 300, 200, 1);
    ASSERT_EQ(oxwHostSetShowState(w, 3), 1);  // maximised: the restored rectangle is what is kept
    {
        Key stored(key.c_str(), true);
        ASSERT_EQ(oxwRegSetWindowPlacement(w, stored.handle, 0), 1);
    }
    oxwHostDestroyWindow(w);
    auto r = run({"settings", "--root", root, "ls", key});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out,
              "NormalPositionLeft = 900\nNormalPositionTop = 100\nNormalPositionRight = 1200\n"
              "NormalPositionBottom = 300\nShowCmd = 3\nVisible = 1\n");
    EXPECT_EQ(run({"settings", "--root", root, "set", key, "normalpositionleft", "-15"}).exit, 0);
    r = run({"settings", "--root", root, "get", key, "NormalPositionLeft"});
    EXPECT_EQ(r.out, "-15\n");
    EXPECT_EQ(run({"settings", "--root", root, "delete", key, "ShowCmd"}).exit, 0);
    EXPECT_EQ(run({"settings", "--root", root, "get", key, "ShowCmd"}).exit, 1);
    EXPECT_EQ(run({"settings", "--root", root, "delete", "software"}).exit, 1) << "a key with subkeys stays";
    EXPECT_EQ(run({"settings", "--root", root, "set", key, "x", "12a"}).exit, 2);
    r = run({"settings", "--root", root, "ls"});
    EXPECT_EQ(r.out, "software/\n");
}

}  // namespace
