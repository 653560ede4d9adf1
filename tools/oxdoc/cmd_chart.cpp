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
#include "commands.h"
#include "ox.h"
#include "store_cli.h"

namespace oxdoc {
namespace {

using store::report;

constexpr const char *kUsageText =
    "usage: oxdoc chart FILE dump [--json|--csv]      print the chart (a table, or CSV or JSON)\n"
    "       oxdoc chart FILE load FROM.csv|FROM.json  write FILE from a CSV or JSON chart\n"
    "       oxdoc chart FILE png OUT.png              draw the 1280 colours with their names\n"
    "CSV rows are index,red,green,blue,name (a header row is allowed); JSON is what dump --json prints.\n"
    "Entries not given load as white with no name. Channels 0..255, names at most 15 bytes.\n";

constexpr long kTextLimit = 16L << 20;

bool load_chart(const std::string &path, OxColorChart &chart) {
    uint32_t err = 0;
    if (oxColorChartLoad(path.c_str(), &chart, &err)) return true;
    report("chart", path, store::error_text(err), kFailed);
    return false;
}

bool read_text(const std::string &path, std::string &text, std::string &error) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && static_cast<long>(text.size()) <= kTextLimit)
        text.append(buf, n);
    bool ok = !std::ferror(f) && static_cast<long>(text.size()) <= kTextLimit;
    error = std::ferror(f) ? std::strerror(errno) : "larger than 16 MiB: not a colour chart";
    std::fclose(f);
    return ok;
}

bool ends_with(std::string s, const char *suffix) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    std::size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

int load(const std::string &path, const std::string &from) {
    std::string text, error;
    if (!read_text(from, text, error)) return report("chart", from, error, kFailed);
    bool json = ends_with(from, ".json");
    if (!json && !ends_with(from, ".csv")) {  // otherwise by its first character
        auto first = std::find_if(text.begin(), text.end(), [](unsigned char c) { return !std::isspace(c); });
        json = first != text.end() && *first == '{';
    }
    auto chart = std::make_unique<OxColorChart>();
    if (!(json ? chart::read_json(text, *chart, error) : chart::read_csv(text, *chart, error)))
        return report("chart", from, error, kFailed);
    uint32_t err = 0;
    if (!oxColorChartSave(path.c_str(), chart.get(), 0, &err)) return report("chart", path, store::error_text(err), kFailed);
    return kOk;
}

}  // namespace

int cmd_chart(const Args &args) {
    std::vector<std::string> pos, flags;
    for (const std::string &a : args) {
        if (a == "-h" || a == "--help") {
            std::fputs(kUsageText, stdout);
            return kOk;
        }
        (a.size() > 1 && a.compare(0, 2, "--") == 0 ? flags : pos).push_back(a);
    }
    if (pos.size() < 2) return store::usage_error("chart", "missing FILE or action", kUsageText);
    const std::string &path = pos[0], &action = pos[1];
    if (action == "dump") {
        if (pos.size() != 2 || flags.size() > 1 || (flags.size() == 1 && flags[0] != "--json" && flags[0] != "--csv"))
            return store::usage_error("chart", "dump takes one of --json or --csv, or nothing", kUsageText);
        auto chart = std::make_unique<OxColorChart>();
        if (!load_chart(path, *chart)) return kFailed;
        if (flags.empty()) chart::write_table(stdout, *chart);
        else if (flags[0] == "--json") chart::write_json(stdout, *chart);
        else chart::write_csv(stdout, *chart);
        return std::fflush(stdout) == 0 ? kOk : kFailed;
    }
    if (!flags.empty()) return store::usage_error("chart", "unknown option " + flags[0], kUsageText);
    if (action == "load") {
        if (pos.size() != 3) return store::usage_error("chart", "load needs FROM.csv or FROM.json", kUsageText);
        return load(path, pos[2]);
    }
    if (action == "png") {
        if (pos.size() != 3) return store::usage_error("chart", "png needs OUT.png", kUsageText);
        auto chart = std::make_unique<OxColorChart>();
        if (!load_chart(path, *chart)) return kFailed;
        std::string error;
        if (!chart::write_swatch_png(pos[2], *chart, error)) return fail("chart", error);  // the message names the file
        return kOk;
    }
    return store::usage_error("chart", "unknown action '" + action + "'", kUsageText);
}

}  // namespace oxdoc
