// oxdoc: inspect and make tagged documents with the oxwUtl library.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"

namespace {

struct Command {
    const char *name;
    const char *args;
    const char *help;
    int (*run)(const oxdoc::Args &);
};

const Command kCommands[] = {
    {"ls", "DOC [--json]", "list the tags of a document", oxdoc::cmd_ls},
    {"get", "DOC ID -o OUT", "write one tag: an image tag as PNG, a raw tag as its bytes", oxdoc::cmd_get},
    {"thumbs", "DOC -o DIR", "write both thumbnails as PNG", oxdoc::cmd_thumbs},
    {"vector", "DOC -o OUT.svg", "draw the outline vectors as SVG", oxdoc::cmd_vector},
    {"save", "PICTURE.png DOC", "store thumbnails and vectors into DOC (created when new)", oxdoc::cmd_save},
    {"check", "DOC", "verify the trailer and every tag record", oxdoc::cmd_check},
    {"view", "PICTURE.png -o OUT.png [--zoom Z|--size WxH]", "draw a picture at a zoom as a canvas view does",
     oxdoc::cmd_view},
    {"mgmt", "FILE create|ls|get TAG|set TAG VALUE [--int]", "management file values", oxdoc::cmd_mgmt},
    {"chart", "FILE dump [--json|--csv]|load FROM|png OUT.png", "colour charts", oxdoc::cmd_chart},
    {"demo", "[DIR]", "run the save-and-browse road on the bundled picture", oxdoc::cmd_demo},
    {"selfcheck", "", "exercise the library quickly and report", oxdoc::cmd_selfcheck},
    {"version", "", "print the library version", oxdoc::cmd_version},
};

void usage(FILE *to) {
    std::fprintf(to, "usage: oxdoc COMMAND [ARGS...]\n\ncommands:\n");
    for (const auto &c : kCommands) {
        const std::string line = std::string(c.name) + " " + c.args;
        std::fprintf(to, "  oxdoc %-50s %s\n", line.c_str(), c.help);
    }
    std::fprintf(to, "\nTag ids are decimal or 0x hex (0xFF02).\n"
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
