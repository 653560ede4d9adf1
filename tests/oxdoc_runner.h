// Runs the oxdoc of this build as a user would, in a fresh folder, capturing exit code and output.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support.h"

namespace oxtest {

namespace fs = std::filesystem;

struct Outcome {
    int exit = -1;
    std::string out, err;
};

// One row of a table of commands: the arguments, the exit code expected and a text that the output or the
// error output must hold ("" for none).
struct Expected {
    std::vector<std::string> args;
    int exit;
    std::string says = "";
};

inline std::string slurp(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string quoted(const std::string &s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Fixture: run({...}) executes oxdoc with those arguments inside dir_.
class OxdocCommands : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef OXDOC_PATH
        GTEST_SKIP() << "built without oxdoc";
#else
        tool_ = OXDOC_PATH;  // the oxdoc of this build, as the build names it
#endif
        ASSERT_TRUE(fs::exists(tool_)) << "oxdoc is not built: " << tool_;
    }
    // `shell` goes in front of the command ("ulimit -v 1000 && ").
    Outcome run(const std::vector<std::string> &args, const std::string &shell = "") {
        // A command that hangs fails after two minutes instead of holding up the suite.
        std::string cmd = "cd " + quoted(dir_.path().string()) + " && " + shell + "timeout 120 ";
        cmd += quoted(tool_.string());
        for (const auto &a : args) cmd += " " + quoted(a);
        cmd += " >" + quoted(dir_.file(".out")) + " 2>" + quoted(dir_.file(".err"));
        int status = std::system(cmd.c_str());
        Outcome r;
        r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = slurp(dir_.file(".out"));
        r.err = slurp(dir_.file(".err"));
        return r;
    }
    // Runs every row of the table and checks its exit code and text.
    void expect_runs(const std::vector<Expected> &table) {
        for (const Expected &e : table) {
            std::string line;
            for (const auto &a : e.args) line += a + " ";
            SCOPED_TRACE("oxdoc " + line);
            const Outcome r = run(e.args);
            EXPECT_EQ(r.exit, e.exit);
            EXPECT_NE((r.out + r.err).find(e.says), std::string::npos) << r.out << r.err;
        }
    }
    std::string file(const std::string &name) const { return dir_.file(name); }

    TempDir dir_;
    fs::path tool_;
};

}  // namespace oxtest
