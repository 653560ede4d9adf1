// `oxdoc chart FILE dump [--json|--csv] | load FROM.csv|FROM.json | png OUT.png`: colour charts.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "chart_png.h"
#include "chart_text.h"
#include "cli.h"
#include "command_line.h"
#include "file_io.h"
#include "commands.h"
#include "ox.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

using store::report;

constexpr long kTextLimit = 16L << 20;

bool load_chart(const std::string &path, OxColorChart &chart) {
    uint32_t err = 0;
    if (oxColorChartLoad(path.c_str(), &chart, &err)) return true;
    report("chart", path, store::error_text(err), kFailed);
    return false;
}

bool read_text(const std::string &path, std::string &text, std::string &error) {
    InputFile f = open_input(path, error);
    if (!f) return false;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0 && static_cast<long>(text.size()) <= kTextLimit)
        text.append(buf, n);
    bool ok = !std::ferror(f.get()) && static_cast<long>(text.size()) <= kTextLimit;
    error = path + ": " + (std::ferror(f.get()) ? std::strerror(errno) : "larger than 16 MiB: not a colour chart");
    return ok;
}

bool ends_with(std::string s, const char *suffix) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    std::size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

int load(const std::string &path, const std::string &from) {
    std::string text, error;
    if (!read_text(from, text, error)) return fail("chart", error);
    bool json = ends_with(from, ".json");
    if (!json && !ends_with(from, ".csv")) {  // otherwise by its first character
        auto first = std::find_if(text.begin(), text.end(), [](unsigned char c) { return !std::isspace(c); });
        json = first != text.end() && *first == '{';
    }
    auto chart = std::make_unique<OxColorChart>();
    if (!(json ? chart::read_json(text, *chart, error) : chart::read_csv(text, *chart, error)))
        return report("chart", from, error, kFailed);
    uint32_t err = 0;
    if (!oxColorChartSave(path.c_str(), chart.get(), 0, &err)) return fail("chart", file_error(path, err));
    std::printf("%s: %u colours written from %s\n", path.c_str(), OX_COLOR_CHART_ENTRIES, from.c_str());
    return kOk;
}

}  // namespace

int cmd_chart(const Invocation &inv) {
    const std::vector<std::string> &pos = inv.positional;
    const std::string &path = pos[0], &action = pos[1];
    if (action != "dump" && action != "load" && action != "png")
        return inv.usage_error("unknown action '" + action + "'");
    if (pos.size() != (action == "dump" ? 2u : 3u)) return inv.usage_error("wrong number of arguments for " + action);
    if (action != "dump" && (inv.has("--json") || inv.has("--csv")))
        return inv.usage_error("--json and --csv go with dump");
    if (inv.has("--json") && inv.has("--csv")) return inv.usage_error("dump takes one of --json and --csv");
    std::string error;
    if (!check_input(action == "load" ? pos[2] : path, error)) return fail("chart", error);
    if (action == "load") return load(path, pos[2]);
    auto chart = std::make_unique<OxColorChart>();
    if (!load_chart(path, *chart)) return kFailed;
    if (action == "png") {
        if (!chart::write_swatch_png(pos[2], *chart, error)) return fail("chart", error);  // the message names the file
        if (!is_stdout(pos[2]))
            std::printf("%s: %u colours drawn -> %s\n", path.c_str(), OX_COLOR_CHART_ENTRIES, pos[2].c_str());
        return kOk;
    }
    if (inv.has("--json")) chart::write_json(stdout, *chart);
    else if (inv.has("--csv")) chart::write_csv(stdout, *chart);
    else chart::write_table(stdout, *chart);
    return std::fflush(stdout) == 0 ? kOk : kFailed;
}

}  // namespace oxdoc
