// oxdoc: inspect and make tagged documents with the oxwUtl library.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"

namespace {

struct Command {
    const char *name;
    const char *synopsis;
    int (*run)(const oxdoc::Args &);
};

const Command kCommands[] = {
    {"demo", "demo [DIR]            run the library's road on the bundled picture", oxdoc::cmd_demo},
    {"mgmt", "mgmt FILE create|ls|get TAG|set TAG VALUE [--int]   management file values", oxdoc::cmd_mgmt},
    {"chart", "chart FILE dump [--json|--csv]|load FROM|png OUT.png   colour charts", oxdoc::cmd_chart},
    {"selfcheck", "selfcheck             exercise the library quickly and report", oxdoc::cmd_selfcheck},
    {"version", "version               print the library version", oxdoc::cmd_version},
};

void usage(FILE *to) {
    std::fprintf(to, "usage: oxdoc COMMAND [ARGS...]\n\ncommands:\n");
    for (const auto &c : kCommands) std::fprintf(to, "  oxdoc %s\n", c.synopsis);
    std::fprintf(to, "\nexit codes: 0 success, 1 the operation failed, 2 usage error\n");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        usage(stderr);
        return oxdoc::kUsage;
    }
    const std::string word = argv[1];
    if (word == "-h" || word == "--help" || word == "help") {
        usage(stdout);
        return oxdoc::kOk;
    }
    for (const auto &c : kCommands) {
        if (word == c.name) return c.run(oxdoc::Args(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "oxdoc: unknown command '%s'\n\n", word.c_str());
    usage(stderr);
    return oxdoc::kUsage;
}
