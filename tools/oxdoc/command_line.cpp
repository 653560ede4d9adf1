#include "command_line.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "cli.h"
#include "ox.h"

namespace oxdoc {
namespace {

bool is_option(const std::string &a) {
    return a.size() > 1 && a[0] == '-' && !std::isdigit(static_cast<unsigned char>(a[1]));
}

const Command *find_command(const std::string &name) {
    for (const Command &c : command_table())
        if (name == c.name) return &c;
    return nullptr;
}

// "oxdoc NAME FORM" for each line of the command's forms, the first after `first`, the others indented.
void print_forms(const Command &c, const char *first, std::FILE *to) {
    const std::string indent(std::strlen(first), ' ');
    const char *line = c.forms;
    bool at_first = true;
    do {
        const char *end = std::strchr(line, '\n');
        const std::string form(line, end ? end : line + std::strlen(line));
        std::fprintf(to, "%s%s %s%s%s\n", at_first ? first : indent.c_str(), "oxdoc", c.name,
                     form.empty() ? "" : " ", form.c_str());
        at_first = false;
        line = end ? end + 1 : nullptr;
    } while (line);
}

// `text` as lines of at most `width` columns, broken at spaces.
void print_wrapped(const char *text, std::size_t width, std::FILE *to) {
    std::string line;
    for (const char *p = text; *p;) {
        const char *end = p + std::strcspn(p, " ");
        const std::string word(p, end);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            std::fprintf(to, "%s\n", line.c_str());
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        p = *end ? end + 1 : end;
    }
    std::fprintf(to, "%s\n", line.c_str());
}

}  // namespace

bool Invocation::has(const std::string &name) const {
    return std::any_of(options.begin(), options.end(), [&](const auto &o) { return o.first == name; });
}

std::string Invocation::value(const std::string &name) const {
    for (const auto &o : options)
        if (o.first == name) return o.second;
    return {};
}

int Invocation::usage_error(const std::string &message) const {
    std::fprintf(stderr, "oxdoc %s: %s\n", command->name, message.c_str());
    print_forms(*command, "usage: ", stderr);
    std::fprintf(stderr, "(oxdoc %s --help tells more)\n", command->name);
    return kUsage;
}

void print_help(const Command *command, std::FILE *to) {
    if (!command) {
        std::fprintf(to, "usage: oxdoc [--max-pixels N] COMMAND [ARGS...]\n"
                         "       oxdoc COMMAND --help\n"
                         "       oxdoc --version\n\n"
                         "Inspect and make tagged documents, management files and colour charts with the oxwUtl "
                         "library.\n\ncommands:\n");
        for (const Command &c : command_table()) std::fprintf(to, "  %-10s %s\n", c.name, c.summary);
        std::fprintf(to, "\noptions before COMMAND:\n  --max-pixels N  decode no picture or image tag of more "
                         "than N pixels (default %llu; 0: no limit)\n",
                     static_cast<unsigned long long>(kDefaultMaxPixels));
        std::fprintf(to, "\nExit codes: 0 success, 1 the operation failed, 2 usage error.\n");
        return;
    }
    print_forms(*command, "usage: ", to);
    std::fprintf(to, "\n%c%s.\n", std::toupper(static_cast<unsigned char>(command->summary[0])), command->summary + 1);
    if (!command->options.empty()) std::fprintf(to, "\noptions:\n");
    for (const Option &o : command->options) {
        const std::string spelled = std::string(o.name) + (o.value ? std::string(" ") + o.value : "");
        std::fprintf(to, "  %-12s %s\n", spelled.c_str(), o.help);
    }
    if (command->details) {
        std::fputc('\n', to);
        print_wrapped(command->details, 100, to);
    }
}

int run_command(const std::string &name, const Args &args) {
    const Command *c = find_command(name);
    if (!c) {
        std::fprintf(stderr, "oxdoc: unknown command '%s' (oxdoc --help lists them)\n", name.c_str());
        return kUsage;
    }
    const auto options_end = std::find(args.begin(), args.end(), "--");
    if (std::any_of(args.begin(), options_end, [](const std::string &a) { return a == "-h" || a == "--help"; })) {
        print_help(c, stdout);
        return kOk;
    }
    Invocation inv;
    inv.command = c;
    for (auto a = args.begin(); a != args.end(); ++a) {
        if (*a == "--") {
            inv.positional.insert(inv.positional.end(), a + 1, args.end());
            break;
        }
        if (!is_option(*a)) {
            inv.positional.push_back(*a);
            continue;
        }
        const auto o =
            std::find_if(c->options.begin(), c->options.end(), [&](const Option &x) { return *a == x.name; });
        if (o == c->options.end()) return inv.usage_error("unknown option " + *a);
        if (inv.has(*a)) return inv.usage_error("option " + *a + " given twice");
        if (o->value && a + 1 == args.end()) return inv.usage_error("option " + *a + " needs " + o->value);
        const std::string spelled = *a;
        inv.options.emplace_back(spelled, o->value ? *++a : std::string());
    }
    for (const Option &o : c->options)
        if (o.required && !inv.has(o.name)) return inv.usage_error(std::string("missing ") + o.name + " " + o.value);
    if (inv.positional.size() < c->min_args) return inv.usage_error("missing arguments");
    if (inv.positional.size() > c->max_args) return inv.usage_error("too many arguments: " + inv.positional.back());
    return c->run(inv);
}

// Takes "--max-pixels N" from the front of the arguments (before the command word) and applies it, or the
// default. False with a message for a value that is not a count.
bool take_max_pixels(int &argc, char **&argv) {
    uint64_t pixels = kDefaultMaxPixels;
    if (argc > 1 && std::strcmp(argv[1], "--max-pixels") == 0) {
        const std::string value = argc > 2 ? argv[2] : "";
        errno = 0;
        pixels = std::strtoull(value.c_str(), nullptr, 10);
        if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || errno == ERANGE) {
            std::fprintf(stderr, "oxdoc: --max-pixels needs a count of pixels, not '%s'\n", value.c_str());
            return false;
        }
        argc -= 2;
        argv += 2;
    }
    set_max_pixels(pixels);
    return true;
}

int run_main(int argc, char **argv) {
    // A reader that goes away (oxdoc get ... -o - | head) makes a write fail with a message, not kill us.
    std::signal(SIGPIPE, SIG_IGN);
    if (!take_max_pixels(argc, argv)) return kUsage;
    const std::string word = argc > 1 ? argv[1] : "";
    if (word == "-h" || word == "--help" || word == "help") {
        const Command *c = argc > 2 ? find_command(argv[2]) : nullptr;
        if (argc > 2 && !c) return run_command(argv[2], {});
        print_help(c, stdout);
        return kOk;
    }
    if (word == "--version") return run_command("version", {});
    if (word.empty() || is_option(word)) {
        if (!word.empty()) std::fprintf(stderr, "oxdoc: unknown option %s\n", word.c_str());
        print_help(nullptr, stderr);
        return kUsage;
    }
    return run_command(word, Args(argv + 2, argv + argc));
}

}  // namespace oxdoc
