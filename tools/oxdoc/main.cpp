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
    {"ls", "ls DOC [--json]              list the tags of a document", oxdoc::cmd_ls},
    {"get", "get DOC ID -o OUT            write one tag: an image tag as PNG, a raw tag as bytes", oxdoc::cmd_get},
    {"thumbs", "thumbs DOC -o DIR            write both thumbnails as PNG", oxdoc::cmd_thumbs},
    {"vector", "vector DOC -o OUT.svg        draw the outline vectors as SVG", oxdoc::cmd_vector},
    {"save", "save PICTURE.png DOC         store thumbnails and vectors into DOC (created if new)", oxdoc::cmd_save},
    {"check", "check DOC                    verify the trailer and every tag record", oxdoc::cmd_check},
    {"mgmt", "mgmt FILE create|ls|get TAG|set TAG VALUE [--int]   management file values", oxdoc::cmd_mgmt},
    {"chart", "chart FILE dump [--json|--csv]|load FROM|png OUT.png   colour charts", oxdoc::cmd_chart},
    {"demo", "demo [DIR]                   run the save-and-browse road on the bundled picture", oxdoc::cmd_demo},
    {"selfcheck", "selfcheck                    exercise the library quickly and report", oxdoc::cmd_selfcheck},
    {"version", "version                      print the library version", oxdoc::cmd_version},
};

void usage(FILE *to) {
    std::fprintf(to, "usage: oxdoc COMMAND [ARGS...]\n\ncommands:\n");
    for (const auto &c : kCommands) std::fprintf(to, "  oxdoc %s\n", c.synopsis);
    std::fprintf(to, "\nTag ids are hex (0xFF02, ff02) or decimal.\n"
                     "exit codes: 0 success, 1 the operation failed, 2 usage error\n");
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
