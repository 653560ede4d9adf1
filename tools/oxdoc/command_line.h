// oxdoc's command line: one table row per command says its forms, options and help, and one parser serves
// them all, so every command takes --help and refuses an unknown option (exit 2) before it does anything.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"

namespace oxdoc {

struct Option {
    const char *name;   // "--json", "-o"
    const char *value;  // the value's placeholder ("OUT"), nullptr for a flag
    const char *help;
    bool required = false;
};

struct Invocation;

struct Command {
    const char *name;
    const char *forms;    // what follows "oxdoc NAME", one form a line
    const char *summary;  // one line for the list of commands
    std::vector<Option> options;
    const char *details;  // more text for `oxdoc NAME --help`, or nullptr
    std::size_t min_args, max_args;  // positional arguments
    int (*run)(const Invocation &);
};

// A command's arguments split into positionals and the options given (each at most once). "--" ends the
// options; "-" and negative numbers ("-12") are positionals.
struct Invocation {
    const Command *command = nullptr;
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;

    bool has(const std::string &name) const;
    std::string value(const std::string &name) const;  // "" when absent
    // Prints "oxdoc NAME: message" and the command's forms to stderr; returns kUsage.
    int usage_error(const std::string &message) const;
};

// Every command, in the order `oxdoc --help` lists them (command_table.cpp).
const std::vector<Command> &command_table();

// Parses `args` for the command `name` and runs it: --help prints its help (exit 0), a wrong command line
// gives a usage error (exit 2). The demo runs the other commands through here too.
int run_command(const std::string &name, const Args &args);

// oxdoc's main: the command word, --help, --version.
int run_main(int argc, char **argv);

// The help of one command, or of oxdoc as a whole (command 0), as --help prints it.
void print_help(const Command *command, std::FILE *to);

}  // namespace oxdoc
